#include "editors/Pieditor.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>

#include "core/Dom.h"
#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "editors/DetailRows.h"
#include "document/DocumentText.h"

using corvantis::DOMNode;

namespace {

DetailEditorDesign design() {
    DetailEditorDesign d;
    d.caption = "Processing Instructions Editor";
    d.heading = "Processing Instructions";
    d.menuTitle = "Processing Instruction";
    d.placementPrefix = "PIEditor_";
    d.geometry = QRect(166, 32, 361, 329);
    d.gridHeadings = {"PI Targer", "PI Value"};
    d.columnWidths = {165, 184};
    d.gridHeight = 116;
    d.gridHint =
        "Click to Select and Edit Processing Instructions |To edit Processing Instructions Click to Select "
        "and then "
        "Edit Processing Instructions and Update";
    return d;
}

}  // namespace

TPIEditorForm::TPIEditorForm(const DetailEditorContext& context, DOMNode* node)
    : NameValueEditorBase(context, node, design(), "Target:") {
    PIGrid()->setObjectName("PIGrid");
    TargetNameEdit()->setObjectName("TargetNameEdit");
    TargetNameMemo()->setObjectName("TargetNameMemo");
    commandMenu()->addAction("Update", this, &TPIEditorForm::UpdateBitBtnClick);
    commandMenu()->addAction("Delete", this, &TPIEditorForm::DeleteBitBtnClick);
    commandMenu()->addAction("Refresh", this, &TPIEditorForm::RefreshMnuClick);
    commandMenu()->addAction("OK", this, &TPIEditorForm::OKBitBtnClick);
    startEditing();
}

void TPIEditorForm::RefreshMnuClick() {
    if (EditedNode()) showRows(DetailRows::processingInstructions(*EditedNode(), documentText()));
}

void TPIEditorForm::UpdateBitBtnClick() {
    corvantis::StringObject target;
    // A character the document cannot store is no name character either.
    if (!documentText().toBytes(TargetNameEdit()->text(), target) ||
        !corvantis::IsValidName(target, documentText().encoding())) {
        refuse("Not a Valid Processing Instruction Target:", "Target Error");
        return;
    }
    corvantis::StringObject value;
    if (!storableMultiLine(TargetNameMemo()->toPlainText(), value)) return;
    if (!corvantis::IsValidPIValue(value)) {
        refuse("Not a Valid Processing Instruction Value:", "Value Error");
        return;
    }
    const QString name = TargetNameEdit()->text();
    if (DOMNode* existing = DetailRows::firstProcessingInstruction(*EditedNode(), target)) {
        // The value it has already changes nothing.
        if (!existing->nodeValue().equals(value))
            document().push(new SetNodeValue(document(), existing, value, tr("Update Processing Instruction '%1'").arg(name)));
    } else {
        auto instruction = std::make_unique<DOMNode>(corvantis::PROCESSING_INSTRUCTION, nullptr);
        instruction->setNodeName(target);
        instruction->setNodeValue(value);
        const corvantis::NodePlace end{EditedNode(), EditedNode()->childCount()};
        document().push(new PlaceSubtree(document(), std::move(instruction), end,
                                         tr("Add Processing Instruction '%1'").arg(name), EditedNode()));
    }
    RefreshMnuClick();
}

void TPIEditorForm::DeleteBitBtnClick() {
    corvantis::StringObject target;
    if (TargetNameEdit()->text().isEmpty() || !documentText().toBytes(TargetNameEdit()->text(), target))
        return;
    DOMNode* instruction = DetailRows::firstProcessingInstruction(*EditedNode(), target);
    if (!instruction) return;
    document().push(new RemoveSubtree(document(), instruction,
                                      tr("Delete Processing Instruction '%1'").arg(TargetNameEdit()->text()), EditedNode()));
    RefreshMnuClick();
}
