// Text is text: a file is read, a folder's text and an attribute value are
// shown, edited as a user edits them, saved, and read back by another XML
// reader (expat), which must read what the user saw and typed.
#include <QTest>
#include <expat.h>

#include "core/Dom.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "document/ShownData.h"

namespace {

// The text of <t> and its attribute v as expat reads them; `error` is set
// when expat refuses the file.
struct ReadBack {
    QString text;
    QString value;
    QString error;
    bool inT = false;
};

QString fromExpat(const XML_Char* text, int length = -1) { return QString::fromUtf8(text, length); }

ReadBack readWithExpat(const QByteArray& file) {
    ReadBack read;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &read);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto* read = static_cast<ReadBack*>(data);
            read->inT = fromExpat(name) == "t";
            for (int i = 0; read->inT && attributes[i]; i += 2)
                if (fromExpat(attributes[i]) == "v") read->value = fromExpat(attributes[i + 1]);
        },
        [](void* data, const XML_Char*) { static_cast<ReadBack*>(data)->inT = false; });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
        auto* read = static_cast<ReadBack*>(data);
        if (read->inT) read->text += fromExpat(text, length);
    });
    if (XML_Parse(parser, file.constData(), static_cast<int>(file.size()), XML_TRUE) == XML_STATUS_ERROR)
        read.error = XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    return read;
}

// The user's edit of a field: `removed` characters at `at` (-1: the end)
// give way to `typed`.
struct Edit {
    int at = -1;
    int removed = 0;
    QString typed;

    QString appliedTo(const QString& text) const {
        const int position = at < 0 ? static_cast<int>(text.size()) : at;
        return QString(text).replace(position, removed, typed);
    }
};

