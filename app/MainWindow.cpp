#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include "app/ExportCommands.h"
#include "app/OptionCommands.h"
#include "core/Functions.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/DocumentTreeModel.h"
#include "document/HistoryActions.h"
#include "document/Selection.h"
#include "editors/DetailEditorContext.h"
#include "editors/NodeDetailsWindow.h"
#include "editors/SourceViewer.h"
#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "editors/TextFrameView.h"
#include "editors/VersionsWindow.h"
#include "tree/DocumentTreeView.h"
#include "tree/FilterBar.h"
#include "tree/FindBar.h"
#include "tree/ReplaceDialog.h"
#include "tree/SourceCommands.h"
#include "tree/TreeCommands.h"
#include "widgets/LargeTextEdit.h"
#include "tree/TreeImages.h"
#include "widgets/DetailStringGrid.h"
#include "widgets/Docking.h"
#include "widgets/Hints.h"
#include "widgets/RecentFiles.h"
#include "widgets/SettingsStore.h"
#include "widgets/WindowPlacement.h"

namespace {

// Recognises the first start of the program for this user.
const char* const FirstStartDone = "FirstStartDone";

}  // namespace

QString MainWindow::programFolder() {
    const corvantis::StringObject folder = corvantis::ExtractDirectory(
        corvantis::StringObject(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString()));
    return QFile::decodeName(QByteArray(folder.data(), static_cast<qsizetype>(folder.length())));
}

MainWindow::MainWindow(SettingsStore& settings, UserQuestions& dialogs, Document& document,
                       const QString& programFolder, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      arrangement_(settings),
      dialogs_(dialogs),
      document_(document),
      programFolder_(programFolder.isEmpty() ? MainWindow::programFolder() : programFolder),
      images_(std::make_unique<TreeImages>()),
      recentFiles_(std::make_unique<RecentFiles>(settings)) {
    setWindowTitle("Corvantis (XML Editor) Personal Organiser[*]");
    setWindowIcon(QIcon(images_->image(2)));
    setDockNestingEnabled(true);
    createTree();
    // The text frame and its file and path panel can be docked in here.
    new DockSite(this);
    arrangement_.placeMainWindow(*this);

    rememberedFile_ = settings_.readText("MyFileName", QString());
    if (!settings_.contains(FirstStartDone)) {
        rememberedFile_ = programFolder_ + "Example.xml";
        settings_.writeText("MyFileName", rememberedFile_);
        settings_.writeBool(FirstStartDone, true);
    }
    WindowPlacement(this, "Organiser_", settings_).load();

    source_ = new SourceViewer(settings_, dialogs_, document_);
    source_->openClearOf([this] { return WindowArrangement::clearArea(*this, *treeView_, nullptr); });
    // An editor opens clear of the source viewer too, should it be shown.
    details_ = new NodeDetailsWindow(DetailEditorContext{document_, *selection_, dialogs_, settings_, [this] {
        return WindowArrangement::clearArea(*this, *treeView_, source_);
    }});
    connect(details_, &NodeDetailsWindow::editorClosed, this, &MainWindow::showDetailWindows);
    files_ = new DocumentFiles(document_, *selection_, dialogs_, this);
    versions_ = new VersionsWindow(*files_, *source_, this);
    treeCommands_ = new TreeCommands(document_, *treeView_, dialogs_, this);
    sourceCommands_ = new SourceCommands(document_, *selection_, dialogs_, *source_, this);
    treeCommands_->setClipboardPaste(
        [this](corvantis::InsertPosition position) { sourceCommands_->pasteFromClipboard(position); });
    options_ = new OptionCommands(settings_, dialogs_, document_, *source_, programFolder_, this);
    exports_ = new ExportCommands(document_, *selection_, dialogs_, this);
    connect(exports_, &ExportCommands::note, this, [this](const QString& text) { statusBar()->showMessage(text); });
    createCommands();
    followFiles();
    connect(&document_, &Document::modifiedChanged, this, &MainWindow::setWindowModified);
    connect(options_, &OptionCommands::xmlEditorChanged, this, &MainWindow::applyXmlEditorOption);
    // The details come up once they have their place (attachTextEditor).
    action(Command::ViewSource)->setVisible(options_->usesXmlEditor());
    connect(options_, &OptionCommands::keepVersionsChanged, files_, &DocumentFiles::setKeepVersions);
    files_->setKeepVersions(options_->keepsVersions());
}

MainWindow::~MainWindow() {
    textFrameView_.reset();
    delete details_;
    delete source_;
    if (options_->positionsReset()) forgetStoredPlacements(settings_);
}

void MainWindow::createTree() {
    // The tool panel keeps its height, so the splitter below it only marks
    // its edge. Panels docked in the window get the toolkit's own splitter.
    auto* central = new QSplitter(Qt::Vertical, this);
    central->setHandleWidth(5);
    central->setChildrenCollapsible(false);
    toolPanel_ = new QWidget(central);
    toolPanel_->setFixedHeight(33);
    central->addWidget(toolPanel_);

    // The tree with the filter bar above it and the find bar below it.
    auto* treePanel = new QWidget(central);
    auto* treeLayout = new QVBoxLayout(treePanel);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    rows_ = new DocumentTreeModel(document_, this);
    images_->giveTo(*rows_);
    selection_ = new Selection(*rows_, this);
    treeView_ = new DocumentTreeView(treePanel);
    treeView_->setSelection(*selection_);
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    applyHint(treeView_, "|An XML Tree of fields can be edited");
    filterBar_ = new FilterBar(*selection_, treePanel);
    treeLayout->addWidget(filterBar_);
    treeLayout->addWidget(treeView_, 1);
    findBar_ = new FindBar(document_, *selection_, treePanel);
    treeLayout->addWidget(findBar_);
    central->addWidget(treePanel);
    central->setStretchFactor(1, 1);
    setCentralWidget(central);

    auto* status = statusBar();
    status->setAutoFillBackground(true);
    QPalette palette = status->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    status->setPalette(palette);

    connect(treeView_, &QAbstractItemView::clicked, this, &MainWindow::showDetailWindows);
    connect(treeView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        menu(Menu::TreePopup)->popup(treeView_->viewport()->mapToGlobal(position));
    });
    connect(findBar_, &FindBar::wrapped, this, [this](bool forward) {
        statusBar()->showMessage(forward ? tr("Passed the end of the document; continued from the top")
                                         : tr("Passed the top of the document; continued from the end"),
                                 5000);
    });
    connect(findBar_, &FindBar::closed, treeView_, [this] { treeView_->setFocus(Qt::OtherFocusReason); });
    for (const auto toTree : {&FilterBar::closed, &FilterBar::leftForTree})
        connect(filterBar_, toTree, treeView_, [this] { treeView_->setFocus(Qt::OtherFocusReason); });
    replace_ = new ReplaceDialog(document_, *selection_, this);
}

