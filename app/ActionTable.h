// Every command of the main window is one QAction, made from one table:
// each row names the command, its caption (with its Alt letter), its keys,
// how far the keys reach and what it does. The menus, the tree's pop-up
// menu and the tool buttons are laid out from the same commands, so a
// command that appears in several places is the same action everywhere,
// showing its keys wherever it appears. Nothing finds an action by name:
// Command says which.
#pragma once

#include <QList>
#include <QObject>
#include <array>

class HistoryActions;
class QAction;
class QMenu;
class QMenuBar;
class QToolButton;
class QWidget;

enum class Command {
    // File
    New,
    Open,
    Save,
    SaveAs,
    Versions,
    Export,
    PrintPreview,
    Print,
    Exit,
    // Edit
    AddBefore,
    AddAtEnd,
    AddUnder,
    // Edit > "Delete", which inserts a folder before the selected one, as it
    // always has; deleting is the pop-up menu's DeleteFolder.
    EditMenuDelete,
    Copy,
    Cut,
    PasteBefore,
    PasteAtEnd,
    PasteUnder,
    MoveUp,
    MoveDown,
    EditNodeName,
    Refresh,
    Undo,
    Redo,
    Find,
    FindNext,
    FindPrevious,
    Replace,
    // View
    Filter,
    // The tree's pop-up menu
    DeleteFolder,
    CopyTree,
    CutTree,
    // Options
    UseAsXmlEditor,
    ViewSource,
    RememberFileName,
    ResetPositions,
    InsertFromFile,
    SaveToShowSource,
    KeepVersions,
    // Help
    About,
    Help,
    // Tool buttons only
    ExpandTree,
    CollapseTree,
    Count
};

// The menus the commands appear in.
enum class Menu { File, Recent, Edit, EditAdd, EditPaste, View, Options, Help, TreePopup, TreePopupInsert, TreePopupPaste, Count };

// Where a command's keys work.
enum class KeyReach {
    // Wherever the main window has the keyboard.
    Window,
    // Only while the tree has the keyboard, so the same keys edit text in a field.
    Tree,
    // In the main window and in the Text Editor window.
    WindowAndTextEditor,
};

class DocumentFiles;
class DocumentTreeView;
class ExportCommands;
class FilterBar;
class FindBar;
class OptionCommands;
class ReplaceDialog;
class SourceCommands;
class TreeCommands;
class TreeImages;
class VersionsWindow;

// What carries the commands out.
struct CommandTargets {
    DocumentFiles& files;
    TreeCommands& tree;
    SourceCommands& source;
    OptionCommands& options;
    FindBar& find;
    FilterBar& filter;
    ReplaceDialog& replace;
    DocumentTreeView& view;
    VersionsWindow& versions;
    ExportCommands& exports;
    const TreeImages& images;
    // The main window, which Exit closes.
    QWidget& window;
};

class ActionTable : public QObject {
    Q_OBJECT
public:
    // Undo and Redo are the history's actions.
    ActionTable(const CommandTargets& targets, const HistoryActions& history, QWidget* window);

    QAction* action(Command command) const { return actions_[static_cast<std::size_t>(command)]; }
    QMenu* menu(Menu menu) const { return menus_[static_cast<std::size_t>(menu)]; }
    // The File, Edit, View, Options and Help menus.
    void fillMenuBar(QMenuBar* bar) const;
    // The tool panel's buttons, left to right, on `panel`.
    void addToolButtons(QWidget* panel) const;
    // Tree keys to `tree`; the keys of the file and find commands also to
    // the Text Editor window.
    void reachKeys(QWidget* tree, QWidget* textEditorWindow) const;

    // Where the layout puts a command: the menus that hold it, and whether a
    // tool button starts it.
    static QList<Menu> menusOf(Command command);
    static bool hasToolButton(Command command);

private:
    std::array<QAction*, static_cast<std::size_t>(Command::Count)> actions_{};
    std::array<QMenu*, static_cast<std::size_t>(Menu::Count)> menus_{};
    std::array<KeyReach, static_cast<std::size_t>(Command::Count)> reach_{};
};
