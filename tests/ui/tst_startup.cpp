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
#include "editors/Textframedocker.h"
#include "editors/Xmlform.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

QStringList captions(const QMenu* menu) {
    QStringList all;
    for (const QAction* action : menu->actions()) all << (action->isSeparator() ? "-" : action->text());
    return all;
}

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
        QCOMPARE(program.window().CurrentFileName(), expected);
        QCOMPARE(program.settings().readText("MyFileName", ""), expected);
        QCOMPARE(program.topCaption(), expected);
        QCOMPARE(program.shownCaptions(), QStringList({expected, "Notes", "Work", "Task", "Home"}));
        QVERIFY(program.isExpanded(program.topCaption()));
        QCOMPARE(program.textEditor().TT()->FileNameLabel()->text(), expected);
        QVERIFY(program.textEditor().isVisible());
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void firstStartWithoutAnExampleShowsTheNewDocument() {
        ProgramUnderTest program;
        program.start();
        QCOMPARE(program.shownCaptions(), QStringList({"My FileName", "NewDocument", "NewFolder"}));
        QCOMPARE(program.textEditor().TT()->FileNameLabel()->text(), QString("No File Opened"));
        QVERIFY(program.window().NewFile());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void theRememberedFileOpensAtTheNextStart() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.restart();
        QCOMPARE(program.window().CurrentFileName(), program.pathOf("Diary.XML"));
        QCOMPARE(program.shownCaptions().mid(1), QStringList({"Notes", "Work", "Task", "Home"}));
        QVERIFY(!program.window().NewFile());
    }

    void withRememberFileNameOffTheNewDocumentShows() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.window().Action("RememberFileNameMnu")->trigger();
        QCOMPARE(program.settings().readText("RememberFileName", ""), QString("0"));
        program.restart();
        QVERIFY(!program.window().Action("RememberFileNameMnu")->isChecked());
        QCOMPARE(program.shownCaptions(), QStringList({"My FileName", "NewDocument", "NewFolder"}));
        QCOMPARE(program.textEditor().TT()->FileNameLabel()->text(), QString("No File Opened"));
        QCOMPARE(program.settings().readText("MyFileName", ""), program.pathOf("Diary.XML"));
    }

    void aRememberedFileThatIsGoneSilentlyGivesTheNewDocument() {
        ProgramUnderTest program;
        program.settings().writeText("FirstStartDone", "1");
        program.settings().writeText("MyFileName", program.pathOf("Gone.XML"));
        program.start();
        QVERIFY(program.dialogs.messages.isEmpty());
        QCOMPARE(program.textEditor().TT()->FileNameLabel()->text(), QString("No File Opened"));
        QCOMPARE(program.topCaption(), QString("My FileName"));
    }

    void aSecondActivationLoadsNothing() {
        ProgramUnderTest program;
        program.writeFile("Diary.XML", Notes);
        program.settings().writeText("FirstStartDone", "1");
        program.settings().writeText("MyFileName", program.pathOf("Diary.XML"));
        program.start();
        program.writeFile("Diary.XML", "<Other/>");
        program.window().FormActivate();
        QCOMPARE(program.shownCaptions().mid(1), QStringList({"Notes", "Work", "Task", "Home"}));
    }
};

class MainWindow : public QObject {
    Q_OBJECT
private slots:
    void showsItsMenusAndCaptionsAsWritten() {
        ProgramUnderTest program;
        program.start();
        TVelmorant& window = program.window();
        // Exactly the caption, with the desktop's marker while changes are unsaved.
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser"));
        program.select("NewDocument");
        window.Action("UnderMnu")->trigger();
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser*"));
        program.document().undo();
        QCOMPARE(window.windowHandle()->title(), QString("Corvantis (XML Editor) Personal Organiser"));
        QStringList top;
        for (QAction* action : window.menuBar()->actions()) top << action->text();
        QCOMPARE(top, QStringList({"&File", "Edit", "Options", "Help"}));
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(captions(menus[0]->menu()),
                 QStringList({"&Open", "&New", "Save", "Save As", "Recent", "-", "Exit"}));
        QCOMPARE(captions(menus[1]->menu()),
                 QStringList({"Add", "Delete", "Copy", "Cut", "Paste", "Move Up", "Move Down", "-",
                              "Edit Node Name", "Refresh", "-", "Undo", "Redo Insert Folder", "-", "Find",
                              "Find Next", "Find Previous"}));
        QCOMPARE(captions(menus[2]->menu()),
                 QStringList({"Use As XML Editor", "View Source", "Remember File Name",
                              "Reset Memory  of Screen Positions", "Insert From File", "Save To Show Source"}));
        QCOMPARE(captions(menus[3]->menu()), QStringList({"&About", "&Help"}));
        QCOMPARE(captions(window.PopupMenu1()),
                 QStringList({"Insert New Node", "Delete Node", "-", "Edit Node Name", "Copy Tree",
                              "Cut Tree", "Paste Tree", "Move Up", "Move Down", "-", "Insert From File",
                              "Save To Show Source"}));
        QCOMPARE(captions(window.InsertPopMenu()), QStringList({"&Before", "&At End", "&Under"}));
        QCOMPARE(captions(window.PastePopup()), QStringList({"&Before", "&At End", "&Under"}));
        QVERIFY(window.Action("RememberFileNameMnu")->isChecked());
        QVERIFY(!window.Action("UseAsXMLEditorMnu")->isChecked());
        QVERIFY(!window.Action("ViewSourceMnu")->isVisible());
    }

