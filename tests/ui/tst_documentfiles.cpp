// New, Open, Save and Save As, with the text frame's round trip.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include "../document/FaultyFileSystem.h"
#include "support/ProgramUnderTest.h"
#include "editors/SourceViewer.h"
#include "editors/TextFrame.h"
#include "editors/VersionsWindow.h"
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
        QVERIFY(program.window().files().save());
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
        QCOMPARE(program.textEditor().frame()->fileNameLabel()->text(), program.pathOf("Diary.XML"));
        QCOMPARE(program.settings().readText("MyFileName", ""), program.pathOf("Diary.XML"));
        program.window().action(Command::Refresh)->trigger();
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }

    void openAsksWithTheCurrentFileName() {
        ProgramUnderTest program;
        openDiary(program);
        program.window().files().open();
        QCOMPARE(program.dialogs.openRequests.size(), 1);
        const UserQuestions::FileRequest request = program.dialogs.openRequests[0];
        QCOMPARE(request.title, QString("Enter Velmora FileName"));
        QCOMPARE(request.filter, QString("Velmora files (*.XML)|*.XML|All Files (*.*)|*.*"));
        QCOMPARE(request.fileName, program.pathOf("Diary.XML"));
    }

    void openAsksBeforeDroppingTypedText() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Work");
        program.type(" more");
        program.window().files().open();  // Cancel: nothing happens
        QCOMPARE(program.dialogs.captions(), QStringList{"Details have changed"});
        QCOMPARE(program.memo()->toPlainText(), QString("office more"));
        program.dialogs.answer(UserQuestions::Answer::No);
        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.window().files().open();
        QVERIFY(!program.document().hasUnsavedChanges());
        program.click("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("office"));
    }

    void openWhileANodeIsSelectedTouchesNoDestroyedNode() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Task");
        program.writeFile("Other.XML", "<Other><Leaf/></Other>");
        program.dialogs.chooseFile(program.pathOf("Other.XML"));
        program.window().files().open();
        QCOMPARE(program.window().selection().currentNode(), program.document().documentNode());
        program.click("Leaf");
        QCOMPARE(program.textEditor().frame()->pathLabel()->text(), QString("Other/Leaf"));
        program.window().files().newDocument();
        QCOMPARE(program.window().selection().currentNode(), program.document().documentNode());
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
        program.window().files().newDocument();
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }
};

class Saving : public QObject {
    Q_OBJECT
private slots:
    void textTypedIsSavedAndReopened() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("line one\nline two");
        program.click("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("office"));
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("line one\r\nline two"));
        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.window().files().open();
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString("line one\nline two"));
    }

    void textPendingInTheFrameIsSavedWithoutAnotherClick() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Task");
        program.type(" the bank");
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("call the bank"));
    }

    void theDocumentNodeTakesNoText() {
        ProgramUnderTest program;
        openDiary(program);
        program.clickTop();
        QVERIFY(program.memo()->isReadOnly());
        program.type("stray");
        QVERIFY(program.window().files().save());
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
        QVERIFY(!program.window().files().save());
        QCOMPARE(program.dialogs.captions(), QStringList({"File Changed", "File Error"}));
        QVERIFY(program.dialogs.showedFileError(program.pathOf("Diary.XML"), "not an ordinary file"));
        QVERIFY(program.document().hasUnsavedChanges());
        QCOMPARE(filesIn(program.folder()), QStringList({"Diary.XML"}));
    }

    void saveAsCancelledKeepsTheChangesMarked() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("x");
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.window().files().saveAs());
        QVERIFY(program.document().hasUnsavedChanges());
        program.dialogs.answer(UserQuestions::Answer::Cancel);
        QVERIFY2(!program.close(), "closing still asks");
    }

    void anOlderBackupIsReplacedOnlyByACompleteNewOne() {
        ProgramUnderTest program;
        openDiary(program);
        program.writeFile("Target.XML", "second");
        program.writeFile("Target.BAK", "first");
        program.dialogs.chooseFile(program.pathOf("Target.XML"));
        program.dialogs.answer(UserQuestions::Answer::Yes);
        QVERIFY(program.window().files().saveAs());
        QCOMPARE(program.readFile("Target.BAK"), QByteArray("second"));
        QVERIFY(program.readFile("Target.XML").contains("<Notes>"));
    }

};

