#include "editors/AttributesEditor.h"

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
    d.caption = "Element Node Attributes Editor";
    d.heading = "Attributes";
    d.menuTitle = "&Attribute";
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

AttributesEditor::AttributesEditor(const DetailEditorContext& context, corvantis::DOMNode* node)
    : NameValueEditorBase(context, node, design(), "Name:") {
    attributesGrid()->setObjectName("AttribStringGrid");
    nameField()->setObjectName("AttribNameEdit");
    valueField()->setObjectName("AttribNameMemo");
    commandMenu()->addAction("&Update", this, &AttributesEditor::updateEntry);
    setDeleteItem(commandMenu()->addAction("&Delete", this, &AttributesEditor::deleteEntry));
    commandMenu()->addAction("&OK", this, &AttributesEditor::closeEditor);
    commandMenu()->addAction("&Refresh", this, &AttributesEditor::refresh);
    connect(valueField()->document(), &QTextDocument::contentsChange, this, [this](int position, int, int) {
        if (shownValue_.hasKeptReferences()) shownValue_.follow(valueField()->toPlainText(), position);
    });
    startEditing();
}

void AttributesEditor::rowChosen() {
    NameValueEditorBase::rowChosen();
    const corvantis::Attr* attribute = editedNode() ? editedNode()->attributeAt(chosenRow()) : nullptr;
    shownValue_ = attribute ? ShownData(attribute->value) : ShownData();
}

void AttributesEditor::refresh() {
    if (editedNode()) showRows(DetailRows::attributes(*editedNode(), documentText()));
    shownValue_ = ShownData();
}

void AttributesEditor::updateEntry() {
    corvantis::StringObject name;
    // A character the document cannot store is no name character either.
    if (!documentText().toBytes(nameField()->text(), name) ||
        !corvantis::IsValidName(name, documentText().encoding())) {
        refuseValue("Not a Valid XML Name:", nameField()->text(), "Name Error");
        return;
    }
    corvantis::StringObject value;
    if (!storableValue(shownValue_, valueField()->toPlainText(), value)) return;
    const QString typed = nameField()->text();
    const int existing = editedNode()->attributes()->indexOf(name);
    // Setting an attribute to the value it has changes nothing.
    if (existing < 0 || !editedNode()->attributeAt(existing)->value.equals(value))
        document().push(std::make_unique<SetAttribute>(document(), editedNode(), name, value,
                                         tr("Set Attribute '%1'").arg(typed)));
    refresh();
    chooseRowNamed(typed);
}

void AttributesEditor::deleteEntry() {
    corvantis::StringObject name;
    // A name the document cannot store is borne by no attribute; deleting a
    // name that is not there changes nothing.
    const int index = documentText().toBytes(nameField()->text(), name) ? editedNode()->attributes()->indexOf(name) : -1;
    if (index < 0) return;
    document().push(
        std::make_unique<RemoveAttribute>(document(), editedNode(), index, tr("Delete Attribute '%1'").arg(nameField()->text())));
    refresh();
}
