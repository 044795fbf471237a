#include "document/Export.h"

#include <sys/mman.h>

#include <QBuffer>
#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
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
    // Most texts are one line: the breaks are looked for a whole text at a
    // time, which is many times faster than looking at each character.
    qsizetype start = 0;
    qsizetype cr = text.indexOf(u'\r');
    qsizetype lf = text.indexOf(u'\n');
    while (cr >= 0 || lf >= 0) {
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        visit(text.mid(start, end - start));
        start = end + (end == cr && lf == cr + 1 ? 2 : 1);
        if (cr >= 0 && cr < start) cr = text.indexOf(u'\r', start);
        if (lf >= 0 && lf < start) lf = text.indexOf(u'\n', start);
    }
    visit(text.mid(start));
}

bool isBlank(QStringView line) { return line.trimmed().isEmpty(); }

// Calls `line(text, first)` for each line of `text` that is not blank,
// `first` when it starts a paragraph, and `end()` after each paragraph's
// last line; blank lines separate paragraphs.
template <class Line, class End>
void forEachParagraphLine(QStringView text, Line line, End end) {
    bool open = false;
    forEachLine(text, [&](QStringView each) {
        if (isBlank(each)) {
            if (open) end();
            open = false;
            return;
        }
        line(each, !open);
        open = true;
    });
    if (open) end();
}

// The same as one paragraph: blank lines are left out.
template <class Line>
void forEachNonBlankLine(QStringView text, Line line) {
    bool first = true;
    forEachLine(text, [&](QStringView each) {
        if (isBlank(each)) return;
        line(each, first);
        first = false;
    });
}

}  // namespace

QString exportTitle(const Document& document, const DOMNode* top) {
    if (!top || top->nodeType() != corvantis::ELEMENT) top = document.dom().rootElement();
    return top ? document.text().toText(top->nodeName()) : QString("Corvantis");
}

// ---- The output ----

