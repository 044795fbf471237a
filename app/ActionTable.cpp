#include "app/ActionTable.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/ExportCommands.h"
#include "app/OptionCommands.h"
#include "document/DocumentFiles.h"
#include "document/HistoryActions.h"
#include "editors/VersionsWindow.h"
#include "tree/DocumentTreeView.h"
#include "tree/FilterBar.h"
#include "tree/FindBar.h"
#include "tree/ReplaceDialog.h"
#include "tree/SourceCommands.h"
#include "tree/TreeCommands.h"
#include "tree/TreeImages.h"
#include "widgets/Hints.h"

namespace {

// One command: its caption with its Alt letter (Undo and Redo name their
// step themselves), its keys and where they work, its hint ("tool
// tip|status text"), what it does (nothing here for Undo and Redo, which
// follow the document's history) and its image on a tool button.
struct CommandRow {
    CommandRow(Command command, QString caption, QList<QKeySequence> keys, KeyReach reach, QString hint,
               std::function<void()> handler, bool checkable = false, QIcon icon = QIcon())
        : command(command),
          caption(std::move(caption)),
          keys(std::move(keys)),
          reach(reach),
          hint(std::move(hint)),
          handler(std::move(handler)),
          checkable(checkable),
          icon(std::move(icon)) {}

    Command command;
    QString caption;
    QList<QKeySequence> keys;
    KeyReach reach;
    QString hint;
    std::function<void()> handler;
    bool checkable;
    QIcon icon;
};

// The desktop's own binding for a standard command; a platform theme that
// has none (the Windows scheme has no Save As or Quit) gets the binding
// GNOME and KDE use. Only the first: Ctrl+Ins and Shift+Del, copy and cut
// elsewhere on X11, mean nothing to the tree.
QList<QKeySequence> standard(QKeySequence::StandardKey key, const char* linuxBinding) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? QList<QKeySequence>{QKeySequence(linuxBinding)} : QList<QKeySequence>{keys.first()};
}

QList<QKeySequence> keys(const char* binding) { return {QKeySequence(binding)}; }

