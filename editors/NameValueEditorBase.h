// The attributes and processing-instruction editors: a two-column grid of
// name and value, and below it a single-line field for the name and a
// multi-line field for the value. Choosing a row copies it into the fields.
// The grid highlights the row the name field names (the chosen one when
// the name is on several), or none; Delete is enabled only while there is
// one. Every refresh empties the fields.
#pragma once

#include "editors/DetailEditorBase.h"

class QAction;
class QLineEdit;
class QPlainTextEdit;

class NameValueEditorBase : public DetailEditorBase {
    Q_OBJECT
public:
    QAction* deleteItem() const { return deleteItem_; }

protected:
    NameValueEditorBase(const DetailEditorContext& context, corvantis::DOMNode* node,
                        const DetailEditorDesign& design, const QString& nameLabel);

    QLineEdit* nameEdit() const { return nameEdit_; }
    QPlainTextEdit* valueMemo() const { return valueMemo_; }

    // The menu's Delete, enabled with the Delete button.
    void setDeleteItem(QAction* item);
    // Shows `rows` (name, value) in the grid and empties both fields.
    void showRows(const std::vector<QStringList>& rows);
    // After an Update: the row named `name` is chosen, its fields filled.
    void chooseRowNamed(const QString& name);
    void rowChosen() override;

private:
    // The row named `name`: the current one when it is, else the first;
    // -1 for none (and for an empty name).
    int rowNamed(const QString& name) const;
    void followName();

    QLineEdit* nameEdit_ = nullptr;
    QPlainTextEdit* valueMemo_ = nullptr;
    QAction* deleteItem_ = nullptr;
};
