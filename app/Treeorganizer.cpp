#include "app/Treeorganizer.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>

#include "app/AboutBox.h"
#include "core/Functions.h"
#include "app/SettingsStore.h"
#include "app/Shell.h"
#include "app/Shortcuts.h"
#include "app/TreeImages.h"
#include "editing/Docking.h"
#include "editing/SourceCommands.h"
#include "editing/Texteditor.h"
#include "editing/Placement.h"
#include "editing/TreeEditing.h"
#include "editing/Textframedocker.h"
#include "editors/DetailEditorContext.h"
#include "editors/Hints.h"
#include "editors/SaveAs.h"
#include "editors/SaveFile.h"
#include "editors/Showsource.h"
#include "editors/UserDialogs.h"
#include "editors/WindowPlacement.h"
#include "editors/Xmlform.h"

using corvantis::DOM;
using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

const char* const FileErrorText = "Can't perform one of the following file operations: Open, Seek, Read, Close.";
const char* const NewDocumentName = "My FileName";
const char* const NewDeclaration = "version = \"1.0\" encoding=\"ISO-8859-1\"";
const char* const NoFileOpened = "No File Opened";
// Recognises the first start of the program for this user.
const char* const FirstStartDone = "FirstStartDone";

// A tree item tied to the document node it shows.
class DocumentTreeItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;
    DocumentTreeItem(DOMNode* node, const QString& caption) : QTreeWidgetItem(Type), node_(node) {
        setText(0, caption);
        setFlags(flags() | Qt::ItemIsEditable);
    }
    DOMNode* node() const { return node_; }

private:
    DOMNode* node_;
};

// Draws each item with the image pair the main window gives it, so items
// store no icon of their own.
class TreeImageDelegate : public QStyledItemDelegate {
public:
    TreeImageDelegate(const TVelmorant* window, const TreeImages& images, QObject* parent)
        : QStyledItemDelegate(parent),
          window_(window),
          icons_{images.icon(0, 2), images.icon(4, 5), images.icon(6, 7)} {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* tree = static_cast<const QTreeWidget*>(option->widget);
        const QTreeWidgetItem* item = tree ? tree->itemFromIndex(index) : nullptr;
        const int image = window_->TreeViewGetImageIndex(item).first;
        option->icon = image == 4 ? icons_[1] : image == 6 ? icons_[2] : icons_[0];
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = QSize(16, 16);
    }

private:
    const TVelmorant* window_;
    QIcon icons_[3];
};

enum class ReadResult { Read, CannotOpen, CannotRead };

ReadResult readWholeFile(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return ReadResult::CannotOpen;
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return ReadResult::CannotRead;
    return ReadResult::Read;
}

}  // namespace

QString TVelmorant::ProgramFolder() {
    const StringObject folder =
        corvantis::ExtractDirectory(StringObject(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()));
    return QFile::decodeName(QByteArray(folder.data(), static_cast<qsizetype>(folder.length())));
}

