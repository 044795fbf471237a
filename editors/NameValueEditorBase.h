// The attributes and processing-instruction editors: a two-column grid of
// name and value, and below it a single-line field for the name and a
// multi-line field for the value. Choosing a row copies it into the fields;
// every refresh empties them.
#pragma once

#include "editors/DetailEditorBase.h"

class QLineEdit;
class QPlainTextEdit;

class NameValueEditorBase : public DetailEditorBase {
    Q_OBJECT
protected:
    NameValueEditorBase(const DetailEditorContext& context, corvantis::DOMNode* node,
                        const DetailEditorDesign& design, const QString& nameLabel);

    QLineEdit* nameEdit() const { return nameEdit_; }
    QPlainTextEdit* valueMemo() const { return valueMemo_; }

    // Shows `rows` (name, value) in the grid and empties both fields.
    void showRows(const std::vector<QStringList>& rows);
    void rowChosen() override;

private:
    QLineEdit* nameEdit_ = nullptr;
    QPlainTextEdit* valueMemo_ = nullptr;
};
