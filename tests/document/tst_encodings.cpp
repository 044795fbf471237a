// Files in every encoding the program reads come back byte for byte, files
// that are no XML are told apart, and inserted XML is made ready for the
// document.
#include <QTest>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/FileEncoding.h"
#include "document/InsertedXml.h"
#include "Utf16Text.h"

Q_DECLARE_METATYPE(FileContent)

namespace {

QByteArray bytesOf(const corvantis::StringObject& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.length()));
}

const QString Utf16Xml = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n <a>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\xB9</a>");

}  // namespace

class Encodings : public QObject {
    Q_OBJECT
private slots:
    void aFileIsWrittenBackAsItWasRead_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("key");
        QTest::newRow("ISO-8859-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>")
                                    << "ISO-8859-1";
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
            << latin1 << utf16(QString::fromUtf8("<x>caf\xC3\xA9</x>"), true, true) << QByteArray("<x>caf\xE9</x>");
        QTest::newRow("a character ISO-8859-1 cannot hold")
            << latin1 << QByteArray("<x>5 \xE2\x82\xAC</x>") << QByteArray("Text Error");
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
};

QTEST_GUILESS_MAIN(Encodings)
#include "tst_encodings.moc"
