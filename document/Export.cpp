#include "document/Export.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <vector>

#include "core/Dom.h"
#include "document/Document.h"

using corvantis::DOMNode;

namespace {

constexpr int DeepestHeading = 6;

// ---- Walking the folders ----

// Calls `visit(folder, depth)` for `top` (depth 1) and every element below
// it in document order; for the whole document when `top` is null, its top
// elements at depth 1.
template <class Visit>
void forEachFolder(const Document& document, const DOMNode* top, Visit visit) {
    struct Frame {
        const DOMNode* node;
        int next;
        int childDepth;
    };
    std::vector<Frame> stack;
    if (top && top->nodeType() == corvantis::ELEMENT) {
        visit(*top, 1);
        stack.push_back({top, 0, 2});
    } else {
        stack.push_back({document.documentNode(), 0, 1});
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const DOMNode* child = frame.node->childAt(frame.next++);
        if (child->nodeType() != corvantis::ELEMENT) continue;
        const int depth = frame.childDepth;
        visit(*child, depth);
        if (child->childCount() > 0) stack.push_back({child, 0, depth + 1});
    }
}

// The folder's texts, CDATA sections included, in order, as characters.
template <class Visit>
void forEachText(const Document& document, const DOMNode& folder, Visit visit) {
    for (int i = 0, count = folder.childCount(); i < count; ++i) {
        const DOMNode* child = folder.childAt(i);
        if (child->nodeType() == corvantis::TEXT || child->nodeType() == corvantis::CDATA_SECTION)
            visit(document.text().toText(child->nodeValue()));
    }
}

// Calls `visit(line)` for each line of `text`; CR LF, CR and LF all end one.
template <class Visit>
void forEachLine(QStringView text, Visit visit) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != '\r' && c != '\n') continue;
        visit(text.mid(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    visit(text.mid(start));
}

// The lines of `text` that are not blank; they refer to `text`.
std::vector<QStringView> nonBlankLines(const QString& text) {
    std::vector<QStringView> lines;
    forEachLine(text, [&](QStringView line) {
        if (!line.trimmed().isEmpty()) lines.push_back(line);
    });
    return lines;
}

// Calls `paragraph(lines)` for each run of lines that are not blank.
template <class Visit>
void forEachParagraph(QStringView text, Visit paragraph) {
    std::vector<QStringView> lines;
    forEachLine(text, [&](QStringView line) {
        if (!line.trimmed().isEmpty()) {
            lines.push_back(line);
            return;
        }
        if (!lines.empty()) paragraph(lines);
        lines.clear();
    });
    if (!lines.empty()) paragraph(lines);
}

QString titleOf(const Document& document, const DOMNode* top) {
    if (!top || top->nodeType() != corvantis::ELEMENT) top = document.dom().rootElement();
    return top ? document.text().toText(top->nodeName()) : QString("Corvantis");
}

// ---- Characters as UTF-8 ----

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Appends `text` as UTF-8; each ASCII character goes through `ascii(out, c)`,
// which writes it escaped or as it is. Control characters other than tab
// (a line holds no line break) and unpaired surrogates, which no reader
// should meet, become U+FFFD.
template <class Ascii>
void appendText(std::string& out, QStringView text, Ascii ascii) {
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            if (u < 0x20 && u != '\t')
                appendUtf8(out, ReplacementCharacter);
            else
                ascii(out, static_cast<char>(u));
        } else if (u < 0xD800 || u > 0xDFFF) {
            appendUtf8(out, u);
        } else if (u < 0xDC00 && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (*p++ - 0xDC00));
        } else {
            appendUtf8(out, ReplacementCharacter);
        }
    }
}

// ---- HTML ----

// Small, readable on screen and on paper; sizes in pixels, which the
// printing path's rich text understands as well as browsers do.
const char* const HtmlStyle =
    "body{font:16px/1.5 system-ui,-apple-system,\"Segoe UI\",Roboto,\"Helvetica Neue\",Arial,sans-serif;"
    "color:#1f2328;background:#fff;max-width:46em;margin:32px auto;padding:0 20px}\n"
    "h1,h2,h3,h4,h5,h6{font-weight:600;line-height:1.25;margin:22px 0 6px;page-break-after:avoid;"
    "break-after:avoid}\n"
    // A keyword first: the print path's rich text sizes headings only by keywords.
    "h1{font-size:xx-large;font-size:28px}h2{font-size:x-large;font-size:24px}h3{font-size:large;font-size:20px}"
    "h4{font-size:medium;font-size:18px}h5{font-size:medium;font-size:17px}h6{font-size:medium;font-size:16px}\n"
    ".depth{font-size:12px;font-weight:normal;color:#59636e}\n"
    "p{margin:8px 0}\n"
    "dl{margin:6px 0;font-size:14px;color:#424a53}dt{font-weight:600}dd{margin:0 0 3px 24px}\n"
    "@media print{body{max-width:none;margin:0;padding:0}p,dd{orphans:3;widows:3}}\n";

