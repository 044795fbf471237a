// NodeDetailsWindow: the node details window. A non-modal tool window beside the main
// window that shows the attributes, comments and processing instructions of
// the node selected in the tree, and opens the modal editor for each.
//
// The window holds no document data: the grids show the selected folder and
// follow the selection and every change to what they show.
#pragma once

#include <QMainWindow>

#include "editors/DetailEditorContext.h"
#include "widgets/WindowPlacement.h"

class DetailStringGrid;
class DockablePanel;
class QCloseEvent;
class QLabel;
class QPushButton;
class QResizeEvent;
class QWidget;

namespace corvantis {
class DOMNode;
}

class NodeDetailsWindow : public QMainWindow {
    Q_OBJECT
public:
    // Loads the placement "XMLForm_". The window starts hidden; the main
    // window shows or hides it by its "Use As XML Editor" option.
    explicit NodeDetailsWindow(const DetailEditorContext& context, QWidget* parent = nullptr);

    // Fills the three grids from `node`: one row per attribute, per COMMENT
    // child and per PROCESSING_INSTRUCTION child (direct children only), one
    // empty row in a grid with nothing to show. The document node shows no
    // attributes. Null shows what ClearDetails shows.
    void showNode(const corvantis::DOMNode* node);
    // Resets the grids to their headings and one empty row each.
    void clearDetails();
    // Rewrites "Name", "Value", "PI Target", "PI Value"; the main window calls
    // this from its own resize handler.
    void writeGridHeadings();

    DetailStringGrid* attributesGrid() const { return attribGrid_; }
    DetailStringGrid* commentsGrid() const { return commentGrid_; }
    DetailStringGrid* instructionsGrid() const { return piGrid_; }
    QWidget* panel() const { return xmlPanel_; }
    // The details can leave this window: docked into the main window or
    // floating; dragged by their headings.
    DockablePanel* panelDocking() const { return panelDocking_; }
    // Shows or hides the details wherever they are; this window stands
    // shown only while it holds them.
    void setShown(bool shown);
    bool isShown() const;
    QPushButton* editAttributesButton() const { return attribButton_; }
    QPushButton* editCommentsButton() const { return commentButton_; }
    QPushButton* editInstructionsButton() const { return piButton_; }
    int resizeCount() const { return placement_.resizeCount(); }

public slots:
    // Each opens its modal editor for the selected node, waits for it to
    // close and then emits EditorClosed. Edit Attributes does nothing for
    // the document node; none of them does anything without a selection.
    void editAttributes();
    void editComments();
    void editInstructions();
    // Menu "Close": hides the details; the object lives on.
    void hideWindow();

signals:
    // An editor opened from this window has closed (after any changes it
    // made). The main window connects this to TreeViewClick, which refills
    // the grids and shows or hides this window by its option.
    void editorClosed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One panel of XMLPanel: a heading with its edit button over the left
    // end, and the grid below.
    QWidget* makePanel(QLabel* heading, QPushButton* button, DetailStringGrid* grid);
    template <class Editor>
    void runEditor(corvantis::DOMNode* node);
    void fitGridsToPanel();

    DetailEditorContext context_;
    WindowPlacement placement_;
    QWidget* xmlPanel_ = nullptr;
    DockablePanel* panelDocking_ = nullptr;
    DetailStringGrid* attribGrid_ = nullptr;
    DetailStringGrid* commentGrid_ = nullptr;
    DetailStringGrid* piGrid_ = nullptr;
    QPushButton* attribButton_ = nullptr;
    QPushButton* commentButton_ = nullptr;
    QPushButton* piButton_ = nullptr;
};
