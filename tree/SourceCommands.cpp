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
#include "tree/XmlClipboard.h"
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

    InsertedXml inserted;
    try {
        inserted = readInsertedXml(document_, bytes, QFileInfo(chosen).fileName());
    } catch (const std::exception& failure) {
        dialogs_.showFileError(dialogParent_, FileError::ofReading(chosen, failure));
        return;
    }
    bytes = QByteArray();
    insert(std::move(inserted), document_.dom().placeFor(target, corvantis::Under),
           tr("Insert From File '%1'").arg(QFileInfo(chosen).fileName()), "The file", "Insert Error");
    selection_.select(target);
}

void SourceCommands::PasteFromClipboard(corvantis::InsertPosition position) {
    DOMNode* target = selection_.selectedNode();
    if (!document_.dom().placeFor(target, position)) return;
    QByteArray bytes;
    switch (xmlFromClipboard(bytes)) {
        case ClipboardXml::Nothing:
            return;
        case ClipboardXml::TooLarge:
            dialogs_.inform(
                dialogParent_,
                QString("The clipboard holds more than %1 MiB. Save it as a file and use Insert From File.")
                    .arg(ClipboardLimit >> 20),
                "Paste Error");
            return;
        case ClipboardXml::Read:
            break;
    }
    // Typed text goes in first: it may change the children the place counts.
    if (!document_.commitPendingEdits()) return;
    DOMNode* first = insert(readInsertedXml(document_, bytes, "The clipboard's XML", InsertedFrom::Clipboard),
                            document_.dom().placeFor(target, position), tr("Paste From Clipboard"),
                            "The clipboard's XML", "Paste Error");
    selection_.select(first ? first : target);
}

DOMNode* SourceCommands::insert(InsertedXml inserted, corvantis::NodePlace place, const QString& step,
                                const QString& source, const QString& caption) {
    if (!inserted.nodes) {
        dialogs_.inform(dialogParent_, inserted.refusal, inserted.refusalCaption);
        return nullptr;
    }
    DOMNode* first = nullptr;
    for (int i = 0; i < inserted.nodes->childCount() && !first; ++i)
        if (inserted.nodes->childAt(i)->nodeType() == corvantis::ELEMENT) first = inserted.nodes->childAt(i);
    if (inserted.nodes->childCount() > 0)
        document_.push(new InsertFragment(document_, place, std::move(inserted.nodes), step));
    // As after a paste, the tree is shown whole.
    selection_.expandAll();
    if (const corvantis::DOMError& error = inserted.error; error.code == corvantis::DOMError::TooManyEndTags) {
        dialogs_.inform(dialogParent_,
                        QString("%1 has an end tag without a start tag at line %2, column %3. "
                                "It was read up to there.")
                            .arg(source)
                            .arg(error.line)
                            .arg(error.column),
                        caption);
    }
    return first;
}

void SourceCommands::SaveToViewButtonClick() {
    const DOMNode* node = selection_.selectedNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    viewer_.ShowText([this, node] { return document_.dom().serialize(node); });
}
