// Window placements: stored, restored, reset, and the first resize skipped.
#include <QTest>

#include "editors/NodeDetailsWindow.h"
#include "support/ProgramUnderTest.h"
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
    void theFirstRunUsesTheDesignPlaces() {
        ProgramUnderTest program;
        program.start();
        QCOMPARE(program.window().size(), QSize(324, 439));
        QCOMPARE(program.textEditor().size(), QSize(258, 169));
        QCOMPARE(program.textEditor().windowTitle(), QString("Text Editor"));
    }

    void atFirstStartTheThreeWindowsFitA1280By800ScreenWithoutOverlapping() {
        ProgramUnderTest program;
        program.start();
        // Each with room for a desktop's title bar and borders.
        const auto framed = [](const QWidget& window) {
            return QRect(window.pos(), window.size() + QSize(16, 40));
        };
        const QList<QRect> windows{framed(program.window()), framed(program.textEditor()),
                                   framed(*program.window().detailsWindow())};
        for (qsizetype i = 0; i < windows.size(); ++i) {
            QVERIFY(QRect(0, 0, 1280, 800).contains(windows[i]));
            for (qsizetype j = i + 1; j < windows.size(); ++j) QVERIFY(!windows[i].intersects(windows[j]));
        }
    }

    void aMovedWindowKeepsItsNewPlace() {
        ProgramUnderTest program;
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
        program.start();
        QCOMPARE(program.textEditor().resizeCount(), 1);
        QVERIFY(!program.settings().contains("TextEdit_Width"));
        program.textEditor().resize(280, 190);
        QCOMPARE(program.settings().readInt("TextEdit_Width", 0), 280);
    }

    void resetForgetsEveryPlacementIncludingLaterOnes() {
        ProgramUnderTest program;
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
