// Files in every encoding the program reads come back byte for byte, files
// that are no XML are told apart, and inserted XML is made ready for the
// document.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "core/Dom.h"
#include "document/Commands.h"
#include "document/DeclaredEncoding.h"
#include "document/Document.h"
#include "document/FileEncoding.h"
#include "document/InsertedXml.h"
#include "document/ReadFile.h"
#include "document/EncodingLimits.h"
#include "Utf16Text.h"

Q_DECLARE_METATYPE(FileContent)

namespace {

QByteArray bytesOf(const corvantis::StringObject& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.length()));
}

const QString Utf16Xml = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n <a>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\xB9</a>");

// What Save writes.
QByteArray savedFile(const Document& document) {
    const corvantis::StringObject text = document.dom().serialize();
    std::string storage;
    const std::string_view bytes = document.fileBytes(text, storage);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The survey of `file` as a read in slices of a few bytes would make it.
ByteSurvey surveyOf(const QByteArray& file) {
    ByteSurvey survey;
    for (qsizetype at = 0; at < file.size(); at += 7)
        survey.add(file.constData() + at, static_cast<std::size_t>(std::min<qsizetype>(7, file.size() - at)));
    if (file.isEmpty()) survey.add(file.constData(), 0);
    return survey;
}

// Decoding with the survey made while reading gives what decoding alone does.
void compareSurveyed(const QByteArray& file, const ByteSurvey& survey) {
    QVERIFY(survey.covers(file.size()));
    const DecodedFile alone = decodeFile(file);
    const DecodedFile surveyed = decodeFile(file, survey);
    QCOMPARE(surveyed.text, alone.text);
    QVERIFY(surveyed.encoding == alone.encoding);
    QCOMPARE(surveyed.content, alone.content);
}

QString declarationData(const Document& document) {
    const corvantis::DOMNode* first = document.documentNode()->childAt(0);
    return first && first->nodeName().equals("xml") ? document.text().toText(first->nodeValue()) : QString();
}

}  // namespace