TVelmorant::TVelmorant(SettingsStore& settings, UserDialogs& dialogs, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      dialogs_(dialogs),
      programFolder_(programFolder.isEmpty() ? ProgramFolder() : programFolder),
      document_(std::make_unique<DOM>("Corvantis")),
      images_(std::make_unique<TreeImages>()) {
    setObjectName("Velmorant");
    setWindowTitle("Corvantis (XML Editor) Personal Organiser");
    setWindowIcon(QIcon(images_->image(2)));
    setDockNestingEnabled(true);
    createControls();
    // The text frame and its file and path panel can be docked in here.
    new DockSite(this);
    createMenus();
    createToolButtons();
    move(5, 2);
    resize(324, 439);

    currentFileName_ = settings_.readText("MyFileName", currentFileName_);
    useAsXMLEditorMnu_->setChecked(settings_.readBool("UseAsXML", false));
    rememberFileNameMnu_->setChecked(settings_.readBool("RememberFileName", rememberFileNameMnu_->isChecked()));
    if (!settings_.contains(FirstStartDone)) {
        currentFileName_ = programFolder_ + "Example.xml";
        settings_.writeText("MyFileName", currentFileName_);
        settings_.writeBool(FirstStartDone, true);
    }
    WindowPlacement(this, "Organiser_", settings_).load();

    xml_ = new TXML(DetailEditorContext{changes_, dialogs_, settings_, documentText_}, [this] { return SelectedNode(); });
    connect(xml_, &TXML::EditorClosed, this, &TVelmorant::TreeViewClick);
    editing_ = new TreeEditing(*this, dialogs_);
    source_ = new TXMLSource(settings_, dialogs_, documentText_, programFolder_);
    (new SourceCommands(*this, dialogs_, *source_))->attach();
    applyXmlEditorOption();
}

TVelmorant::~TVelmorant() {
    clearTreeView();
    document_.reset();
    delete xml_;
    xml_ = nullptr;
    delete source_;
    source_ = nullptr;
    if (positionsReset_) forgetStoredPlacements(settings_);
}

TTT* TVelmorant::TextEditor() const { return textEditor_; }

void TVelmorant::AttachTextEditor(TTT* textEditor) {
    textEditor_ = textEditor;
    connect(textEditor_, &TTT::TextTyped, this, [this] {
        textChanged_ = true;
        changes_.markUnsaved();
    });
    setTextFrameEditable();
    applyShortcuts(*this);
}

void TVelmorant::createControls() {
    // The tool panel keeps its height, so the splitter below it only marks
    // its edge. Panels docked in the window get the toolkit's own splitter.
    auto* central = new QSplitter(Qt::Vertical, this);
    central->setHandleWidth(5);
    central->setChildrenCollapsible(false);

    auto* panel1 = new QWidget(central);
    panel1->setObjectName("Panel1");
    panel1->setFixedHeight(33);
    central->addWidget(panel1);

    treeView_ = new QTreeWidget(central);
    treeView_->setObjectName("TreeView");
    treeView_->setHeaderHidden(true);
    treeView_->setColumnCount(1);
    treeView_->setIndentation(19);
    treeView_->setUniformRowHeights(true);
    treeView_->setIconSize(QSize(16, 16));
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    treeView_->setItemDelegate(new TreeImageDelegate(this, *images_, treeView_));
    treeView_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    treeView_->header()->setStretchLastSection(false);
    applyHint(treeView_, "|An XML Tree of fields can be edited");
    central->addWidget(treeView_);
    central->setStretchFactor(1, 1);
    central->handle(1)->setObjectName("Splitter1");
    setCentralWidget(central);

    statusBar1_ = new QStatusBar(this);
    statusBar1_->setObjectName("StatusBar1");
    statusBar1_->setAutoFillBackground(true);
    QPalette palette = statusBar1_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    statusBar1_->setPalette(palette);
    setStatusBar(statusBar1_);

    connect(treeView_, &QTreeWidget::itemClicked, this, &TVelmorant::TreeViewClick);
    connect(treeView_, &QTreeWidget::currentItemChanged, this, &TVelmorant::TreeViewChanging);
    connect(treeView_, &QTreeWidget::customContextMenuRequested, this, &TVelmorant::TreeViewContextPopup);
}

QAction* TVelmorant::addCommand(QMenu* menu, const QString& objectName, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    return action;
}

void TVelmorant::createMenus() {
    // The commands of the tree-editing, insert-from-file and source-viewer
    // work are present with their captions; their handlers join later.
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("FileMnu");
    connect(addCommand(file, "OpenMnu", "&Open"), &QAction::triggered, this, &TVelmorant::OpenMnuClick);
    connect(addCommand(file, "NewMnu", "&New"), &QAction::triggered, this, &TVelmorant::NewMnuClick);
    connect(addCommand(file, "SaveMnu", "Save"), &QAction::triggered, this, &TVelmorant::SaveMnuClick);
    connect(addCommand(file, "SaveAsMnu", "Save As"), &QAction::triggered, this, &TVelmorant::SaveAsMnuClick);
    file->addSeparator();
    connect(addCommand(file, "ExitMnu", "Exit"), &QAction::triggered, this, &TVelmorant::ExitMnuClick);

    QMenu* edit = menuBar()->addMenu("Edit");
    edit->setObjectName("EditMnu");
    QMenu* add = edit->addMenu("Add");
    add->setObjectName("AddMnu");
    addCommand(add, "BeforeMnu", "Before");
    addCommand(add, "AtEndMnu", "At End");
    addCommand(add, "UnderMnu", "Under");
    addCommand(edit, "DeleteMnu", "Delete");
    addCommand(edit, "Copy1", "Copy");
    addCommand(edit, "Cot1", "Cut");
    QMenu* paste = edit->addMenu("Paste");
    paste->setObjectName("PasteMnu");
    addCommand(paste, "Before3", "Before");
    addCommand(paste, "AtEnd3", "At End");
    addCommand(paste, "Under3", "Under");
    edit->addSeparator();
    addCommand(edit, "EditNodeNameMnu", "Edit Node Name");
    connect(addCommand(edit, "RefreshMnu", "Refresh"), &QAction::triggered, this, &TVelmorant::RefreshMnuClick);

    QMenu* options = menuBar()->addMenu("Options");
    options->setObjectName("OptionsMnu");
    options->setToolTipsVisible(true);
    useAsXMLEditorMnu_ = addCommand(options, "UseAsXMLEditorMnu", "Use As XML Editor");
    useAsXMLEditorMnu_->setCheckable(true);
    connect(useAsXMLEditorMnu_, &QAction::triggered, this, &TVelmorant::UseAsXMLEditorMnuClick);
    viewSourceMnu_ = addCommand(options, "ViewSourceMnu", "View Source");
    connect(viewSourceMnu_, &QAction::triggered, this, &TVelmorant::ViewSourceMnuClick);
    rememberFileNameMnu_ = addCommand(options, "RememberFileNameMnu", "Remember File Name");
    rememberFileNameMnu_->setCheckable(true);
    rememberFileNameMnu_->setChecked(true);
    connect(rememberFileNameMnu_, &QAction::triggered, this, &TVelmorant::RememberFileNameMnuClick);
    QAction* reset = addCommand(options, "ResetPositionsMnu", "Reset Memory  of Screen Positions");
    applyHint(reset, "Restart will be at default|All windows will be at default locations when the program is restarted");
    connect(reset, &QAction::triggered, this, &TVelmorant::ResetPositionsMnuClick);
    addCommand(options, "InsertFromFile1", "Insert From File");
    addCommand(options, "SaveToShowSource1", "Save To Show Source");

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("HelpMenu");
    connect(addCommand(help, "AboutMnu", "&About"), &QAction::triggered, this, &TVelmorant::AboutMnuClick);
    connect(addCommand(help, "HelpMnu", "&Help"), &QAction::triggered, this, &TVelmorant::HelpMnuClick);

    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName("PopupMenu1");
    popupMenu1_->setToolTipsVisible(true);
    QMenu* insert = popupMenu1_->addMenu("Insert New Node");
    insert->setObjectName("InsertNewNodePOPMnu");
    addCommand(insert, "BeforePOPMnu", "&Before");
    addCommand(insert, "AtEndPOPMnu", "&At End");
    addCommand(insert, "UnderPOPMnu", "&Under");
    addCommand(popupMenu1_, "DeletePOPMnu", "Delete Node");
    popupMenu1_->addSeparator();
    addCommand(popupMenu1_, "EditNodeNamePOPMnu", "Edit Node Name");
    applyHint(addCommand(popupMenu1_, "CopyPOPMnu", "Copy Tree"),
              "Mark Node then Paste Copy|Select Node to Copy then Paste to where node should go");
    applyHint(addCommand(popupMenu1_, "CutPOPMnu", "Cut Tree"),
              "Mark Node then Paste Move to|Select Node to be moved then paste it to where you want it to go");
    QMenu* pasteTree = popupMenu1_->addMenu("Paste Tree");
    pasteTree->setObjectName("PasteTreePOPMnu");
    pasteTree->menuAction()->setObjectName("PasteTreePOPMnuItem");
    applyHint(pasteTree->menuAction(), "Moves or Copies Nodes|Moves or copies selected nodes to another Node");
    addCommand(pasteTree, "Before2", "Before");
    addCommand(pasteTree, "AtEnd2", "At End");
    addCommand(pasteTree, "Under2", "Under");
    popupMenu1_->addSeparator();
    addCommand(popupMenu1_, "InsertFromFileMnu", "Insert From File");
    addCommand(popupMenu1_, "SaveToViewMnu", "Save To Show Source");

    insertPopMenu_ = new QMenu(this);
    insertPopMenu_->setObjectName("InsertPopMenu");
    addCommand(insertPopMenu_, "InsertBeforeMnu", "&Before");
    addCommand(insertPopMenu_, "InsertAtEndMnu", "&At End");
    addCommand(insertPopMenu_, "InsertUnderMnu", "&Under");

    pastePopup_ = new QMenu(this);
    pastePopup_->setObjectName("PastePopup");
    addCommand(pastePopup_, "PasteBeforeMnu", "&Before");
    addCommand(pastePopup_, "PasteAtEndMnu", "&At End");
    addCommand(pastePopup_, "PasteUnderMnu", "&Under");
}

void TVelmorant::createToolButtons() {
    auto* panel1 = findChild<QWidget*>("Panel1");
    struct ButtonSpec {
        const char* name;
        const char* hint;
        QIcon icon;
    };
    QStyle* style = this->style();
    const ButtonSpec buttons[] = {
        {"TreeExpandSpeed", "Expand the Tree fully|Expands the tree of Keys fully", style->standardIcon(QStyle::SP_ArrowDown)},
        {"TreeCollapseSpeed", "Collapse the tree|The tree collapses down to only 1 Key, the Root Key",
         style->standardIcon(QStyle::SP_ArrowUp)},
        {"ExitSpeedButton", "Close and Exit Corvantis", style->standardIcon(QStyle::SP_DialogCloseButton)},
        {"SpeedButton1", "Insert node ", style->standardIcon(QStyle::SP_FileDialogNewFolder)},
        {"SpeedButton4", "mark a Node for Copy then Past to selected Node", QIcon(images_->image(4))},
        {"SpeedButton5", "Mark a Node for Cut, then past to selected Node", QIcon(images_->image(6))},
        {"PasteButton", "Paste Selected Node To Selected Node", style->standardIcon(QStyle::SP_DialogApplyButton)},
        {"LoadFromFileButton", "Load an XML File to this node}Open and parse an XML File into this node",
         style->standardIcon(QStyle::SP_DialogOpenButton)},
        {"SaveToViewButton",
         "Save this Tree as XML text to Show Source|Unparse selected subtree into Show Source and then save as file "
         "from there",
         style->standardIcon(QStyle::SP_FileDialogDetailedView)},
    };
    int left = 2;
    for (const ButtonSpec& spec : buttons) {
        auto* button = new QToolButton(panel1);
        button->setObjectName(spec.name);
        button->setGeometry(left, 5, 23, 22);
        button->setIcon(spec.icon);
        button->setAutoRaise(true);
        applyHint(button, spec.hint);
        left += 23;
    }
    connect(Button("TreeExpandSpeed"), &QToolButton::clicked, this, &TVelmorant::TreeExpandSpeedClick);
    connect(Button("TreeCollapseSpeed"), &QToolButton::clicked, this, &TVelmorant::TreeCollapseSpeedClick);
    connect(Button("ExitSpeedButton"), &QToolButton::clicked, this, &TVelmorant::ExitMnuClick);
}

QAction* TVelmorant::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

QToolButton* TVelmorant::Button(const QString& objectName) const { return findChild<QToolButton*>(objectName); }

// ---- State shared with the node details ----

DOMNode* TVelmorant::NodeOf(const QTreeWidgetItem* item) {
    if (!item || item->type() != DocumentTreeItem::Type) return nullptr;
    return static_cast<const DocumentTreeItem*>(item)->node();
}

DOMNode* TVelmorant::SelectedNode() const { return treeChanging_ ? nullptr : NodeOf(treeView_->currentItem()); }

std::pair<int, int> TVelmorant::TreeViewGetImageIndex(const QTreeWidgetItem* item) const {
    if (item && item == markedItem_) {
        if (markMode_ == 5) return {4, 5};
        if (markMode_ == 4) return {6, 7};
    }
    return {0, 2};
}

QTreeWidgetItem* TVelmorant::NewTreeItem(DOMNode* node) const {
    return new DocumentTreeItem(node, documentText_.toText(node->nodeName()));
}

void TVelmorant::ForgetCurrentNode() {
    currentNode_ = nullptr;
    currentItem_ = nullptr;
}

void TVelmorant::SetMark(QTreeWidgetItem* item, int mode) {
    markedItem_ = mode ? item : nullptr;
    markMode_ = item ? mode : 0;
}

void TVelmorant::DropCutMark() {
    if (markMode_ == 4) {
        markedItem_ = nullptr;
        markMode_ = 0;
    }
    treeView_->viewport()->update();
}

void TVelmorant::setTextFrameEditable() {
    if (!textEditor_) return;
    // Only an element has text of its own to edit.
    textEditor_->TT()->TextMemo()->setReadOnly(!currentNode_ || !currentNode_->parentNode());
}

// ---- Start-up, options, help, close ----

bool TVelmorant::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(event);
}

