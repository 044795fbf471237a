// The text frame and its file and path panel leave the "Text Editor" window,
// and the node details the main window, by drag-and-dock: dropped on the
// main window they dock there, dropped anywhere else they float; closing a
// floating panel's window sends it home.
#include <QDockWidget>
#include <QDrag>
#include <QLabel>
#include <QLayout>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>

#include "editors/NodeDetailsWindow.h"
#include "editors/TextFrame.h"
#include "support/ProgramUnderTest.h"
#include "widgets/Docking.h"
#include "widgets/DragRunner.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office</Work><Home>garden</Home></Notes>\r\n";

// Stands in for the desktop's drag loop: records what was dragged and drops
// it where the test says.
class DragScript {
public:
    DragScript() {
        setDragRunner([this](QDrag* drag, Qt::DropActions) {
            ++drags;
            dragged = drag->mimeData();
            if (!dropOn) return Qt::IgnoreAction;
            // As the desktop does: the target sees the drag enter, then the drop.
            QDragEnterEvent enter(dropAt.toPoint(), Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(dropOn, &enter);
            QDropEvent drop(dropAt, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(dropOn, &drop);
            return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        });
    }
    ~DragScript() { setDragRunner(nullptr); }

    int drags = 0;
    const QMimeData* dragged = nullptr;
    QWidget* dropOn = nullptr;
    QPointF dropAt;
};

// Presses the left button on `handle` and moves it well past the drag distance.
void dragWithMouse(QWidget* handle, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint start(5, 5);
    QTest::mousePress(handle, button, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(40, 40)), handle->mapToGlobal(QPointF(start + QPoint(40, 40))),
                     Qt::NoButton, button, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, button, Qt::NoModifier, start + QPoint(40, 40));
}

class StartedProgram : public ProgramUnderTest {
public:
    StartedProgram() {
        writeFile("notes.xml", Notes);
        settings().writeText("MyFileName", pathOf("notes.xml"));
        settings().writeBool("FirstStartDone", true);
        // The frame starts in the Text Editor window, the window it leaves.
        keepEarlierPlaces();
        start();
    }
    TextFrame* frame() { return textEditor().frame(); }
    QPointF nearBottomOfWindow() { return QPointF(window().width() / 2, window().height() - 3); }
};

}  // namespace

class Docking : public QObject {
    Q_OBJECT
private slots:
    void draggingTheCaptionOrThePanelStartsADragButTypingDoesNot() {
        StartedProgram program;
        DragScript script;
        dragWithMouse(program.frame()->caption());
        QCOMPARE(script.drags, 1);
        dragWithMouse(program.frame()->pathLabel());
        QCOMPARE(script.drags, 2);
        dragWithMouse(program.frame()->caption(), Qt::RightButton);
        dragWithMouse(program.memo()->viewport());
        QCOMPARE(script.drags, 2);
    }

    void theFrameDroppedOnTheMainWindowDocksAndKeepsWorking() {
        StartedProgram program;
        DragScript script;
        script.dropOn = &program.window();
        script.dropAt = program.nearBottomOfWindow();
        dragWithMouse(program.frame()->caption());

        QCOMPARE(program.frame()->filePanelDocking()->place(), DockablePanel::Place::Home);
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Docked);
        QCOMPARE(program.frame()->window(), &program.window());
        auto* dock = program.window().findChild<QDockWidget*>("TTDock");
        QVERIFY(dock);
        QCOMPARE(program.window().dockWidgetArea(dock), Qt::BottomDockWidgetArea);

