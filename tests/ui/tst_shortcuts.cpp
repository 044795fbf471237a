// Keyboard use: the main window's shortcuts reach exactly their own command
// and leave text fields alone, Return shows the selected node's details, the
// modal editors can be worked by Tab and closed by Escape, and screen readers
// hear the tree's levels and folding.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcutEvent>
#include <QTest>

#include "detail_editor_fixture.h"
#include "editors/AttributesEditor.h"
#include "editors/CommentsEditor.h"
#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "editors/NodeDetailsWindow.h"
#include "support/ProgramUnderTest.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/LargeTextEdit.h"

namespace {

// Records which commands a key reached and keeps them from running, so each
// key can be tried without its command changing the document.
class ShortcutRecorder : public QObject {
public:
    explicit ShortcutRecorder(MainWindow& window) {
        for (int i = 0; i < int(Command::Count); ++i) {
            QAction* action = window.action(Command(i));
            commands_.insert(action, Command(i));
            action->installEventFilter(this);
        }
    }
    QList<Command> reached;
    bool ambiguous = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut) return false;
        reached << commands_.value(watched);
        ambiguous = ambiguous || static_cast<QShortcutEvent*>(event)->isAmbiguous();
        return true;
    }

private:
    QHash<QObject*, Command> commands_;
};

