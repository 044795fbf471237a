#include "tree/SourceCommands.h"

#include <QFileInfo>

#include "document/Commands.h"
#include "document/Document.h"
#include "document/DocumentTreeModel.h"
#include "document/InsertedXml.h"
#include "document/ReadFile.h"
#include "document/SaveAs.h"
#include "document/Selection.h"
#include "document/UserQuestions.h"
#include "editors/SourceViewer.h"
#include "tree/XmlClipboard.h"

using corvantis::DOMNode;

SourceCommands::SourceCommands(Document& document, Selection& selection, UserQuestions& dialogs, SourceViewer& viewer,
                               QObject* parent)
    : QObject(parent),
      document_(document),
      selection_(selection),
      dialogs_(dialogs),
      viewer_(viewer) {}

void SourceCommands::insertFromFile() {
    DOMNode* target = selection_.currentNode();
    if (!target || !target->parentNode() || !document_.commitPendingEdits()) return;
    const QString chosen = dialogs_.openFileName(openFileRequest(document_));
    if (chosen.isEmpty()) return;

    QByteArray bytes;
    FileError readFailure;
    if (readWholeFile(chosen, bytes, readFailure) != ReadResult::Read) {
        dialogs_.showFileError(readFailure);
        return;
    }

    InsertedXml inserted;
    try {
        inserted = readInsertedXml(document_, bytes, QFileInfo(chosen).fileName());
    } catch (const std::exception& failure) {
        dialogs_.showFileError(FileError::ofReading(chosen, failure));
        return;
    }
    bytes = QByteArray();
    insert(std::move(inserted), document_.dom().placeFor(target, corvantis::Under),
           tr("Insert From File '%1'").arg(QFileInfo(chosen).fileName()), "The file", "Insert Error");
    selection_.select(target);
}

void SourceCommands::pasteFromClipboard(corvantis::InsertPosition position) {
    DOMNode* target = selection_.currentNode();
    if (!document_.dom().placeFor(target, position)) return;
    QByteArray bytes;
    switch (xmlFromClipboard(bytes)) {
        case ClipboardXml::Nothing:
            return;
        case ClipboardXml::TooLarge:
            dialogs_.inform(QString("The clipboard holds more than %1 MiB. Save it as a file and use Insert From File.")
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
        dialogs_.inform(inserted.refusal, inserted.refusalCaption);
        return nullptr;
    }
    DOMNode* first = nullptr;
    for (int i = 0; i < inserted.nodes->childCount() && !first; ++i)
        if (inserted.nodes->childAt(i)->nodeType() == corvantis::ELEMENT) first = inserted.nodes->childAt(i);
    if (inserted.nodes->childCount() > 0)
        document_.push(std::make_unique<InsertFragment>(document_, place, std::move(inserted.nodes), step));
    // As after a paste, the tree is shown whole.
    selection_.rows().expandAll();
    if (const corvantis::DOMError& error = inserted.error; error.code == corvantis::DOMError::TooManyEndTags) {
        dialogs_.inform(QString("%1 has an end tag without a start tag at line %2, column %3. "
                                "It was read up to there.")
                            .arg(source)
                            .arg(error.line)
                            .arg(error.column),
                        caption);
    }
    return first;
}

void SourceCommands::showSubtreeSource() {
    const DOMNode* node = selection_.currentNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    viewer_.showText([this, node] { return document_.dom().serialize(node); });
}
