#include "editing/SourceCommands.h"

#include <QAction>
#include <QFile>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/Treeorganizer.h"
#include "core/Dom.h"
#include "editors/Showsource.h"
#include "editors/UserDialogs.h"

using corvantis::DOMNode;

SourceCommands::SourceCommands(TVelmorant& window, UserDialogs& dialogs, TXMLSource& viewer)
    : QObject(&window), window_(window), dialogs_(dialogs), viewer_(viewer) {}

void SourceCommands::attach() {
    for (const char* name : {"InsertFromFile1", "InsertFromFileMnu"})
        connect(window_.Action(name), &QAction::triggered, this, &SourceCommands::LoadFromFileButtonClick);
    for (const char* name : {"SaveToShowSource1", "SaveToViewMnu"})
        connect(window_.Action(name), &QAction::triggered, this, &SourceCommands::SaveToViewButtonClick);
    connect(window_.Button("LoadFromFileButton"), &QToolButton::clicked, this,
            &SourceCommands::LoadFromFileButtonClick);
    connect(window_.Button("SaveToViewButton"), &QToolButton::clicked, this, &SourceCommands::SaveToViewButtonClick);
}

void SourceCommands::showFileError() {
    dialogs_.inform(&window_, "Can't perform one of the following file operations: Open, Seek, Read, Close.",
                    "File Error");
}

void SourceCommands::LoadFromFileButtonClick() {
    DOMNode* target = window_.SelectedNode();
    if (!target || !target->parentNode()) return;
    if (!window_.StoreEditedText()) return;
    const QString chosen =
        dialogs_.openFileName(&window_, {"Enter Velmora  FileName", "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*",
                                         window_.CurrentFileName(), QString()});
    if (chosen.isEmpty()) return;

    QFile file(chosen);
    if (!file.open(QIODevice::ReadOnly)) {
        showFileError();
        return;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        showFileError();
        return;
    }
    file.close();

    corvantis::DOM& document = window_.Document();
    int readToEnd = 1;
    try {
        window_.Changes().apply([&] {
            // The read stops at an end tag that would close the target, so
            // nothing of the file lands outside it.
            readToEnd = document.parse(bytes.constData(), static_cast<std::size_t>(bytes.size()), target);
            // The inserted elements' paths start with the target's.
            document.renumberElements();
        });
    } catch (const std::exception&) {
        // Part of the file may be in: the tree must show what is there.
        window_.BuildTree();
        selectAndShow(target);
        showFileError();
        return;
    }
    bytes = QByteArray();
    window_.BuildTree();
    selectAndShow(target);
    if (!readToEnd) {
        const corvantis::DOMError& error = document.error();
        dialogs_.inform(&window_,
                        QString("The file has an end tag without a start tag at line %1, column %2. "
                                "It was read up to there.")
                            .arg(error.line)
                            .arg(error.column),
                        "Insert Error");
    }
}

void SourceCommands::SaveToViewButtonClick() {
    const DOMNode* node = window_.SelectedNode();
    if (!node || !node->parentNode()) return;
    if (!window_.StoreEditedText()) return;
    viewer_.ShowText(window_.Document().serialize(node));
}

void SourceCommands::selectAndShow(const DOMNode* node) {
    QTreeWidget* tree = window_.TreeView();
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (TVelmorant::NodeOf(*it) == node) {
            tree->setCurrentItem(*it);
            window_.TreeViewClick();
            return;
        }
    }
}
