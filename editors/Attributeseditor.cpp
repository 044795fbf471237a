#include "editors/Attributeseditor.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "core/Dom.h"
#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "editors/DetailRows.h"
#include "document/DocumentText.h"

namespace {

DetailEditorDesign design() {
    DetailEditorDesign d;
    d.caption = "Element Node Attribributes Editor";
    d.heading = "Attributes";
    d.menuTitle = "Attribute";
    d.placementPrefix = "AttribEdit_";
    d.geometry = QRect(85, 15, 361, 332);
    d.gridHeadings = {"Name", "Value"};
    d.columnWidths = {165, 184};
    d.gridHeight = 100;
    d.gridHint =
        "Click to Select and Edit Attributes|click to edit Attributes or select Edit menu option then "
        "Attributes to "
        "edit Selected attributes";
    d.fitGridOnMouseRelease = true;
    return d;
}

}  // namespace

TAttribForm::TAttribForm(const DetailEditorContext& context, corvantis::DOMNode* node)
    : NameValueEditorBase(context, node, design(), "Name:") {
    AttribStringGrid()->setObjectName("AttribStringGrid");
    AttribNameEdit()->setObjectName("AttribNameEdit");
    AttribNameMemo()->setObjectName("AttribNameMemo");
    commandMenu()->addAction("Update", this, &TAttribForm::UpdateBitBtnClick);
    commandMenu()->addAction("Delete", this, &TAttribForm::DeleteBitBtnClick);
    commandMenu()->addAction("OK", this, &TAttribForm::OKBitBtnClick);
    commandMenu()->addAction("Refresh", this, &TAttribForm::RefreshMnuClick);
    connect(AttribNameMemo()->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (shownValue_.hasKeptReferences()) shownValue_.follow(AttribNameMemo()->toPlainText(), position);
    });
    startEditing();
}

void TAttribForm::GridClick() {
    NameValueEditorBase::GridClick();
    const corvantis::Attr* attribute = EditedNode() ? EditedNode()->attributeAt(chosenRow()) : nullptr;
    shownValue_ = attribute ? ShownData(attribute->value) : ShownData();
}

void TAttribForm::RefreshMnuClick() {
    if (EditedNode()) showRows(DetailRows::attributes(*EditedNode(), documentText()));
    shownValue_ = ShownData();
}

void TAttribForm::UpdateBitBtnClick() {
    corvantis::StringObject name;
    // A character the document cannot store is no name character either.
    if (!documentText().toBytes(AttribNameEdit()->text(), name) ||
        !corvantis::IsValidName(name, documentText().encoding())) {
        refuse("Not a Valid XML Name:", "Name Error");
        return;
    }
    corvantis::StringObject value;
    if (!storableValue(shownValue_, AttribNameMemo()->toPlainText(), value)) return;
    const int existing = EditedNode()->attributes()->indexOf(name);
    // Setting an attribute to the value it has changes nothing.
    if (existing < 0 || !EditedNode()->attributeAt(existing)->value.equals(value))
        document().push(new SetAttribute(document(), EditedNode(), name, value,
                                         tr("Set Attribute '%1'").arg(AttribNameEdit()->text())));
    RefreshMnuClick();
}

void TAttribForm::DeleteBitBtnClick() {
    corvantis::StringObject name;
    // A name the document cannot store is borne by no attribute; deleting a
    // name that is not there changes nothing.
    const int index = documentText().toBytes(AttribNameEdit()->text(), name) ? EditedNode()->attributes()->indexOf(name) : -1;
    if (index >= 0)
        document().push(
            new RemoveAttribute(document(), EditedNode(), index, tr("Delete Attribute '%1'").arg(AttribNameEdit()->text())));
    RefreshMnuClick();
}