        // Clicking a node shows its text in the docked frame; the empty
        // "Text Editor" window is not brought back for it.
        program.textEditor().hide();
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString("garden"));
        QVERIFY(!program.textEditor().isVisible());
        program.type(" and trees");
        QVERIFY(program.document().hasUnsavedChanges());
        program.dialogs.answer(UserQuestions::Answer::Yes);
        QVERIFY(program.close());
        QVERIFY(program.readFile("notes.xml").contains("<Home>garden and trees</Home>"));
        // The next run starts with the frame where it was.
        program.restart();
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Docked);
        QCOMPARE(program.window().dockWidgetArea(program.window().findChild<QDockWidget*>("TTDock")),
                 Qt::BottomDockWidgetArea);
        QVERIFY(!program.textEditor().isVisible());
    }

    void theTextEditorWindowGoesWithItsFrameAndAFloatingFrameIsRemembered() {
        StartedProgram program;
        DragScript script;
        dragWithMouse(program.frame()->caption());
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Floating);
        QVERIFY(!program.textEditor().isVisible());
        QWidget* floating = program.frame()->window();
        floating->move(500, 400);
        QVERIFY(program.close());
        program.restart();
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Floating);
        QCOMPARE(program.frame()->window()->pos(), QPoint(500, 400));
        // Sent home, the frame brings its window back.
        program.frame()->window()->close();
        QTRY_COMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Home);
        QVERIFY(program.textEditor().isVisible());
    }

    void whereTheDesktopPlacesWindowsTheFrameStartsDocked() {
        ProgramUnderTest program;
        program.start();
        DockablePanel* docking = program.textEditor().frameDocking();
        docking->returnHome();
        docking->restorePlace(program.settings(), "Nothing_", &program.window(), true);
        QCOMPARE(docking->place(), DockablePanel::Place::Docked);
        QCOMPARE(program.textEditor().frame()->window(), &program.window());
    }

    void theFrameDroppedElsewhereFloatsAndClosingItsWindowSendsItHome() {
        StartedProgram program;
        DragScript script;
        dragWithMouse(program.frame()->caption());
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Floating);
        QWidget* floating = program.frame()->window();
        QVERIFY(floating != &program.textEditor() && floating != &program.window());
        QVERIFY(floating->isVisible());

        floating->close();
        QTRY_COMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Home);
        QCOMPARE(program.frame()->window(), &program.textEditor());
        program.textEditor().hide();
        program.click("Work");
        QVERIFY(program.textEditor().isVisible());
        QCOMPARE(program.memo()->toPlainText(), QString("office"));
    }

    void thePathPanelDocksOnItsOwnAndStillFollowsTheSelection() {
        StartedProgram program;
        DragScript script;
        script.dropOn = &program.window();
        script.dropAt = QPointF(program.window().width() - 2, program.window().height() / 2);
        dragWithMouse(program.frame()->filePanel());
        QCOMPARE(program.frame()->filePanelDocking()->place(), DockablePanel::Place::Docked);
        QCOMPARE(program.frame()->filePanel()->window(), &program.window());
        QCOMPARE(program.frame()->window(), &program.textEditor());
        program.click("Work");
        QCOMPARE(program.frame()->pathLabel()->text(), QString("Notes/Work"));

        // Dragged out again and dropped nowhere, it floats; closed, it is back
        // at the bottom of the frame.
        script.dropOn = nullptr;
        dragWithMouse(program.frame()->pathLabel());
        QCOMPARE(program.frame()->filePanelDocking()->place(), DockablePanel::Place::Floating);
        QVERIFY(!program.window().findChild<QDockWidget*>("Panel2Dock"));
        program.frame()->filePanel()->window()->close();
        QTRY_COMPARE(program.frame()->filePanel()->parentWidget(), program.frame());
        QCOMPARE(program.frame()->layout()->indexOf(program.frame()->filePanel()), 2);
    }

    void theDetailsLeaveByTheirHeadingsAndStartWhereTheyWereLeft() {
        ProgramUnderTest program;
        program.start();
        program.window().action(Command::UseAsXmlEditor)->trigger();
        const auto details = [&program] { return program.window().detailsWindow(); };
        QCOMPARE(details()->panelDocking()->place(), DockablePanel::Place::Docked);
        QLabel* heading = nullptr;
        for (QLabel* label : details()->panel()->findChildren<QLabel*>())
            if (label->text() == "Comments") heading = label;
        DragScript script;
        dragWithMouse(heading);
        QCOMPARE(details()->panelDocking()->place(), DockablePanel::Place::Floating);
        QVERIFY(details()->isShown());
        QVERIFY(program.close());
        program.restart();
        QCOMPARE(details()->panelDocking()->place(), DockablePanel::Place::Floating);
        QVERIFY(details()->isShown());
        // Closing its window brings them home to the node details window.
        details()->panel()->window()->close();
        QTRY_COMPARE(details()->panelDocking()->place(), DockablePanel::Place::Home);
        QVERIFY(details()->isVisible());
    }

    void aForeignDropIsRefused() {
        StartedProgram program;
        QMimeData text;
        text.setText("<Notes/>");
        text.setData("application/x-corvantis-panel", QByteArray());
        // Another program's data, even under the panel's format, is no panel.
        QDragEnterEvent enter(program.nearBottomOfWindow().toPoint(), Qt::CopyAction, &text, Qt::LeftButton,
                              Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(&program.window(), &enter);
        QVERIFY(!enter.isAccepted());
        QVERIFY(program.window().findChildren<QDockWidget*>().isEmpty());
    }

    void panelsAwayFromHomeGoWithTheirOwner() {
        // Docked and floating panels are freed with the text editor window:
        // the sanitizer build sees a leak or a double free here.
        auto program = std::make_unique<StartedProgram>();
        DragScript script;
        dragWithMouse(program->frame()->pathLabel());
        script.dropOn = &program->window();
        script.dropAt = program->nearBottomOfWindow();
        dragWithMouse(program->frame()->caption());
        QCOMPARE(program->frame()->filePanelDocking()->place(), DockablePanel::Place::Floating);
        QCOMPARE(program->textEditor().frameDocking()->place(), DockablePanel::Place::Docked);
        program.reset();
    }

    void theDropEdgeIsTheNearestOne() {
        QWidget window;
        window.resize(300, 200);
        QCOMPARE(DockSite::nearestEdge(&window, QPoint(150, 195)), Qt::BottomDockWidgetArea);
        QCOMPARE(DockSite::nearestEdge(&window, QPoint(150, 4)), Qt::TopDockWidgetArea);
        QCOMPARE(DockSite::nearestEdge(&window, QPoint(3, 100)), Qt::LeftDockWidgetArea);
        QCOMPARE(DockSite::nearestEdge(&window, QPoint(297, 100)), Qt::RightDockWidgetArea);
    }
};

QTEST_MAIN(Docking)
#include "tst_docking.moc"
