// The main window: the document as a tree of folders with the find bar
// below it, the menus and tool buttons every command starts from, and the
// status bar. It puts the parts together and connects each command of the
// action table to what carries it out: the file controller, the tree's
// commands, the source commands and the options. The document itself
// belongs to the entry point.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "app/ActionTable.h"
#include "app/WindowArrangement.h"

class Autosave;
class Document;
class DocumentFiles;
class DocumentTreeModel;
class DocumentTreeView;
class ExportCommands;
class FilterBar;
class FindBar;
class NodeDetailsWindow;
class OptionCommands;
class RecentFiles;
class RecoveryStore;
class ReplaceDialog;
class Selection;
class SettingsStore;
class SourceCommands;
class SourceViewer;
class TextEditorWindow;
class TextFrameView;
class TreeCommands;
class TreeImages;
class UserQuestions;
class VersionsWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Where the program keeps its help page and its example document; ends
    // with "/".
    static QString programFolder();

    // `programFolder` empty: the folder of the running program.
    MainWindow(SettingsStore& settings, UserQuestions& dialogs, Document& document,
               const QString& programFolder = QString(), QWidget* parent = nullptr);
    // The tool windows go, and a pending placement reset is done.
    ~MainWindow() override;

    // The Text Editor window, which the entry point creates after this one;
    // its text frame and the node details then take their places.
    void attachTextEditor(TextEditorWindow* textEditor);
    // Where unsaved work is kept: the first activation offers what a program
    // that ended without saving left behind.
    void attachRecovery(RecoveryStore& store, Autosave& autosave);
    // The file named on the command line, opened at the first activation
    // instead of the remembered one; empty: start as usual.
    void openAtStartup(const QString& file) { startupFile_ = file; }
    // The first activation: the document the program starts with (once per run).
    void startUp();

    QAction* action(Command command) const { return actions_->action(command); }
    QMenu* menu(Menu menu) const { return actions_->menu(menu); }
    DocumentFiles& files() const { return *files_; }
    Selection& selection() const { return *selection_; }
    DocumentTreeView* treeView() const { return treeView_; }
    FindBar* findBar() const { return findBar_; }
    FilterBar* filterBar() const { return filterBar_; }
    ReplaceDialog* replaceDialog() const { return replace_; }
    NodeDetailsWindow* detailsWindow() const { return details_; }
    SourceViewer* sourceViewer() const { return source_; }
    VersionsWindow* versionsWindow() const { return versions_; }
    TextEditorWindow* textEditor() const;

signals:
    // The window closed for good; the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void createTree();
    void createCommands();
    void followFiles();
    // A click on a folder (or Return): the Text Editor and, by its option,
    // the details window come up.
    void showDetailWindows();
    void applyXmlEditorOption(bool use);
    void remember(const QString& file);
    void fillRecentMenu();
    // F6 / Shift+F6: the keyboard goes to the next / previous of the tree,
    // the text frame and (while shown by its option) the details window.
    void cycleFocus(bool forward);

    SettingsStore& settings_;
    WindowArrangement arrangement_;
    UserQuestions& dialogs_;
    Document& document_;
    QString programFolder_;
    QString startupFile_;
    // The file of the last session ("MyFileName").
    QString rememberedFile_;
    bool activated_ = false;
    int resizeCount_ = 0;

    std::unique_ptr<TreeImages> images_;
    std::unique_ptr<RecentFiles> recentFiles_;
    QWidget* toolPanel_ = nullptr;
    DocumentTreeModel* rows_ = nullptr;
    Selection* selection_ = nullptr;
    DocumentTreeView* treeView_ = nullptr;
    FindBar* findBar_ = nullptr;
    FilterBar* filterBar_ = nullptr;
    ReplaceDialog* replace_ = nullptr;
    NodeDetailsWindow* details_ = nullptr;
    SourceViewer* source_ = nullptr;
    VersionsWindow* versions_ = nullptr;
    DocumentFiles* files_ = nullptr;
    TreeCommands* treeCommands_ = nullptr;
    SourceCommands* sourceCommands_ = nullptr;
    OptionCommands* options_ = nullptr;
    ExportCommands* exports_ = nullptr;
    ActionTable* actions_ = nullptr;
    // The entry point owns the text editor and may end it first.
    QPointer<TextEditorWindow> textEditor_;
    std::unique_ptr<TextFrameView> textFrameView_;
};
