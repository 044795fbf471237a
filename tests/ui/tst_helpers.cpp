// The shared helpers every window relies on: hints, the settings store, the
// document's text encoding and the safe file writing.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "widgets/SettingsStore.h"
#include "document/DocumentText.h"
#include "widgets/Hints.h"
#include "document/SaveFile.h"
#include "app/UserDialogs.h"

using corvantis::StringObject;

namespace {

QByteArray bytesOf(const StringObject& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.length())); }

DocumentText::Encoding encodingOf(const QByteArray& file) {
    return DocumentText::forFile(file.constData(), static_cast<std::size_t>(file.size())).encoding();
}

}  // namespace

class Helpers : public QObject {
    Q_OBJECT
private slots:
    void hintsSplitAtTheFirstBar() {
        QCOMPARE(splitHint("Short|Long text").toolTip, QString("Short"));
        QCOMPARE(splitHint("Short|Long text").statusText, QString("Long text"));
        QCOMPARE(splitHint("No bar").statusText, QString("No bar"));
        QCOMPARE(splitHint("|Only long").toolTip, QString());
    }

    void fileFiltersKeepTheirLabels() {
        QCOMPARE(UserDialogs::toQtFilter("Corvantis files (*.XML)|*.XML|All Files (*.*)|*.*"),
                 QString("Corvantis files (*.XML);;All Files (*.*)"));
    }

    void settingsReadTheirFallbackForBadValues() {
        QTemporaryDir folder;
        SettingsStore store(folder.filePath("s.ini"));
        store.writeInt("Top", -12);
        store.writeText("Width", "12px");
        store.writeText("Big", "99999999999");
        store.writeBool("Flag", false);
        QCOMPARE(store.readInt("Top", 0), -12);
        QCOMPARE(store.readInt("Width", 7), 7);
        QCOMPARE(store.readInt("Big", 7), 7);
        QCOMPARE(store.readInt("Missing", 5), 5);
        QCOMPARE(store.readBool("Flag", true), false);
        QCOMPARE(store.readBool("Missing", true), true);
        QFile ini(folder.filePath("s.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY2(text.contains("[MyBusiness]") && text.contains("Top=-12") && text.contains("Flag=0"), text.constData());
    }

    void theEncodingFollowsTheDeclarationOrTheBytes() {
        QCOMPARE(encodingOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"), DocumentText::Encoding::Utf8);
        QCOMPARE(encodingOf("<?xml version=\"1.0\" encoding='utf-8'?><a/>"), DocumentText::Encoding::Utf8);
        QCOMPARE(encodingOf("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xC3\xA9</a>"),
                 DocumentText::Encoding::Latin1);
        QCOMPARE(encodingOf("<a>\xC3\xA9</a>"), DocumentText::Encoding::Utf8);
        QCOMPARE(encodingOf("<a>\xE9</a>"), DocumentText::Encoding::Latin1);
        QCOMPARE(encodingOf("<a>\xC3</a>"), DocumentText::Encoding::Latin1);
        QCOMPARE(encodingOf("<a>\xED\xA0\x80</a>"), DocumentText::Encoding::Latin1);  // a surrogate is no UTF-8
    }

    // A name, a comment, a processing instruction of an ISO-8859-1 file holds
    // what ISO-8859-1 holds, in the model's UTF-8; the file's own text holds
    // it in ISO-8859-1.
    void textNeverGetsAReplacementCharacter() {
        const DocumentText latin1(DocumentText::Encoding::Latin1);
        StringObject bytes("unchanged");
        QVERIFY(!latin1.toBytes(QString::fromUtf8("price \xE2\x82\xAC"), bytes));
        QCOMPARE(bytesOf(bytes), QByteArray("unchanged"));
        QCOMPARE(latin1.unstorableCharacters(QString::fromUtf8("\xE2\x82\xAC\xE2\x82\xAC x \xF0\x9F\x98\x80")),
                 QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80"));
        QVERIFY(latin1.toBytes(QString::fromUtf8("caf\xC3\xA9"), bytes));
        QCOMPARE(bytesOf(bytes), QByteArray("caf\xC3\xA9"));
        QCOMPARE(latin1.toText(bytes), QString::fromUtf8("caf\xC3\xA9"));
        const DocumentText file = DocumentText::inFile(DocumentText::Encoding::Latin1);
        QVERIFY(file.toBytes(QString::fromUtf8("caf\xC3\xA9"), bytes));
        QCOMPARE(bytesOf(bytes), QByteArray("caf\xE9"));
        QCOMPARE(file.toText(bytes), QString::fromUtf8("caf\xC3\xA9"));
        const DocumentText utf8(DocumentText::Encoding::Utf8);
        QVERIFY(!utf8.toBytes(QString(QChar(0xD800)), bytes));
    }

    void multiLineTextKeepsCrLfInTheModel() {
        const DocumentText text(DocumentText::Encoding::Latin1);
        StringObject bytes;
        QVERIFY(text.toMultiLineBytes("a\nb\r\nc", bytes));
        QCOMPARE(bytesOf(bytes), QByteArray("a\r\nb\r\nc"));
        QCOMPARE(text.toMultiLineText(bytes), QString("a\nb\nc"));
    }

    void savingReplacesTheFileWholeAndLeavesNothingElse() {
        QTemporaryDir folder;
        const QString path = folder.filePath("notes.XML");
        QVERIFY(saveFileAtomically(path, std::string_view("a much longer first version")));
        QVERIFY(saveFileAtomically(path, std::string_view("short")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("short"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"notes.XML"}));
    }

    void aFailedSaveLeavesTheTargetAndNoTemporaryFile() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("taken"));
        QVERIFY(saveFileAtomically(folder.filePath("taken"), std::string_view("x")).error.isError());
        QVERIFY(!saveFileAtomically(folder.filePath("no/such/folder/f.XML"), std::string_view("x")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"taken"}));
    }

    void savingThroughALinkReplacesTheLinkedFile() {
        QTemporaryDir folder;
        const QString real = folder.filePath("real.XML");
        QVERIFY(saveFileAtomically(real, std::string_view("old")));
        QVERIFY(QFile::link(real, folder.filePath("link.XML")));
        QVERIFY(saveFileAtomically(folder.filePath("link.XML"), std::string_view("new")));
        QVERIFY(QFileInfo(folder.filePath("link.XML")).isSymLink());
        QFile file(real);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("new"));
    }

    void backupNamesDropFolderAndExtension() {
        QCOMPARE(SaveAsBackup::backupName("/home/me/Diary.XML"), QString("Diary.BAK"));
        QCOMPARE(SaveAsBackup::backupName("/home/me/diary.xml"), QString("diary.BAK"));
        QCOMPARE(SaveAsBackup::backupName("/home/me/Diary"), QString("Diary.BAK"));
        QCOMPARE(SaveAsBackup::backupPath("/home/me/Diary.XML"), QString("/home/me/Diary.BAK"));
    }
};

QTEST_MAIN(Helpers)
#include "tst_helpers.moc"
