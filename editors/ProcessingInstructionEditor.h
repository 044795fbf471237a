// ProcessingInstructionEditor: the modal editor of the processing instructions among one
// node's children, addressed by target. Update changes the first instruction
// with the typed target or appends a new one; Delete removes the first one
// with that target. Each change is in the document at once.
//
// The target "xml" belongs to the XML declaration alone: it is refused in any
// letter case, except as "xml" on the document node, where Update changes the
// declaration (made first among the document node's children when there is
// none; typed text of the document node may stand before it).
#pragma once

#include <memory>

#include "editors/NameValueEditorBase.h"

class DocumentCommand;

class ProcessingInstructionEditor : public NameValueEditorBase {
    Q_OBJECT
public:
    ProcessingInstructionEditor(const DetailEditorContext& context, corvantis::DOMNode* node);

    DetailStringGrid* instructionsGrid() const { return grid(); }
    QLineEdit* targetField() const { return nameEdit(); }
    QPlainTextEdit* valueField() const { return valueMemo(); }

public slots:
    void updateEntry() override;
    void deleteEntry() override;
    void refresh() override;

private:
    // The step that puts a new instruction at position `at` among
    // EditedNode's children.
    std::unique_ptr<DocumentCommand> placing(const corvantis::StringObject& target,
                                             const corvantis::StringObject& value, int at);
    // Update of the declaration with the data `value`; a change of the
    // encoding it names converts the document's text in the same step, or
    // is refused with a message (false).
    bool updateDeclaration(const corvantis::StringObject& value);
};
