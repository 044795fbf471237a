#include "app/Treeorganizer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AboutBox.h"
#include "app/FileGuard.h"
#include "app/Shell.h"
#include "app/Shortcuts.h"
#include "core/Functions.h"
#include "document/Document.h"
#include "document/DocumentTreeModel.h"
#include "document/ReadFile.h"
#include "document/SaveFile.h"
#include "editors/DetailEditorContext.h"
#include "editors/SaveAs.h"
#include "editors/Showsource.h"
#include "editors/Texteditor.h"
#include "editors/Textframedocker.h"
#include "widgets/LargeTextEdit.h"
#include "editors/TypedText.h"
#include "editors/Xmlform.h"
#include "tree/DocumentTreeView.h"
#include "tree/FindBar.h"
#include "tree/SourceCommands.h"
#include "tree/TreeImages.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/Docking.h"
#include "widgets/Hints.h"
#include "widgets/RecentFiles.h"
#include "widgets/SettingsStore.h"
#include "widgets/UserDialogs.h"
#include "widgets/WindowPlacement.h"

using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

const char* const NoFileOpened = "No File Opened";
// Recognises the first start of the program for this user.
const char* const FirstStartDone = "FirstStartDone";

}  // namespace

QString TVelmorant::ProgramFolder() {
    const StringObject folder =
        corvantis::ExtractDirectory(StringObject(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()));
    return QFile::decodeName(QByteArray(folder.data(), static_cast<qsizetype>(folder.length())));
}