std::vector<CommandRow> commandRows(const CommandTargets& to, const QStyle& style) {
    using K = KeyReach;
    DocumentFiles& files = to.files;
    TreeCommands& tree = to.tree;
    SourceCommands& source = to.source;
    OptionCommands& options = to.options;
    FindBar& find = to.find;
    FilterBar& filter = to.filter;
    ReplaceDialog& replace = to.replace;
    DocumentTreeView& view = to.view;
    VersionsWindow& versions = to.versions;
    ExportCommands& exports = to.exports;
    QWidget& window = to.window;
    const auto icon = [&style](QStyle::StandardPixmap pixmap) { return style.standardIcon(pixmap); };
    return {
        {Command::New, "&New", standard(QKeySequence::New, "Ctrl+N"), K::WindowAndTextEditor, "",
         [&files] { files.newDocument(); }},
        {Command::Open, "&Open", standard(QKeySequence::Open, "Ctrl+O"), K::WindowAndTextEditor, "",
         [&files] { files.open(); }},
        {Command::Save, "&Save", standard(QKeySequence::Save, "Ctrl+S"), K::WindowAndTextEditor, "",
         [&files] { files.save(); }},
        {Command::SaveAs, "Save &As", standard(QKeySequence::SaveAs, "Ctrl+Shift+S"), K::WindowAndTextEditor, "",
         [&files] { files.saveAs(); }},
        {Command::Versions, "&Versions…", {}, K::Window,
         "Earlier saves of this document|Show or restore the file as it was before a save",
         [&versions] { versions.showVersions(); }},
        {Command::Export, "&Export…", keys("Ctrl+E"), K::Window,
         "Export as HTML, Markdown or PDF|Write the selected folder, or the whole document, as a web page, Markdown or "
         "PDF",
         [&exports] { exports.exportSelection(); }},
        {Command::PrintPreview, "Print Previe&w…", {}, K::Window, "", [&exports] { exports.printPreview(); }},
        {Command::Print, "&Print…", standard(QKeySequence::Print, "Ctrl+P"), K::Window, "",
         [&exports] { exports.print(); }},
        {Command::Exit, "E&xit", standard(QKeySequence::Quit, "Ctrl+Q"), K::WindowAndTextEditor,
         "Close and Exit Corvantis", [&window] { window.close(); }, false, icon(QStyle::SP_DialogCloseButton)},
        // A new folder: Ins under the selection, Ctrl+Return as its last
        // sibling, with Shift before it.
        {Command::AddBefore, "&Before", keys("Ctrl+Shift+Return"), K::Tree, "", [&tree] { tree.insertBefore(); }},
        {Command::AddAtEnd, "&At End", keys("Ctrl+Return"), K::Tree, "", [&tree] { tree.insertAtEnd(); }},
        {Command::AddUnder, "&Under", keys("Ins"), K::Tree, "", [&tree] { tree.insertUnder(); }},
        // It inserts a folder, so the Delete key is not its own.
        {Command::EditMenuDelete, "&Delete", {}, K::Tree, "", [&tree] { tree.insertBefore(); }},
        {Command::Copy, "&Copy", standard(QKeySequence::Copy, "Ctrl+C"), K::Tree,
         "mark a Node for Copy then Paste to selected Node", [&tree] { tree.copy(); }, false,
         QIcon(to.images.image(4))},
        {Command::Cut, "Cu&t", standard(QKeySequence::Cut, "Ctrl+X"), K::Tree,
         "Mark a Node for Cut, then paste to selected Node", [&tree] { tree.cut(); }, false,
         QIcon(to.images.image(6))},
        // The marked subtree: Ctrl+V into the selection, with Shift as the
        // last sibling, Ctrl+Shift+B before it.
        {Command::PasteBefore, "&Before", keys("Ctrl+Shift+B"), K::Tree, "", [&tree] { tree.pasteBefore(); }},
        {Command::PasteAtEnd, "&At End", keys("Ctrl+Shift+V"), K::Tree, "", [&tree] { tree.pasteAtEnd(); }},
        {Command::PasteUnder, "&Under", standard(QKeySequence::Paste, "Ctrl+V"), K::Tree, "",
         [&tree] { tree.pasteUnder(); }},
        {Command::MoveUp, "&Move Up", keys("Alt+Up"), K::Tree, "", [&tree] { tree.moveUp(); }},
        {Command::MoveDown, "Move Do&wn", keys("Alt+Down"), K::Tree, "", [&tree] { tree.moveDown(); }},
        {Command::EditNodeName, "Edit &Node Name", keys("F2"), K::Tree, "", [&tree] { tree.editName(); }},
        {Command::Refresh, "R&efresh", {}, K::Window, "", [&tree] { tree.refresh(); }},
        {Command::Undo, "", standard(QKeySequence::Undo, "Ctrl+Z"), K::Window, "", {}},
        {Command::Redo, "", {QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}, K::Window, "", {}},
        {Command::Find, "&Find", keys("Ctrl+F"), K::WindowAndTextEditor, "", [&find] { find.open(); }},
        {Command::FindNext, "Find Ne&xt", keys("F3"), K::WindowAndTextEditor, "", [&find] { find.findNext(); }},
        {Command::FindPrevious, "Find Pre&vious", keys("Shift+F3"), K::WindowAndTextEditor, "",
         [&find] { find.findPrevious(); }},
        {Command::Replace, "Rep&lace…", keys("Ctrl+H"), K::WindowAndTextEditor,
         "Replace words in names, texts and values", [&replace] { replace.showDialog(); }},
        {Command::Filter, "&Filter", keys("Ctrl+Shift+F"), K::Window,
         "Show only the folders holding some words", [&filter] { filter.open(); }},
        {Command::DeleteFolder, "&Delete Node", keys("Del"), K::Tree, "", [&tree] { tree.deleteFolder(); }},
        {Command::CopyTree, "&Copy Tree", {}, K::Tree,
         "Mark Node then Paste Copy|Select Node to Copy then Paste to where node should go", [&tree] { tree.copy(); }},
        {Command::CutTree, "C&ut Tree", {}, K::Tree,
         "Mark Node then Paste Move to|Select Node to be moved then paste it to where you want it to go",
         [&tree] { tree.cut(); }},
        {Command::UseAsXmlEditor, "&Use As XML Editor", {}, K::Window, "",
         [&options] { options.setUseAsXmlEditor(!options.usesXmlEditor()); }, true},
        {Command::ViewSource, "&View Source", {}, K::Window, "", [&options] { options.viewSource(); }},
        {Command::RememberFileName, "&Remember File Name", {}, K::Window, "",
         [&options] { options.setRememberFileName(!options.remembersFileName()); }, true},
        {Command::ResetPositions, "Re&set Memory of Screen Positions", {}, K::Window,
         "Restart will be at default|All windows will be at default locations when the program is restarted",
         [&options] { options.resetPositions(); }},
        {Command::InsertFromFile, "Insert From &File", {}, K::Window,
         "Load an XML File to this node|Open and parse an XML File into this node",
         [&source] { source.insertFromFile(); }, false, icon(QStyle::SP_DialogOpenButton)},
        {Command::SaveToShowSource, "Save &To Show Source", {}, K::Window,
         "Save this Tree as XML text to Show Source|Unparse selected subtree into Show Source and then save as "
         "file from there",
         [&source] { source.showSubtreeSource(); }, false, icon(QStyle::SP_FileDialogDetailedView)},
        {Command::KeepVersions, "&Keep Versions", {}, K::Window,
         "Keep what each save replaces|Every save keeps the file it replaces as a version (File > Versions)",
         [&options] { options.setKeepVersions(!options.keepsVersions()); }, true},
        {Command::About, "&About", {}, K::Window, "", [&options] { options.about(); }},
        {Command::Help, "&Help", {}, K::Window, "", [&options] { options.help(); }},
        {Command::ExpandTree, "Expand", {}, K::Window, "Expand the Tree fully|Expands the tree of Keys fully",
         [&view] { view.expandEverything(); }, false, icon(QStyle::SP_ArrowDown)},
        {Command::CollapseTree, "Collapse", {}, K::Window,
         "Collapse the tree|The tree collapses down to only 1 Key, the Root Key", [&view] { view.collapseToTop(); },
         false, icon(QStyle::SP_ArrowUp)},
    };
}