void htmlCharacter(std::string& out, char c) {
    switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
    }
}

void appendHtml(std::string& out, QStringView text) { appendText(out, text, htmlCharacter); }

// Line breaks kept as <br>.
void appendHtmlLines(std::string& out, QStringView text) {
    bool first = true;
    forEachLine(text, [&](QStringView line) {
        if (!first) out += "<br>\n";
        first = false;
        appendHtml(out, line);
    });
}

class HtmlWriter {
public:
    HtmlWriter(const Document& document, std::string& out) : document_(document), out_(out) {}

    void begin(const QString& title) {
        out_ += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
        appendHtml(out_, title);
        out_ += "</title>\n<style>\n";
        out_ += HtmlStyle;
        out_ += "</style>\n</head>\n<body>\n";
    }
    void end() { out_ += "</body>\n</html>\n"; }

    void folder(const DOMNode& folder, int depth) {
        const std::string level = std::to_string(std::min(depth, DeepestHeading));
        out_ += "<h" + level;
        if (depth > DeepestHeading) {
            // Assistive technology still learns the true level.
            const std::string deep = std::to_string(depth);
            out_ += " aria-level=\"" + deep + "\"><span class=\"depth\">[" + deep + "]</span> ";
        } else {
            out_ += '>';
        }
        appendHtml(out_, text(folder.nodeName()));
        out_ += "</h" + level + ">\n";
        attributes(folder);
        forEachText(document_, folder, [this](const QString& text) {
            forEachParagraph(text, [this](const std::vector<QStringView>& lines) {
                out_ += "<p>";
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    if (i > 0) out_ += "<br>\n";
                    appendHtml(out_, lines[i]);
                }
                out_ += "</p>\n";
            });
        });
    }

private:
    QString text(const corvantis::StringObject& bytes) const { return document_.text().toText(bytes); }

    void attributes(const DOMNode& folder) {
        const int count = folder.attributeCount();
        if (count == 0) return;
        out_ += "<dl>\n";
        for (int i = 0; i < count; ++i) {
            const corvantis::Attr* attribute = folder.attributeAt(i);
            out_ += "<dt>";
            appendHtml(out_, text(attribute->name));
            out_ += "</dt><dd>";
            appendHtmlLines(out_, text(attribute->value));
            out_ += "</dd>\n";
        }
        out_ += "</dl>\n";
    }

    const Document& document_;
    std::string& out_;
};

// ---- Markdown ----

// What CommonMark could read as markup anywhere in a line: emphasis, code,
// links and images, raw HTML and entities, hard breaks; "#" (a heading's
// closing run), "|" and "~" (tables and strike-through of common dialects).
bool isInlineSpecial(char c) {
    switch (c) {
        case '\\': case '`': case '*': case '_': case '[': case ']': case '<': case '>':
        case '&': case '#': case '|': case '~':
            return true;
        default:
            return false;
    }
}

void markdownCharacter(std::string& out, char c) {
    if (isInlineSpecial(c)) out.push_back('\\');
    out.push_back(c);
}

// One line of text, trimmed as CommonMark trims it, escaped so that it
// reads back as the same characters: besides the inline specials, what
// would start a block at the start of a line (a list item, a setext
// underline, an ordered list's "1." or "1)").
void appendMarkdownLine(std::string& out, QStringView line) {
    line = line.trimmed();
    if (line.isEmpty()) return;
    const char16_t first = line.front().unicode();
    if (first == '+' || first == '-' || first == '=') {
        out.push_back('\\');
        out.push_back(static_cast<char>(first));
        line = line.mid(1);
    } else {
        qsizetype digits = 0;
        while (digits < line.size() && line[digits] >= u'0' && line[digits] <= u'9') ++digits;
        if (digits > 0 && digits < line.size() && (line[digits] == u'.' || line[digits] == u')')) {
            appendText(out, line.first(digits), markdownCharacter);
            out.push_back('\\');
            line = line.mid(digits);
        }
    }
    appendText(out, line, markdownCharacter);
}

// Lines joined by CommonMark's explicit hard break, each continuation
// indented by `indent`.
void appendMarkdownLines(std::string& out, const std::vector<QStringView>& lines, const char* indent) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += "\\\n";
            out += indent;
        }
        appendMarkdownLine(out, lines[i]);
    }
}

class MarkdownWriter {
public:
    MarkdownWriter(const Document& document, std::string& out) : document_(document), out_(out) {}