TVelmorant::TVelmorant(SettingsStore& settings, UserDialogs& dialogs, Document& document,
                       const QString& programFolder, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      dialogs_(dialogs),
      document_(document),
      programFolder_(programFolder.isEmpty() ? ProgramFolder() : programFolder),
      images_(std::make_unique<TreeImages>()),
      recentFiles_(std::make_unique<RecentFiles>(settings)) {
    setObjectName("Velmorant");
    setWindowTitle("Corvantis (XML Editor) Personal Organiser[*]");
    setWindowIcon(QIcon(images_->image(2)));
    setDockNestingEnabled(true);
    createControls();
    // The text frame and its file and path panel can be docked in here.
    new DockSite(this);
    createMenus();
    createToolButtons();
    move(5, 2);
    resize(324, 439);

    rememberedFile_ = settings_.readText("MyFileName", QString());
    useAsXMLEditorMnu_->setChecked(settings_.readBool("UseAsXML", false));
    rememberFileNameMnu_->setChecked(settings_.readBool("RememberFileName", rememberFileNameMnu_->isChecked()));
    if (!settings_.contains(FirstStartDone)) {
        rememberedFile_ = programFolder_ + "Example.xml";
        settings_.writeText("MyFileName", rememberedFile_);
        settings_.writeBool(FirstStartDone, true);
    }
    WindowPlacement(this, "Organiser_", settings_).load();

    xml_ = new TXML(DetailEditorContext{document_, dialogs_, settings_}, [this] { return SelectedNode(); });
    connect(xml_, &TXML::EditorClosed, this, &TVelmorant::TreeViewClick);
    treeCommands_ = new TreeCommands(document_, *treeView_, dialogs_, this);
    guard_ = new FileGuard(document_, dialogs_, this);
    guard_->setActions([this] { reloadFromDisk(); }, [this] { SaveAsMnuClick(); });
    connect(guard_, &FileGuard::note, this, [this](const QString& text) { statusBar1_->showMessage(text); });
    treeView_->setImages({images_->icon(0, 2), images_->icon(0, 2), images_->icon(0, 2), images_->icon(0, 2),
                          images_->icon(4, 5), images_->icon(4, 5), images_->icon(6, 7), images_->icon(6, 7)},
                         [this](const DOMNode* node) { return treeCommands_->imagesOf(node); });
    treeView_->setRenaming([this](DOMNode* node) { return treeCommands_->mayRename(node); },
                           [this](DOMNode* node, const QString& typed) { treeCommands_->renamed(node, typed); });
    treeView_->setDropping(
        [this](DOMNode* source, DOMNode* target, corvantis::InsertPosition position, bool copy) {
            return treeCommands_->mayDrop(source, target, position, copy);
        },
        [this](DOMNode* source, DOMNode* target, corvantis::InsertPosition position, bool copy) {
            treeCommands_->drop(source, target, position, copy);
        });
    source_ = new TXMLSource(settings_, dialogs_, document_);
    sourceCommands_ = new SourceCommands(document_, *treeView_, dialogs_, *source_, this);
    treeCommands_->setClipboardPaste(
        [this](corvantis::InsertPosition position) { sourceCommands_->PasteFromClipboard(position); });
    fillRecentMenu();
    connectCommands();
    followDocument();
    applyXmlEditorOption();
    updateUndoActions();
}

TVelmorant::~TVelmorant() {
    // A name still being edited would be committed while the windows go.
    treeView_->setRenaming(nullptr, nullptr);
    typedText_.reset();
    delete xml_;
    xml_ = nullptr;
    delete source_;
    source_ = nullptr;
    if (positionsReset_) forgetStoredPlacements(settings_);
}

TTT* TVelmorant::TextEditor() const { return textEditor_; }

void TVelmorant::AttachTextEditor(TTT* textEditor) {
    textEditor_ = textEditor;
    typedText_ = std::make_unique<TypedText>(document_, textEditor_->TT(), dialogs_, this);
    if (currentNode_) typedText_->show(currentNode_);
    applyShortcuts(*this);
    // Where the desktop places windows itself, the frame starts docked here.
    textEditor_->FrameDocking()->restorePlace(settings_, TextFramePlacePrefix, this,
                                              QGuiApplication::platformName().startsWith("wayland"));
}

void TVelmorant::AttachRecovery(RecoveryStore& store, Autosave& autosave) { guard_->attachRecovery(store, autosave); }

void TVelmorant::followDocument() {
    connect(&document_, &Document::modifiedChanged, this, [this](bool modified) {
        setWindowModified(modified);
        updateUndoActions();
    });
    connect(&document_.history(), &QUndoStack::indexChanged, this, &TVelmorant::updateUndoActions);
    connect(&document_, &Document::selectionRequested, this, [this](DOMNode* node) {
        if (node && document_.dom().contains(node)) treeView_->setCurrentNode(node);
    });
    connect(&document_, &Document::childrenAboutToLeave, this, [this](DOMNode* parent, int first, int last) {
        if (currentNode_ && Document::isWithin(currentNode_, parent, first, last)) currentNode_ = nullptr;
    });
    // A new name shows in the path of every folder below it.
    connect(&document_, &Document::renamed, this, [this] { showPathOf(currentNode_); });
    connect(&document_, &Document::aboutToReplace, this, [this] {
        currentNode_ = nullptr;
        ClearDetails();
    });
    connect(&document_, &Document::replaced, this, [this] { lossesToldFor_.clear(); });
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

    // The tree with the find bar below it.
    auto* treePanel = new QWidget(central);
    auto* treeLayout = new QVBoxLayout(treePanel);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    model_ = new DocumentTreeModel(document_, this);
    treeView_ = new DocumentTreeView(treePanel);
    treeView_->setObjectName("TreeView");
    treeView_->setDocumentModel(model_);
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    applyHint(treeView_, "|An XML Tree of fields can be edited");
    treeLayout->addWidget(treeView_, 1);
    findBar_ = new FindBar(document_, *treeView_, treePanel);
    treeLayout->addWidget(findBar_);
    central->addWidget(treePanel);
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

    connect(treeView_, &QAbstractItemView::clicked, this, &TVelmorant::TreeViewClick);
    connect(treeView_->selectionModel(), &QItemSelectionModel::currentChanged, this, &TVelmorant::selectionMoved);
    connect(treeView_, &QWidget::customContextMenuRequested, this, &TVelmorant::TreeViewContextPopup);
    connect(findBar_, &FindBar::matchShown, this, &TVelmorant::showMatchInText);
    connect(findBar_, &FindBar::wrapped, this, [this](bool forward) {
        statusBar1_->showMessage(forward ? tr("Passed the end of the document; continued from the top")
                                         : tr("Passed the top of the document; continued from the end"),
                                 5000);
    });
    connect(findBar_, &FindBar::closed, treeView_, [this] { treeView_->setFocus(Qt::OtherFocusReason); });
}

QAction* TVelmorant::addCommand(QMenu* menu, const QString& objectName, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    return action;
}

void TVelmorant::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("FileMnu");
    connect(addCommand(file, "OpenMnu", "&Open"), &QAction::triggered, this, &TVelmorant::OpenMnuClick);
    connect(addCommand(file, "NewMnu", "&New"), &QAction::triggered, this, &TVelmorant::NewMnuClick);
    connect(addCommand(file, "SaveMnu", "Save"), &QAction::triggered, this, &TVelmorant::SaveMnuClick);
    connect(addCommand(file, "SaveAsMnu", "Save As"), &QAction::triggered, this, &TVelmorant::SaveAsMnuClick);
    recentMnu_ = file->addMenu(tr("Recent"));
    recentMnu_->setObjectName("RecentMnu");
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
    addCommand(edit, "MoveUpMnu", tr("Move Up"));
    addCommand(edit, "MoveDownMnu", tr("Move Down"));
    edit->addSeparator();
    addCommand(edit, "EditNodeNameMnu", "Edit Node Name");
    connect(addCommand(edit, "RefreshMnu", "Refresh"), &QAction::triggered, this, &TVelmorant::RefreshMnuClick);
    edit->addSeparator();
    undoMnu_ = addCommand(edit, "UndoMnu", "Undo");
    connect(undoMnu_, &QAction::triggered, this, &TVelmorant::UndoMnuClick);
    redoMnu_ = addCommand(edit, "RedoMnu", "Redo");
    connect(redoMnu_, &QAction::triggered, this, &TVelmorant::RedoMnuClick);
    edit->addSeparator();
    connect(addCommand(edit, "FindMnu", tr("Find")), &QAction::triggered, this, &TVelmorant::FindMnuClick);
    connect(addCommand(edit, "FindNextMnu", tr("Find Next")), &QAction::triggered, this,
            &TVelmorant::FindNextMnuClick);
    connect(addCommand(edit, "FindPreviousMnu", tr("Find Previous")), &QAction::triggered, this,
            &TVelmorant::FindPreviousMnuClick);

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
    addCommand(popupMenu1_, "MoveUpPOPMnu", tr("Move Up"));
    addCommand(popupMenu1_, "MoveDownPOPMnu", tr("Move Down"));
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
    connect(Button("SpeedButton1"), &QToolButton::clicked, this, &TVelmorant::SpeedButton1Click);
    connect(Button("PasteButton"), &QToolButton::clicked, this, &TVelmorant::PasteButtonClick);
}


