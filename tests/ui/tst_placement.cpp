// Window placements: the one window of a first start, the floating windows
// an earlier version's settings keep, windows opening clear of the selected
// row; stored, restored, reset, and the first resize skipped.
#include <QDockWidget>
#include <QScreen>
#include <QTest>

#include "detail_editor_fixture.h"
#include "editors/AttributesEditor.h"
#include "editors/NodeDetailsWindow.h"
#include "editors/SourceViewer.h"
#include "support/ProgramUnderTest.h"
#include "widgets/ClearPlacement.h"
#include "widgets/Docking.h"
#include "widgets/LargeTextEdit.h"
#include "widgets/WindowPlacement.h"

namespace {

QRect placement(SettingsStore& settings, const QString& prefix) {
    return QRect(settings.readInt(prefix + "Left", -1), settings.readInt(prefix + "Top", -1),
                 settings.readInt(prefix + "Width", -1), settings.readInt(prefix + "Height", -1));
}

}  // namespace

class Placement : public QObject {
    Q_OBJECT
private slots:
    void theFirstStartIsOneWindowWithTheTextBesideTheTreeAndTheDetailsBelowTheText() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        const QRect screen = window.screen()->availableGeometry();
        QCOMPARE(window.size(), QSize(screen.width() * 2 / 3, screen.height() * 2 / 3));
        // Centred but for the desktop's frame.
        const QSize frame = window.frameGeometry().size() - window.size();
        QVERIFY((window.geometry().center() - screen.center()).manhattanLength() <= frame.width() + frame.height() + 1);
        QDockWidget* text = program.textEditor().frameDocking()->dock();
        QVERIFY(text);
        QCOMPARE(window.dockWidgetArea(text), Qt::RightDockWidgetArea);
        QVERIFY(!program.textEditor().isVisible());
        QVERIFY(!window.detailsWindow()->isShown());
        window.action(Command::UseAsXmlEditor)->trigger();
        QVERIFY(window.detailsWindow()->isShown());
        QVERIFY(!window.detailsWindow()->isVisible());
        QDockWidget* details = window.detailsWindow()->panelDocking()->dock();
        QVERIFY(details);
        QCOMPARE(window.dockWidgetArea(details), Qt::RightDockWidgetArea);
        QTRY_VERIFY(details->geometry().top() > text->geometry().bottom());
        // Places stored by now do not make the next start take it for an
        // earlier version's settings.
        window.move(30, 40);
        QVERIFY(program.close());
        program.restart();
        QCOMPARE(program.window().pos(), QPoint(30, 40));
        QVERIFY(program.textEditor().frameDocking()->dock());
        QVERIFY(program.window().detailsWindow()->panelDocking()->dock());
    }

    void placesOfAnEarlierVersionKeepTheFloatingWindowsAtTheirDesignPlaces() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        QCOMPARE(program.window().size(), QSize(324, 439));
        QCOMPARE(program.textEditor().size(), QSize(258, 169));
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Home);
        QVERIFY(program.textEditor().isVisible());
        // Each with room for a desktop's title bar and borders, on a 1280×800 screen.
        const auto framed = [](const QWidget& window) {
            return QRect(window.pos(), window.size() + QSize(16, 40));
        };
        const QList<QRect> windows{framed(program.window()), framed(program.textEditor()),
                                   framed(*program.window().detailsWindow())};
        for (qsizetype i = 0; i < windows.size(); ++i) {
            QVERIFY(QRect(0, 0, 1280, 800).contains(windows[i]));
            for (qsizetype j = i + 1; j < windows.size(); ++j) QVERIFY(!windows[i].intersects(windows[j]));
        }
        program.restart();
        QCOMPARE(program.textEditor().frameDocking()->place(), DockablePanel::Place::Home);
    }

    void anOpeningWindowTakesTheNearestPlaceThatCoversNothingToKeepClear() {
        const QRect screen(0, 0, 1280, 800);
        const QSize editor(360, 340);
        const QPoint middle(640, 400);
        QVERIFY((clearPlacement(screen, {}, editor, middle).center() - middle).manhattanLength() <= 2);
        const QList<QRect> row{QRect(213, 390, 340, 20)};
        const QList<QRect> rowAndViewer{row.first(), QRect(454, 216, 373, 367)};
        for (const QList<QRect>& keepClear : {row, rowAndViewer}) {
            const QRect place = clearPlacement(screen, keepClear, editor, middle);
            QCOMPARE(place.size(), editor);
            QVERIFY(screen.contains(place));
            for (const QRect& area : keepClear) QVERIFY(!place.intersects(area));
        }
        QCOMPARE(clearPlacement(screen, {}, QSize(2000, 300), middle).size(), QSize(1280, 300));
        // Nowhere clear: the least covered.
        QCOMPARE(clearPlacement(screen, {QRect(0, 0, 1280, 700)}, editor, middle).bottom(), screen.bottom());
    }

    void theEditorsAndTheSourceViewerOpenClearOfTheSelectedRowAndOfEachOther() {
        ProgramUnderTest program;
        program.startAndOpen("notes.xml", "<Notes><Work a=\"1\">office</Work><Home>garden</Home></Notes>");
        program.window().action(Command::UseAsXmlEditor)->trigger();
        program.window().move(0, 0);
        program.click("Work");
        // The row as far as the tree shows it.
        const QWidget* rows = program.window().treeView()->viewport();
        const QRect row = (program.rectOf("Work") & rows->rect()).translated(rows->mapToGlobal(QPoint()));
        SourceViewer* source = program.window().sourceViewer();
        program.window().action(Command::ViewSource)->trigger();
        QVERIFY(!source->frameGeometry().intersects(row));
        // Moved where the small screen of the tests leaves the editor room.
        source->move(source->screen()->availableGeometry().topRight() - QPoint(source->frameGeometry().width(), 0));
        const QRect viewer = source->frameGeometry();
        QRect editor;
        whenOpened<AttributesEditor>([&editor](AttributesEditor* opened) { editor = opened->frameGeometry(); });
        program.window().detailsWindow()->editAttributes();
        QVERIFY(!editor.isEmpty());
        QVERIFY(!editor.intersects(row));
        QVERIFY(!editor.intersects(viewer));
    }

    void aMovedWindowKeepsItsNewPlace() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        QVERIFY(QTest::qWaitForWindowExposed(&program.textEditor()));
        program.textEditor().move(420, 310);
        program.window().move(30, 40);
        QTRY_COMPARE(program.settings().readInt("TextEdit_Left", 0), 420);
        QTRY_COMPARE(program.settings().readInt("Organiser_Top", 0), 40);
        program.restart();
        QCOMPARE(program.textEditor().pos(), QPoint(420, 310));
        QCOMPARE(program.window().pos(), QPoint(30, 40));
    }

    void aStoredPlacementComesBack() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        program.window().resize(500, 400);
        program.textEditor().resize(300, 200);
        QCOMPARE(placement(program.settings(), "Organiser_").size(), QSize(500, 400));
        QCOMPARE(placement(program.settings(), "TextEdit_").size(), QSize(300, 200));
        program.restart();
        QCOMPARE(program.window().size(), QSize(500, 400));
        QCOMPARE(program.textEditor().size(), QSize(300, 200));
    }

    void aValueThatIsNoNumberKeepsOnlyItsDesignValue() {
        ProgramUnderTest program;
        program.settings().writeText("Organiser_Width", "wide");
        program.settings().writeInt("Organiser_Height", 300);
        program.start();
        QCOMPARE(program.window().size(), QSize(324, 300));
    }

    void theFirstResizeIsNotStored() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        QCOMPARE(program.textEditor().resizeCount(), 1);
        QVERIFY(!program.settings().contains("TextEdit_Width"));
        program.textEditor().resize(280, 190);
        QCOMPARE(program.settings().readInt("TextEdit_Width", 0), 280);
    }

    void resetForgetsEveryPlacementIncludingLaterOnes() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        program.window().resize(500, 400);
        program.textEditor().resize(300, 200);
        program.settings().writeInt("AttribEdit_Top", 7);
        program.window().action(Command::ResetPositions)->trigger();
        for (const QString& name : storedPlacementNames()) QVERIFY2(!program.settings().contains(name), qPrintable(name));
        // The main window stores nothing more; other windows still do until shutdown.
        program.window().resize(510, 410);
        QVERIFY(!program.settings().contains("Organiser_Width"));
        program.textEditor().resize(310, 210);
        QVERIFY(program.settings().contains("TextEdit_Width"));
        program.restart();
        QCOMPARE(program.window().size(), QSize(324, 439));
        QCOMPARE(program.textEditor().size(), QSize(258, 169));
        QCOMPARE(storedPlacementNames().size(), 28);
        QCOMPARE(storedPlacementNames().first(), QString("TextEdit_Top"));
        QCOMPARE(storedPlacementNames().last(), QString("Organiser_Height"));
    }

    void closingTheTextEditorOnlyHidesIt() {
        ProgramUnderTest program;
        program.keepEarlierPlaces();
        program.start();
        program.click("NewFolder");
        program.type("kept");
        program.textEditor().close();
        QVERIFY(!program.textEditor().isVisible());
        program.click("NewDocument");
        QVERIFY(program.textEditor().isVisible());
        program.click("NewFolder");
        QCOMPARE(program.memo()->toPlainText(), QString("kept"));
    }
};

QTEST_MAIN(Placement)
#include "tst_placement.moc"