void TVelmorant::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Not every desktop activates a new window; the start-up load must run anyway.
    if (!activated_) QMetaObject::invokeMethod(this, &TVelmorant::FormActivate, Qt::QueuedConnection);
}

void TVelmorant::FormActivate() {
    if (activated_) return;
    activated_ = true;
    const bool fileNamed = !startupFile_.isEmpty();
    if (fileNamed) currentFileName_ = startupFile_;
    if (textEditor_) {
        textEditor_->showFrame();
        textEditor_->TT()->FileNameLabel()->setText(currentFileName_);
    }
    if (!fileNamed && (currentFileName_.isEmpty() || !rememberFileNameMnu_->isChecked())) {
        NewMnuClick();
        if (textEditor_) textEditor_->TT()->FileNameLabel()->setText(NoFileOpened);
        return;
    }
    loadStartupFile(fileNamed);
}

void TVelmorant::applyXmlEditorOption() {
    const bool use = useAsXMLEditorMnu_->isChecked();
    if (xml_) xml_->setVisible(use);
    viewSourceMnu_->setVisible(use);
}

void TVelmorant::UseAsXMLEditorMnuClick() {
    // The action toggles its own check mark before it triggers.
    settings_.writeBool("UseAsXML", useAsXMLEditorMnu_->isChecked());
    applyXmlEditorOption();
}