void TVelmorant::connectCommands() {
    const auto onActions = [this](std::initializer_list<const char*> names, auto handler) {
        for (const char* name : names)
            if (QAction* action = Action(name)) connect(action, &QAction::triggered, this, handler);
    };
    const auto onButton = [this](const char* name, auto handler) {
        if (QToolButton* button = Button(name)) connect(button, &QToolButton::clicked, this, handler);
    };
    TreeCommands& tree = *treeCommands_;
    // The Edit menu's "Delete" inserts before the selection, as it always has.
    onActions({"BeforeMnu", "DeleteMnu", "BeforePOPMnu", "InsertBeforeMnu"}, [&tree] { tree.BeforePOPMnuClick(); });
    onActions({"AtEndMnu", "AtEndPOPMnu", "InsertAtEndMnu"}, [&tree] { tree.AtEndPOPMnuClick(); });
    onActions({"UnderMnu", "UnderPOPMnu", "InsertUnderMnu"}, [&tree] { tree.UnderPOPMnuClick(); });
    onActions({"DeletePOPMnu"}, [&tree] { tree.DeletePOPMnuClick(); });
    onActions({"EditNodeNameMnu", "EditNodeNamePOPMnu"}, [&tree] { tree.EditNodeNamePOPMnuClick(); });
    onActions({"Copy1", "CopyPOPMnu"}, [&tree] { tree.CopyPOPMnuClick(); });
    onButton("SpeedButton4", [&tree] { tree.CopyPOPMnuClick(); });
    onActions({"Cot1", "CutPOPMnu"}, [&tree] { tree.CutPOPMnuClick(); });
    onButton("SpeedButton5", [&tree] { tree.CutPOPMnuClick(); });
    onActions({"Before3", "Before2", "PasteBeforeMnu"}, [&tree] { tree.Before2Click(); });
    onActions({"AtEnd3", "AtEnd2", "PasteAtEndMnu"}, [&tree] { tree.AtEnd2Click(); });
    onActions({"Under3", "Under2", "PasteUnderMnu"}, [&tree] { tree.Under2Click(); });
    onActions({"MoveUpMnu", "MoveUpPOPMnu"}, [&tree] { tree.MoveUpMnuClick(); });
    onActions({"MoveDownMnu", "MoveDownPOPMnu"}, [&tree] { tree.MoveDownMnuClick(); });

    SourceCommands& source = *sourceCommands_;
    onActions({"InsertFromFile1", "InsertFromFileMnu"}, [&source] { source.LoadFromFileButtonClick(); });
    onButton("LoadFromFileButton", [&source] { source.LoadFromFileButtonClick(); });
    onActions({"SaveToShowSource1", "SaveToViewMnu"}, [&source] { source.SaveToViewButtonClick(); });
    onButton("SaveToViewButton", [&source] { source.SaveToViewButtonClick(); });
}