void MainWindow::createCommands() {
    auto* history = new HistoryActions(document_, this);
    actions_ = new ActionTable(
        {*files_, *treeCommands_, *sourceCommands_, *options_, *findBar_, *filterBar_, *replace_, *treeView_, *versions_,
         *exports_, *images_, *this},
        *history, this);
    actions_->fillMenuBar(menuBar());
    actions_->addToolButtons(toolPanel_);
    action(Command::UseAsXmlEditor)->setChecked(options_->usesXmlEditor());
    action(Command::RememberFileName)->setChecked(options_->remembersFileName());
    action(Command::KeepVersions)->setChecked(options_->keepsVersions());
    fillRecentMenu();
    // F6 and Shift+F6 move between the tree, the text frame and the details
    // window, from whichever of them has the keyboard.
    for (const bool forward : {true, false}) {
        auto* cycle = new QShortcut(forward ? QKeySequence(Qt::Key_F6) : QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
        cycle->setContext(Qt::ApplicationShortcut);
        connect(cycle, &QShortcut::activated, this, [this, forward] { cycleFocus(forward); });
    }
    // A folder chosen with the arrow keys shows its details on Return, as a
    // click shows them.
    auto* showDetails = new QShortcut(treeView_);
    showDetails->setKeys({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    showDetails->setContext(Qt::WidgetShortcut);
    connect(showDetails, &QShortcut::activated, this, &MainWindow::showDetailWindows);
}

void MainWindow::followFiles() {
    connect(files_, &DocumentFiles::remembered, this, &MainWindow::remember);
    connect(files_, &DocumentFiles::recentGone, this, [this](const QString& file) {
        recentFiles_->remove(file);
        fillRecentMenu();
    });
    connect(files_, &DocumentFiles::note, this, [this](const QString& text) { statusBar()->showMessage(text); });
}

void MainWindow::attachTextEditor(TextEditorWindow* textEditor) {
    textEditor_ = textEditor;
    textFrameView_ = std::make_unique<TextFrameView>(document_, *selection_, textEditor_->frame(), dialogs_);
    connect(findBar_, &FindBar::matchShown, textFrameView_.get(), &TextFrameView::showMatch);
    connect(replace_, &ReplaceDialog::matchShown, textFrameView_.get(), &TextFrameView::showMatch);
    actions_->reachKeys(treeView_, textEditor_);
    arrangement_.placePanels(*this, *textEditor_->frameDocking(), *details_->panelDocking());
    applyXmlEditorOption(options_->usesXmlEditor());
}

TextEditorWindow* MainWindow::textEditor() const { return textEditor_; }

void MainWindow::attachRecovery(RecoveryStore& store, Autosave& autosave) { files_->attachRecovery(store, autosave); }

// ---- The files ----

void MainWindow::startUp() {
    if (activated_) return;
    activated_ = true;
    if (textEditor_) textEditor_->showFrame();
    files_->startUp({startupFile_, rememberedFile_, options_->remembersFileName()});
}

void MainWindow::remember(const QString& file) {
    settings_.writeText("MyFileName", file);
    recentFiles_->add(file);
    fillRecentMenu();
}

void MainWindow::fillRecentMenu() {
    QMenu* recent = menu(Menu::Recent);
    // The list may change while one of its items is being chosen.
    for (QAction* old : recent->actions()) {
        recent->removeAction(old);
        old->deleteLater();
    }
    const QStringList files = recentFiles_->files();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        // An "&" in the path is shown as it is, not taken for a shortcut key.
        const QString shown = QString(file).replace("&", "&&");
        connect(recent->addAction(QString("&%1 %2").arg(QString::number(i + 1), shown)), &QAction::triggered, this,
                [this, file] { files_->openRecent(file); });
    }
    recent->menuAction()->setEnabled(!files.isEmpty());
}

// ---- The details ----

void MainWindow::showDetailWindows() {
    if (textEditor_) textEditor_->showFrame();
    applyXmlEditorOption(options_->usesXmlEditor());
}

void MainWindow::applyXmlEditorOption(bool use) {
    details_->setShown(use);
    action(Command::ViewSource)->setVisible(use);
}

void MainWindow::cycleFocus(bool forward) {
    TextFrame* frame = textEditor_ ? textEditor_->frame() : nullptr;
    const bool details = options_->usesXmlEditor();
    const QWidget* focused = QApplication::focusWidget();
    // 0 the tree (or anything else), 1 the text frame, 2 the details window.
    int panel = 0;
    if (focused && details && details_->panel()->isAncestorOf(focused))
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
        target = frame->textEdit();
    } else if (panel == 2) {
        details_->setShown(true);
        target = details_->attributesGrid();
    }
    target->window()->raise();
    target->window()->activateWindow();
    target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// ---- The window ----

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) startUp();
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Not every desktop activates a new window; the start-up load must run anyway.
    if (!activated_) QMetaObject::invokeMethod(this, &MainWindow::startUp, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!files_->maySetAside()) {
        event->ignore();
        return;
    }
    event->accept();
    if (textEditor_ && !options_->positionsReset())
        arrangement_.storePanels(*textEditor_->frameDocking(), *details_->panelDocking());
    if (textEditor_) textEditor_->hide();
    details_->hide();
    source_->hide();
    emit closed();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (options_ && !options_->positionsReset() && isVisible()) WindowPlacement(this, "Organiser_", settings_).store();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (options_ && !options_->positionsReset()) {
        ++resizeCount_;
        if (resizeCount_ > 1) WindowPlacement(this, "Organiser_", settings_).store();
    }
    if (details_) details_->writeGridHeadings();
}