void TVelmorant::RememberFileNameMnuClick() {
    settings_.writeBool("RememberFileName", rememberFileNameMnu_->isChecked());
}

void TVelmorant::ViewSourceMnuClick() {
    if (!StoreEditedText()) return;
    source_->ShowText(document_->serialize(document_->documentNode()));
}

void TVelmorant::ResetPositionsMnuClick() {
    positionsReset_ = true;
    forgetStoredPlacements(settings_);
}

void TVelmorant::ExitMnuClick() { close(); }

void TVelmorant::AboutMnuClick() {
    TAboutBox about(this);
    about.exec();
}

void TVelmorant::HelpMnuClick() {
    if (!RunProgram(programFolder_ + "CorvantisHelp.htm"))
        dialogs_.inform(this, "CorvantisHelp.htm is missing from program path", "File Error");
}

void TVelmorant::closeEvent(QCloseEvent* event) {
    if (DetailsChanged()) {
        switch (dialogs_.message(this, "File details have changed Save Changes?", "Details have changed",
                                 UserDialogs::Buttons::YesNoCancel)) {
            case UserDialogs::Answer::Yes:
                // The changes must not be lost: a save that did not happen keeps the window open.
                if (!SaveMnuClick()) {
                    event->ignore();
                    return;
                }
                break;
            case UserDialogs::Answer::No: break;
            default: event->ignore(); return;
        }
    }
    event->accept();
    if (textEditor_) textEditor_->hide();
    if (xml_) xml_->hide();
    if (source_) source_->hide();
    emit Closed();
}