QAction* TVelmorant::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

QToolButton* TVelmorant::Button(const QString& objectName) const { return findChild<QToolButton*>(objectName); }

void TVelmorant::SpeedButton1Click() { insertPopMenu_->popup(pos() + QPoint(50, 80)); }

void TVelmorant::PasteButtonClick() { pastePopup_->popup(pos() + QPoint(100, 80)); }

// ---- State shared with the node details ----

QString TVelmorant::CurrentFileName() const { return document_.fileName(); }

bool TVelmorant::TextChanged() const { return typedText_ && typedText_->hasPendingEdit(); }

bool TVelmorant::DetailsChanged() const { return document_.hasUnsavedChanges(); }

bool TVelmorant::NewFile() const { return document_.isNew(); }

DOMNode* TVelmorant::SelectedNode() const { return treeView_->currentNode(); }

std::pair<int, int> TVelmorant::TreeViewGetImageIndex(const DOMNode* node) const {
    return treeCommands_->imagesOf(node);
}

void TVelmorant::DropCutMark() { treeCommands_->DropCutMark(); }

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
    const QString file = fileNamed ? startupFile_ : rememberedFile_;
    if (textEditor_) textEditor_->showFrame();
    if (guard_->offerRecovery()) {
        showFileName(document_.fileName());
        treeView_->setCurrentIndex(model_->index(0, 0));
        return;
    }
    showFileName(file);
    if (!fileNamed && (file.isEmpty() || !rememberFileNameMnu_->isChecked())) {
        makeNewDocument();
        showFileName(NoFileOpened);
        return;
    }
    loadStartupFile(file, fileNamed);
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
    source_->ShowText([this] { return document_.dom().serialize(document_.documentNode()); });
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
    switch (RunProgram(programFolder_ + "CorvantisHelp.htm")) {
        case RunResult::Opened: break;
        case RunResult::Missing:
            dialogs_.inform(this, "CorvantisHelp.htm is missing from program path", "File Error");
            break;
        case RunResult::NoProgram:
            dialogs_.inform(this,
                            "CorvantisHelp.htm cannot be shown: the desktop has no web browser or other program "
                            "that opens it.",
                            "Help Error");
            break;
    }
}

bool TVelmorant::maybeSave() {
    if (!DetailsChanged()) return true;
    switch (dialogs_.message(this, "File details have changed Save Changes?", "Details have changed",
                             UserDialogs::Buttons::YesNoCancel)) {
        // The changes must not be lost: a save that did not happen keeps everything as it was.
        case UserDialogs::Answer::Yes: return SaveMnuClick();
        case UserDialogs::Answer::No: document_.dropChanges(); return true;
        default: return false;
    }
}

void TVelmorant::closeEvent(QCloseEvent* event) {
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
    if (textEditor_ && !positionsReset_)
        textEditor_->FrameDocking()->storePlace(settings_, TextFramePlacePrefix);
    if (textEditor_) textEditor_->hide();
    if (xml_) xml_->hide();
    if (source_) source_->hide();
    emit Closed();
}

void TVelmorant::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!positionsReset_ && isVisible()) WindowPlacement(this, "Organiser_", settings_).store();
}

void TVelmorant::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!positionsReset_) {
        ++resizeCount_;
        if (resizeCount_ > 1) WindowPlacement(this, "Organiser_", settings_).store();
    }
    if (xml_) xml_->WriteGridHeadings();
}

// ---- Undo and Redo ----

void TVelmorant::UndoMnuClick() { document_.undo(); }

void TVelmorant::RedoMnuClick() { document_.redo(); }

