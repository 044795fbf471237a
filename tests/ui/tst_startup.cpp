// Start-up, the main window's commands of its own, and the close prompt.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QWindow>
#include <QToolButton>
#include <QTreeWidget>

#include "support/ProgramUnderTest.h"
#include "editors/NodeDetailsWindow.h"
#include "editors/TextFrame.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

}  // namespace

class StartUp : public QObject {
    Q_OBJECT
private slots:
    void firstStartOpensTheExampleBesideTheProgram() {
        QTemporaryDir programFolder;
        QFile example(programFolder.filePath("Example.xml"));
        QVERIFY(example.open(QIODevice::WriteOnly));
        example.write(Notes);
        example.close();
        ProgramUnderTest program(programFolder.path() + "/");
        program.start();
        const QString expected = programFolder.path() + "/Example.xml";
        QCOMPARE(program.document().fileName(), expected);
        QCOMPARE(program.settings().readText("MyFileName", ""), expected);
        QCOMPARE(program.topCaption(), expected);
        QCOMPARE(program.shownCaptions(), QStringList({expected, "Notes", "Work", "Task", "Home"}));
        QVERIFY(program.isExpanded(program.topCaption()));
        QCOMPARE(program.textEditor().frame()->fileNameLabel()->text(), expected);
        QVERIFY(program.textEditor().frame()->isVisible());
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void firstStartWithoutAnExampleShowsTheNewDocument() {
        ProgramUnderTest program;
        program.start();
        QCOMPARE(program.shownCaptions(), QStringList({"My FileName", "NewDocument", "NewFolder"}));
        QCOMPARE(program.textEditor().frame()->fileNameLabel()->text(), QString("No File Opened"));
        QVERIFY(program.document().isNew());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void theRememberedFileOpensAtTheNextStart() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.restart();
        QCOMPARE(program.document().fileName(), program.pathOf("Diary.XML"));
        QCOMPARE(program.shownCaptions().mid(1), QStringList({"Notes", "Work", "Task", "Home"}));
        QVERIFY(!program.document().isNew());
    }

    void withRememberFileNameOffTheNewDocumentShows() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.window().action(Command::RememberFileName)->trigger();
        QCOMPARE(program.settings().readText("RememberFileName", ""), QString("0"));
        program.restart();
        QVERIFY(!program.window().action(Command::RememberFileName)->isChecked());
        QCOMPARE(program.shownCaptions(), QStringList({"My FileName", "NewDocument", "NewFolder"}));
        QCOMPARE(program.textEditor().frame()->fileNameLabel()->text(), QString("No File Opened"));
        QCOMPARE(program.settings().readText("MyFileName", ""), program.pathOf("Diary.XML"));
    }

    void aRememberedFileThatIsGoneSilentlyGivesTheNewDocument() {
        ProgramUnderTest program;
        program.settings().writeText("FirstStartDone", "1");
        program.settings().writeText("MyFileName", program.pathOf("Gone.XML"));
        program.start();
        QVERIFY(program.dialogs.messages.isEmpty());
        QCOMPARE(program.textEditor().frame()->fileNameLabel()->text(), QString("No File Opened"));
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }

    void aSecondActivationLoadsNothing() {
        ProgramUnderTest program;
        program.writeFile("Diary.XML", Notes);
        program.settings().writeText("FirstStartDone", "1");
        program.settings().writeText("MyFileName", program.pathOf("Diary.XML"));
        program.start();
        program.writeFile("Diary.XML", "<Other/>");
        program.window().startUp();
        QCOMPARE(program.shownCaptions().mid(1), QStringList({"Notes", "Work", "Task", "Home"}));
    }
};

