// Keyboard use: the main window's shortcuts reach exactly their own command
// and leave text fields alone, Return shows the selected node's details, and
// the modal editors can be worked by Tab and closed by Escape.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTest>

#include "app/Shortcuts.h"
#include "detail_editor_fixture.h"
#include "editors/Attributeseditor.h"
#include "editors/Commentseditor.h"
#include "editors/Texteditor.h"
#include "editors/Textframedocker.h"
#include "editors/Xmlform.h"
#include "support/ProgramUnderTest.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/LargeTextEdit.h"

namespace {

// Records which actions a key reached and keeps them from running, so each
// key can be tried without its command changing the document.
class ShortcutRecorder : public QObject {
public:
    explicit ShortcutRecorder(TVelmorant& window) {
        for (QAction* action : window.findChildren<QAction*>()) action->installEventFilter(this);
    }
    QStringList reached;
    bool ambiguous = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) return false;
        reached << watched->objectName();
        ambiguous = ambiguous || static_cast<QShortcutEvent*>(event)->isAmbiguous();
        return true;
    }
};

void activate(QWidget* window, QWidget* focus) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    focus->setFocus();
    QCOMPARE(QApplication::focusWidget(), focus);
}

}  // namespace

class ShortcutsTest : public QObject {
    Q_OBJECT

private slots:
    void menusShowEveryShortcut() {
        ProgramUnderTest program;
        program.start();
        for (const CommandShortcut& shortcut : commandShortcuts()) {
            QAction* action = program.window().Action(shortcut.action);
            QVERIFY2(action, shortcut.action);
            QVERIFY2(!action->shortcut().isEmpty(), shortcut.action);
        }
        QCOMPARE(program.window().Action("UnderMnu")->shortcut(), QKeySequence("Ins"));
        QCOMPARE(program.window().Action("EditNodeNameMnu")->shortcut(), QKeySequence("F2"));
        QCOMPARE(program.window().Action("DeletePOPMnu")->shortcut(), QKeySequence("Del"));
        // Edit > "Delete" inserts a node: the Delete key must not reach it.
        QVERIFY(program.window().Action("DeleteMnu")->shortcut().isEmpty());
    }

    void noKeyServesTwoActions() {
        ProgramUnderTest program;
        program.start();
        QHash<QKeySequence, QString> owners;
        for (const QAction* action : program.window().findChildren<QAction*>())
            for (const QKeySequence& key : action->shortcuts()) {
                QVERIFY2(!owners.contains(key),
                         qPrintable(key.toString() + " serves " + owners.value(key) + " and " + action->objectName()));
                owners.insert(key, action->objectName());
            }
    }

    void eachKeyReachesOnlyItsCommandFromTheTree() {
        ProgramUnderTest program;
        program.start();
        // Two steps, one undone: both Undo and Redo can be reached.
        program.click("NewFolder");
        program.window().Action("UnderMnu")->trigger();
        program.window().Action("UnderMnu")->trigger();
        program.document().undo();
        ShortcutRecorder recorder(program.window());
        activate(&program.window(), program.window().TreeView());
        for (const CommandShortcut& shortcut : commandShortcuts()) {
            for (const QKeySequence& key : shortcut.keys) {
                recorder.reached.clear();
                QTest::keySequence(program.window().TreeView(), key);
                QCOMPARE(recorder.reached, QStringList{shortcut.action});
            }
        }
        QVERIFY(!recorder.ambiguous);
    }

    void treeKeysKeepTheirTextMeaningWhileANameIsTyped() {
        ProgramUnderTest program;
        program.start();
        activate(&program.window(), program.window().TreeView());
        program.click("NewFolder");
        program.window().Action("EditNodeNameMnu")->trigger();
        ShortcutRecorder recorder(program.window());
        QLineEdit* nameEditor = program.labelEditor();
        QVERIFY(nameEditor);
        QCOMPARE(QApplication::focusWidget(), nameEditor);
        for (const char* key : {"Del", "Ins", "Ctrl+C", "Ctrl+V", "F2", "Ctrl+Return"}) {
            QTest::keySequence(nameEditor, QKeySequence(key));
            QVERIFY2(recorder.reached.isEmpty(), key);
        }
    }