QList<Command> allCommands() {
    QList<Command> all;
    for (int i = 0; i < int(Command::Count); ++i) all << Command(i);
    return all;
}

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
    void theKeysAreTheDesktopsAndNoKeyServesTwoCommands() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        QCOMPARE(window.action(Command::AddUnder)->shortcut(), QKeySequence("Ins"));
        QCOMPARE(window.action(Command::EditNodeName)->shortcut(), QKeySequence("F2"));
        QCOMPARE(window.action(Command::DeleteFolder)->shortcut(), QKeySequence("Del"));
        // Edit > "Delete" inserts a node: the Delete key must not reach it.
        QVERIFY(window.action(Command::EditMenuDelete)->shortcut().isEmpty());
        QHash<QKeySequence, int> owners;
        for (const Command command : allCommands())
            for (const QKeySequence& key : window.action(command)->shortcuts()) {
                QVERIFY2(!owners.contains(key), qPrintable(key.toString() + " serves two commands"));
                owners.insert(key, int(command));
            }
    }

    void eachKeyReachesOnlyItsCommandFromTheTree() {
        ProgramUnderTest program;
        program.start();
        // Two steps, one undone: both Undo and Redo can be reached.
        program.click("NewFolder");
        program.window().action(Command::AddUnder)->trigger();
        program.window().action(Command::AddUnder)->trigger();
        program.document().undo();
        ShortcutRecorder recorder(program.window());
        activate(&program.window(), program.window().treeView());
        for (const Command command : allCommands()) {
            for (const QKeySequence& key : program.window().action(command)->shortcuts()) {
                recorder.reached.clear();
                QTest::keySequence(program.window().treeView(), key);
                QCOMPARE(recorder.reached, QList<Command>{command});
            }
        }
        QVERIFY(!recorder.ambiguous);
    }

    void treeKeysKeepTheirTextMeaningWhileANameIsTyped() {
        ProgramUnderTest program;
        program.start();
        activate(&program.window(), program.window().treeView());
        program.click("NewFolder");
        program.window().action(Command::EditNodeName)->trigger();
        ShortcutRecorder recorder(program.window());
        QLineEdit* nameEditor = program.labelEditor();
        QVERIFY(nameEditor);
        QCOMPARE(QApplication::focusWidget(), nameEditor);
        for (const char* key : {"Del", "Ins", "Ctrl+C", "Ctrl+V", "F2", "Ctrl+Return"}) {
            QTest::keySequence(nameEditor, QKeySequence(key));
            QVERIFY2(recorder.reached.isEmpty(), key);
        }
    }

    void fileKeysWorkFromTheTextFrame() {
        ProgramUnderTest program;
        program.start();
        ShortcutRecorder recorder(program.window());
        activate(program.memo()->window(), program.memo());
        QTest::keySequence(program.memo(), QKeySequence("Ctrl+S"));
        QCOMPARE(recorder.reached, QList<Command>{Command::Save});
        // Editing keys there edit the text.
        recorder.reached.clear();
        for (const char* key : {"Del", "Ctrl+C", "Ctrl+V", "Ins"}) QTest::keySequence(program.memo(), QKeySequence(key));
        QVERIFY(recorder.reached.isEmpty());
    }

    void theArrowKeysShowEachFoldersDetailsAndFoldTheTree() {
        ProgramUnderTest program;
        program.startAndOpen("notes.xml", "<Notes><Shopping>Bread\r\nMilk</Shopping><Work>Report<Task/></Work></Notes>");
        auto* tree = program.window().treeView();
        activate(&program.window(), tree);
        program.select("Work");
        QCOMPARE(program.memo()->toPlainText(), QString("Report"));
        QCOMPARE(program.textEditor().frame()->pathLabel()->text(), QString("Notes/Work"));
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

    void screenReadersHearEachRowsLevelAndWhetherItIsOpen() {
        ProgramUnderTest program;
        program.startAndOpen("notes.xml", "<Notes><Work><Task/></Work><Home/></Notes>");
        auto* tree = program.window().treeView();
        QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(tree);
        QVERIFY(rows);
        QCOMPARE(rows->role(), QAccessible::Tree);
        const auto row = [rows](const QString& name) -> QAccessibleInterface* {
            for (int i = 0; i < rows->childCount(); ++i)
                if (QAccessibleInterface* item = rows->child(i); item && item->text(QAccessible::Name) == name)
                    return item;
            return nullptr;
        };
        QAccessibleInterface* work = row("Work");
        QVERIFY(work);
        QCOMPARE(work->text(QAccessible::Description), QString("level 3"));
        QVERIFY(row("Task") && row("Home"));
        QCOMPARE(row("Task")->text(QAccessible::Description), QString("level 4"));
        QVERIFY(work->state().expandable && work->state().expanded);
        QVERIFY(!row("Home")->state().expandable);

        // The keys fold the row and move to the next; a tool asking is told
        // the row the keys reached.
        activate(&program.window(), tree);
        program.select("Work");
        QTest::keyClick(tree, Qt::Key_Left);
        QVERIFY(row("Work")->state().collapsed);
        QVERIFY(!row("Task"));
        QTest::keyClick(tree, Qt::Key_Down);
        QAccessibleInterface* home = rows->focusChild();
        QVERIFY(home);
        QCOMPARE(home->text(QAccessible::Name), QString("Home"));
        QVERIFY(home->state().focused && home->state().selected);
        QCOMPARE(rows->child(rows->indexOfChild(home)), home);
    }

    void escapeClosesAnEditorAsOkDoes() {
        DetailFixture fixture("<Notes><Work/></Notes>");
        AttributesEditor editor(fixture.context, fixture.root());
        editor.show();
        activate(&editor, editor.grid());
        QTest::keyClick(&editor, Qt::Key_Escape);
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
    }

    void tabGoesFromTheGridThroughTheFieldsToTheButtons() {
        DetailFixture fixture("<Notes><!--one--></Notes>");
        CommentsEditor editor(fixture.context, fixture.root());
        editor.show();
        activate(&editor, editor.grid());
        QList<QWidget*> visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited[0], editor.findChild<QPlainTextEdit*>("CommentMemo"));
        QCOMPARE(visited[1], editor.updateButton());
        QCOMPARE(visited[2], editor.deleteButton());
        QCOMPARE(qobject_cast<QPushButton*>(visited[3])->text(), QString("Add New"));
        QCOMPARE(visited[4], editor.okButton());
    }

    void f6GoesRoundTheTreeTheTextFrameAndTheDetailsWindow() {
        ProgramUnderTest program;
        program.start();
        MainWindow& window = program.window();
        window.action(Command::UseAsXmlEditor)->trigger();
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
        QCOMPARE(pressF6(Qt::NoModifier), window.detailsWindow()->attributesGrid());
        QCOMPARE(pressF6(Qt::NoModifier), window.treeView());
        QCOMPARE(pressF6(Qt::ShiftModifier), window.detailsWindow()->attributesGrid());
        // Without the details window, F6 goes between the other two.
        window.action(Command::UseAsXmlEditor)->trigger();
        QVERIFY(program.focusTree());
        QCOMPARE(pressF6(Qt::NoModifier), program.memo());
        QCOMPARE(pressF6(Qt::NoModifier), window.treeView());
    }

    void tabReachesEveryButtonOfTheDetailsWindow() {
        DetailFixture fixture("<Notes/>");
        NodeDetailsWindow xml(fixture.context);
        xml.show();
        activate(&xml, xml.editAttributesButton());
        QList<QWidget*> visited;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited,
                 QList<QWidget*>({xml.attributesGrid(), xml.editCommentsButton(), xml.commentsGrid(),
                                  xml.editInstructionsButton(), xml.instructionsGrid(), xml.editAttributesButton()}));
    }
};

QTEST_MAIN(ShortcutsTest)
#include "tst_shortcuts.moc"