// The file rules as the user meets them through the window.
class FileRulesInTheWindow : public QObject {
    Q_OBJECT
private slots:
    void ctrlSWithNothingToSaveLeavesTheFileAsItIsAndSaysSo() {
        ProgramUnderTest program;
        const QByteArray foreign = "<Notes>  <Home/>\n</Notes>";
        program.startAndOpen("Foreign.XML", foreign);
        QVERIFY(program.focusTree());
        QTest::keySequence(program.window().treeView(), QKeySequence::Save);
        QCOMPARE(program.readFile("Foreign.XML"), foreign);
        QVERIFY(program.window().statusBar()->currentMessage().contains("No changes to save"));
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void aFolderThatCannotBeWrittenIsToldFirstWithSaveAsOffered() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type("x");
        FaultyFileSystem system;
        system.fault = FaultyFileSystem::Fault::CreateFile;
        system.code = EACCES;
        system.user = 4343;  // another user's file too: no ownership question before
        FileSystem::Replacement seam(system);
        program.dialogs.answer(UserQuestions::Answer::Yes);
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.window().files().save());
        QCOMPARE(program.dialogs.captions(), QStringList{"File Error"});
        QVERIFY(program.dialogs.messages[0].text.contains("folder cannot be written"));
        QCOMPARE(program.dialogs.saveRequests.size(), 1);
        QVERIFY(program.document().hasUnsavedChanges());
    }

    void theFileLabelFollowsNewOpenSaveAsAndReload() {
        ProgramUnderTest program;
        openDiary(program);
        QLabel* label = program.textEditor().frame()->fileNameLabel();
        QCOMPARE(label->text(), program.pathOf("Diary.XML"));
        program.dialogs.chooseFile(program.pathOf("Copy"));
        QVERIFY(program.window().files().saveAs());
        QCOMPARE(label->text(), program.pathOf("Copy.XML"));
        program.writeFile("Copy.XML", "<Other/>");
        program.window().files().reload();
        QCOMPARE(label->text(), program.pathOf("Copy.XML"));
        QVERIFY(program.shows("Other"));
        program.window().files().newDocument();
        QCOMPARE(label->text(), QString("No File Opened"));
    }
};

class VersionsInTheWindow : public QObject {
    Q_OBJECT
private slots:
    void twoSavesKeepTwoVersionsAndTheOldestRestoredIsSavedAgain() {
        ProgramUnderTest program;
        openDiary(program);
        const QByteArray original = program.written();
        for (const char* text : {"one", " two"}) {
            program.click("Home");
            program.type(text);
            program.window().action(Command::Save)->trigger();
        }
        program.window().action(Command::Versions)->trigger();
        VersionsWindow* window = program.window().versionsWindow();
        QVERIFY(window->isVisible());
        QTreeWidget* list = window->list();
        QCOMPARE(list->topLevelItemCount(), 2);
        QTRY_COMPARE(list->topLevelItem(1)->text(2), QString("4"));
        const auto button = [window](const QString& caption) {
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (button->text() == caption) return button;
            return static_cast<QPushButton*>(nullptr);
        };
        list->setCurrentItem(list->topLevelItem(1));
        QTest::mouseClick(button("&Show"), Qt::LeftButton);
        QVERIFY(program.window().sourceViewer()->isVisible());
        QVERIFY(program.window().sourceViewer()->textField()->toPlainText().contains("<Home/>"));
        QTest::mouseClick(button("&Restore"), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QVERIFY(program.dialogs.messages.isEmpty());
        QVERIFY(program.window().isWindowModified());
        QCOMPARE(program.written(), original);
        program.window().action(Command::Save)->trigger();
        QCOMPARE(program.readFile("Diary.XML"), original);
        QCOMPARE(program.window().files().versions().size(), 3);

        program.window().action(Command::KeepVersions)->trigger();
        QVERIFY(!program.settings().readBool("KeepVersions", true));
        program.click("Home");
        program.type("three");
        program.window().action(Command::Save)->trigger();
        QCOMPARE(program.window().files().versions().size(), 3);
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
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("cr\xC3\xA8me \xE2\x82\xAC"));
    }

    void latin1TextStaysLatin1() {
        ProgramUnderTest program;
        openDiary(program, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes><Home>caf\xE9</Home></Notes>");
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("caf\xC3\xA9"));
        program.type(QString::fromUtf8("\xC3\xA9"));
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("caf\xE9\xE9"));
    }

    // ISO-8859-1 has no byte for it: the file holds it as a reference.
    void aCharacterTheEncodingCannotHoldIsSavedAsAReference() {
        ProgramUnderTest program;
        openDiary(program);
        program.click("Home");
        program.type(QString::fromUtf8("5 \xE2\x82\xAC"));
        program.click("Work");
        QVERIFY(program.dialogs.captions().isEmpty());
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("<Home>5 &#x20AC;</Home>"));
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("5 \xE2\x82\xAC"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    NewAndOpen newAndOpen;
    failures += QTest::qExec(&newAndOpen, argc, argv);
    Saving saving;
    failures += QTest::qExec(&saving, argc, argv);
    FileRulesInTheWindow rules;
    failures += QTest::qExec(&rules, argc, argv);
    VersionsInTheWindow versions;
    failures += QTest::qExec(&versions, argc, argv);
    Encodings encodings;
    failures += QTest::qExec(&encodings, argc, argv);
    return failures;
}

#include "tst_documentfiles.moc"