class MainWindowCommands : public QObject {
    Q_OBJECT
private slots:
    void theTitleMarksUnsavedChanges() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        // Exactly the caption, with the desktop's marker while changes are unsaved.
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser"));
        program.select("NewDocument");
        window.action(Command::AddUnder)->trigger();
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser*"));
        program.document().undo();
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser"));
        QVERIFY(window.action(Command::RememberFileName)->isChecked());
        QVERIFY(!window.action(Command::UseAsXmlEditor)->isChecked());
        QVERIFY(!window.action(Command::ViewSource)->isVisible());
    }

    void useAsXmlEditorShowsTheDetailsWindowAndViewSource() {
        ProgramUnderTest program;
        program.start();
        program.window().action(Command::UseAsXmlEditor)->trigger();
        QCOMPARE(program.settings().readText("UseAsXML", ""), QString("1"));
        QVERIFY(program.window().detailsWindow()->isShown());
        QVERIFY(program.window().action(Command::ViewSource)->isVisible());
        program.window().detailsWindow()->hideWindow();
        program.click("NewFolder");
        QVERIFY2(program.window().detailsWindow()->isShown(), "a tree click brings the closed details back");
        program.window().action(Command::UseAsXmlEditor)->trigger();
        QVERIFY(!program.window().detailsWindow()->isShown());
        program.click("NewFolder");
        QVERIFY(!program.window().detailsWindow()->isShown());
        program.restart();
        QVERIFY(!program.window().action(Command::UseAsXmlEditor)->isChecked());
    }

    // The offscreen desktop has no program for web pages.
    void helpTellsAMissingPageFromAMissingBrowser_data() {
        QTest::addColumn<bool>("pageThere");
        QTest::addColumn<QString>("caption");
        QTest::newRow("page missing") << false << "File Error";
        QTest::newRow("no browser") << true << "Help Error";
    }
    void helpTellsAMissingPageFromAMissingBrowser() {
        QFETCH(bool, pageThere);
        QFETCH(QString, caption);
        ProgramUnderTest program;
        if (pageThere && QDir(program.folder()).mkpath("program"))
            program.writeFile("program/CorvantisHelp.htm", "<html/>");
        program.start();
        program.window().action(Command::Help)->trigger();
        QCOMPARE(program.dialogs.captions(), QStringList{caption});
        QCOMPARE(program.dialogs.messages[0].text.contains("missing"), !pageThere);
    }

    void collapseLeavesTheTopNodeAndExpandShowsAll() {
        ProgramUnderTest program;
        program.start();
        program.window().action(Command::CollapseTree)->trigger();
        QVERIFY(!program.isExpanded(program.topCaption()));
        QCOMPARE(program.shownCaptions(), QStringList{program.topCaption()});
        program.window().action(Command::ExpandTree)->trigger();
        QVERIFY(program.isExpanded("NewDocument"));
        QCOMPARE(program.shownCaptions(), QStringList({"My FileName", "NewDocument", "NewFolder"}));
    }
};

class ClosePrompt : public QObject {
    Q_OBJECT
private slots:
    void anUnchangedDocumentClosesWithoutAsking() {
        ProgramUnderTest program;
        program.start();
        QVERIFY(program.close());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void typingOneCharacterMakesClosingAsk() {
        ProgramUnderTest program;
        program.start();
        program.click("NewFolder");
        program.type("x");
        QVERIFY(program.document().isTyping());
        QVERIFY(program.document().hasUnsavedChanges());
        program.dialogs.answer(UserQuestions::Answer::No);
        QVERIFY(program.close());
        QCOMPARE(program.dialogs.messages[0].text, QString("File details have changed Save Changes?"));
        QCOMPARE(program.dialogs.messages[0].caption, QString("Details have changed"));
        QCOMPARE(program.dialogs.messages[0].buttons, UserQuestions::Buttons::YesNoCancel);
    }

    void cancelKeepsTheWindowAndTheDocument() {
        ProgramUnderTest program;
        program.start();
        program.click("NewFolder");
        program.type("kept");
        program.dialogs.answer(UserQuestions::Answer::Cancel);
        QVERIFY(!program.close());
        QCOMPARE(program.memo()->toPlainText(), QString("kept"));
        QVERIFY(program.document().hasUnsavedChanges());
    }

    void yesSavesAndCloses() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.click("Home");
        program.type("garden");
        program.dialogs.answer(UserQuestions::Answer::Yes);
        QVERIFY(program.close());
        QVERIFY(program.readFile("Diary.XML").contains("<Home>garden</Home>"));
    }

    void yesWithSaveAsCancelledKeepsTheWindowOpen() {
        ProgramUnderTest program;
        program.start();
        program.click("NewFolder");
        program.type("unsaved");
        program.dialogs.answer(UserQuestions::Answer::Yes);
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.close());
        QVERIFY(program.document().hasUnsavedChanges());
        QCOMPARE(program.memo()->toPlainText(), QString("unsaved"));
    }

    void yesWithAFailingSaveKeepsTheWindowOpen() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        QVERIFY(QFile::remove(program.pathOf("Diary.XML")));
        QVERIFY(QDir(program.folder()).mkdir("Diary.XML"));  // the file cannot be written any more
        program.click("Home");
        program.type("garden");
        program.dialogs.answer(UserQuestions::Answer::Yes);
        program.dialogs.choose(1);  // write over what took the file's place
        QVERIFY(!program.close());
        QVERIFY(program.dialogs.captions().contains("File Error"));
        QVERIFY(program.document().hasUnsavedChanges());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    StartUp startUp;
    failures += QTest::qExec(&startUp, argc, argv);
    MainWindowCommands mainWindow;
    failures += QTest::qExec(&mainWindow, argc, argv);
    ClosePrompt closePrompt;
    failures += QTest::qExec(&closePrompt, argc, argv);
    return failures;
}

#include "tst_startup.moc"
