#include "editors/NodeDetailsWindow.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <memory>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/Selection.h"
#include "editors/AttributesEditor.h"
#include "editors/CommentsEditor.h"
#include "editors/DetailRows.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/Docking.h"
#include "widgets/Hints.h"
#include "editors/ProcessingInstructionEditor.h"

namespace {

const QStringList attributeHeadings{"Name", "Value"};
const QStringList instructionHeadings{"PI Target", "PI Value"};
constexpr int rowHeight = 15;

// As wide as its caption needs, whatever the font.
QPushButton* makeEditButton(const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setFixedHeight(17);
    button->setMinimumWidth(button->sizeHint().width());
    return button;
}

QLabel* makeHeading(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

NodeDetailsWindow::NodeDetailsWindow(const DetailEditorContext& context, QWidget* parent)
    : QMainWindow(parent, Qt::Tool),
      context_(context),
      placement_(this, "XMLForm_", context.settings) {
    setWindowTitle("XML Attributes, Comments, Processing Instructions");

    attribGrid_ = new DetailStringGrid(attributeHeadings, {96, 126}, rowHeight);
    attribGrid_->setObjectName("AttribStringGrid");
    applyHint(
        attribGrid_,
        "Click Edit to Edit Attributes|click Edit Button to edit Attributes or select Edit menu option then "
        "Attributes to edit attributes");
    commentGrid_ = new DetailStringGrid({}, {389}, rowHeight);
    commentGrid_->setObjectName("CommentStringGrid");
    commentGrid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    piGrid_ = new DetailStringGrid(instructionHeadings, {94, 140}, rowHeight);
    piGrid_->setObjectName("PIStringGrid");

    attribButton_ = makeEditButton("Edit Attributes");
    commentButton_ = makeEditButton("Edit Comments");
    piButton_ = makeEditButton("Edit P.I.");
    connect(attribButton_, &QPushButton::clicked, this, &NodeDetailsWindow::editAttributes);
    connect(commentButton_, &QPushButton::clicked, this, &NodeDetailsWindow::editComments);
    connect(piButton_, &QPushButton::clicked, this, &NodeDetailsWindow::editInstructions);

    auto* panels = new QSplitter(Qt::Vertical);
    panels->setChildrenCollapsible(false);
    const QList<QLabel*> headings{makeHeading("Attributes"), makeHeading("Comments"),
                                  makeHeading("Processing Instructions")};
    panels->addWidget(makePanel(headings[0], attribButton_, attribGrid_));
    panels->addWidget(makePanel(headings[1], commentButton_, commentGrid_));
    panels->addWidget(makePanel(headings[2], piButton_, piGrid_));
    panels->setStretchFactor(2, 1);
    panels->setSizes({68, 52, 120});

    xmlPanel_ = new QWidget;
    xmlPanel_->setObjectName("XMLPanel");
    auto* panelLayout = new QVBoxLayout(xmlPanel_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(panels);
    xmlPanel_->installEventFilter(this);
    // The panel's home: a box the docking can take it from and bring it back to.
    auto* home = new QWidget;
    auto* homeLayout = new QVBoxLayout(home);
    homeLayout->setContentsMargins(0, 0, 0, 0);
    homeLayout->addWidget(xmlPanel_);
    setCentralWidget(home);
    panelDocking_ = new DockablePanel(xmlPanel_, {headings.begin(), headings.end()}, windowTitle());
    // Without its panel the window would stand empty.
    connect(panelDocking_, &DockablePanel::placeChanged, this,
            [this](DockablePanel::Place place) { setVisible(place == DockablePanel::Place::Home); });
    // Tab goes from each Edit button to its grid and on to the next button,
    // not from cell to cell.
    for (DetailStringGrid* grid : {attribGrid_, commentGrid_, piGrid_}) grid->setTabKeyNavigation(false);
    QWidget::setTabOrder(attribButton_, attribGrid_);
    QWidget::setTabOrder(attribGrid_, commentButton_);
    QWidget::setTabOrder(commentButton_, commentGrid_);
    QWidget::setTabOrder(commentGrid_, piButton_);
    QWidget::setTabOrder(piButton_, piGrid_);
    statusBar()->setSizeGripEnabled(false);

    QMenu* edit = menuBar()->addMenu("&Edit");
    edit->addAction("Edit &Attributes", this, &NodeDetailsWindow::editAttributes);
    edit->addAction("Edit &Comments", this, &NodeDetailsWindow::editComments);
    edit->addAction("Edit &Processing Instructions", this, &NodeDetailsWindow::editInstructions);
    edit->addSeparator();
    edit->addAction("&Close", this, &NodeDetailsWindow::hideWindow);

    // After a column border is dragged, the value column fills the rest.
    connect(attribGrid_, &DetailStringGrid::mouseReleased, this,
            [this] { fitGridColumn(attribGrid_, 1, attribGrid_->width()); });
    connect(piGrid_, &DetailStringGrid::mouseReleased, this,
            [this] { fitGridColumn(piGrid_, 1, piGrid_->width()); });

    // The grids follow every change to the node they show: an editor's
    // step, an undo or a redo.
    connect(&context_.selection, &Selection::currentNodeChanged, this,
            [this](corvantis::DOMNode* current) { showNode(current); });
    connect(&context_.document, &Document::detailsChanged, this, [this](corvantis::DOMNode* node) {
        if (node && node == context_.selection.currentNode()) showNode(node);
    });
    connect(&context_.document, &Document::stringsChanged, this,
            [this] { showNode(context_.selection.currentNode()); });
    connect(&context_.document, &Document::aboutToReplace, this, &NodeDetailsWindow::clearDetails);

    // Below the Text Editor, leaving its path panel in view.
    move(370, 240);
    resize(259, 268);
    placement_.resetCount();
    placement_.load();
}

QWidget* NodeDetailsWindow::makePanel(QLabel* heading, QPushButton* button, DetailStringGrid* grid) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* top = new QHBoxLayout;
    top->addWidget(button);
    top->addWidget(heading, 1);
    layout->addLayout(top);
    layout->addWidget(grid, 1);
    return panel;
}

void NodeDetailsWindow::showNode(const corvantis::DOMNode* node) {
    if (!node) {
        clearDetails();
        return;
    }
    const DocumentText& text = context_.document.text();
    commentGrid_->showRows(DetailRows::comments(*node, text));
    piGrid_->showRows(DetailRows::processingInstructions(*node, text));
    // The document node has no attributes of its own to show.
    attribGrid_->showRows(node->parentNode() ? DetailRows::attributes(*node, text)
                                             : std::vector<QStringList>{});
    writeGridHeadings();
}

void NodeDetailsWindow::clearDetails() {
    attribGrid_->showRows({});
    piGrid_->showRows({});
    commentGrid_->showRows({});
    writeGridHeadings();
}

void NodeDetailsWindow::writeGridHeadings() {
    attribGrid_->setHeadings(attributeHeadings);
    piGrid_->setHeadings(instructionHeadings);
}

template <class Editor>
void NodeDetailsWindow::runEditor(corvantis::DOMNode* node) {
    // Text typed for the node goes in first, as a step before the editor's.
    if (!context_.document.commitPendingEdits()) return;
    // Owned by this command, so it goes also when an error ends it.
    const auto editor = std::make_unique<Editor>(context_, node);
    editor->exec();
    emit editorClosed();
}

void NodeDetailsWindow::editAttributes() {
    corvantis::DOMNode* node = context_.selection.currentNode();
    if (node && node->parentNode()) runEditor<AttributesEditor>(node);
}

void NodeDetailsWindow::editComments() {
    if (corvantis::DOMNode* node = context_.selection.currentNode()) runEditor<CommentsEditor>(node);
}

void NodeDetailsWindow::editInstructions() {
    if (corvantis::DOMNode* node = context_.selection.currentNode()) runEditor<ProcessingInstructionEditor>(node);
}

void NodeDetailsWindow::setShown(bool shown) { panelDocking_->setWindowVisible(shown); }

bool NodeDetailsWindow::isShown() const { return xmlPanel_->isVisible(); }

void NodeDetailsWindow::hideWindow() {
    if (panelDocking_->place() == DockablePanel::Place::Home)
        close();
    else
        setShown(false);
}

void NodeDetailsWindow::closeEvent(QCloseEvent* event) {
    // Shown again later, the window's first resize is not stored.
    placement_.resetCount();
    QMainWindow::closeEvent(event);
}

void NodeDetailsWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    fitGridsToPanel();
    placement_.resized();
}

bool NodeDetailsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == xmlPanel_ && event->type() == QEvent::Resize) fitGridsToPanel();
    return QMainWindow::eventFilter(watched, event);
}

void NodeDetailsWindow::fitGridsToPanel() {
    fitGridColumn(attribGrid_, 1, xmlPanel_->width());
    fitGridColumn(piGrid_, 1, xmlPanel_->width());
    fitGridColumn(commentGrid_, 0, commentGrid_->width());
}

void NodeDetailsWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    placement_.moved();
}
