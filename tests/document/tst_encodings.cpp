// Files in every encoding the program reads come back byte for byte, and
// files that are no XML are told apart.
#include <QTest>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/FileEncoding.h"
#include "Utf16Text.h"

Q_DECLARE_METATYPE(FileContent)

namespace {

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
};

QTEST_GUILESS_MAIN(Encodings)
#include "tst_encodings.moc"
