#include "tree/SourceCommands.h"

#include <QFileInfo>
#include <QWidget>

#include "document/Commands.h"
#include "document/Document.h"
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

    try {
        insertXml(document_.dom().placeFor(target, corvantis::Under),
                  std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                  tr("Insert From File '%1'").arg(QFileInfo(chosen).fileName()), "The file", "Insert Error");
    } catch (const std::exception& failure) {
        dialogs_.showFileError(dialogParent_, FileError::ofReading(chosen, failure));
        return;
    }
    selection_.select(target);
}

DOMNode* SourceCommands::insertXml(corvantis::NodePlace place, std::string_view xml, const QString& step,
                                   const QString& source, const QString& caption) {
    // Read apart from the tree, so a failure leaves the document as it was.
    std::unique_ptr<DOMNode> fragment = document_.dom().parseFragment(xml.data(), xml.size());
    const corvantis::DOMError error = document_.dom().error();
    DOMNode* first = nullptr;
    for (int i = 0; i < fragment->childCount() && !first; ++i)
        if (fragment->childAt(i)->nodeType() == corvantis::ELEMENT) first = fragment->childAt(i);
    if (fragment->childCount() > 0)
        document_.push(new InsertFragment(document_, place, std::move(fragment), step));
    // As after a paste, the tree is shown whole.
    selection_.expandAll();
    if (error.code == corvantis::DOMError::TooManyEndTags) {
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

void SourceCommands::PasteFromClipboard(corvantis::InsertPosition position) {
    DOMNode* target = selection_.selectedNode();
    if (!document_.dom().placeFor(target, position)) return;
    corvantis::StringObject bytes;
    QString unstorable;
    switch (xmlFromClipboard(document_.text(), bytes, unstorable)) {
        case ClipboardXml::Nothing:
            return;
        case ClipboardXml::TooLarge:
            dialogs_.inform(
                dialogParent_,
                QString("The clipboard holds more than %1 MiB. Save it as a file and use Insert From File.")
                    .arg(ClipboardLimit >> 20),
                "Paste Error");
            return;
        case ClipboardXml::Unstorable:
            dialogs_.inform(dialogParent_, document_.text().unstorableMessage(unstorable), "Text Error");
            return;
        case ClipboardXml::Read:
            break;
    }
    // Typed text goes in first: it may change the children the place counts.
    if (!document_.commitPendingEdits()) return;
    DOMNode* first = insertXml(document_.dom().placeFor(target, position), bytes.view(),
                               tr("Paste From Clipboard"), "The clipboard's XML", "Paste Error");
    selection_.select(first ? first : target);
}

void SourceCommands::SaveToViewButtonClick() {
    const DOMNode* node = selection_.selectedNode();
    if (!node || !node->parentNode() || !document_.commitPendingEdits()) return;
    viewer_.ShowText([this, node] { return document_.dom().serialize(node); });
}
