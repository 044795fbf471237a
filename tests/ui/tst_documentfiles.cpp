// New, Open, Save and Save As, with the text frame's round trip.
#include <QDir>
#include <QLabel>
#include <QTest>

#include "../document/FaultyFileSystem.h"
#include "support/ProgramUnderTest.h"
#include "editors/Textframedocker.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

// A program with Diary.XML open.
void openDiary(ProgramUnderTest& program, const QByteArray& bytes = Notes) {
    program.startAndOpen("Diary.XML", bytes);
    program.dialogs.clear();
}

// The files a save leaves behind; the lock of the open document is not one.
QStringList filesIn(const QString& folder) {
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    files.removeIf([](const QString& name) { return name.endsWith(".corvantis-lock"); });
    return files;
}

}  // namespace

class NewAndOpen : public QObject {
    Q_OBJECT
private slots:
    void newSavesTheDeclarationFirst() {
        ProgramUnderTest program;
        program.start();
        program.dialogs.chooseFile(program.pathOf("Fresh.XML"));
        QVERIFY(program.window().SaveMnuClick());
        const QByteArray saved = program.readFile("Fresh.XML");
        QVERIFY2(saved.startsWith("<?xml version = \"1.0\" encoding=\"ISO-8859-1\"?>"), saved.constData());
        QVERIFY(saved.contains("<NewDocument>"));
        QVERIFY(saved.contains("NewFolder"));
    }

    void openShowsTheFileAndRefreshShowsTheDocumentName() {
        ProgramUnderTest program;
        openDiary(program);
        QCOMPARE(program.topCaption(), program.pathOf("Diary.XML"));
        QCOMPARE(program.currentCaption(), program.topCaption());
        QCOMPARE(program.textEditor().TT()->FileNameLabel()->text(), program.pathOf("Diary.XML"));
        QCOMPARE(program.settings().readText("MyFileName", ""), program.pathOf("Diary.XML"));
        program.window().Action("RefreshMnu")->trigger();
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }

    void openAsksWithTheCurrentFileName() {
        ProgramUnderTest program;
        openDiary(program);
        program.window().OpenMnuClick();
        QCOMPARE(program.dialogs.openRequests.size(), 1);
        const UserDialogs::FileRequest request = program.dialogs.openRequests[0];
        QCOMPARE(request.title, QString("Enter Velmora  FileName"));
        QCOMPARE(request.filter, QString("Velmora files (*.XML)|*.XML|All Files (*.*)|*.*"));
        QCOMPARE(request.fileName, program.pathOf("Diary.XML"));
    }

    void openingAMissingFileKeepsTheDocumentAndItsName() {
        ProgramUnderTest program;
        openDiary(program);
        program.dialogs.chooseFile(program.pathOf("Missing.XML"));
        program.window().OpenMnuClick();
        QCOMPARE(program.dialogs.messages.size(), 1);
        QVERIFY(program.dialogs.showedFileError(program.pathOf("Missing.XML"), "No such file or directory"));
        QVERIFY(program.shows("Work"));
        // A later Save still goes to the file the document came from.
        QCOMPARE(program.window().CurrentFileName(), program.pathOf("Diary.XML"));
        QVERIFY(!QFile::exists(program.pathOf("Missing.XML")));
    }

    void openAsksBeforeDroppingTypedText() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Work");
        program.type(" more");
        program.window().OpenMnuClick();  // Cancel: nothing happens
        QCOMPARE(program.dialogs.captions(), QStringList{"Details have changed"});
        QCOMPARE(program.memo()->toPlainText(), QString("office more"));
        program.dialogs.answer(UserDialogs::Answer::No);
        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.window().OpenMnuClick();
        QVERIFY(!program.window().DetailsChanged());
        program.click("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("office"));
    }