    void folder(const DOMNode& folder, int depth) {
        out_.append(static_cast<std::size_t>(std::min(depth, DeepestHeading)), '#');
        if (depth > DeepestHeading) out_ += " \\[" + std::to_string(depth) + "\\]";
        // A heading is one line.
        const QString name = text(folder.nodeName());
        for (const QStringView part : nonBlankLines(name)) {
            out_ += ' ';
            appendMarkdownLine(out_, part);
        }
        out_ += "\n\n";
        attributes(folder);
        forEachText(document_, folder, [this](const QString& text) {
            forEachParagraph(text, [this](const std::vector<QStringView>& lines) {
                appendMarkdownLines(out_, lines, "");
                out_ += "\n\n";
            });
        });
    }

private:
    QString text(const corvantis::StringObject& bytes) const { return document_.text().toText(bytes); }

    void attributes(const DOMNode& folder) {
        const int count = folder.attributeCount();
        if (count == 0) return;
        for (int i = 0; i < count; ++i) {
            const corvantis::Attr* attribute = folder.attributeAt(i);
            out_ += "- **";
            appendMarkdownLine(out_, text(attribute->name));
            out_ += "**:";
            const QString value = text(attribute->value);
            const std::vector<QStringView> lines = nonBlankLines(value);
            if (!lines.empty()) out_ += ' ';
            appendMarkdownLines(out_, lines, "  ");
            out_ += '\n';
        }
        out_ += '\n';
    }

    const Document& document_;
    std::string& out_;
};

}  // namespace

const DOMNode* folderWithPath(const Document& document, const QString& path) {
    corvantis::StringObject wanted;
    if (path.isEmpty() || !document.text().toBytes(path, wanted)) return nullptr;
    const std::string_view target = wanted.view();
    // Each frame knows how much of the path the names down to its node
    // spell; a subtree whose names already differ is not entered, and no
    // path is ever built.
    struct Frame {
        const DOMNode* node;
        int next;
        std::size_t spelled;
    };
    std::vector<Frame> stack{{document.documentNode(), 0, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const DOMNode* child = frame.node->childAt(frame.next++);
        if (child->nodeType() != corvantis::ELEMENT) continue;
        const std::string_view name = child->nodeName().view();
        std::size_t spelled = frame.spelled;
        if (!name.empty()) {
            if (spelled > 0 && (spelled >= target.size() || target[spelled++] != '/')) continue;
            if (target.substr(spelled, name.size()) != name) continue;
            spelled += name.size();
        }
        if (spelled == target.size()) return child;
        if (child->childCount() > 0) stack.push_back({child, 0, spelled});
    }
    return nullptr;
}

std::optional<ExportFormat> exportFormatNamed(const QString& name) {
    const QString lower = name.toLower();
    if (lower == "html") return ExportFormat::Html;
    if (lower == "md") return ExportFormat::Markdown;
    if (lower == "pdf") return ExportFormat::Pdf;
    return std::nullopt;
}

QString exportFileExtension(ExportFormat format) {
    switch (format) {
        case ExportFormat::Html: return "html";
        case ExportFormat::Markdown: return "md";
        case ExportFormat::Pdf: return "pdf";
    }
    return QString();
}

std::string htmlExport(const Document& document, const DOMNode* top) {
    std::string out;
    HtmlWriter writer(document, out);
    writer.begin(titleOf(document, top));
    forEachFolder(document, top, [&](const DOMNode& folder, int depth) { writer.folder(folder, depth); });
    writer.end();
    return out;
}

std::string markdownExport(const Document& document, const DOMNode* top) {
    std::string out;
    MarkdownWriter writer(document, out);
    forEachFolder(document, top, [&](const DOMNode& folder, int depth) { writer.folder(folder, depth); });
    return out;
}

std::unique_ptr<QTextDocument> printableExport(const Document& document, const DOMNode* top) {
    auto printable = std::make_unique<QTextDocument>();
    // Rich text sizes headings by keywords relative to the default font:
    // the page's own text size makes them come out as in a browser.
    QFont font = printable->defaultFont();
    font.setPixelSize(16);
    printable->setDefaultFont(font);
    const std::string html = htmlExport(document, top);
    printable->setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
    printable->setMetaInformation(QTextDocument::DocumentTitle, titleOf(document, top));
    return printable;
}

QByteArray pdfExport(const Document& document, const DOMNode* top) {
    const std::unique_ptr<QTextDocument> printable = printableExport(document, top);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator("Corvantis");
        writer.setTitle(titleOf(document, top));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                         QPageLayout::Millimeter));
        printable->print(&writer);
    }
    return bytes;
}

SaveOutcome exportToFile(const Document& document, const DOMNode* top, ExportFormat format, const QString& path) {
    const SaveTarget target = SaveTarget::inspect(path);
    if (target.refusal.isError()) {
        SaveOutcome refused;
        refused.error = target.refusal;
        return refused;
    }
    switch (format) {
        case ExportFormat::Html: return saveFileAtomically(path, htmlExport(document, top));
        case ExportFormat::Markdown: return saveFileAtomically(path, markdownExport(document, top));
        case ExportFormat::Pdf: {
            const QByteArray pdf = pdfExport(document, top);
            return saveFileAtomically(path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
        }
    }
    return SaveOutcome();
}
