// MainWindow: the main window. It shows the open document as a tree of
// folders, carries the menus and tool buttons every command starts from,
// keeps the user's settings and guards closing, New and Open with an
// unsaved-changes prompt. The document itself belongs to the entry point.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <utility>

#include "core/Dom.h"
#include "core/Search.h"
#include "tree/TreeCommands.h"

class Autosave;
class Document;
class DocumentTreeModel;
class FileGuard;
class RecoveryStore;
class DocumentTreeView;
class FindBar;
class RecentFiles;
class QAction;
class QMenu;
class QStatusBar;
class QToolButton;
class SettingsStore;
class SourceCommands;
class TreeImages;
class TextEditorWindow;
class NodeDetailsWindow;
class SourceViewer;
class TypedText;
class UserQuestions;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Where the program keeps its help page and its example document; ends
    // with "/".
    static QString ProgramFolder();

    // `programFolder` empty: the folder of the running program.
    MainWindow(SettingsStore& settings, UserQuestions& dialogs, Document& document,
               const QString& programFolder = QString(), QWidget* parent = nullptr);
    // FormDestroy: the tool windows, and a pending placement reset.
    ~MainWindow() override;

    // The floating text editor, which the entry point creates after this window.
    void AttachTextEditor(TextEditorWindow* textEditor);
    // Where unsaved work is kept: the first activation offers what a program
    // that ended without saving left behind.
    void AttachRecovery(RecoveryStore& store, Autosave& autosave);
    // The file named on the command line: the first activation opens it
    // instead of the remembered one. Empty: start as usual.
    void OpenAtStartup(const QString& file) { startupFile_ = file; }

    // State the commands share.
    Document& document() { return document_; }
    QString CurrentFileName() const;
    // The node whose details are shown.
    corvantis::DOMNode* CurrentNode() const { return currentNode_; }
    // Text typed in the text frame that is not in the document yet.
    bool TextChanged() const;
    bool DetailsChanged() const;
    bool NewFile() const;
    bool PositionsReset() const { return positionsReset_; }
    int ResizeCount() const { return resizeCount_; }
    // The node of the selected row, or null.
    corvantis::DOMNode* SelectedNode() const;

    // Controls, for the commands of other windows and for tests.
    DocumentTreeView* TreeView() const { return treeView_; }
    FindBar* FindPanel() const { return findBar_; }
    QStatusBar* StatusBar1() const { return statusBar1_; }
    NodeDetailsWindow* XML() const { return xml_; }
    SourceViewer* XMLSource() const { return source_; }
    TextEditorWindow* TextEditor() const;
    TypedText* Typing() const { return typedText_.get(); }
    QAction* Action(const QString& objectName) const;
    QToolButton* Button(const QString& objectName) const;
    QMenu* PopupMenu1() const { return popupMenu1_; }
    QMenu* InsertPopMenu() const { return insertPopMenu_; }
    QMenu* PastePopup() const { return pastePopup_; }
    QMenu* RecentMenu() const { return recentMnu_; }
    // The node marked for copy or cut ("the icons for copy and cut").
    corvantis::DOMNode* MarkedNode() const { return treeCommands_->markedNode(); }
    TreeCommands::Mark MarkMode() const { return treeCommands_->markMode(); }
    // Image and selected image of a row: 0/2, or the mark's pair.
    std::pair<int, int> TreeViewGetImageIndex(const corvantis::DOMNode* node) const;