    void openWhileANodeIsSelectedTouchesNoDestroyedNode() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Task");
        program.writeFile("Other.XML", "<Other><Leaf/></Other>");
        program.dialogs.chooseFile(program.pathOf("Other.XML"));
        program.window().OpenMnuClick();
        QCOMPARE(program.window().CurrentNode(), program.document().documentNode());
        program.click("Leaf");
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Other/Leaf"));
        program.window().NewMnuClick();
        QCOMPARE(program.window().CurrentNode(), program.document().documentNode());
    }

    void aVeryDeepDocumentOpensAndIsReplaced() {
        ProgramUnderTest program;
        QByteArray deep;
        const int levels = 100000;
        for (int i = 0; i < levels; ++i) deep += "<L>";
        deep += "x";
        for (int i = 0; i < levels; ++i) deep += "</L>";
        openDiary(program, deep);
        // Shown as deep as the tree opens at once; the document holds every level.
        QVERIFY(program.shownCaptions().size() > 2000);
        QCOMPARE(program.nodeOf("L")->nodeName().view(), std::string_view("L"));
        program.window().NewMnuClick();
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }
};

class Saving : public QObject {
    Q_OBJECT
private slots:
    void afterNewEverySaveAsksForAName() {
        ProgramUnderTest program;
        program.start();
        program.dialogs.chooseFile(program.pathOf("One"));
        QVERIFY(program.window().SaveMnuClick());
        QCOMPARE(program.dialogs.saveRequests.size(), 1);
        const UserDialogs::FileRequest request = program.dialogs.saveRequests[0];
        QCOMPARE(request.title, QString("Enter Corvantis  FileName"));
        QCOMPARE(request.filter, QString(" Corvantis files (*.XML)|*.XML|All Files (*.*)|*.*"));
        QCOMPARE(request.fileName, QString());
        QVERIFY2(!request.askBeforeReplacing, "the program asks itself, about the name it writes");
        QVERIFY(QFile::exists(program.pathOf("One.XML")));
        QCOMPARE(program.window().CurrentFileName(), program.pathOf("One.XML"));
        QCOMPARE(program.topCaption(), program.pathOf("One.XML"));
        program.dialogs.cancelFileDialog();
        program.window().SaveMnuClick();
        QCOMPARE(program.dialogs.saveRequests.size(), 2);
    }

    void saveWritesExactlyTheDocumentOverALongerFile() {
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile("Diary.XML", Notes + QByteArray(5000, ' ') + "<!-- old tail -->");
        // Another program wrote the file: Save asks before writing over it.
        QVERIFY(!program.window().SaveMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList{"File Changed"});
        program.dialogs.choose(1);
        QVERIFY(program.window().SaveMnuClick());
        const QByteArray saved = program.readFile("Diary.XML");
        QVERIFY(!saved.contains("old tail"));
        QCOMPARE(saved, QByteArray(program.window().document().dom().serialize().view().data(),
                                   static_cast<qsizetype>(program.window().document().dom().serialize().length())));
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(filesIn(program.folder()), QStringList({"Diary.XML"}));
    }

