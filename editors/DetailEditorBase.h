// The frame the three modal node editors share: a menu, a centred heading,
// the grid that lists what the node holds, a splitter, a lower panel with the
// editor's own fields above its row of buttons, and a status bar with the
// long hint of the control under the mouse. The editor works on the
// selected folder (EditedNode); each Update or Delete is one undoable step
// of the document's history, and OK only closes it. It keeps its own
// placement and fits its grid's last column to the grid on every resize.
// Should another folder become the selected one (its folder left the
// document, or the document was read again), the editor closes.
#pragma once

#include <QDialog>
#include <QRect>
#include <QStringList>
#include <vector>

#include "editors/DetailEditorContext.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/WindowPlacement.h"

class QGridLayout;
class QHBoxLayout;
class QMenu;
class QPushButton;
class QStatusBar;
class Document;
class DocumentText;
class ShownData;

namespace corvantis {
class DOMNode;
class StringObject;
}  // namespace corvantis

// How one editor looks when it has been built, before its placement is read.
struct DetailEditorDesign {
    QString caption;
    QString heading;
    QString menuTitle;
    QString placementPrefix;
    QRect geometry;            // design-time left, top, width, height
    QStringList gridHeadings;  // empty: no heading row
    std::vector<int> columnWidths;
    int gridHeight = 0;
    QString gridHint;  // "short|long"; empty: none
    // Refit the last column when a mouse button is released over the grid,
    // e.g. after the user dragged a column border.
    bool fitGridOnMouseRelease = false;
};

class DetailEditorBase : public QDialog {
    Q_OBJECT
public:
    corvantis::DOMNode* editedNode() const;
    DetailStringGrid* grid() const { return grid_; }
    QPushButton* updateButton() const { return updateButton_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    QPushButton* okButton() const { return okButton_; }
    QMenu* commandMenu() const { return menu_; }
    QStatusBar* statusBar() const { return statusBar_; }
    int resizeCount() const { return placement_.resizeCount(); }

public slots:
    virtual void updateEntry() = 0;
    virtual void deleteEntry() = 0;
    // Refills the grid from EditedNode.
    virtual void refresh() = 0;
    void closeEditor();
    // Escape and the window's close button close the editor as OK does:
    // there is nothing to cancel, every change is already in the document.
    void reject() override;

protected:
    // Selects `node`, the folder it edits.
    DetailEditorBase(const DetailEditorContext& context, corvantis::DOMNode* node,
                     const DetailEditorDesign& design);

    // The last step of every editor's constructor, once its fields exist:
    // fill the grid, then take the stored placement.
    void startEditing();

    // The user chose a row of the grid (by mouse or keyboard).
    virtual void rowChosen() = 0;
    // The row the user chose; the first row when none is chosen.
    int chosenRow() const;

    // The editor's labels and fields, laid out above the buttons.
    QGridLayout* fieldsLayout() const { return fieldsLayout_; }
    // Buttons beyond Update and Delete go before OK.
    QPushButton* addButtonBeforeOK(const QString& caption);

    const DocumentText& documentText() const;
    Document& document() const { return context_.document; }
    // A refusal: the document stays as it is.
    void refuse(const QString& text, const QString& caption);
    // The refusal of `value`: `text` ends in a colon, after which the value
    // stands in quotes (shortened when long); `why`, when given, follows on
    // a line of its own.
    void refuseValue(const QString& text, const QString& value, const QString& caption,
                     const QString& why = QString());
    // The bytes of a field's text in the document's encoding. False, after
    // telling the user which characters it cannot store, when there are any.
    bool storable(const QString& text, corvantis::StringObject& bytes);
    bool storableMultiLine(const QString& text, corvantis::StringObject& bytes);
    // The character data of a field showing `shown` (an attribute value): any
    // character goes, only half a surrogate pair is told and refused.
    bool storableValue(const ShownData& shown, const QString& text, corvantis::StringObject& bytes);

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void fitGrid();
    // Tab goes from the grid through the editor's fields to its buttons, in
    // the order they are shown; Tab in a multi-line field moves on as well.
    void orderTabStops();
    bool reportUnstorable(const QString& text, const DocumentText& documentText);

    DetailEditorContext context_;
    WindowPlacement placement_;
    QMenu* menu_ = nullptr;
    DetailStringGrid* grid_ = nullptr;
    QGridLayout* fieldsLayout_ = nullptr;
    QHBoxLayout* buttonRow_ = nullptr;
    QPushButton* updateButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
};