class Encodings : public QObject {
    Q_OBJECT
private slots:
    void aFileIsWrittenBackAsItWasRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::newRow("ISO-8859-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>")
                                    << "ISO-8859-1";
        QTest::newRow("ISO-8859-1, plain ASCII")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>cafe</a>") << "ISO-8859-1";
        QTest::newRow("ISO-8859-1, undeclared") << QByteArray("<a>a long word, then caf\xE9</a>") << "ISO-8859-1";
        QTest::newRow("UTF-8, undeclared") << QByteArray("<a>a long word, then caf\xC3\xA9</a>") << "UTF-8";
        QTest::newRow("UTF-8 with a mark") << QByteArray("\xEF\xBB\xBF<a>caf\xC3\xA9</a>") << "UTF-8 BOM";
        QTest::newRow("UTF-16LE with a mark") << utf16(Utf16Xml, false, true) << "UTF-16LE BOM";
        QTest::newRow("UTF-16BE with a mark") << utf16(Utf16Xml, true, true) << "UTF-16BE BOM";
        QTest::newRow("UTF-16LE, declaration first") << utf16(Utf16Xml, false, false) << "UTF-16LE";
        QTest::newRow("UTF-16BE, declaration first") << utf16(Utf16Xml, true, false) << "UTF-16BE";
        QTest::newRow("empty") << QByteArray() << "UTF-8";
        QTest::newRow("blank") << QByteArray(" \r\n") << "UTF-8";
    }

    void aFileIsWrittenBackAsItWasRead() {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        compareSurveyed(file, surveyOf(file));
        const DecodedFile decoded = decodeFile(file);
        QCOMPARE(decoded.content, FileContent::Xml);
        QCOMPARE(decoded.encoding.key(), key);
        QVERIFY(FileEncoding::fromKey(key) == decoded.encoding);
        if (decoded.encoding.isUtf16()) QCOMPARE(decoded.text, Utf16Xml.toUtf8());
        const std::string text = decoded.text.toStdString();
        std::string storage;
        const std::string_view back = decoded.encoding.toFile(text, storage);
        QCOMPARE(QByteArray(back.data(), static_cast<qsizetype>(back.size())), file);
    }

    // A file read in many slices: the survey sees a high byte or a NUL in any
    // of them, and tells nothing about other bytes.
    void aFileReadInSlicesIsSurveyedWhole() {
        QTemporaryDir folder;
        const QString path = folder.filePath("large.xml");
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>" + QByteArray(700'000, 'x');
        for (const QByteArray& file : {head + "caf\xE9</a>", head + "</a>", head + QByteArray("\0</a>", 5)}) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(out.write(file), file.size());
            out.close();
            QByteArray bytes;
            FileError error;
            ByteSurvey survey;
            QCOMPARE(readWholeFile(path, bytes, error, &survey), ReadResult::Read);
            QCOMPARE(bytes, file);
            compareSurveyed(bytes, survey);
            QVERIFY(!survey.covers(bytes.size() - 1));
        }
        QVERIFY(!ByteSurvey().covers(0));
    }

    void filesThatAreNoXmlAreToldApart_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<FileContent>("content");
        QTest::newRow("program") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0<", 10) << FileContent::NulCharacters;
        QTest::newRow("NUL in UTF-16") << utf16(QString("<a>") + QChar(0) + "</a>", false, true)
                                       << FileContent::NulCharacters;
        QTest::newRow("plain text") << QByteArray("just a note\r\n") << FileContent::NoMarkup;
        QTest::newRow("UTF-16 of odd length") << QByteArray("\xFF\xFE<\0a", 5) << FileContent::BrokenUtf16;
        QTest::newRow("UTF-16 with a lone surrogate") << QByteArray("<\0?\0x\0m\0l\0\x00\xD8", 12)
                                                      << FileContent::BrokenUtf16;
    }

    void filesThatAreNoXmlAreToldApart() {
        QFETCH(QByteArray, file);
        QFETCH(FileContent, content);
        compareSurveyed(file, surveyOf(file));
        Document document;
        document.load(file, "f.xml", "f.xml");
        QCOMPARE(document.fileContent(), content);
        QVERIFY(!notXmlMessage("f.xml", content).isEmpty());
        document.saved("f.xml");
        QCOMPARE(document.fileContent(), FileContent::Xml);
    }

    void insertedXmlIsMadeReadyForTheDocument_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("inserted");  // what goes in, or the refusal's caption
        const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>";
        const QByteArray utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>";
        QTest::newRow("declarations left out")
            << latin1 << QByteArray("<?xml version=\"1.0\"?>\r\n<!DOCTYPE x [<!ENTITY e \"f\">]>\r\n<!--c--><x/><?XML y?>")
            << QByteArray("<!--c-->|<x/>");
        QTest::newRow("ISO-8859-1 into UTF-8")
            << utf8 << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><x>caf\xE9</x>")
            << QByteArray("<x>caf\xC3\xA9</x>");
        QTest::newRow("UTF-16 into ISO-8859-1")
            << latin1 << utf16(QString::fromUtf8("<x>caf\xC3\xA9</x>"), true, true) << QByteArray("<x>caf\xC3\xA9</x>");
        QTest::newRow("a character ISO-8859-1 cannot hold, in a text and a value")
            << latin1 << QByteArray("<x a=\"\xE2\x82\xAC\">5 \xE2\x82\xAC</x>")
            << QByteArray("<x a=\"\xE2\x82\xAC\">5 \xE2\x82\xAC</x>");
        QTest::newRow("a character ISO-8859-1 cannot hold, in a comment")
            << latin1 << QByteArray("<x><!--5 \xE2\x82\xAC--></x>") << QByteArray("Text Error");
        QTest::newRow("a character ISO-8859-1 cannot hold, in a declaration left out")
            << latin1 << QByteArray("<!DOCTYPE x [<!ENTITY e \"\xE2\x82\xAC\">]><x/>") << QByteArray("<x/>");
        QTest::newRow("no XML") << utf8 << QByteArray("hello") << QByteArray(NotXmlCaption);
    }

    void insertedXmlIsMadeReadyForTheDocument() {
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, inserted);
        Document target;
        target.load(document, "d.xml", "d.xml");
        const InsertedXml made = readInsertedXml(target, file, "f.xml");
        QByteArrayList parts;
        for (int i = 0; made.nodes && i < made.nodes->childCount(); ++i)
            parts << bytesOf(target.dom().serialize(made.nodes->childAt(i))).trimmed();
        QCOMPARE(made.nodes ? parts.join('|') : made.refusalCaption.toUtf8(), inserted);
        QCOMPARE(made.refusal.isEmpty(), made.nodes != nullptr);
    }

    // The model holds UTF-8 for every file: a new encoding changes what Save
    // writes, not the tree, and undo brings the old file back.
    void aNewDeclaredEncodingChangesTheFileAsOneStep() {
        const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE n\xE9 [<!ENTITY e \"\xE9\">]>"
                                  "<p\xE9:n\xE9 a\xE9=\"\xE9\" b=\"&#x263A;\"><!--\xE9--><?p\xE9 \xE9?><![CDATA[\xE9]]>\xE9&#8364;</p\xE9:n\xE9>";
        Document document;
        document.load(latin1, "Caf\xC3\xA9.xml", QString::fromUtf8("Caf\xC3\xA9.xml"));
        const QByteArray before = savedFile(document);
        QVERIFY(before.contains("b=\"&#x263A;\"") && before.contains(">\xE9&#x20AC;</p\xE9:n\xE9>"));
        corvantis::DOMNode* declaration = document.documentNode()->childAt(0);
        auto step = std::make_unique<SetNodeValue>(document, declaration, "version=\"1.0\" encoding=\"UTF-8\"", "");
        document.push(std::make_unique<ChangeEncoding>(document, std::move(step), *FileEncoding::fromKey("UTF-8"), ""));

        QByteArray expected = QString::fromLatin1(before).toUtf8();
        expected.replace("version=\"1.0\" encoding=\"ISO-8859-1\"", "version=\"1.0\" encoding=\"UTF-8\"")
            .replace("&#x263A;", "\xE2\x98\xBA")
            .replace("&#x20AC;", "\xE2\x82\xAC");
        QCOMPARE(savedFile(document), expected);
        QCOMPARE(document.fileEncoding().key(), QString("UTF-8"));
        QCOMPARE(document.text().toText(document.documentNode()->nodeName()), QString::fromUtf8("Caf\xC3\xA9.xml"));

        document.undo();
        QCOMPARE(savedFile(document), before);
        QCOMPARE(document.fileEncoding().key(), QString("ISO-8859-1"));
    }

    void whatANewDeclarationAsksOfTheEncoding_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("newData");
        QTest::addColumn<QString>("outcome");  // the new encoding's key, "" for none, or "!" and what the refusal names
        const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>";
        const QByteArray utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a><b>\xC3\xA9 \xE2\x82\xAC<!--\xE2\x82\xAC--></b></a>";
        const QString toUtf8 = "version=\"1.0\" encoding=\"UTF-8\"";
        const QString toLatin1 = "version=\"1.0\" encoding=\"ISO-8859-1\"";
        QTest::newRow("ISO-8859-1 to UTF-8") << latin1 << toUtf8 << "UTF-8";
        QTest::newRow("the name left out: UTF-8") << latin1 << "version=\"1.0\"" << "UTF-8";
        QTest::newRow("another name of the same encoding") << latin1 << "version=\"1.0\" encoding='latin1'" << "";
        QTest::newRow("UTF-8 to ISO-8859-1") << QByteArray("<?xml version=\"1.0\"?><a>\xC3\xA9</a>") << toLatin1
                                             << "ISO-8859-1";
        QTest::newRow("a mark is not kept for ISO-8859-1") << QByteArray("\xEF\xBB\xBF<a>\xC3\xA9</a>") << toLatin1
                                                           << "ISO-8859-1";
        QTest::newRow("a character ISO-8859-1 cannot hold, in a comment")
            << utf8 << toLatin1 << QString::fromUtf8("!\xE2\x82\xAC (the first in a/b)");
        QTest::newRow("a character ISO-8859-1 cannot hold, in a text")
            << QByteArray("<a t=\"\xE2\x98\xBA\">\xE2\x82\xAC</a>") << toLatin1 << "ISO-8859-1";
        QTest::newRow("bytes that are no UTF-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE9</a>")
                                                 << toLatin1 << QString::fromUtf8("!\xEF\xBF\xBD");
        QTest::newRow("another encoding") << latin1 << "version=\"1.0\" encoding=\"windows-1252\"" << "!windows-1252";
        const QString utf16Xml = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>x</a>";
        QTest::newRow("UTF-16 declared again") << utf16(utf16Xml, false, true) << "version=\"1.0\" encoding=\"utf-16le\""
                                               << "";
        QTest::newRow("UTF-16 to UTF-8") << utf16(utf16Xml, true, false) << toUtf8 << "UTF-8";
    }

    void whatANewDeclarationAsksOfTheEncoding() {
        QFETCH(QByteArray, file);
        QFETCH(QString, newData);
        QFETCH(QString, outcome);
        Document document;
        document.load(file, "f.xml", "f.xml");
        const DeclaredEncoding asked = declaredEncoding(document, declarationData(document), newData);
        if (outcome.startsWith('!')) {
            QVERIFY2(asked.refusal.contains(outcome.mid(1)), qPrintable(asked.refusal));
            QVERIFY(!asked.convertTo);
        } else {
            QCOMPARE(asked.refusal, QString());
            QCOMPARE(asked.convertTo ? asked.convertTo->key() : QString(), outcome);
        }
    }

    void aMillionLevelsAreLookedThrough() {
        constexpr int depth = 1'000'000;
        Document document;
        document.load(QByteArray("<\xC3\xA9>").repeated(depth - 1) + "<\xC5\x9D/>" +
                          QByteArray("</\xC3\xA9>").repeated(depth - 1),
                      "f.xml", "f.xml");
        const EncodingLimits::Unholdable found =
            EncodingLimits::unholdable(*document.documentNode(), DocumentText(DocumentText::Encoding::Latin1));
        QCOMPARE(found.characters, QString::fromUtf8("\xC5\x9D"));
        QCOMPARE(found.firstNode, document.dom().elementIndex().at(depth - 1));
    }
};

QTEST_GUILESS_MAIN(Encodings)
#include "tst_encodings.moc"
