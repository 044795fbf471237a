// TVelmorant: the main window. It owns the one open document, shows it as a
// tree of folders, carries the menus and tool buttons every command starts
// from, keeps the user's settings and guards closing with an unsaved-changes
// prompt.
#pragma once

#include <memory>

#include <QMainWindow>
#include <QPointer>

#include "core/Dom.h"
#include "editing/DocumentChanges.h"
#include "editors/DocumentText.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsStore;
class TreeEditing;
class TreeImages;
class TTT;
class TXML;
class TXMLSource;
class UserDialogs;

class TVelmorant : public QMainWindow {
    Q_OBJECT
public:
    // Where the program keeps its help page and its example document; ends
    // with "/".
    static QString ProgramFolder();

    // `programFolder` empty: the folder of the running program.
    TVelmorant(SettingsStore& settings, UserDialogs& dialogs, const QString& programFolder = QString(),
               QWidget* parent = nullptr);
    // FormDestroy: the document, the tool windows, and a pending placement reset.
    ~TVelmorant() override;

    // The floating text editor, which the entry point creates after this window.
    void AttachTextEditor(TTT* textEditor);
    // The file named on the command line: the first activation opens it
    // instead of the remembered one. Empty: start as usual.
    void OpenAtStartup(const QString& file) { startupFile_ = file; }

    // State the commands share.
    const QString& CurrentFileName() const { return currentFileName_; }
    corvantis::DOM& Document() { return *document_; }
    corvantis::DOMNode* CurrentNode() const { return currentNode_; }
    bool TextChanged() const { return textChanged_; }
    bool DetailsChanged() const { return changes_.hasUnsavedChanges(); }
    bool NewFile() const { return newFile_; }
    bool PositionsReset() const { return positionsReset_; }
    int ResizeCount() const { return resizeCount_; }
    DocumentChanges& Changes() { return changes_; }
    const DocumentText& Text() const { return documentText_; }

    // The tree item's document node; null for none.
    static corvantis::DOMNode* NodeOf(const QTreeWidgetItem* item);
    // The node of the selected tree item, or null.
    corvantis::DOMNode* SelectedNode() const;

    // Controls, for the commands of other windows and for tests.
    QTreeWidget* TreeView() const { return treeView_; }
    QStatusBar* StatusBar1() const { return statusBar1_; }
    TXML* XML() const { return xml_; }
    TXMLSource* XMLSource() const { return source_; }
    TTT* TextEditor() const;
    QAction* Action(const QString& objectName) const;
    QToolButton* Button(const QString& objectName) const;
    QMenu* PopupMenu1() const { return popupMenu1_; }
    QMenu* InsertPopMenu() const { return insertPopMenu_; }
    QMenu* PastePopup() const { return pastePopup_; }
    // Marks the selected node's tree item ("the icons for copy and cut").
    QTreeWidgetItem* MarkedItem() const { return markedItem_; }
    int MarkMode() const { return markMode_; }
    // Image and selected image of a tree item: 0/2, or the mark's pair.
    std::pair<int, int> TreeViewGetImageIndex(const QTreeWidgetItem* item) const;

    // For the tree-editing commands: a tree item for `node`, captioned with
    // its name, not yet in the tree.
    QTreeWidgetItem* NewTreeItem(corvantis::DOMNode* node) const;
    // No node is current: it is about to be destroyed.
    void ForgetCurrentNode();
    // `mode` 4 marks `item` for cut, 5 for copy; 0 (or no item) removes the mark.
    void SetMark(QTreeWidgetItem* item, int mode);

public slots:
    // File
    void NewMnuClick();
    void OpenMnuClick();
    // True when the document was written (for the close prompt).
    bool SaveMnuClick();
    bool SaveAsMnuClick();
    void ExitMnuClick();
    // Edit
    void RefreshMnuClick();
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

    // The tree view and the node details.
    void BuildTree();
    void TreeViewClick();
    void ClearDetails();
    // Puts the text typed in the text frame into the current node. False when
    // it cannot be stored (a character the document's encoding cannot hold);
    // the user has been told and the typed text stays in the frame.
    bool StoreEditedText();
    // A cut mark ends; a copy mark stays.
    void DropCutMark();

    // The first activation loads the remembered file (once per run).
    void FormActivate();

signals:
    // The window closed for good; the program ends.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void createMenus();
    void createToolButtons();
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& caption);
    void TreeViewChanging(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void TreeViewContextPopup(const QPoint& position);
    void showFileError();
    void showPathOf(const QTreeWidgetItem* item);
    void applyXmlEditorOption();
    // A file the user named at start-up must be there: one that cannot be
    // opened is reported, a remembered one that has gone is not.
    void loadStartupFile(bool namedByUser);
    // Empties the tree view before the nodes its items refer to are destroyed.
    void clearTreeView();
    void replaceDocumentByNew();
    void setDocumentNodeName(const QString& name);
    void setTextFrameEditable();

    SettingsStore& settings_;
    UserDialogs& dialogs_;
    QString programFolder_;

    std::unique_ptr<corvantis::DOM> document_;
    DocumentChanges changes_;
    DocumentText documentText_;
    QString currentFileName_;
    QString startupFile_;
    corvantis::DOMNode* currentNode_ = nullptr;
    QTreeWidgetItem* currentItem_ = nullptr;  // the tree item of currentNode_
    bool textChanged_ = false;
    bool newFile_ = false;
    bool activated_ = false;
    bool positionsReset_ = false;
    int resizeCount_ = 0;
    bool treeChanging_ = false;  // items are being removed: no node lookups
    QTreeWidgetItem* markedItem_ = nullptr;
    int markMode_ = 0;

    std::unique_ptr<TreeImages> images_;
    QTreeWidget* treeView_ = nullptr;
    QStatusBar* statusBar1_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QMenu* insertPopMenu_ = nullptr;
    QMenu* pastePopup_ = nullptr;
    QAction* useAsXMLEditorMnu_ = nullptr;
    QAction* viewSourceMnu_ = nullptr;
    QAction* rememberFileNameMnu_ = nullptr;
    TXML* xml_ = nullptr;
    TXMLSource* source_ = nullptr;
    // The entry point owns the text editor and may end it first.
    QPointer<TTT> textEditor_;
    TreeEditing* editing_ = nullptr;
};
