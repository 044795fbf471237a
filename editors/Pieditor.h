// TPIEditorForm: the modal editor of the processing instructions among one
// node's children, addressed by target. Update changes the first instruction
// with the typed target or appends a new one; Delete removes the first one
// with that target. Each change is in the document at once.
#pragma once

#include "editors/NameValueEditorBase.h"

class TPIEditorForm : public NameValueEditorBase {
    Q_OBJECT
public:
    TPIEditorForm(const DetailEditorContext& context, corvantis::DOMNode* node);

    DetailStringGrid* PIGrid() const { return grid(); }
    QLineEdit* TargetNameEdit() const { return nameEdit(); }
    QPlainTextEdit* TargetNameMemo() const { return valueMemo(); }

public slots:
    void UpdateBitBtnClick() override;
    void DeleteBitBtnClick() override;
    void RefreshMnuClick() override;
};