// One entry of a menu: a command, a separator or a submenu.
struct MenuItem {
    enum class Kind { Command, Separator, Submenu };
    Kind kind;
    Command command = Command::Count;
    Menu submenu = Menu::Count;
};

MenuItem item(Command command) { return {MenuItem::Kind::Command, command, Menu::Count}; }
MenuItem submenu(Menu menu) { return {MenuItem::Kind::Submenu, Command::Count, menu}; }
const MenuItem Separator{MenuItem::Kind::Separator, Command::Count, Menu::Count};

struct MenuLayout {
    Menu menu;
    // With its Alt letter.
    const char* title;
    // Shown beside its entry in the menu that holds it ("tool tip|status").
    const char* hint;
    std::vector<MenuItem> items;
};

// Every menu and what it holds, in order. Edit > Add and Edit > Paste also
// drop down from the insert and paste tool buttons.
const std::vector<MenuLayout>& menuLayouts() {
    static const std::vector<MenuLayout> layouts{
        {Menu::File, "&File", "",
         {item(Command::Open), item(Command::New), item(Command::Save), item(Command::SaveAs), item(Command::Versions),
          submenu(Menu::Recent), Separator, item(Command::Export), item(Command::PrintPreview), item(Command::Print),
          Separator, item(Command::Exit)}},
        {Menu::Recent, "&Recent", "", {}},
        {Menu::Edit, "&Edit", "",
         {submenu(Menu::EditAdd), item(Command::EditMenuDelete), item(Command::Copy), item(Command::Cut),
          submenu(Menu::EditPaste), item(Command::MoveUp), item(Command::MoveDown), Separator,
          item(Command::EditNodeName), item(Command::Refresh), Separator, item(Command::Undo), item(Command::Redo),
          Separator, item(Command::Find), item(Command::FindNext), item(Command::FindPrevious),
          item(Command::Replace)}},
        {Menu::EditAdd, "&Add", "", {item(Command::AddBefore), item(Command::AddAtEnd), item(Command::AddUnder)}},
        {Menu::EditPaste, "&Paste", "",
         {item(Command::PasteBefore), item(Command::PasteAtEnd), item(Command::PasteUnder)}},
        {Menu::View, "&View", "", {item(Command::Filter)}},
        {Menu::Options, "&Options", "",
         {item(Command::UseAsXmlEditor), item(Command::ViewSource), item(Command::RememberFileName),
          item(Command::ResetPositions), item(Command::InsertFromFile), item(Command::SaveToShowSource),
          item(Command::KeepVersions)}},
        {Menu::Help, "&Help", "", {item(Command::About), item(Command::Help)}},
        {Menu::TreePopup, "", "",
         {submenu(Menu::TreePopupInsert), item(Command::DeleteFolder), Separator, item(Command::EditNodeName),
          item(Command::CopyTree), item(Command::CutTree), submenu(Menu::TreePopupPaste), item(Command::MoveUp),
          item(Command::MoveDown), Separator, item(Command::InsertFromFile), item(Command::SaveToShowSource),
          item(Command::Export)}},
        {Menu::TreePopupInsert, "&Insert New Node", "",
         {item(Command::AddBefore), item(Command::AddAtEnd), item(Command::AddUnder)}},
        {Menu::TreePopupPaste, "&Paste Tree", "Moves or Copies Nodes|Moves or copies selected nodes to another Node",
         {item(Command::PasteBefore), item(Command::PasteAtEnd), item(Command::PasteUnder)}},
    };
    return layouts;
}

const Menu MenuBarMenus[] = {Menu::File, Menu::Edit, Menu::View, Menu::Options, Menu::Help};

// The tool panel, left to right: a command's button, or a button that drops
// a menu down.
struct ToolButtonLayout {
    Command command;
    Menu menu;
    const char* hint;
    QStyle::StandardPixmap icon;
};