public slots:
    // File
    void NewMnuClick();
    void OpenMnuClick();
    // File > Recent: opens a document worked on lately; one that has gone
    // is taken off the list, with a message.
    void OpenRecentFile(const QString& file);
    // True when the document was written (for the close prompt).
    bool SaveMnuClick();
    bool SaveAsMnuClick();
    void ExitMnuClick();
    // Edit
    void UndoMnuClick();
    void RedoMnuClick();
    void RefreshMnuClick();
    void FindMnuClick();
    void FindNextMnuClick();
    void FindPreviousMnuClick();
    // Options
    void UseAsXMLEditorMnuClick();
    void ViewSourceMnuClick();
    void RememberFileNameMnuClick();
    void ResetPositionsMnuClick();
    // Help
    void AboutMnuClick();
    void HelpMnuClick();
    // Tool buttons
    void TreeExpandSpeedClick();
    void TreeCollapseSpeedClick();
    void SpeedButton1Click();
    void PasteButtonClick();

    // The tree built anew from the document, fully expanded.
    void BuildTree();
    // A click on a row: the text editor and the details window come up with
    // the selected node's details.
    void TreeViewClick();
    void ClearDetails();
    // Puts the text typed in the text frame into the document. False when
    // it cannot be stored (a character the document's encoding cannot
    // hold); the user has been told and the typed text stays in the frame.
    bool StoreEditedText();
    // A cut mark ends; a copy mark stays.
    void DropCutMark();

    // The first activation loads the remembered file (once per run).
    void FormActivate();

    // F6 / Shift+F6: the keyboard goes to the next / previous of the tree,
    // the text frame and (while shown by its option) the details window.
    void FocusNextPanel() { cycleFocus(true); }
    void FocusPreviousPanel() { cycleFocus(false); }

signals:
    // The window closed for good; the program ends.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void createControls();
    void createMenus();
    void createToolButtons();
    void connectCommands();
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& caption);
    // The selection moved: text typed for the node shown before goes into
    // it, then the new node's details are shown.
    void selectionMoved(const QModelIndex& current, const QModelIndex& previous);
    void showDetails(corvantis::DOMNode* node);
    void TreeViewContextPopup(const QPoint& position);
    void showPathOf(const corvantis::DOMNode* node);
    void applyXmlEditorOption();
    // The unsaved-changes question, for close, New and Open: true when the
    // caller may go on (saved, or the user chose to discard the changes).
    bool maybeSave();
    // A file the user named at start-up must be there: one that cannot be
    // opened is reported, a remembered one that has gone is not.
    void loadStartupFile(const QString& file, bool namedByUser);
    // Keeps the window's references and the title in step with the document.
    void followDocument();
    void makeNewDocument();
    // Reads the document's own file again after another program changed it,
    // keeping the selected folder where it still exists.
    void reloadFromDisk();
    // The file's bytes become the document, once the file is claimed (false:
    // the user cancelled because another program holds it).
    bool openFile(const QString& file, const QByteArray& bytes, const QString& documentName);
    void showFileName(const QString& name);
    // Reads the chosen file as the document (File > Open, File > Recent).
    void openChosenFile(const QString& chosen);
    void rememberRecent(const QString& file);
    void fillRecentMenu();
    void cycleFocus(bool forward);
    // A match in the text shown in the text frame is selected there.
    void showMatchInText(const corvantis::SearchMatch& match);

    SettingsStore& settings_;
    UserQuestions& dialogs_;
    Document& document_;
    QString programFolder_;

    QString startupFile_;
    // The file whose save the user was told what a save cannot keep of it.
    QString lossesToldFor_;
    // The file of the last session ("MyFileName").
    QString rememberedFile_;
    corvantis::DOMNode* currentNode_ = nullptr;
    bool activated_ = false;
    bool positionsReset_ = false;
    int resizeCount_ = 0;

    std::unique_ptr<TreeImages> images_;
    DocumentTreeModel* model_ = nullptr;
    DocumentTreeView* treeView_ = nullptr;
    FindBar* findBar_ = nullptr;
    TreeCommands* treeCommands_ = nullptr;
    FileGuard* guard_ = nullptr;
    SourceCommands* sourceCommands_ = nullptr;
    QStatusBar* statusBar1_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QMenu* insertPopMenu_ = nullptr;
    QMenu* pastePopup_ = nullptr;
    QMenu* recentMnu_ = nullptr;
    std::unique_ptr<RecentFiles> recentFiles_;
    QAction* useAsXMLEditorMnu_ = nullptr;
    QAction* viewSourceMnu_ = nullptr;
    QAction* rememberFileNameMnu_ = nullptr;
    NodeDetailsWindow* xml_ = nullptr;
    SourceViewer* source_ = nullptr;
    // The entry point owns the text editor and may end it first.
    QPointer<TextEditorWindow> textEditor_;
    std::unique_ptr<TypedText> typedText_;
};
