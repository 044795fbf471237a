// TAttribForm: the modal editor of one element's attributes. Update sets the
// attribute named in the name field (replacing its value in place, or
// appending it), Delete removes the attribute of that name; each change is in
// the document at once. Values show and take text as an XML reader reads it
// (ShownData.h).
#pragma once

#include "document/ShownData.h"
#include "editors/NameValueEditorBase.h"

class TAttribForm : public NameValueEditorBase {
    Q_OBJECT
public:
    TAttribForm(const DetailEditorContext& context, corvantis::DOMNode* node);

    DetailStringGrid* AttribStringGrid() const { return grid(); }
    QLineEdit* AttribNameEdit() const { return nameEdit(); }
    QPlainTextEdit* AttribNameMemo() const { return valueMemo(); }

public slots:
    void UpdateBitBtnClick() override;
    void DeleteBitBtnClick() override;
    void RefreshMnuClick() override;

protected:
    void GridClick() override;

private:
    // What the value field shows of the chosen attribute's value.
    ShownData shownValue_;
};