    void fileKeysWorkFromTheTextEditor() {
        ProgramUnderTest program;
        program.start();
        ShortcutRecorder recorder(program.window());
        activate(&program.textEditor(), program.memo());
        QTest::keySequence(program.memo(), QKeySequence("Ctrl+S"));
        QCOMPARE(recorder.reached, QStringList{"SaveMnu"});
        // Editing keys there edit the text.
        recorder.reached.clear();
        for (const char* key : {"Del", "Ctrl+C", "Ctrl+V", "Ins"}) QTest::keySequence(program.memo(), QKeySequence(key));
        QVERIFY(recorder.reached.isEmpty());
    }

    void theArrowKeysShowEachFoldersDetailsAndFoldTheTree() {
        ProgramUnderTest program;
        program.startAndOpen("notes.xml", "<Notes><Shopping>Bread\r\nMilk</Shopping><Work>Report<Task/></Work></Notes>");
        auto* tree = program.window().TreeView();
        activate(&program.window(), tree);
        program.select("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("Report"));
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Notes/Work"));
        QTest::keyClick(tree, Qt::Key_Up);
        QCOMPARE(program.memo()->toPlainText(), QString("Bread\nMilk"));
        // Left folds an open folder, then goes to its parent; Right opens it again.
        program.select("Work");
        QTest::keyClick(tree, Qt::Key_Left);
        QVERIFY(!program.shows("Task"));
        QTest::keyClick(tree, Qt::Key_Left);
        QCOMPARE(program.currentCaption(), QString("Notes"));
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Right);
        QVERIFY(program.shows("Task"));
        QTest::keyClick(tree, Qt::Key_Right);
        QCOMPARE(program.currentCaption(), QString("Task"));
    }

    void escapeClosesAnEditorAsOkDoes() {
        DetailFixture fixture("<Notes><Work/></Notes>");
        TAttribForm editor(fixture.context, fixture.root());
        editor.show();
        activate(&editor, editor.grid());
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
    }

    void tabGoesFromTheGridThroughTheFieldsToTheButtons() {
        DetailFixture fixture("<Notes><!--one--></Notes>");
        TCommentsEditorForm editor(fixture.context, fixture.root());
        editor.show();
        activate(&editor, editor.grid());
        QList<QWidget*> visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited[0], editor.findChild<QPlainTextEdit*>("CommentMemo"));
        QCOMPARE(visited[1], editor.UpdateBitBtn());
        QCOMPARE(visited[2], editor.DeleteBitBtn());
        QCOMPARE(qobject_cast<QPushButton*>(visited[3])->text(), QString("Add New"));
        QCOMPARE(visited[4], editor.OKBitBtn());
    }

    void f6GoesRoundTheTreeTheTextFrameAndTheDetailsWindow() {
        ProgramUnderTest program;
        program.start();
        TVelmorant& window = program.window();
        window.Action("UseAsXMLEditorMnu")->trigger();
        QVERIFY(program.focusTree());
        const auto pressF6 = [](Qt::KeyboardModifiers keys) {
            QWidget* before = QApplication::focusWidget();
            QTest::keyClick(before, Qt::Key_F6, keys);
            // Another window takes the keyboard once the desktop has activated it.
            static_cast<void>(
                QTest::qWaitFor([before] { return QApplication::focusWidget() != before; }, 2000));
            return QApplication::focusWidget();
        };
        QCOMPARE(pressF6(Qt::NoModifier), program.memo());
        QCOMPARE(pressF6(Qt::NoModifier), window.XML()->AttribStringGrid());
        QCOMPARE(pressF6(Qt::NoModifier), window.TreeView());
        QCOMPARE(pressF6(Qt::ShiftModifier), window.XML()->AttribStringGrid());
        // Without the details window, F6 goes between the other two.
        window.Action("UseAsXMLEditorMnu")->trigger();
        QVERIFY(program.focusTree());
        QCOMPARE(pressF6(Qt::NoModifier), program.memo());
        QCOMPARE(pressF6(Qt::NoModifier), window.TreeView());
    }

    void tabReachesEveryButtonOfTheDetailsWindow() {
        DetailFixture fixture("<Notes/>");
        TXML xml(fixture.context, [] { return nullptr; });
        xml.show();
        activate(&xml, xml.AttribBitBtn());
        QList<QWidget*> visited;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited,
                 QList<QWidget*>({xml.AttribStringGrid(), xml.CommentBitBtn(), xml.CommentStringGrid(),
                                  xml.PIBitBtn(), xml.PIStringGrid(), xml.AttribBitBtn()}));
    }
};

QTEST_MAIN(ShortcutsTest)
#include "tst_shortcuts.moc"