    void textTypedIsSavedAndReopened() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("line one\nline two");
        program.click("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("office"));
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(program.readFile("Diary.XML").contains("line one\r\nline two"));
        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.window().OpenMnuClick();
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString("line one\nline two"));
    }

    void textPendingInTheFrameIsSavedWithoutAnotherClick() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Task");
        program.type(" the bank");
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(program.readFile("Diary.XML").contains("call the bank"));
    }

    void theDocumentNodeTakesNoText() {
        ProgramUnderTest program;
        openDiary(program);
        program.clickTop();
        QVERIFY(program.memo()->isReadOnly());
        program.type("stray");
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(program.readFile("Diary.XML").startsWith("<?xml"));
        program.click("Home");
        QVERIFY(!program.memo()->isReadOnly());
    }

    void aFailedSaveKeepsTheChangesMarkedAndTheFileIntact() {
        ProgramUnderTest program;
        openDiary(program);
        QVERIFY(QFile::remove(program.pathOf("Diary.XML")));
        QVERIFY(QDir(program.folder()).mkdir("Diary.XML"));
        program.click("Home");
        program.type("x");
        program.dialogs.choose(1);  // write over what took the file's place
        QVERIFY(!program.window().SaveMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList({"File Changed", "File Error"}));
        QVERIFY(program.dialogs.showedFileError(program.pathOf("Diary.XML"), "not an ordinary file"));
        QVERIFY(program.window().DetailsChanged());
        QCOMPARE(filesIn(program.folder()), QStringList({"Diary.XML"}));
    }

    void saveAsCancelledKeepsTheChangesMarked() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("x");
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.window().SaveAsMnuClick());
        QVERIFY(program.window().DetailsChanged());
        program.dialogs.answer(UserDialogs::Answer::Cancel);
        QVERIFY2(!program.close(), "closing still asks");
    }

    void saveAsOverAnExistingFileKeepsItAsBackup() {
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile("Target.XML", "old target");
        program.dialogs.chooseFile(program.pathOf("Target.XML"));
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(program.window().SaveAsMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList({"Confirm Save As", "Backup File Created"}));
        QCOMPARE(program.dialogs.messages[1].text, QString("Target.BAK"));
        QCOMPARE(program.readFile("Target.BAK"), QByteArray("old target"));
        QVERIFY(program.readFile("Target.XML").contains("<Notes>"));
        QCOMPARE(program.settings().readText("MyFileName", ""), program.pathOf("Target.XML"));
        QCOMPARE(program.window().CurrentFileName(), program.pathOf("Target.XML"));
    }

    // The name written, with ".XML" added, is the one asked about and backed
    // up; the name typed is left alone.
    void saveAsAsksAboutAndBacksUpOnlyTheFileItWrites_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("backup");
        QTest::newRow("no extension") << "Plain" << "Plain.XML" << "Plain.BAK";
        QTest::newRow("lower-case extension") << "diary.xml" << "diary.xml.XML" << "diary.xml.BAK";
    }
    void saveAsAsksAboutAndBacksUpOnlyTheFileItWrites() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, backup);
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile(typed, "typed");
        program.writeFile(written, "older");
        program.dialogs.chooseFile(program.pathOf(typed));
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(program.window().SaveAsMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList({"Confirm Save As", "Backup File Created"}));
        QVERIFY(program.dialogs.messages[0].text.contains(program.pathOf(written)));
        QCOMPARE(program.readFile(backup), QByteArray("older"));
        QVERIFY(program.readFile(written).contains("<Notes>"));
        QCOMPARE(program.readFile(typed), QByteArray("typed"));
    }

    void anOlderBackupIsReplacedOnlyByACompleteNewOne() {
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile("Target.XML", "second");
        program.writeFile("Target.BAK", "first");
        program.dialogs.chooseFile(program.pathOf("Target.XML"));
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(program.window().SaveAsMnuClick());
        QCOMPARE(program.readFile("Target.BAK"), QByteArray("second"));
        QVERIFY(program.readFile("Target.XML").contains("<Notes>"));
    }

    void withoutAPossibleBackupTheChosenFileStaysUntouched() {
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile("Target.XML", "precious");
        QVERIFY(QDir(program.folder()).mkdir("Target.BAK"));  // no backup can take this name
        program.click("Home");
        program.type("x");
        program.dialogs.chooseFile(program.pathOf("Target.XML"));
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(!program.window().SaveAsMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList({"Confirm Save As", "File Error"}));
        QCOMPARE(program.readFile("Target.XML"), QByteArray("precious"));
        QVERIFY(program.window().DetailsChanged());
        QCOMPARE(program.window().CurrentFileName(), program.pathOf("Diary.XML"));
    }
};