void TVelmorant::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!positionsReset_) {
        ++resizeCount_;
        if (resizeCount_ > 1) WindowPlacement(this, "Organiser_", settings_).store();
    }
    if (xml_) xml_->WriteGridHeadings();
}

// ---- Tree view ----

void TVelmorant::clearTreeView() {
    treeChanging_ = true;
    currentItem_ = nullptr;
    markedItem_ = nullptr;
    markMode_ = 0;
    // The view's own clear resets its model in one step, which is much faster
    // for a big tree, but frees the items recursively: a very deep tree is
    // freed item by item instead.
    if (placement::deepestLevel(treeView_) <= placement::DeepestExpandedLevel) {
        // A name being edited is dropped, not stored, as when its item is
        // taken out of the tree.
        const QSignalBlocker quiet(treeView_->selectionModel());
        treeView_->clear();
    }
    else
        while (treeView_->topLevelItemCount() > 0) placement::deleteItemTree(treeView_->takeTopLevelItem(0));
    treeChanging_ = false;
}

void TVelmorant::BuildTree() {
    treeView_->setUpdatesEnabled(false);
    ClearDetails();
    clearTreeView();

    // Depth first with an explicit stack: children are pushed last first, so
    // each is appended to its parent in document order.
    DOMNode* documentNode = document_->documentNode();
    auto* top = new DocumentTreeItem(documentNode, documentText_.toText(documentNode->nodeName()));
    struct Pending {
        DOMNode* node;
        QTreeWidgetItem* item;
        int level;
    };
    std::vector<Pending> pending{{documentNode, top, 0}};
    int deepest = 0;
    std::vector<DOMNode*> elements;
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, next.level);
        elements.clear();
        const int count = next.node->childCount();
        for (int i = 0; i < count; ++i) {
            DOMNode* child = next.node->childAt(i);
            if (child && child->nodeType() == corvantis::ELEMENT) elements.push_back(child);
        }
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(elements.size()));
        for (DOMNode* child : elements) items.append(new DocumentTreeItem(child, documentText_.toText(child->nodeName())));
        if (items.isEmpty()) placement::markLeaf(next.item);
        next.item->addChildren(items);
        for (std::size_t i = elements.size(); i-- > 0;) {
            if (elements[i]->childCount() > 0)
                pending.push_back({elements[i], items.at(static_cast<qsizetype>(i)), next.level + 1});
            else
                placement::markLeaf(items.at(static_cast<qsizetype>(i)));
        }
    }
    treeChanging_ = true;  // adding the top item may move the current item
    treeView_->addTopLevelItem(top);
    treeChanging_ = false;

    placement::expandTree(treeView_, deepest);
    if (xml_) xml_->WriteGridHeadings();
    treeView_->setUpdatesEnabled(true);
}