ExportText::ExportText(ExportText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ExportText& ExportText::operator=(ExportText&& other) noexcept {
    if (this != &other) {
        if (data_) munmap(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

ExportText::~ExportText() {
    if (data_) munmap(data_, capacity_);
}

// Builds an ExportText: room is asked for once per piece, and the piece is
// written straight into it. The text lies in pages of its own, which grow
// by being remapped, so a growing export is never copied.
class ExportSink {
public:
    // Where `n` more bytes go; commit() says how many were written.
    char* room(std::size_t n) {
        if (text_.capacity_ - text_.size_ < n) grow(n);
        return text_.data_ + text_.size_;
    }
    void commit(const char* end) { text_.size_ = static_cast<std::size_t>(end - text_.data_); }
    void append(std::string_view bytes) {
        char* p = room(bytes.size());
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        commit(p + bytes.size());
    }
    // Markup: copied in a few moves, without a library call.
    template <std::size_t N>
    void append(const char (&markup)[N]) {
        char* p = room(N - 1);
        std::memcpy(p, markup, N - 1);
        commit(p + N - 1);
    }
    void append(char c) {
        char* p = room(1);
        *p = c;
        commit(p + 1);
    }
    void appendNumber(int n) { append(std::string_view(std::to_string(n))); }
    ExportText take() { return std::move(text_); }

private:
    void grow(std::size_t n) {
        const std::size_t page = 4096;
        std::size_t capacity = std::max({text_.capacity_ * 2, text_.size_ + n, std::size_t{1} << 20});
        capacity = (capacity + page - 1) / page * page;
        void* data = text_.data_ ? mremap(text_.data_, text_.capacity_, capacity, MREMAP_MAYMOVE)
                                 : mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED) throw std::bad_alloc();
        // Fresh pages are costly to touch one by one; huge ones, where the
        // system has them, are many times cheaper.
        madvise(data, capacity, MADV_HUGEPAGE);
        text_.data_ = static_cast<char*>(data);
        text_.capacity_ = capacity;
    }

    ExportText text_;
};

namespace {

// ---- Characters as UTF-8 ----

char* putUtf8(char* p, char32_t c) {
    if (c < 0x80) {
        *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *p++ = static_cast<char>(0xC0 | c >> 6);
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = static_cast<char>(0xE0 | c >> 12);
        *p++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *p++ = static_cast<char>(0xF0 | c >> 18);
        *p++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *p++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return p;
}

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Appends `text` as UTF-8; each ASCII character goes through `escape`,
// which writes it escaped or as it is, in at most Escape::Widest bytes.
// Control characters other than tab (a line holds no line break) and
// unpaired surrogates, which no reader should meet, become U+FFFD.
template <class Escape>
void appendText(ExportSink& out, QStringView text, Escape escape) {
    const char16_t* s = text.utf16();
    const char16_t* const end = s + text.size();
    // A UTF-16 unit takes at most three bytes of UTF-8.
    char* p = out.room(static_cast<std::size_t>(text.size()) * std::max<std::size_t>(Escape::Widest, 3));
    while (s < end) {
        const char16_t u = *s++;
        if (u < 0x80) {
            if (u < 0x20 && u != '\t')
                p = putUtf8(p, ReplacementCharacter);
            else
                p = escape(p, static_cast<char>(u));
        } else if (u < 0xD800 || u > 0xDFFF) {
            p = putUtf8(p, u);
        } else if (u < 0xDC00 && s < end && *s >= 0xDC00 && *s <= 0xDFFF) {
            p = putUtf8(p, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (*s++ - 0xDC00));
        } else {
            p = putUtf8(p, ReplacementCharacter);
        }
    }
    out.commit(p);
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

struct HtmlEscape {
    static constexpr std::size_t Widest = 6;
    char* operator()(char* p, char c) const {
        const auto put = [&p](const char (&entity)[7], std::size_t length) {
            std::memcpy(p, entity, 6);
            return p + length;
        };
        switch (c) {
            case '&': return put("&amp; ", 5);
            case '<': return put("&lt;  ", 4);
            case '>': return put("&gt;  ", 4);
            case '"': return put("&quot;", 6);
            case '\'': return put("&#39; ", 5);
            default: *p = c; return p + 1;
        }
    }
};

void appendHtml(ExportSink& out, QStringView text) { appendText(out, text, HtmlEscape()); }

// Line breaks kept as <br>.
void appendHtmlLines(ExportSink& out, QStringView text) {
    bool first = true;
    forEachLine(text, [&](QStringView line) {
        if (!first) out.append("<br>\n");
        first = false;
        appendHtml(out, line);
    });
}

class HtmlWriter {
public:
    HtmlWriter(const Document& document, ExportSink& out) : document_(document), out_(out) {}

    void begin(const QString& title) {
        out_.append("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
        appendHtml(out_, title);
        out_.append("</title>\n<style>\n");
        out_.append(HtmlStyle);
        out_.append("</style>\n</head>\n<body>\n");
    }
    void end() { out_.append("</body>\n</html>\n"); }

    void folder(const DOMNode& folder, int depth) {
        const char level = static_cast<char>('0' + std::min(depth, DeepestHeading));
        out_.append("<h");
        out_.append(level);
        if (depth > DeepestHeading) {
            // Assistive technology still learns the true level.
            out_.append(" aria-level=\"");
            out_.appendNumber(depth);
            out_.append("\"><span class=\"depth\">[");
            out_.appendNumber(depth);
            out_.append("]</span> ");
        } else {
            out_.append('>');
        }
        appendHtml(out_, text(folder.nodeName()));
        out_.append("</h");
        out_.append(level);
        out_.append(">\n");
        attributes(folder);
        forEachText(document_, folder, [this](const QString& text) {
            forEachParagraphLine(
                text,
                [this](QStringView line, bool first) {
                    if (first)
                        out_.append("<p>");
                    else
                        out_.append("<br>\n");
                    appendHtml(out_, line);
                },
                [this] { out_.append("</p>\n"); });
        });
    }

private:
    QString text(const corvantis::StringObject& bytes) const { return document_.text().toText(bytes); }

    void attributes(const DOMNode& folder) {
        const int count = folder.attributeCount();
        if (count == 0) return;
        out_.append("<dl>\n");
        for (int i = 0; i < count; ++i) {
            const corvantis::Attr* attribute = folder.attributeAt(i);
            out_.append("<dt>");
            appendHtml(out_, text(attribute->name));
            out_.append("</dt><dd>");
            appendHtmlLines(out_, text(attribute->value));
            out_.append("</dd>\n");
        }
        out_.append("</dl>\n");
    }

    const Document& document_;
    ExportSink& out_;
};

// ---- Markdown ----

// What CommonMark could read as markup anywhere in a line: emphasis, code,
// links and images, raw HTML and entities, hard breaks; "#" (a heading's
// closing run), "|" and "~" (tables and strike-through of common dialects).
struct MarkdownEscape {
    static constexpr std::size_t Widest = 2;
    char* operator()(char* p, char c) const {
        switch (c) {
            case '\\': case '`': case '*': case '_': case '[': case ']': case '<': case '>':
            case '&': case '#': case '|': case '~':
                *p++ = '\\';
                break;
            default:
                break;
        }
        *p = c;
        return p + 1;
    }
};

// One line of text, trimmed as CommonMark trims it, escaped so that it
// reads back as the same characters: besides the inline specials, what
// would start a block at the start of a line (a list item, a setext
// underline, an ordered list's "1." or "1)").
void appendMarkdownLine(ExportSink& out, QStringView line) {
    line = line.trimmed();
    if (line.isEmpty()) return;
    const char16_t first = line.front().unicode();
    if (first == '+' || first == '-' || first == '=') {
        out.append('\\');
    } else {
        qsizetype digits = 0;
        while (digits < line.size() && line[digits] >= u'0' && line[digits] <= u'9') ++digits;
        if (digits > 0 && digits < line.size() && (line[digits] == u'.' || line[digits] == u')')) {
            appendText(out, line.first(digits), MarkdownEscape());
            out.append('\\');
            line = line.mid(digits);
        }
    }
    appendText(out, line, MarkdownEscape());
}

// CommonMark's explicit hard break, before a line that goes on a paragraph
// or a list item (`indent`).
void appendMarkdownBreak(ExportSink& out, std::string_view indent) {
    out.append("\\\n");
    out.append(indent);
}

class MarkdownWriter {
public:
    MarkdownWriter(const Document& document, ExportSink& out) : document_(document), out_(out) {}

    void folder(const DOMNode& folder, int depth) {
        out_.append(std::string_view("######", static_cast<std::size_t>(std::min(depth, DeepestHeading))));
        if (depth > DeepestHeading) {
            out_.append(" \\[");
            out_.appendNumber(depth);
            out_.append("\\]");
        }
        // A heading is one line.
        forEachNonBlankLine(text(folder.nodeName()), [this](QStringView part, bool) {
            out_.append(' ');
            appendMarkdownLine(out_, part);
        });
        out_.append("\n\n");
        attributes(folder);
        forEachText(document_, folder, [this](const QString& text) {
            forEachParagraphLine(
                text,
                [this](QStringView line, bool first) {
                    if (!first) appendMarkdownBreak(out_, "");
                    appendMarkdownLine(out_, line);
                },
                [this] { out_.append("\n\n"); });
        });
    }

private:
    QString text(const corvantis::StringObject& bytes) const { return document_.text().toText(bytes); }

    void attributes(const DOMNode& folder) {
        const int count = folder.attributeCount();
        if (count == 0) return;
        for (int i = 0; i < count; ++i) {
            const corvantis::Attr* attribute = folder.attributeAt(i);
            out_.append("- **");
            appendMarkdownLine(out_, text(attribute->name));
            out_.append("**:");
            forEachNonBlankLine(text(attribute->value), [this](QStringView line, bool first) {
                if (first)
                    out_.append(' ');
                else
                    appendMarkdownBreak(out_, "  ");
                appendMarkdownLine(out_, line);
            });
            out_.append('\n');
        }
        out_.append('\n');
    }

    const Document& document_;
    ExportSink& out_;
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

ExportText htmlExport(const Document& document, const DOMNode* top) {
    ExportSink out;
    HtmlWriter writer(document, out);
    writer.begin(exportTitle(document, top));
    forEachFolder(document, top, [&](const DOMNode& folder, int depth) { writer.folder(folder, depth); });
    writer.end();
    return out.take();
}

ExportText markdownExport(const Document& document, const DOMNode* top) {
    ExportSink out;
    MarkdownWriter writer(document, out);
    forEachFolder(document, top, [&](const DOMNode& folder, int depth) { writer.folder(folder, depth); });
    return out.take();
}

std::unique_ptr<QTextDocument> printableExport(const Document& document, const DOMNode* top) {
    auto printable = std::make_unique<QTextDocument>();
    // Rich text sizes headings by keywords relative to the default font:
    // the page's own text size makes them come out as in a browser.
    QFont font = printable->defaultFont();
    font.setPixelSize(16);
    printable->setDefaultFont(font);
    const ExportText html = htmlExport(document, top);
    printable->setHtml(QString::fromUtf8(html.view().data(), static_cast<qsizetype>(html.view().size())));
    printable->setMetaInformation(QTextDocument::DocumentTitle, exportTitle(document, top));
    return printable;
}

QPageLayout pdfExportLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                       QPageLayout::Millimeter);
}

QByteArray pdfExport(const Document& document, const DOMNode* top, const QPageLayout& layout) {
    const std::unique_ptr<QTextDocument> printable = printableExport(document, top);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator("Corvantis");
        writer.setTitle(exportTitle(document, top));
        writer.setPageLayout(layout);
        printExportPages(*printable, writer);
    }
    return bytes;
}

void printExportPages(QTextDocument& pages, QPagedPaintDevice& device) {
    // The page's sizes are CSS pixels, 96 to the inch: laid out at that
    // resolution and scaled to the device's, as a browser prints. Laid out
    // on the device itself a pixel would be one of its dots, a twelfth of
    // that on a 1200 dpi printer.
    const double cssDotsPerMeter = 96 / 0.0254;
    QImage cssPixels(1, 1, QImage::Format_RGB32);
    cssPixels.setDotsPerMeterX(qRound(cssDotsPerMeter));
    cssPixels.setDotsPerMeterY(qRound(cssDotsPerMeter));
    pages.documentLayout()->setPaintDevice(&cssPixels);
    pages.setPageSize(device.pageLayout().paintRect(QPageLayout::Point).size() * (96.0 / 72.0));
    pages.print(&device);
    pages.documentLayout()->setPaintDevice(nullptr);
}

SaveOutcome exportToFile(const Document& document, const DOMNode* top, ExportFormat format, const QString& path,
                         const QPageLayout& pdfLayout) {
    const SaveTarget target = SaveTarget::inspect(path);
    if (target.refusal.isError()) {
        SaveOutcome refused;
        refused.error = target.refusal;
        return refused;
    }
    switch (format) {
        case ExportFormat::Html: return saveFileAtomically(path, htmlExport(document, top).view());
        case ExportFormat::Markdown: return saveFileAtomically(path, markdownExport(document, top).view());
        case ExportFormat::Pdf: {
            const QByteArray pdf = pdfExport(document, top, pdfLayout);
            return saveFileAtomically(path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
        }
    }
    return SaveOutcome();
}