QByteArray fileOf(const QByteArray& encoding, const QByteArray& value, const QByteArray& text) {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\r\n<!DOCTYPE r [<!ENTITY nbsp \"&#160;\">]>\r\n<r><t v=\"" + value + "\">" + text + "</t></r>";
}

QByteArray saved(const Document& document) {
    const corvantis::StringObject text = document.dom().serialize();
    std::string storage;
    const std::string_view bytes = document.fileBytes(text, storage);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The field's text after the edit, followed as a field follows it, as
// character data.
corvantis::StringObject edited(const corvantis::StringObject& data, const Edit& edit, ShownData::LineBreak lineBreak,
                               QString& shown) {
    ShownData field(data);
    shown = field.text();
    const QString text = edit.appliedTo(field.text());
    field.follow(text, edit.at < 0 ? static_cast<int>(shown.size()) : edit.at);
    corvantis::StringObject result;
    if (!field.toData(text, lineBreak, result)) qFatal("a field's text was refused");
    return result;
}

}  // namespace

Q_DECLARE_METATYPE(Edit)

class TextRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void whatIsShownAndTypedIsWhatAReaderReads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");       // the text frame, then the value field, joined by "|"
        QTest::addColumn<Edit>("textEdit");
        QTest::addColumn<Edit>("valueEdit");
        QTest::addColumn<QString>("read");        // expat's text and value, joined by "|"
        QTest::addColumn<QByteArray>("written");  // what the saved file holds
        const QString nbsp(QChar(0xA0));

        QTest::newRow("character references show as their characters")
            << fileOf("UTF-8", "&#x41;&#233;", "Caf&#233; &#x263A;") << QString::fromUtf8("Café ☺|Aé")
            << Edit{-1, 0, "!"} << Edit{} << QString::fromUtf8("Café ☺!|Aé")
            << QByteArray("<t v=\"A\xC3\xA9\">Caf\xC3\xA9 \xE2\x98\xBA!</t>");
        QTest::newRow("\"&#\" typed is characters")
            << fileOf("UTF-8", "", "a") << "a|" << Edit{-1, 0, "&#65; &amp; &nbsp;"} << Edit{0, 0, "&#66;"}
            << "a&#65; &amp; &nbsp;|&#66;" << QByteArray("<t v=\"&amp;#66;\">a&amp;#65; &amp;amp; &amp;nbsp;</t>");
        QTest::newRow("a literal \"&#65;\" from the file stays literal")
            << fileOf("UTF-8", "&amp;#65;", "&amp;#65;") << "&#65;|&#65;" << Edit{-1, 0, "x"} << Edit{}
            << "&#65;x|&#65;" << QByteArray("<t v=\"&amp;#65;\">&amp;#65;x</t>");
        QTest::newRow("characters ISO-8859-1 cannot hold in an ISO-8859-1 file")
            << fileOf("ISO-8859-1", "&#x263A;", "caf\xE9") << QString::fromUtf8("café|☺")
            << Edit{-1, 0, QString::fromUtf8("€☺")} << Edit{-1, 0, QString::fromUtf8("é")}
            << QString::fromUtf8("café€☺|☺é") << QByteArray("<t v=\"&#x263A;\xE9\">caf\xE9&#x20AC;&#x263A;</t>");
        QTest::newRow("a kept entity reference stays, the same typed does not")
            << fileOf("UTF-8", "&nbsp;", "x&nbsp;y") << "x&nbsp;y|&nbsp;" << Edit{0, 0, "&nbsp;"}
            << Edit{-1, 0, "&nbsp;"} << "&nbsp;x" + nbsp + "y|" + nbsp + "&nbsp;"
            << QByteArray("<t v=\"&nbsp;&amp;nbsp;\">&amp;nbsp;x&nbsp;y</t>");
        QTest::newRow("an edit inside a kept reference leaves characters")
            << fileOf("UTF-8", "", "&nbsp;&nbsp;") << "&nbsp;&nbsp;|" << Edit{11, 1, ""} << Edit{}
            << nbsp + "&nbsp|" << QByteArray("<t v=\"\">&nbsp;&amp;nbsp</t>");
        QTest::newRow("typing before a kept reference that begins alike")
            << fileOf("UTF-8", "", "&nbsp;") << "&nbsp;|" << Edit{0, 0, "&nbsp;"} << Edit{}
            << "&nbsp;" + nbsp + "|" << QByteArray("<t v=\"\">&amp;nbsp;&nbsp;</t>");
        QTest::newRow("a CDATA section stays as it was")
            << fileOf("UTF-8", "", "x<![CDATA[a<b&#65;]]>") << "x|" << Edit{0, 1, "y"} << Edit{}
            << "ya<b&#65;|" << QByteArray("<t v=\"\">y<![CDATA[a<b&#65;]]></t>");
        QTest::newRow("line breaks and tabs in an attribute value")
            << fileOf("UTF-8", "a&#9;b&#13;&#10;c", "x") << "x|a\tb\nc" << Edit{}
            << Edit{-1, 0, "\nd\te"} << "x|a\tb\nc\nd\te"
            << QByteArray("<t v=\"a&#9;b&#10;c&#10;d&#9;e\">x</t>");
        QTest::newRow("a value shown and taken back unchanged stays byte for byte")
            << fileOf("UTF-8", "a&#13;&#10;b", "x") << "x|a\nb" << Edit{} << Edit{} << "x|a\r\nb"
            << QByteArray("<t v=\"a&#13;&#10;b\">x</t>");
        QTest::newRow("a line break typed in a text")
            << fileOf("UTF-8", "", "a") << "a|" << Edit{-1, 0, "\nb"} << Edit{} << "a\nb|"
            << QByteArray("<t v=\"\">a\r\nb</t>");
    }

    void whatIsShownAndTypedIsWhatAReaderReads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(Edit, textEdit);
        QFETCH(Edit, valueEdit);
        QFETCH(QString, read);
        QFETCH(QByteArray, written);
        Document document;
        document.load(file, "f.xml", "f.xml");
        corvantis::DOMNode* t = document.dom().rootElement()->childAt(0);

        QString shownText, shownValue;
        const corvantis::StringObject text = edited(t->getText(0), textEdit, ShownData::LineBreak::CrLf, shownText);
        const corvantis::StringObject value =
            edited(t->attributeAt(0)->value, valueEdit, ShownData::LineBreak::Lf, shownValue);
        QCOMPARE(shownText + "|" + shownValue, shown);
        document.push(std::make_unique<SetElementText>(document, t, text, "typing"));
        document.push(std::make_unique<SetAttribute>(document, t, "v", value, "value"));

        const QByteArray bytes = saved(document);
        QVERIFY2(bytes.contains(written), bytes.constData());
        const ReadBack back = readWithExpat(bytes);
        QCOMPARE(back.error, QString());
        QCOMPARE(back.text + "|" + back.value, read);

        // Read again here, the same is shown.
        Document again;
        again.load(bytes, "f.xml", "f.xml");
        corvantis::DOMNode* t2 = again.dom().rootElement()->childAt(0);
        QCOMPARE(ShownData(t2->getText(0)).text() + "|" + ShownData(t2->attributeAt(0)->value).text(),
                 textEdit.appliedTo(shownText) + "|" + valueEdit.appliedTo(shownValue));
        QCOMPARE(saved(again), bytes);
    }

    // XML allows these characters in no file, not even as references: they
    // stay exactly as written, and show so.
    void referencesToForbiddenCharactersStayAsWritten() {
        Document document;
        document.load("<r><t v=\"&#0;\">a&#0;b&#xD800;&#13;</t></r>", "f.xml", "f.xml");
        corvantis::DOMNode* t = document.dom().rootElement()->childAt(0);
        QString shown;
        const corvantis::StringObject text = edited(t->getText(0), Edit{0, 0, "&#0;"}, ShownData::LineBreak::CrLf, shown);
        QCOMPARE(shown, QString("a&#0;b&#xD800;&#13;"));
        QCOMPARE(ShownData(t->attributeAt(0)->value).text(), QString("&#0;"));
        document.push(std::make_unique<SetElementText>(document, t, text, "typing"));
        QVERIFY(saved(document).contains("<t v=\"&#0;\">&amp;#0;a&#0;b&#xD800;&#13;</t>"));
    }

    // Many edits, one after another, each followed as a field tells it.
    void keptReferencesSurviveEditsAroundThem() {
        const std::string mark(1, '\0');
        ShownData field(corvantis::StringObject("a" + mark + "&e;b" + mark + "&f;"));
        QCOMPARE(field.text(), QString("a&e;b&f;"));
        const struct {
            int at, removed;
            const char* typed;
        } edits[] = {{0, 0, "x"},      // before everything: x a &e; b &f;
                     {5, 1, ""},       // b goes: x a &e; &f;
                     {5, 0, ";"},      // right after &e;, where a ";" already ends it
                     {6, 0, "&f;"},    // typed before &f;, which begins alike
                     {12, 0, "!"},     // at the end
                     {11, 1, ""}};     // the ";" of &f; goes: it falls apart
        QString text = field.text();
        for (const auto& edit : edits) {
            text.replace(edit.at, edit.removed, edit.typed);
            field.follow(text, edit.at);
        }
        QCOMPARE(text, QString("xa&e;;&f;&f!"));
        corvantis::StringObject data;
        QVERIFY(field.toData(text, ShownData::LineBreak::CrLf, data));
        QCOMPARE(std::string(data.view()), "xa" + mark + "&e;;&f;&f!");
    }

    // Where a search match or a selection lies in the frame's characters.
    void positionsInTheDataMapToTheFramesCharacters() {
        const std::string mark(1, '\0');
        const corvantis::StringObject data("a\r\n" + mark + "&nbsp;" + mark + mark + "\xC3\xA9z");
        // Shown as: a \n &nbsp; \0 é z
        const std::pair<std::size_t, int> positions[] = {{0, 0}, {1, 1}, {3, 2},  {4, 2},   {5, 3},  {9, 7},
                                                         {10, 8}, {12, 9}, {14, 10}, {15, 11}};
        for (const auto& [offset, position] : positions) QCOMPARE(ShownData::position(data, offset), position);
        QCOMPARE(ShownData(data).text(), QString::fromUtf8("a\n&nbsp;") + QChar(0) + QString::fromUtf8("éz"));
    }
};

QTEST_GUILESS_MAIN(TextRoundTrip)
#include "tst_text_round_trip.moc"