void TVelmorant::updateUndoActions() {
    QUndoStack& history = document_.history();
    // Text being typed is undone first; it ends any redo.
    const bool typing = TextChanged();
    undoMnu_->setEnabled(typing || history.canUndo());
    undoMnu_->setText(typing ? tr("Undo Typing") : history.canUndo() ? tr("Undo %1").arg(history.undoText()) : tr("Undo"));
    redoMnu_->setEnabled(!typing && history.canRedo());
    redoMnu_->setText(history.canRedo() && !typing ? tr("Redo %1").arg(history.redoText()) : tr("Redo"));
}

// ---- Tree view ----

void TVelmorant::BuildTree() {
    model_->rebuild();
    if (xml_) xml_->WriteGridHeadings();
}

void TVelmorant::TreeExpandSpeedClick() { treeView_->expandEverything(); }

void TVelmorant::TreeCollapseSpeedClick() { treeView_->collapseToTop(); }

// ---- Keyboard focus among the panels ----

void TVelmorant::cycleFocus(bool forward) {
    TTextFrame* frame = textEditor_ ? textEditor_->TT() : nullptr;
    const bool details = xml_ && useAsXMLEditorMnu_->isChecked();
    const QWidget* focused = QApplication::focusWidget();
    // 0 the tree (or anything else), 1 the text frame, 2 the details window.
    int panel = 0;
    if (focused && details && focused->window() == xml_)
        panel = 2;
    else if (focused && frame && (focused == frame || frame->isAncestorOf(focused)))
        panel = 1;
    const int count = 3;
    do {
        panel = (panel + (forward ? 1 : count - 1)) % count;
    } while ((panel == 1 && !frame) || (panel == 2 && !details));
    QWidget* target = treeView_;
    if (panel == 1) {
        textEditor_->showFrame();
        target = frame->TextMemo();
    } else if (panel == 2) {
        xml_->show();
        target = xml_->AttribStringGrid();
    }
    target->window()->raise();
    target->window()->activateWindow();
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// ---- Find ----

void TVelmorant::FindMnuClick() {
    // From the Text Editor too: the bar is in this window.
    activateWindow();
    findBar_->open();
}

void TVelmorant::FindNextMnuClick() { findBar_->findNext(); }

void TVelmorant::FindPreviousMnuClick() { findBar_->findPrevious(); }

void TVelmorant::showMatchInText(const corvantis::SearchMatch& match) {
    // The frame shows an element's first text.
    if (!typedText_ || match.part != corvantis::SearchMatch::ValuePart) return;
    const DOMNode* folder = match.folder();
    if (folder != currentNode_ || folder->textChild(0) != match.node || TextChanged()) return;
    typedText_->select(match.offset, match.length);
}

void TVelmorant::RefreshMnuClick() {
    // Typed text is kept, never dropped by a redraw.
    if (!StoreEditedText()) return;
    treeCommands_->dropMark();
    DOMNode* shown = currentNode_;
    BuildTree();
    treeView_->setCurrentNode(shown);
}

void TVelmorant::showPathOf(const DOMNode* node) {
    if (!textEditor_ || !node || !node->parentNode()) return;
    textEditor_->TT()->PathLabel()->setText(document_.text().toText(node->path()));
}

void TVelmorant::showFileName(const QString& name) {
    if (textEditor_) textEditor_->TT()->FileNameLabel()->setText(name);
}

void TVelmorant::TreeViewContextPopup(const QPoint& position) {
    showPathOf(SelectedNode());
    popupMenu1_->popup(treeView_->viewport()->mapToGlobal(position));
}

// ---- Node details ----

bool TVelmorant::StoreEditedText() { return document_.commitPendingEdits(); }

void TVelmorant::selectionMoved(const QModelIndex& current, const QModelIndex&) {
    DOMNode* node = treeView_->nodeAt(current);
    if (!node || node == currentNode_) return;
    if (!StoreEditedText()) {
        // The text stays with the node it was typed for.
        QMetaObject::invokeMethod(this, [this] { treeView_->setCurrentNode(currentNode_); }, Qt::QueuedConnection);
        return;
    }
    showDetails(node);
}

void TVelmorant::showDetails(DOMNode* node) {
    currentNode_ = node;
    if (xml_) xml_->ShowNode(node);
    if (typedText_) typedText_->show(node);
    showPathOf(node);
}

void TVelmorant::TreeViewClick() {
    if (textEditor_) textEditor_->showFrame();
    applyXmlEditorOption();
    DOMNode* node = SelectedNode();
    if (!node) return;
    if (!currentNode_) {
        showDetails(node);
        return;
    }
    // A move of the selection has shown its node already, or is being taken
    // back because the text typed before could not be stored; the text
    // being typed stays as it is.
    if (node == currentNode_ && xml_) xml_->ShowNode(node);
}

void TVelmorant::ClearDetails() {
    if (typedText_) typedText_->clear();
    if (xml_) xml_->ClearDetails();
}

// ---- Document files ----

void TVelmorant::makeNewDocument() {
    guard_->released();
    document_.makeNew();
    treeView_->setCurrentIndex(model_->index(0, 0));
}

void TVelmorant::NewMnuClick() {
    if (!maybeSave()) return;
    makeNewDocument();
}

bool TVelmorant::openFile(const QString& file, const QByteArray& bytes, const QString& documentName) {
    bool readOnly = false;
    if (!guard_->claim(file, readOnly)) return false;
    document_.load(bytes, file, documentName);
    guard_->opened(readOnly);
    treeView_->setCurrentIndex(model_->index(0, 0));
    return true;
}

void TVelmorant::loadStartupFile(const QString& file, bool namedByUser) {
    QByteArray bytes;
    FileError error;
    const ReadResult read = readWholeFile(file, bytes, error);
    if (read != ReadResult::Read) {
        if (namedByUser || read == ReadResult::CannotRead) dialogs_.showFileError(this, error);
        makeNewDocument();
        if (read == ReadResult::CannotOpen) showFileName(NoFileOpened);
        return;
    }
    try {
        // The top row shows the file's path: the document node is named after it.
        if (openFile(file, bytes, file)) {
            rememberRecent(file);
            return;
        }
    } catch (const std::exception& failure) {
        dialogs_.showFileError(this, FileError::ofReading(file, failure));
    }
    makeNewDocument();
    showFileName(NoFileOpened);
}

void TVelmorant::OpenMnuClick() {
    if (!maybeSave()) return;
    const QString chosen =
        dialogs_.openFileName(this, {"Enter Velmora  FileName", "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*",
                                     document_.fileName(), fileDialogFolder(document_)});
    if (chosen.isEmpty()) return;
    openChosenFile(chosen);
}

void TVelmorant::OpenRecentFile(const QString& file) {
    if (!QFileInfo::exists(file)) {
        recentFiles_->remove(file);
        fillRecentMenu();
        dialogs_.inform(
            this, QString("%1 is no longer there. It has been removed from the recent files.").arg(file),
            "File Error");
        return;
    }
    if (!maybeSave()) return;
    openChosenFile(file);
}

void TVelmorant::openChosenFile(const QString& chosen) {
    QByteArray bytes;
    FileError error;
    // The document keeps its file name until another file is really read, so
    // a later Save cannot write it over a file it never came from.
    if (readWholeFile(chosen, bytes, error) != ReadResult::Read) {
        dialogs_.showFileError(this, error);
        return;
    }
    try {
        if (!openFile(chosen, bytes, Document::newDocumentName())) return;
    } catch (const std::exception& failure) {
        dialogs_.showFileError(this, FileError::ofReading(chosen, failure));
        makeNewDocument();
        return;
    }
    bytes = QByteArray();
    settings_.writeText("MyFileName", chosen);
    rememberRecent(chosen);
    showFileName(chosen);
    // The top row shows the file; the document node keeps its own name.
    model_->setTopCaption(chosen);
}

void TVelmorant::reloadFromDisk() {
    QByteArray bytes;
    FileError error;
    if (readWholeFile(document_.fileName(), bytes, error) != ReadResult::Read) {
        dialogs_.showFileError(this, error);
        return;
    }
    // The selected folder is found again by its names and places among
    // siblings of the same name.
    std::vector<std::pair<StringObject, int>> route;
    for (const DOMNode* node = currentNode_; node && node->parentNode(); node = node->parentNode()) {
        int same = 0;
        const DOMNode* parent = node->parentNode();
        for (int i = 0; i < parent->childCount() && parent->childAt(i) != node; ++i)
            same += parent->childAt(i)->nodeType() == corvantis::ELEMENT && parent->childAt(i)->nodeName() == node->nodeName();
        route.emplace_back(node->nodeName(), same);
    }
    const QString topCaption = model_->index(0, 0).data().toString();
    const bool captionOverridden = topCaption != document_.text().toText(document_.documentNode()->nodeName());
    const QString documentName = document_.text().toText(document_.documentNode()->nodeName());
    try {
        document_.load(bytes, document_.fileName(), documentName);
    } catch (const std::exception& failure) {
        dialogs_.showFileError(this, FileError::ofReading(document_.fileName(), failure));
        makeNewDocument();
        return;
    }
    guard_->warnIfNotXml();
    if (captionOverridden) model_->setTopCaption(topCaption);
    DOMNode* found = document_.documentNode();
    for (auto step = route.rbegin(); step != route.rend() && found; ++step) {
        DOMNode* next = nullptr;
        for (int i = 0, same = 0; i < found->childCount() && !next; ++i) {
            DOMNode* child = found->childAt(i);
            if (child->nodeType() != corvantis::ELEMENT || child->nodeName() != step->first) continue;
            if (same++ == step->second) next = child;
        }
        found = next;
    }
    treeView_->setCurrentNode(found ? found : document_.documentNode());
}

bool TVelmorant::SaveMnuClick() {
    if (!StoreEditedText()) return false;
    DropCutMark();
    if (document_.isNew()) return SaveAsMnuClick();
    if (!guard_->mayOverwrite()) return false;
    const QString file = document_.fileName();
    if (lossesToldFor_ != file) {
        const QStringList losses = SaveTarget::inspect(file).losses;
        if (!losses.isEmpty()) {
            const QString text = QDir::toNativeSeparators(file) +
                                 "\n\nSaving replaces this file by a new one, which cannot keep:\n- " +
                                 losses.join("\n- ") +
                                 "\n\nSave it anyway (Yes), or save under another name with Save As (No)?";
            switch (dialogs_.message(this, text, "Save", UserDialogs::Buttons::YesNoCancel)) {
                case UserDialogs::Answer::Yes: break;
                case UserDialogs::Answer::No: return SaveAsMnuClick();
                default: return false;
            }
        }
        lossesToldFor_ = file;
    }
    const StringObject text = document_.dom().serialize(document_.documentNode());
    std::string converted;
    const SaveOutcome outcome = saveFileAtomically(file, document_.fileBytes(text, converted));
    if (outcome.status == SaveOutcome::Status::Saved) {
        document_.saved(file);
        return true;
    }
    if (outcome.status == SaveOutcome::Status::Failed && outcome.error.cannotWriteHere) {
        if (dialogs_.askAfterFileError(this, outcome.error, "Save it under another name with Save As?"))
            return SaveAsMnuClick();
        return false;
    }
    dialogs_.showFileError(this, outcome.error);
    return false;
}

bool TVelmorant::SaveAsMnuClick() {
    if (!StoreEditedText()) return false;
    DropCutMark();
    const StringObject text = document_.dom().serialize(document_.documentNode());
    std::string converted;
    const SaveAsResult result =
        saveAsWithBackup(this, dialogs_, fileDialogFolder(document_), document_.fileBytes(text, converted));
    if (result.status != SaveAsResult::Status::Saved && result.status != SaveAsResult::Status::NotConfirmed)
        return false;

    // The document belongs to the file written, even when that write is not
    // confirmed: a later Save goes there, without another backup.
    settings_.writeText("MyFileName", result.name);
    rememberRecent(result.name);
    document_.setDocumentName(result.name);
    if (result.status == SaveAsResult::Status::Saved)
        document_.saved(result.name);
    else
        document_.writtenTo(result.name);
    guard_->savedAs(result.name);
    model_->setTopCaption(QString());
    treeView_->setCurrentIndex(model_->index(0, 0));
    return result.status == SaveAsResult::Status::Saved;
}

void TVelmorant::rememberRecent(const QString& file) {
    recentFiles_->add(file);
    fillRecentMenu();
}

void TVelmorant::fillRecentMenu() {
    // The list may change while one of its items is being chosen.
    for (QAction* old : recentMnu_->actions()) {
        recentMnu_->removeAction(old);
        old->setObjectName(QString());
        old->deleteLater();
    }
    const QStringList files = recentFiles_->files();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        // An "&" in the path is shown as it is, not taken for a shortcut key.
        const QString shown = QString(file).replace("&", "&&");
        QAction* action = addCommand(recentMnu_, QString("RecentFile%1").arg(i + 1),
                                     QString("&%1 %2").arg(QString::number(i + 1), shown));
        connect(action, &QAction::triggered, this, [this, file] { OpenRecentFile(file); });
    }
    recentMnu_->menuAction()->setEnabled(!files.isEmpty());
}
