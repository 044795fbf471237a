#include "app/Shortcuts.h"

#include <QAction>
#include <QShortcut>

#include "app/MainWindow.h"
#include "tree/DocumentTreeView.h"
#include "editors/TextEditorWindow.h"

namespace {

// The desktop's own binding for a standard command; a platform theme that
// has none (the Windows scheme has no Save As or Quit) gets the binding
// GNOME and KDE use.
QList<QKeySequence> standard(QKeySequence::StandardKey key, const char* linuxBinding) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{QKeySequence(linuxBinding)} : QList<QKeySequence>{keys.first()};
}

QList<QKeySequence> keys(const char* binding) { return {QKeySequence(binding)}; }

// The file and find commands, which work from the text editor window too.
bool worksFromTextEditor(const QString& action) {
    return action == "NewMnu" || action == "OpenMnu" || action == "SaveMnu" || action == "SaveAsMnu" ||
           action == "ExitMnu" || action == "FindMnu" || action == "FindNextMnu" ||
           action == "FindPreviousMnu";
}

// Undo and Redo work wherever the main window has the focus; in a text field
// the field's own meaning of the keys comes first.
bool isHistoryCommand(const QString& action) { return action == "UndoMnu" || action == "RedoMnu"; }

}  // namespace

QList<CommandShortcut> commandShortcuts() {
    return {
        {"NewMnu", standard(QKeySequence::New, "Ctrl+N")},
        {"OpenMnu", standard(QKeySequence::Open, "Ctrl+O")},
        {"SaveMnu", standard(QKeySequence::Save, "Ctrl+S")},
        {"SaveAsMnu", standard(QKeySequence::SaveAs, "Ctrl+Shift+S")},
        {"ExitMnu", standard(QKeySequence::Quit, "Ctrl+Q")},
        // Only the first of each standard key: Ctrl+Ins and Shift+Del,
        // copy and cut elsewhere on X11, mean nothing to the tree.
        {"Copy1", standard(QKeySequence::Copy, "Ctrl+C")},
        {"Cot1", standard(QKeySequence::Cut, "Ctrl+X")},
        {"EditNodeNameMnu", keys("F2")},
        // The context menu's "Delete Node"; the Edit menu's "Delete" inserts
        // a node and so gets no Delete key.
        {"DeletePOPMnu", keys("Del")},
        // A new node: Ins under the selection, Ctrl+Return as its last
        // sibling, with Shift before it.
        {"UnderMnu", keys("Ins")},
        {"AtEndMnu", keys("Ctrl+Return")},
        {"BeforeMnu", keys("Ctrl+Shift+Return")},
        // The marked subtree: Ctrl+V into the selection, with Shift as the
        // last sibling, Ctrl+Shift+B before it.
        {"Under3", standard(QKeySequence::Paste, "Ctrl+V")},
        {"AtEnd3", keys("Ctrl+Shift+V")},
        {"Before3", keys("Ctrl+Shift+B")},
        // The selected folder up or down among its siblings.
        {"MoveUpMnu", keys("Alt+Up")},
        {"MoveDownMnu", keys("Alt+Down")},
        {"FindMnu", keys("Ctrl+F")},
        {"FindNextMnu", keys("F3")},
        {"FindPreviousMnu", keys("Shift+F3")},
        {"UndoMnu", standard(QKeySequence::Undo, "Ctrl+Z")},
        {"RedoMnu", {QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}},
    };
}

void applyShortcuts(MainWindow& window) {
    DocumentTreeView* tree = window.TreeView();
    for (const CommandShortcut& shortcut : commandShortcuts()) {
        QAction* action = window.Action(shortcut.action);
        if (!action) continue;
        action->setShortcuts(shortcut.keys);
        if (worksFromTextEditor(shortcut.action)) {
            if (TextEditorWindow* textEditor = window.TextEditor()) textEditor->addAction(action);
        } else if (isHistoryCommand(shortcut.action)) {
            action->setShortcutContext(Qt::WindowShortcut);
        } else {
            // Only while the tree itself has the focus: in a text field, or
            // in the tree's own name editor, the keys keep their text meaning.
            action->setShortcutContext(Qt::WidgetShortcut);
            tree->addAction(action);
        }
    }
    // F6 and Shift+F6 move between the tree, the text frame and the details
    // window, from whichever of them has the keyboard.
    for (const bool forward : {true, false}) {
        auto* cycle =
            new QShortcut(forward ? QKeySequence(Qt::Key_F6) : QKeySequence(Qt::SHIFT | Qt::Key_F6), &window);
        cycle->setContext(Qt::ApplicationShortcut);
        QObject::connect(cycle, &QShortcut::activated, &window,
                         forward ? &MainWindow::FocusNextPanel : &MainWindow::FocusPreviousPanel);
    }
    // A node chosen with the arrow keys shows its details on Return, as a
    // click shows them.
    auto* showDetails = new QShortcut(tree);
    showDetails->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    showDetails->setContext(Qt::WidgetShortcut);
    QObject::connect(showDetails, &QShortcut::activated, &window, &MainWindow::TreeViewClick);
}
