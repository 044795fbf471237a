#include "editors/VersionsWindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "editors/SourceViewer.h"

namespace {

enum Column { SavedColumn, SizeColumn, FoldersColumn };

}  // namespace

VersionsWindow::VersionsWindow(DocumentFiles& files, SourceViewer& viewer, QWidget* parent)
    : QDialog(parent), files_(files), viewer_(viewer) {
    auto* layout = new QVBoxLayout(this);
    problem_ = new QLabel;
    problem_->setWordWrap(true);
    layout->addWidget(problem_);
    list_ = new QTreeWidget;
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({"Saved", "Size", "Folders"});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox;
    show_ = buttons->addButton("&Show", QDialogButtonBox::ActionRole);
    restore_ = buttons->addButton("&Restore", QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    resize(420, 320);

    connect(show_, &QPushButton::clicked, this, &VersionsWindow::showSelected);
    connect(restore_, &QPushButton::clicked, this, &VersionsWindow::restoreSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(list_, &QTreeWidget::itemActivated, this, &VersionsWindow::showSelected);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        show_->setEnabled(selected());
        restore_->setEnabled(selected());
    });
    connect(&files_, &DocumentFiles::versionsChanged, this, [this] {
        if (isVisible()) refill();
    });
    counting_.setSingleShot(true);
    counting_.setInterval(0);
    connect(&counting_, &QTimer::timeout, this, &VersionsWindow::countNextFolders);
}

void VersionsWindow::showVersions() {
    refill();
    show();
    raise();
    activateWindow();
}

void VersionsWindow::refill() {
    versions_ = files_.versions();
    setWindowTitle(QString("Versions of %1").arg(QFileInfo(files_.document().fileName()).fileName()));
    QString said = files_.versionProblem();
    if (versions_.isEmpty()) said += (said.isEmpty() ? "" : "\n") + QString("No versions of this document have been kept.");
    problem_->setText(said);
    problem_->setVisible(!said.isEmpty());
    list_->clear();
    const QLocale locale;
    for (const Version& version : versions_) {
        auto* row = new QTreeWidgetItem(list_);
        row->setText(SavedColumn, locale.toString(version.saved, QLocale::ShortFormat));
        row->setText(SizeColumn, locale.formattedDataSize(version.size, 1));
        row->setText(FoldersColumn, "…");
        row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(FoldersColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    list_->setCurrentItem(list_->topLevelItem(0));
    show_->setEnabled(selected());
    restore_->setEnabled(selected());
    counted_ = 0;
    counting_.start();
}

void VersionsWindow::countNextFolders() {
    if (counted_ >= versions_.size() || !isVisible()) return;
    const qint64 folders = VersionStore::folderCount(versions_.at(counted_));
    list_->topLevelItem(counted_)->setText(FoldersColumn, folders < 0 ? QString("?") : QLocale().toString(folders));
    ++counted_;
    counting_.start();
}

const Version* VersionsWindow::selected() const {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    return row >= 0 && row < versions_.size() ? &versions_.at(row) : nullptr;
}

void VersionsWindow::showSelected() {
    const Version* version = selected();
    corvantis::StringObject text;
    if (!version || !files_.versionText(*version, text)) return;
    viewer_.showText([&text] { return std::move(text); });
}

void VersionsWindow::restoreSelected() {
    const Version* version = selected();
    // A copy: the save the question may start lists the versions anew.
    if (version && files_.restoreVersion(Version(*version))) hide();
}