void TVelmorant::TreeExpandSpeedClick() { placement::expandTree(treeView_, placement::deepestLevel(treeView_)); }

void TVelmorant::TreeCollapseSpeedClick() { treeView_->collapseAll(); }

void TVelmorant::RefreshMnuClick() {
    DropCutMark();
    BuildTree();
}

void TVelmorant::showPathOf(const QTreeWidgetItem* item) {
    if (!textEditor_) return;
    const DOMNode* node = NodeOf(item);
    textEditor_->TT()->PathLabel()->setText(node ? documentText_.toText(node->path()) : QString());
}

void TVelmorant::TreeViewChanging(QTreeWidgetItem* /*current*/, QTreeWidgetItem* previous) {
    // While items are being removed their nodes may already be gone.
    if (treeChanging_) return;
    showPathOf(previous);
}

void TVelmorant::TreeViewContextPopup(const QPoint& position) {
    showPathOf(treeView_->currentItem());
    popupMenu1_->popup(treeView_->viewport()->mapToGlobal(position));
}

// ---- Node details ----

bool TVelmorant::StoreEditedText() {
    // The document node has no text of its own: text put into it would land
    // before the XML declaration.
    if (!textChanged_ || !currentNode_ || !currentNode_->parentNode() || !textEditor_) return true;
    const QString typed = textEditor_->TT()->TextMemo()->toPlainText();
    StringObject bytes;
    if (!documentText_.toMultiLineBytes(typed, bytes)) {
        dialogs_.inform(this, documentText_.unstorableMessage(typed), "Text Error");
        return false;
    }
    DOMNode* node = currentNode_;
    changes_.apply([&] { node->setText(bytes, 0); });
    return true;
}

void TVelmorant::TreeViewClick() {
    if (textEditor_) textEditor_->showFrame();
    if (!StoreEditedText()) {
        // Keep the text with the node it was typed for.
        if (currentItem_) treeView_->setCurrentItem(currentItem_);
        return;
    }
    applyXmlEditorOption();
    QTreeWidgetItem* item = treeView_->currentItem();
    DOMNode* node = NodeOf(item);
    if (node) {
        currentNode_ = node;
        currentItem_ = item;
        if (xml_) xml_->ShowNode(node);
        if (!node->parentNode()) {
            if (textEditor_) textEditor_->TT()->showText(QString());
            setTextFrameEditable();
            return;
        }
        if (textEditor_) {
            textEditor_->TT()->PathLabel()->setText(documentText_.toText(node->path()));
            textEditor_->TT()->showText(documentText_.toMultiLineText(node->getText(0)));
        }
    }
    setTextFrameEditable();
    textChanged_ = false;
}

void TVelmorant::ClearDetails() {
    if (textEditor_) textEditor_->TT()->showText(QString());
    if (xml_) xml_->ClearDetails();
    textChanged_ = false;
}

// ---- Document files ----

void TVelmorant::showFileError() { dialogs_.inform(this, FileErrorText, "File Error"); }