const std::vector<ToolButtonLayout>& toolButtonLayouts() {
    static const std::vector<ToolButtonLayout> buttons{
        {Command::ExpandTree, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::CollapseTree, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::Exit, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::Count, Menu::EditAdd, "Insert node ", QStyle::SP_FileDialogNewFolder},
        {Command::Copy, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::Cut, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::Count, Menu::EditPaste, "Paste Selected Node To Selected Node", QStyle::SP_DialogApplyButton},
        {Command::InsertFromFile, Menu::Count, "", QStyle::SP_CustomBase},
        {Command::SaveToShowSource, Menu::Count, "", QStyle::SP_CustomBase},
    };
    return buttons;
}

std::size_t at(Command command) { return static_cast<std::size_t>(command); }
std::size_t at(Menu menu) { return static_cast<std::size_t>(menu); }

}  // namespace

ActionTable::ActionTable(const CommandTargets& targets, const HistoryActions& history, QWidget* window)
    : QObject(window) {
    for (const CommandRow& row : commandRows(targets, *window->style())) {
        QAction* action = row.command == Command::Undo   ? history.undo()
                          : row.command == Command::Redo ? history.redo()
                                                         : new QAction(row.caption, this);
        action->setShortcuts(row.keys);
        // The pop-up menu shows the keys as the menu bar's menus do.
        action->setShortcutVisibleInContextMenu(true);
        action->setCheckable(row.checkable);
        if (!row.icon.isNull()) action->setIcon(row.icon);
        if (!row.hint.isEmpty()) applyHint(action, row.hint);
        if (row.handler) connect(action, &QAction::triggered, this, row.handler);
        actions_[at(row.command)] = action;
        reach_[at(row.command)] = row.reach;
    }
    // Submenus are made before the menus that hold them.
    const std::vector<MenuLayout>& layouts = menuLayouts();
    for (auto layout = layouts.rbegin(); layout != layouts.rend(); ++layout) {
        auto* built = new QMenu(QString::fromUtf8(layout->title), window);
        built->setToolTipsVisible(true);
        for (const MenuItem& entry : layout->items) {
            switch (entry.kind) {
                case MenuItem::Kind::Command: built->addAction(action(entry.command)); break;
                case MenuItem::Kind::Separator: built->addSeparator(); break;
                case MenuItem::Kind::Submenu: {
                    QMenu* inner = menu(entry.submenu);
                    built->addMenu(inner);
                    break;
                }
            }
        }
        if (*layout->hint) applyHint(built->menuAction(), layout->hint);
        menus_[at(layout->menu)] = built;
    }
}

void ActionTable::fillMenuBar(QMenuBar* bar) const {
    for (const Menu shown : MenuBarMenus) bar->addMenu(menu(shown));
}

void ActionTable::addToolButtons(QWidget* panel) const {
    int left = 2;
    for (const ToolButtonLayout& layout : toolButtonLayouts()) {
        auto* button = new QToolButton(panel);
        if (layout.command != Command::Count) {
            button->setDefaultAction(action(layout.command));
        } else {
            button->setMenu(menu(layout.menu));
            button->setPopupMode(QToolButton::InstantPopup);
            button->setIcon(panel->style()->standardIcon(layout.icon));
            applyHint(button, layout.hint);
        }
        button->setGeometry(left, 5, 23, 22);
        button->setAutoRaise(true);
        left += 23;
    }
}

void ActionTable::reachKeys(QWidget* tree, QWidget* textEditorWindow) const {
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        QAction* command = actions_[i];
        if (!command || command->shortcuts().isEmpty()) continue;
        switch (reach_[i]) {
            case KeyReach::Tree:
                // Only while the tree itself has the focus: in a text field, or
                // in the tree's own name editor, the keys keep their text meaning.
                command->setShortcutContext(Qt::WidgetShortcut);
                tree->addAction(command);
                break;
            case KeyReach::WindowAndTextEditor:
                command->setShortcutContext(Qt::WindowShortcut);
                if (textEditorWindow) textEditorWindow->addAction(command);
                break;
            case KeyReach::Window:
                command->setShortcutContext(Qt::WindowShortcut);
                break;
        }
    }
}

QList<Menu> ActionTable::menusOf(Command command) {
    QList<Menu> menus;
    for (const MenuLayout& layout : menuLayouts())
        for (const MenuItem& entry : layout.items)
            if (entry.kind == MenuItem::Kind::Command && entry.command == command) menus << layout.menu;
    return menus;
}

bool ActionTable::hasToolButton(Command command) {
    for (const ToolButtonLayout& layout : toolButtonLayouts())
        if (layout.command == command) return true;
    return false;
}
