// AttributesEditor: the modal editor of one element's attributes. Update sets the
// attribute named in the name field (replacing its value in place, or
// appending it) and keeps it chosen, Delete removes the attribute of that
// name and leaves none chosen; each change is in the document at once.
// Values show and take text as an XML reader reads it (ShownData.h).
#pragma once

#include "document/ShownData.h"
#include "editors/NameValueEditorBase.h"

class AttributesEditor : public NameValueEditorBase {
    Q_OBJECT
public:
    AttributesEditor(const DetailEditorContext& context, corvantis::DOMNode* node);

    DetailStringGrid* attributesGrid() const { return grid(); }
    QLineEdit* nameField() const { return nameEdit(); }
    QPlainTextEdit* valueField() const { return valueMemo(); }

public slots:
    void updateEntry() override;
    void deleteEntry() override;
    void refresh() override;

protected:
    void rowChosen() override;

private:
    // What the value field shows of the chosen attribute's value.
    ShownData shownValue_;
};