// What Save says when it cannot finish, and what it offers instead.
class SavingSafely : public QObject {
    Q_OBJECT
private slots:
    void aSaveThatCannotFinishTellsWhyAndKeepsTheChanges_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("offersSaveAs");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("folder the user cannot write")
            << int(FaultyFileSystem::Fault::CreateFile) << EACCES << "Permission denied" << true << Notes;
        QTest::newRow("disk full") << int(FaultyFileSystem::Fault::Write) << ENOSPC
                                   << "Writing failed: No space left on device" << false << Notes;
        QTest::newRow("folder sync fails") << int(FaultyFileSystem::Fault::SyncFolder) << EIO
                                           << "not confirmed on disk" << false << QByteArray("x");
    }
    void aSaveThatCannotFinishTellsWhyAndKeepsTheChanges() {
        QFETCH(int, fault);
        QFETCH(int, code);
        QFETCH(QString, reason);
        QFETCH(bool, offersSaveAs);
        QFETCH(QByteArray, left);
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("x");
        FaultyFileSystem system;
        system.fault = FaultyFileSystem::Fault(fault);
        system.code = code;
        FileSystem::Replacement seam(system);
        program.dialogs.answer(UserDialogs::Answer::Yes);
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.window().SaveMnuClick());
        QVERIFY(program.dialogs.showedFileError(program.pathOf("Diary.XML"), reason));
        QCOMPARE(program.dialogs.messages[0].buttons == UserDialogs::Buttons::YesNo, offersSaveAs);
        QCOMPARE(program.dialogs.saveRequests.size(), offersSaveAs ? 1 : 0);
        QVERIFY(program.window().DetailsChanged());
        QVERIFY(program.readFile("Diary.XML").contains(left));
    }

    void whatASaveCannotKeepIsToldOncePerDocument() {
        ProgramUnderTest program;
        openDiary(program);
        FaultyFileSystem system;
        system.user = 4343;  // the file is another user's
        FileSystem::Replacement seam(system);
        program.click("Home");
        program.type("x");
        program.dialogs.answer(UserDialogs::Answer::No);  // Save As instead, cancelled
        QVERIFY(!program.window().SaveMnuClick());
        QCOMPARE(program.dialogs.saveRequests.size(), 1);
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(program.window().SaveMnuClick());
        program.type("y");
        QVERIFY(program.window().SaveMnuClick());
        QCOMPARE(program.dialogs.captions(), QStringList({"Save", "Save"}));
        QVERIFY(program.readFile("Diary.XML").contains("xy"));
    }
};

class Encodings : public QObject {
    Q_OBJECT
private slots:
    void utf8TextRoundTripsByteForByte() {
        ProgramUnderTest program;
        openDiary(program, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes><Caf\xC3\xA9>cr\xC3\xA8me</Caf\xC3\xA9></Notes>");
        QVERIFY(program.shows(QString::fromUtf8("Caf\xC3\xA9")));
        program.click(QString::fromUtf8("Caf\xC3\xA9"));
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("cr\xC3\xA8me"));
        program.type(QString::fromUtf8(" \xE2\x82\xAC"));
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(program.readFile("Diary.XML").contains("cr\xC3\xA8me \xE2\x82\xAC"));
    }

    void latin1TextStaysLatin1() {
        ProgramUnderTest program;
        openDiary(program, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes><Home>caf\xE9</Home></Notes>");
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("caf\xC3\xA9"));
        program.type(QString::fromUtf8("\xC3\xA9"));
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(program.readFile("Diary.XML").contains("caf\xE9\xE9"));
    }

    void aCharacterTheEncodingCannotHoldIsRefusedAndKept() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type(QString::fromUtf8("5 \xE2\x82\xAC"));
        program.click("Work");
        QCOMPARE(program.dialogs.captions(), QStringList({"Text Error"}));
        QVERIFY(program.dialogs.messages[0].text.contains(QString::fromUtf8("\xE2\x82\xAC")));
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("5 \xE2\x82\xAC"));
        QCOMPARE(program.currentCaption(), QString("Home"));
        QVERIFY(!program.window().SaveMnuClick());
        QVERIFY(program.window().DetailsChanged());
        QCOMPARE(program.readFile("Diary.XML"), Notes);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    NewAndOpen newAndOpen;
    failures += QTest::qExec(&newAndOpen, argc, argv);
    Saving saving;
    failures += QTest::qExec(&saving, argc, argv);
    SavingSafely savingSafely;
    failures += QTest::qExec(&savingSafely, argc, argv);
    Encodings encodings;
    failures += QTest::qExec(&encodings, argc, argv);
    return failures;
}

#include "tst_documentfiles.moc"
