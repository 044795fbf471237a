#include "tree/SourceCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include "document/Commands.h"
#include "document/Document.h"
#include "editors/Showsource.h"
#include "tree/TreeSelection.h"
#include "widgets/UserDialogs.h"

using corvantis::DOMNode;

SourceCommands::SourceCommands(Document& document, TreeSelection& selection, UserDialogs& dialogs, TXMLSource& viewer,
                               QWidget* dialogParent)
    : QObject(dialogParent),
      document_(document),
      selection_(selection),
      dialogs_(dialogs),
      viewer_(viewer),
      dialogParent_(dialogParent) {}

void SourceCommands::showFileError() {
    dialogs_.inform(dialogParent_, "Can't perform one of the following file operations: Open, Seek, Read, Close.",
                    "File Error");
}

void SourceCommands::LoadFromFileButtonClick() {
    DOMNode* target = selection_.selectedNode();
    if (!target || !target->parentNode() || !document_.commitPendingEdits()) return;
    const QString chosen = dialogs_.openFileName(
        dialogParent_,
        {"Enter Velmora  FileName", "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*", document_.fileName(), QString()});
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

    // Read apart from the tree, so a failure leaves the document as it was.
    std::unique_ptr<DOMNode> fragment;
    try {
        fragment = document_.dom().parseFragment(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    } catch (const std::exception&) {
        showFileError();
        return;
    }
    bytes = QByteArray();
    const corvantis::DOMError error = document_.dom().error();
    if (fragment->childCount() > 0)
        document_.push(new InsertFragment(document_, document_.dom().placeFor(target, corvantis::Under),
                                          std::move(fragment),
                                          tr("Insert From File '%1'").arg(QFileInfo(chosen).fileName())));
    selection_.expandAll();
    selection_.select(target);
    if (error.code == corvantis::DOMError::TooManyEndTags) {
        dialogs_.inform(dialogParent_,
                        QString("The file has an end tag without a start tag at line %1, column %2. "
                                "It was read up to there.")
                            .arg(error.line)
                            .arg(error.column),
                        "Insert Error");
    }
}

void SourceCommands::SaveToViewButtonClick() {
    const DOMNode* node = selection_.selectedNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    viewer_.ShowText(document_.dom().serialize(node));
}
