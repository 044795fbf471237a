// Notes taken out as HTML, Markdown and PDF: what each folder becomes, that
// nothing a note holds can turn into markup, that any depth works, and that
// the files are written as Save writes them.
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/Export.h"
#include "Utf16Text.h"

using corvantis::DOMNode;

namespace {

QString fromUtf8(const ExportText& text) {
    return QString::fromUtf8(text.view().data(), static_cast<qsizetype>(text.view().size()));
}

// What stands between <body> and </body>: the part the document decides.
QString htmlBody(const ExportText& html) {
    const QString page = fromUtf8(html);
    const qsizetype start = page.indexOf("<body>\n") + 7;
    return page.mid(start, page.indexOf("</body>") - start);
}

std::unique_ptr<Document> loaded(const QByteArray& xml) {
    auto document = std::make_unique<Document>();
    document->load(xml, "notes.xml", "notes.xml");
    return document;
}

// `levels` nested folders named L, the innermost holding `innermost`.
QByteArray nested(int levels, const QByteArray& innermost) {
    QByteArray xml;
    xml.reserve(levels * 8 + innermost.size());
    for (int i = 0; i < levels; ++i) xml += "<L>";
    xml += innermost;
    for (int i = 0; i < levels; ++i) xml += "</L>";
    return xml;
}

// The elements of an HTML page as libxml2's HTML parser reads it: each
// element's name, and for headings their text, in document order.
struct ParsedPage {
    std::vector<std::string> elements;
    std::vector<std::string> headings;
    // How deep elements nest: html, body, a heading, its marker.
    int deepest = 0;
};

ParsedPage parseHtml(std::string_view html) {
    ParsedPage page;
    htmlDocPtr document = htmlReadMemory(html.data(), static_cast<int>(html.size()), "export.html", "UTF-8",
                                         HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
    if (!document) return page;
    std::vector<std::pair<xmlNodePtr, int>> pending{{xmlDocGetRootElement(document), 1}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node || node->type != XML_ELEMENT_NODE) continue;
        const std::string name(reinterpret_cast<const char*>(node->name));
        page.elements.push_back(name);
        page.deepest = std::max(page.deepest, depth);
        if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
            xmlChar* text = xmlNodeGetContent(node);
            page.headings.emplace_back(reinterpret_cast<const char*>(text));
            xmlFree(text);
        }
        std::vector<std::pair<xmlNodePtr, int>> children;
        for (xmlNodePtr child = node->children; child; child = child->next) children.emplace_back(child, depth + 1);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    xmlFreeDoc(document);
    return page;
}

const QByteArray Hostile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Notes><Evil title=\"&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;\" on=\"x' onload='y\">"
    "&lt;script&gt;alert(2)&lt;/script&gt; &amp;amp; ]]&gt; <![CDATA[<img src=x onerror=alert(3)>]]>"
    "<!-- <b>not shown</b> --><?pi <i>not shown</i>?></Evil></Notes>";

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void eachFolderBecomesAHeadingWithItsAttributesAndParagraphs_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("folderPath");
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("markdown");
        QTest::newRow("folders, attributes, paragraphs; comments and instructions left out")
            << QByteArray("<Notes><Work due=\"Friday\" tag=\"job\">call Anna\r\nthen Bob\r\n\r\n  \r\nlater"
                          "<!--private--><?app data?><Task>write</Task></Work></Notes>")
            << QString()
            << "<h1>Notes</h1>\n<h2>Work</h2>\n<dl>\n<dt>due</dt><dd>Friday</dd>\n<dt>tag</dt><dd>job</dd>\n</dl>\n"
               "<p>call Anna<br>\nthen Bob</p>\n<p>later</p>\n<h3>Task</h3>\n<p>write</p>\n"
            << "# Notes\n\n## Work\n\n- **due**: Friday\n- **tag**: job\n\ncall Anna\\\nthen Bob\n\nlater\n\n"
               "### Task\n\nwrite\n\n";
        QTest::newRow("a folder's own texts come before the folders inside it; CR, LF and CR LF all break lines")
            << QByteArray("<a>one<b>two</b>three\rfour\nfive<![CDATA[six]]></a>") << QString()
            << "<h1>a</h1>\n<p>one</p>\n<p>three<br>\nfour<br>\nfive</p>\n<p>six</p>\n<h2>b</h2>\n<p>two</p>\n"
            << "# a\n\none\n\nthree\\\nfour\\\nfive\n\nsix\n\n## b\n\ntwo\n\n";
        QTest::newRow("a folder alone starts at h1")
            << QByteArray("<a><b x=\"1\"><c>deep</c></b><d/></a>") << "a/b"
            << "<h1>b</h1>\n<dl>\n<dt>x</dt><dd>1</dd>\n</dl>\n<h2>c</h2>\n<p>deep</p>\n"
            << "# b\n\n- **x**: 1\n\n## c\n\ndeep\n\n";
        QTest::newRow("beyond the sixth level: h6 with the depth in a marker, never nested")
            << nested(8, "x") << QString()
            << "<h1>L</h1>\n<h2>L</h2>\n<h3>L</h3>\n<h4>L</h4>\n<h5>L</h5>\n<h6>L</h6>\n"
               "<h6 aria-level=\"7\"><span class=\"depth\">[7]</span> L</h6>\n"
               "<h6 aria-level=\"8\"><span class=\"depth\">[8]</span> L</h6>\n<p>x</p>\n"
            << "# L\n\n## L\n\n### L\n\n#### L\n\n##### L\n\n###### L\n\n###### \\[7\\] L\n\n"
               "###### \\[8\\] L\n\nx\n\n";
        QTest::newRow("markup in notes is text")
            << Hostile << QString()
            << "<h1>Notes</h1>\n<h2>Evil</h2>\n<dl>\n"
               "<dt>title</dt><dd>&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;</dd>\n"
               "<dt>on</dt><dd>x&#39; onload=&#39;y</dd>\n</dl>\n"
               "<p>&lt;script&gt;alert(2)&lt;/script&gt; &amp;amp; ]]&gt; </p>\n"
               "<p>&lt;img src=x onerror=alert(3)&gt;</p>\n"
            << "# Notes\n\n## Evil\n\n- **title**: \"\\>\\<script\\>alert(1)\\</script\\>\n"
               "- **on**: x' onload='y\n\n\\<script\\>alert(2)\\</script\\> \\&amp; \\]\\]\\>\n\n"
               "\\<img src=x onerror=alert(3)\\>\n\n";
        QTest::newRow("Markdown's specials at the start of lines and within them")
            << QByteArray("<m>- item\r\n+ more\r\n1. first\r\n2) second\r\n# title\r\n> quote\r\n===\r\n"
                          "    code?\r\n*em* _em_ `code` [link](x) ![img](y) a|b ~~s~~ back\\slash &amp;copy; 3.5</m>")
            << QString()
            << "<h1>m</h1>\n<p>- item<br>\n+ more<br>\n1. first<br>\n2) second<br>\n# title<br>\n&gt; quote<br>\n"
               "===<br>\n    code?<br>\n*em* _em_ `code` [link](x) ![img](y) a|b ~~s~~ back\\slash &amp;copy; 3.5</p>\n"
            << "# m\n\n\\- item\\\n\\+ more\\\n1\\. first\\\n2\\) second\\\n\\# title\\\n\\> quote\\\n\\===\\\n"
               "code?\\\n\\*em\\* \\_em\\_ \\`code\\` \\[link\\](x) !\\[img\\](y) a\\|b \\~\\~s\\~\\~ "
               "back\\\\slash \\&copy; 3.5\n\n";
        QTest::newRow("ISO-8859-1 comes out as UTF-8")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><K\xFC" "che>Kr\xE4uter</K\xFC" "che>")
            << QString() << QString::fromUtf8("<h1>Küche</h1>\n<p>Kräuter</p>\n")
            << QString::fromUtf8("# Küche\n\nKräuter\n\n");
        QTest::newRow("UTF-16 comes out as UTF-8")
            << utf16(QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>\xE2\x82\xAC \xF0\x9F\x8C\xB9</r>"),
                     false, true)
            << QString() << QString::fromUtf8("<h1>r</h1>\n<p>€ 🌹</p>\n") << QString::fromUtf8("# r\n\n€ 🌹\n\n");
    }

    void eachFolderBecomesAHeadingWithItsAttributesAndParagraphs() {
        QFETCH(QByteArray, xml);
        QFETCH(QString, folderPath);
        QFETCH(QString, html);
        QFETCH(QString, markdown);
        const auto document = loaded(xml);
        const DOMNode* top = folderPath.isEmpty() ? nullptr : folderWithPath(*document, folderPath);
        QVERIFY(folderPath.isEmpty() || top);
        QCOMPARE(htmlBody(htmlExport(*document, top)), html);
        QCOMPARE(fromUtf8(markdownExport(*document, top)), markdown);
    }

    void aStandardParserReadsTheExportedPageAsHeadingsAndTextOnly() {
        const auto document = loaded(Hostile + "<!-- -->" + nested(1000, "<Bottom>end</Bottom>"));
        const ExportText exported = htmlExport(*document, nullptr);
        const std::string_view html = exported.view();
        const ParsedPage page = parseHtml(html);
        const std::vector<std::string> allowed{"html", "head", "meta", "title", "style", "body", "h1", "h2",
                                               "h3", "h4", "h5", "h6", "span", "dl", "dt", "dd", "p", "br"};
        for (const std::string& element : page.elements)
            QVERIFY2(std::find(allowed.begin(), allowed.end(), element) != allowed.end(), element.c_str());
        // Headings stand side by side, however deep the folders are.
        QCOMPARE(page.deepest, 4);
        QCOMPARE(page.headings.size(), std::size_t{2 + 1000 + 1});
        QCOMPARE(page.headings[0], std::string("Notes"));
        QCOMPARE(page.headings[1], std::string("Evil"));
        QCOMPARE(page.headings.back(), std::string("[1001] Bottom"));
        QVERIFY(html.find("<script") == std::string_view::npos);
        QVERIFY(html.find("<img") == std::string_view::npos);
    }

    void aMillionLevelsExportInLinearTime() {
        const int levels = 1000000;
        const auto document = loaded(nested(levels, "bottom"));
        QString path = "L";
        for (int i = 1; i < levels; ++i) path += "/L";
        const DOMNode* deepest = folderWithPath(*document, path);
        QVERIFY(deepest);
        QCOMPARE(deepest->childAt(0)->nodeValue().view(), std::string_view("bottom"));
        const ExportText html = htmlExport(*document, nullptr);
        QVERIFY(html.view().find("<h6 aria-level=\"1000000\"><span class=\"depth\">[1000000]</span> L</h6>\n"
                                 "<p>bottom</p>") != std::string_view::npos);
        const ExportText markdown = markdownExport(*document, document->documentNode()->childAt(0));
        QVERIFY(markdown.view().size() < std::size_t{levels} * 30);
        QVERIFY(markdown.view().find("###### \\[1000000\\] L\n\nbottom\n\n") != std::string_view::npos);
    }

    void aPathPicksTheFirstFolderThatHasItInDocumentOrder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("top") << "r" << "top";
        QTest::newRow("the first of two of the same path") << "r/a/b" << "first";
        QTest::newRow("a nameless folder adds nothing") << "r/c" << "under nameless";
        QTest::newRow("a name with a slash") << "r/x/y" << "slash";
        QTest::newRow("letters beyond ASCII") << QString::fromUtf8("r/Küche") << "kitchen";
        QTest::newRow("no such folder") << "r/a/z" << QString();
        QTest::newRow("a prefix of a name is no path") << "r/a/b/" << QString();
        QTest::newRow("nothing") << "" << QString();
    }

    void aPathPicksTheFirstFolderThatHasItInDocumentOrder() {
        QFETCH(QString, path);
        QFETCH(QString, text);
        // Names that no parser makes, as the tree can hold them after a rename.
        Document document;
        document.load(QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>top<a><b>first</b></a><a><b>second</b>"
                                 "</a><n><c>under nameless</c></n><x_y>slash</x_y><K\xC3\xBC" "che>kitchen</K\xC3\xBC" "che></r>"),
                      "n.xml", "n.xml");
        auto* root = document.dom().rootElement();
        root->childAt(3)->setNodeName("");
        root->childAt(4)->setNodeName("x/y");
        const DOMNode* found = folderWithPath(document, path);
        QCOMPARE(found ? document.text().toText(found->childAt(0)->nodeValue()) : QString(), text);
    }

    void anExportReplacesAFileAsSaveDoesAndPdfIsAPdf() {
        QTemporaryDir folder;
        const auto document = loaded("<Notes><Work>office</Work></Notes>");
        const QString html = folder.filePath("notes.html");
        {
            QFile old(html);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older export that is much longer than the new one will be, so truncation shows");
        }
        QVERIFY(exportToFile(*document, nullptr, ExportFormat::Html, html));
        QFile written(html);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().toStdString(), std::string(htmlExport(*document, nullptr).view()));
        QVERIFY(QFile::setPermissions(html, QFile::ReadOwner));
        const SaveOutcome refused = exportToFile(*document, nullptr, ExportFormat::Markdown, html);
        QCOMPARE(refused.status, SaveOutcome::Status::Failed);
        QVERIFY(refused.error.isError());
        const QString pdf = folder.filePath("notes.pdf");
        QVERIFY(exportToFile(*document, document->dom().rootElement()->childAt(0), ExportFormat::Pdf, pdf));
        QFile printed(pdf);
        QVERIFY(printed.open(QIODevice::ReadOnly));
        const QByteArray bytes = printed.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("/Type /Page"));
    }

    void paperShowsTheTextAsLargeAsABrowserPrintsIt() {
        // Forty headings with a line each fill four A4 pages at a browser's
        // sizes; laid out at the PDF's own 1200 dots per inch, two.
        QByteArray xml = "<Notes>";
        for (int i = 0; i < 40; ++i) xml += "<Day>a line of text</Day>";
        const QByteArray pdf = pdfExport(*loaded(xml + "</Notes>"), nullptr);
        QVERIFY(pdf.count("/Type /Page\n") >= 3);
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
