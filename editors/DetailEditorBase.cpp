#include "editors/DetailEditorBase.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include "core/StringObject.h"
#include "document/Document.h"
#include "document/DocumentText.h"
#include "document/Selection.h"
#include "document/ShownData.h"
#include "widgets/Hints.h"
#include "document/UserQuestions.h"

namespace {

QPushButton* makeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    // Enter in a field must not press a button behind the user's back.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

DetailEditorBase::DetailEditorBase(const DetailEditorContext& context, corvantis::DOMNode* node,
                                   const DetailEditorDesign& design)
    : QDialog(nullptr),
      context_(context),
      placement_(this, design.placementPrefix, context.settings) {
    setWindowTitle(design.caption);
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    menu_ = menuBar->addMenu(design.menuTitle);

    auto* heading = new QLabel(design.heading, this);
    heading->setAlignment(Qt::AlignHCenter);

    grid_ = new DetailStringGrid(design.gridHeadings, design.columnWidths, 18);
    applyHint(grid_, design.gridHint);
    connect(grid_, &QTableWidget::cellClicked, this, [this] { rowChosen(); });
    connect(grid_, &QTableWidget::currentCellChanged, this, [this] { rowChosen(); });
    // The grid is laid out after the window's own resize: it fits its
    // columns once it has its width.
    grid_->installEventFilter(this);
    if (design.fitGridOnMouseRelease)
        connect(grid_, &DetailStringGrid::mouseReleased, this, [this] { fitGrid(); });

    auto* lowerPanel = new QWidget;
    auto* lowerLayout = new QVBoxLayout(lowerPanel);
    fieldsLayout_ = new QGridLayout;
    lowerLayout->addLayout(fieldsLayout_, 1);
    buttonRow_ = new QHBoxLayout;
    updateButton_ = makeButton("Update", lowerPanel);
    deleteButton_ = makeButton("Delete", lowerPanel);
    okButton_ = makeButton("OK", lowerPanel);
    buttonRow_->addWidget(updateButton_);
    buttonRow_->addWidget(deleteButton_);
    buttonRow_->addWidget(okButton_);
    buttonRow_->addStretch(1);
    lowerLayout->addLayout(buttonRow_);
    connect(updateButton_, &QPushButton::clicked, this, [this] { updateEntry(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { deleteEntry(); });
    connect(okButton_, &QPushButton::clicked, this, &DetailEditorBase::closeEditor);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(grid_);
    splitter->addWidget(lowerPanel);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({design.gridHeight, design.geometry.height() - design.gridHeight});

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->setMenuBar(menuBar);
    layout->addWidget(heading);
    layout->addWidget(splitter, 1);
    layout->addWidget(statusBar_);

    move(design.geometry.topLeft());
    resize(design.geometry.size());

    context_.selection.select(node);
    connect(&context_.selection, &Selection::currentNodeChanged, this, &DetailEditorBase::accept);
}

corvantis::DOMNode* DetailEditorBase::editedNode() const { return context_.selection.currentNode(); }

const DocumentText& DetailEditorBase::documentText() const { return context_.document.text(); }

void DetailEditorBase::closeEditor() { accept(); }

void DetailEditorBase::reject() { closeEditor(); }

void DetailEditorBase::orderTabStops() {
    // Arrow keys move within the grid, so Tab can leave it.
    grid_->setTabKeyNavigation(false);
    QWidget* previous = grid_;
    const auto chain = [&previous](QWidget* next) {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(next)) memo->setTabChangesFocus(true);
        setTabOrder(previous, next);
        previous = next;
    };
    for (int i = 0; i < fieldsLayout_->count(); ++i) {
        QWidget* field = fieldsLayout_->itemAt(i)->widget();
        if (field && field->focusPolicy() != Qt::NoFocus) chain(field);
    }
    for (int i = 0; i < buttonRow_->count(); ++i)
        if (QWidget* button = buttonRow_->itemAt(i)->widget()) chain(button);
}

void DetailEditorBase::startEditing() {
    orderTabStops();
    refresh();
    placement_.resetCount();
    placement_.load();
    if (context_.clearArea) placeClear(this, placement_.userPlaced(), context_.clearArea());
}

int DetailEditorBase::chosenRow() const { return grid_->currentRow() < 0 ? 0 : grid_->currentRow(); }

QPushButton* DetailEditorBase::addButtonBeforeOK(const QString& caption) {
    QPushButton* button = makeButton(caption, okButton_->parentWidget());
    buttonRow_->insertWidget(buttonRow_->indexOf(okButton_), button);
    return button;
}

void DetailEditorBase::refuse(const QString& text, const QString& caption) {
    context_.dialogs.message(text, caption, UserQuestions::Buttons::Ok);
}

void DetailEditorBase::refuseValue(const QString& text, const QString& value, const QString& caption,
                                   const QString& why) {
    // Enough to recognise the value; a whole paragraph would hide the message.
    const int shown = 80;
    const QString quoted = "\"" + (value.size() > shown ? value.left(shown) + "\u2026" : value) + "\"";
    refuse(text + " " + quoted + (why.isEmpty() ? QString() : "\n" + why), caption);
}

bool DetailEditorBase::reportUnstorable(const QString& text, const DocumentText& documentText) {
    context_.dialogs.message(documentText.unstorableMessage(text), "Text Error", UserQuestions::Buttons::Ok);
    return false;
}

bool DetailEditorBase::storable(const QString& text, corvantis::StringObject& bytes) {
    return documentText().toBytes(text, bytes) || reportUnstorable(text, documentText());
}

bool DetailEditorBase::storableMultiLine(const QString& text, corvantis::StringObject& bytes) {
    return documentText().toMultiLineBytes(text, bytes) || reportUnstorable(text, documentText());
}

bool DetailEditorBase::storableValue(const ShownData& shown, const QString& text, corvantis::StringObject& bytes) {
    // Every encoding takes any character here, as UTF-8 does.
    return shown.toData(text, ShownData::LineBreak::Lf, bytes) ||
           reportUnstorable(text, DocumentText(DocumentText::Encoding::Utf8));
}

bool DetailEditorBase::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        statusBar_->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

bool DetailEditorBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::Resize) fitGrid();
    return QDialog::eventFilter(watched, event);
}

void DetailEditorBase::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitGrid();
    placement_.resized();
}

void DetailEditorBase::fitGrid() { fitGridColumn(grid_, grid_->columnCount() - 1, grid_->width()); }

void DetailEditorBase::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    placement_.moved();
}