    void toolButtonsSplitTheirHintsIntoTipAndStatusText() {
        ProgramUnderTest program;
        program.start();
        const QStringList order{"TreeExpandSpeed", "TreeCollapseSpeed", "ExitSpeedButton", "SpeedButton1", "SpeedButton4",
                                "SpeedButton5", "PasteButton", "LoadFromFileButton", "SaveToViewButton"};
        int left = -1;
        for (const QString& name : order) {
            QToolButton* button = program.window().Button(name);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->size(), QSize(23, 22));
            QVERIFY(button->x() > left);
            left = button->x();
        }
        QToolButton* expand = program.window().Button("TreeExpandSpeed");
        QCOMPARE(expand->toolTip(), QString("Expand the Tree fully"));
        QCOMPARE(expand->statusTip(), QString("Expands the tree of Keys fully"));
        QToolButton* load = program.window().Button("LoadFromFileButton");
        QCOMPARE(load->toolTip(), QString("Load an XML File to this node}Open and parse an XML File into this node"));
        QCOMPARE(load->statusTip(), load->toolTip());
        QCOMPARE(program.window().TreeView()->toolTip(), QString());
        QCOMPARE(program.window().TreeView()->statusTip(), QString("An XML Tree of fields can be edited"));
        QAction* reset = program.window().Action("ResetPositionsMnu");
        QCOMPARE(reset->toolTip(), QString("Restart will be at default"));
        QCOMPARE(reset->statusTip(), QString("All windows will be at default locations when the program is restarted"));
    }

    void useAsXmlEditorShowsTheDetailsWindowAndViewSource() {
        ProgramUnderTest program;
        program.start();
        program.window().Action("UseAsXMLEditorMnu")->trigger();
        QCOMPARE(program.settings().readText("UseAsXML", ""), QString("1"));
        QVERIFY(program.window().XML()->isVisible());
        QVERIFY(program.window().Action("ViewSourceMnu")->isVisible());
        program.window().XML()->hide();
        program.click("NewFolder");
        QVERIFY2(program.window().XML()->isVisible(), "a tree click brings the closed details window back");
        program.window().Action("UseAsXMLEditorMnu")->trigger();
        QVERIFY(!program.window().XML()->isVisible());
        program.click("NewFolder");
        QVERIFY(!program.window().XML()->isVisible());
        program.restart();
        QVERIFY(!program.window().Action("UseAsXMLEditorMnu")->isChecked());
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
        program.window().Action("HelpMnu")->trigger();
        QCOMPARE(program.dialogs.captions(), QStringList{caption});
        QCOMPARE(program.dialogs.messages[0].text.contains("missing"), !pageThere);
    }

    void collapseLeavesTheTopNodeAndExpandShowsAll() {
        ProgramUnderTest program;
        program.start();
        program.window().Button("TreeCollapseSpeed")->click();
        QVERIFY(!program.isExpanded(program.topCaption()));
        QCOMPARE(program.shownCaptions(), QStringList{program.topCaption()});
        program.window().Button("TreeExpandSpeed")->click();
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
        QVERIFY(program.window().TextChanged());
        QVERIFY(program.window().DetailsChanged());
        program.dialogs.answer(UserDialogs::Answer::No);
        QVERIFY(program.close());
        QCOMPARE(program.dialogs.messages[0].text, QString("File details have changed Save Changes?"));
        QCOMPARE(program.dialogs.messages[0].caption, QString("Details have changed"));
        QCOMPARE(program.dialogs.messages[0].buttons, UserDialogs::Buttons::YesNoCancel);
    }

    void cancelKeepsTheWindowAndTheDocument() {
        ProgramUnderTest program;
        program.start();
        program.click("NewFolder");
        program.type("kept");
        program.dialogs.answer(UserDialogs::Answer::Cancel);
        QVERIFY(!program.close());
        QCOMPARE(program.memo()->toPlainText(), QString("kept"));
        QVERIFY(program.window().DetailsChanged());
    }

    void yesSavesAndCloses() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.click("Home");
        program.type("garden");
        program.dialogs.answer(UserDialogs::Answer::Yes);
        QVERIFY(program.close());
        QVERIFY(program.readFile("Diary.XML").contains("<Home>garden</Home>"));
    }

    void yesWithSaveAsCancelledKeepsTheWindowOpen() {
        ProgramUnderTest program;
        program.start();
        program.click("NewFolder");
        program.type("unsaved");
        program.dialogs.answer(UserDialogs::Answer::Yes);
        program.dialogs.cancelFileDialog();
        QVERIFY(!program.close());
        QVERIFY(program.window().DetailsChanged());
        QCOMPARE(program.memo()->toPlainText(), QString("unsaved"));
    }

    void yesWithAFailingSaveKeepsTheWindowOpen() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        QVERIFY(QFile::remove(program.pathOf("Diary.XML")));
        QVERIFY(QDir(program.folder()).mkdir("Diary.XML"));  // the file cannot be written any more
        program.click("Home");
        program.type("garden");
        program.dialogs.answer(UserDialogs::Answer::Yes);
        program.dialogs.choose(1);  // write over what took the file's place
        QVERIFY(!program.close());
        QVERIFY(program.dialogs.captions().contains("File Error"));
        QVERIFY(program.window().DetailsChanged());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    StartUp startUp;
    failures += QTest::qExec(&startUp, argc, argv);
    MainWindow mainWindow;
    failures += QTest::qExec(&mainWindow, argc, argv);
    ClosePrompt closePrompt;
    failures += QTest::qExec(&closePrompt, argc, argv);
    return failures;
}

#include "tst_startup.moc"