void TVelmorant::setDocumentNodeName(const QString& name) {
    StringObject bytes;
    if (!documentText_.toBytes(name, bytes)) {
        const QByteArray local = QFile::encodeName(name);
        bytes.assign(local.constData(), static_cast<std::size_t>(local.size()));
    }
    document_->documentNode()->setNodeName(bytes);
}

void TVelmorant::replaceDocumentByNew() {
    clearTreeView();
    document_->reset();
    currentNode_ = nullptr;
    documentText_ = DocumentText(DocumentText::Encoding::Latin1);
    DOMNode* documentNode = document_->documentNode();
    DOMNode* newDocument = document_->createNode(corvantis::ELEMENT, documentNode);
    newDocument->setNodeName("NewDocument");
    document_->insertNewElement(corvantis::ELEMENT, newDocument, corvantis::Under);
    auto declaration = std::make_unique<DOMNode>(corvantis::PROCESSING_INSTRUCTION, nullptr);
    declaration->setNodeName("xml");
    declaration->setNodeValue(NewDeclaration);
    documentNode->prependChild(declaration.release());
}

void TVelmorant::NewMnuClick() {
    DropCutMark();
    try {
        replaceDocumentByNew();
    } catch (...) {
        BuildTree();
        throw;
    }
    currentFileName_ = NewDocumentName;
    BuildTree();
    setTextFrameEditable();
    newFile_ = true;
}

void TVelmorant::loadStartupFile(bool namedByUser) {
    QByteArray bytes;
    const ReadResult read = readWholeFile(currentFileName_, bytes);
    if (read == ReadResult::CannotOpen) {
        if (namedByUser) showFileError();
        NewMnuClick();
        if (textEditor_) textEditor_->TT()->FileNameLabel()->setText(NoFileOpened);
        return;
    }
    if (read == ReadResult::CannotRead) {
        showFileError();
        NewMnuClick();
        return;
    }
    try {
        clearTreeView();
        documentText_ = DocumentText::forFile(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        document_->parse(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        bytes = QByteArray();
        setDocumentNodeName(currentFileName_);
        BuildTree();
    } catch (const std::exception&) {
        clearTreeView();
        showFileError();
        NewMnuClick();
    }
}

void TVelmorant::OpenMnuClick() {
    DropCutMark();
    ClearDetails();
    const QString chosen =
        dialogs_.openFileName(this, {"Enter Velmora  FileName", "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*",
                                     currentFileName_, QString()});
    if (chosen.isEmpty()) return;
    QByteArray bytes;
    // The document keeps its file name until another file is really read, so
    // a later Save cannot write it over a file it never came from.
    if (readWholeFile(chosen, bytes) != ReadResult::Read) {
        showFileError();
        return;
    }
    currentFileName_ = chosen;
    if (textEditor_) textEditor_->TT()->FileNameLabel()->setText(chosen);

    try {
        clearTreeView();
        document_->reset();
        currentNode_ = nullptr;
        documentText_ = DocumentText::forFile(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        document_->parse(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } catch (...) {
        // No item may outlive the nodes it refers to.
        BuildTree();
        throw;
    }
    bytes = QByteArray();
    settings_.writeText("MyFileName", currentFileName_);
    BuildTree();
    changes_.markSaved();
    if (QTreeWidgetItem* top = treeView_->topLevelItem(0)) {
        treeView_->setCurrentItem(top);
        top->setText(0, currentFileName_);
    }
    setTextFrameEditable();
    newFile_ = false;
}

bool TVelmorant::SaveMnuClick() {
    if (!StoreEditedText()) return false;
    DropCutMark();
    if (newFile_) return SaveAsMnuClick();
    const StringObject text = document_->serialize(document_->documentNode());
    if (!saveFileAtomically(currentFileName_, text.view())) {
        showFileError();
        return false;
    }
    changes_.markSaved();
    return true;
}

bool TVelmorant::SaveAsMnuClick() {
    if (!StoreEditedText()) return false;
    DropCutMark();
    const StringObject text = document_->serialize(document_->documentNode());
    const QString name = saveAsWithBackup(this, dialogs_, programFolder_, text.view());
    if (name.isEmpty()) return false;

    settings_.writeText("MyFileName", name);
    currentFileName_ = name;
    setDocumentNodeName(name);
    if (QTreeWidgetItem* top = treeView_->topLevelItem(0)) {
        treeView_->setCurrentItem(top);
        top->setText(0, name);
    }
    changes_.markSaved();
    return true;
}
