#include "tree/SourceCommands.h"

#include <QFileInfo>
#include <QWidget>

#include "document/Commands.h"
#include "document/Document.h"
#include "document/InsertedXml.h"
#include "document/ReadFile.h"
#include "editors/SaveAs.h"
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

void SourceCommands::LoadFromFileButtonClick() {
    DOMNode* target = selection_.selectedNode();
    if (!target || !target->parentNode() || !document_.commitPendingEdits()) return;
    const QString chosen = dialogs_.openFileName(dialogParent_, {"Enter Velmora  FileName",
                                                                 "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*",
                                                                 document_.fileName(), fileDialogFolder(document_)});
    if (chosen.isEmpty()) return;

    QByteArray bytes;
    FileError readFailure;
    if (readWholeFile(chosen, bytes, readFailure) != ReadResult::Read) {
        dialogs_.showFileError(dialogParent_, readFailure);
        return;
    }

    // Read apart from the tree, so a failure or refusal leaves the document as it was.
    InsertedXml inserted;
    try {
        inserted = readInsertedXml(document_, bytes, QFileInfo(chosen).fileName());
    } catch (const std::exception& failure) {
        dialogs_.showFileError(dialogParent_, FileError::ofReading(chosen, failure));
        return;
    }
    bytes = QByteArray();
    if (!inserted.nodes) {
        dialogs_.inform(dialogParent_, inserted.refusal, inserted.refusalCaption);
        return;
    }
    if (inserted.nodes->childCount() > 0)
        document_.push(new InsertFragment(document_, target, std::move(inserted.nodes),
                                          tr("Insert From File '%1'").arg(QFileInfo(chosen).fileName())));
    selection_.expandAll();
    selection_.select(target);
    if (const corvantis::DOMError& error = inserted.error; error.code == corvantis::DOMError::TooManyEndTags) {
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
