// CommentsEditor: the modal editor of the comments among one node's
// children. A comment is addressed by its number among the node's COMMENT
// children (shown in CommentNoLabel); Update rewrites that comment, Add New
// appends one, Delete removes it. Each change is in the document at once.
#pragma once

#include "editors/DetailEditorBase.h"

class QLabel;
class QPlainTextEdit;

class CommentsEditor : public DetailEditorBase {
    Q_OBJECT
public:
    CommentsEditor(const DetailEditorContext& context, corvantis::DOMNode* node);

    DetailStringGrid* commentsGrid() const { return grid(); }
    QPlainTextEdit* commentField() const { return commentMemo_; }
    QLabel* numberLabel() const { return commentNoLabel_; }
    QPushButton* addNewButton() const { return addNewButton_; }

public slots:
    void updateEntry() override;
    void addNew();
    void deleteEntry() override;
    void refresh() override;

protected:
    void rowChosen() override;

private:
    // The comment text as bytes, refused (with a message) when XML does not
    // allow it in a comment: "--" anywhere, or "-" at the end.
    bool acceptableComment(corvantis::StringObject& bytes);
    int shownNumber() const;

    QPlainTextEdit* commentMemo_ = nullptr;
    QLabel* commentNoLabel_ = nullptr;
    QPushButton* addNewButton_ = nullptr;
};
