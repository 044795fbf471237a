#include "editors/ProcessingInstructionEditor.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>

#include "core/Dom.h"
#include "core/Functions.h"
#include "document/Commands.h"
#include "document/DeclaredEncoding.h"
#include "document/Document.h"
#include "editors/DetailRows.h"
#include "document/DocumentText.h"

using corvantis::DOMNode;

namespace {

DetailEditorDesign design() {
    DetailEditorDesign d;
    d.caption = "Processing Instructions Editor";
    d.heading = "Processing Instructions";
    d.menuTitle = "&Processing Instruction";
    d.placementPrefix = "PIEditor_";
    d.geometry = QRect(166, 32, 361, 329);
    d.gridHeadings = {"PI Target", "PI Value"};
    d.columnWidths = {165, 184};
    d.gridHeight = 116;
    d.gridHint =
        "Click to Select and Edit Processing Instructions |To edit Processing Instructions Click to Select "
        "and then "
        "Edit Processing Instructions and Update";
    return d;
}

}  // namespace

ProcessingInstructionEditor::ProcessingInstructionEditor(const DetailEditorContext& context, DOMNode* node)
    : NameValueEditorBase(context, node, design(), "Target:") {
    instructionsGrid()->setObjectName("PIGrid");
    targetField()->setObjectName("TargetNameEdit");
    valueField()->setObjectName("TargetNameMemo");
    commandMenu()->addAction("&Update", this, &ProcessingInstructionEditor::updateEntry);
    setDeleteItem(commandMenu()->addAction("&Delete", this, &ProcessingInstructionEditor::deleteEntry));
    commandMenu()->addAction("&Refresh", this, &ProcessingInstructionEditor::refresh);
    commandMenu()->addAction("&OK", this, &ProcessingInstructionEditor::closeEditor);
    startEditing();
}

void ProcessingInstructionEditor::refresh() {
    if (editedNode()) showRows(DetailRows::processingInstructions(*editedNode(), documentText()));
}

void ProcessingInstructionEditor::updateEntry() {
    corvantis::StringObject target;
    // A character the document cannot store is no name character either.
    if (!documentText().toBytes(targetField()->text(), target) ||
        !corvantis::IsValidName(target, documentText().encoding())) {
        refuseValue("Not a Valid Processing Instruction Target:", targetField()->text(), "Target Error");
        return;
    }
    const bool declaration = target.equals("xml") && !editedNode()->parentNode();
    if (!declaration && target.length() == 3 && target.findIgnoreCase("xml") == 0) {
        refuseValue("Not a Valid Processing Instruction Target:", targetField()->text(), "Target Error",
                    "\"xml\", in any case, is kept for the XML declaration, which stands first in the document. "
                    "Edit it on the document's top row, with the target \"xml\".");
        return;
    }
    corvantis::StringObject value;
    if (!storableMultiLine(valueField()->toPlainText(), value)) return;
    if (!corvantis::IsValidPIValue(value)) {
        refuseValue("Not a Valid Processing Instruction Value:", valueField()->toPlainText(), "Value Error");
        return;
    }
    const QString name = targetField()->text();
    if (declaration) {
        // A refusal keeps the fields as they are.
        if (!updateDeclaration(value)) return;
    } else if (DOMNode* existing = DetailRows::firstProcessingInstruction(*editedNode(), target)) {
        // The value it has already changes nothing.
        if (!existing->nodeValue().equals(value))
            document().push(std::make_unique<SetNodeValue>(document(), existing, value, tr("Update Processing Instruction '%1'").arg(name)));
    } else {
        document().push(placing(target, value, editedNode()->childCount()));
    }
    refresh();
    chooseRowNamed(name);
}

std::unique_ptr<DocumentCommand> ProcessingInstructionEditor::placing(const corvantis::StringObject& target,
                                                        const corvantis::StringObject& value, int at) {
    auto instruction = std::make_unique<DOMNode>(corvantis::PROCESSING_INSTRUCTION, nullptr);
    instruction->setNodeName(target);
    instruction->setNodeValue(value);
    return std::make_unique<PlaceSubtree>(document(), std::move(instruction), corvantis::NodePlace{editedNode(), at},
                                          tr("Add Processing Instruction '%1'").arg(targetField()->text()),
                                          editedNode());
}

bool ProcessingInstructionEditor::updateDeclaration(const corvantis::StringObject& value) {
    DOMNode* declaration = DetailRows::firstProcessingInstruction(*editedNode(), "xml");
    if (declaration && declaration->nodeValue().equals(value)) return true;
    const QString oldData = declaration ? documentText().toMultiLineText(declaration->nodeValue()) : QString();
    const DeclaredEncoding encoding = declaredEncoding(document(), oldData, valueField()->toPlainText());
    if (!encoding.refusal.isEmpty()) {
        refuseValue("Not a Valid Processing Instruction Value:", valueField()->toPlainText(), "Value Error", encoding.refusal);
        return false;
    }
    std::unique_ptr<DocumentCommand> step =
        declaration ? std::make_unique<SetNodeValue>(document(), declaration, value, tr("Update XML Declaration"))
                    : placing("xml", value, 0);
    if (encoding.convertTo)
        step = std::make_unique<ChangeEncoding>(document(), std::move(step), *encoding.convertTo,
                                                tr("Change Encoding to %1").arg(encoding.convertTo->text.encodingName()));
    document().push(std::move(step));
    return true;
}

void ProcessingInstructionEditor::deleteEntry() {
    corvantis::StringObject target;
    if (targetField()->text().isEmpty() || !documentText().toBytes(targetField()->text(), target))
        return;
    DOMNode* instruction = DetailRows::firstProcessingInstruction(*editedNode(), target);
    if (!instruction) return;
    document().push(std::make_unique<RemoveSubtree>(document(), instruction,
                                      tr("Delete Processing Instruction '%1'").arg(targetField()->text()), editedNode()));
    refresh();
}
