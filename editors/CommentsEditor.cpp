#include "editors/CommentsEditor.h"

#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "core/Dom.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "editors/DetailRows.h"
#include "widgets/Hints.h"

using corvantis::DOMNode;

namespace {

DetailEditorDesign design() {
    DetailEditorDesign d;
    d.caption = "Comments Editor";
    d.heading = "Comments";
    d.menuTitle = "&Comment";
    d.placementPrefix = "CommentEdit_";
    d.geometry = QRect(127, 31, 358, 330);
    d.columnWidths = {389};
    d.gridHeight = 124;
    return d;
}

}  // namespace

CommentsEditor::CommentsEditor(const DetailEditorContext& context, DOMNode* node)
    : DetailEditorBase(context, node, design()) {
    commentsGrid()->setObjectName("CommentStringGrid");
    commentsGrid()->setSelectionMode(QAbstractItemView::ContiguousSelection);

    commentMemo_ = new QPlainTextEdit(this);
    commentMemo_->setObjectName("CommentMemo");
    applyHint(commentMemo_,
              "Edit Selected Comment|Select a Comment, See the comment number and then edit it, just Add new "
              "for new "
              "comment");
    commentNoLabel_ = new QLabel("0", this);
    commentNoLabel_->setObjectName("CommentNoLabel");
    commentNoLabel_->setAlignment(Qt::AlignCenter);
    commentNoLabel_->setMinimumWidth(32);
    fieldsLayout()->addWidget(new QLabel("Comment", this), 0, 0);
    fieldsLayout()->addWidget(new QLabel("No:", this), 0, 2);
    fieldsLayout()->addWidget(commentNoLabel_, 0, 3);
    fieldsLayout()->addWidget(commentMemo_, 1, 0, 1, 4);
    fieldsLayout()->setColumnStretch(1, 1);
    fieldsLayout()->setRowStretch(1, 1);

    addNewButton_ = addButtonBeforeOK("Add New");
    connect(addNewButton_, &QPushButton::clicked, this, &CommentsEditor::addNew);

    commandMenu()->addAction("&Add New", this, &CommentsEditor::addNew);
    commandMenu()->addAction("&Update", this, &CommentsEditor::updateEntry);
    commandMenu()->addAction("&Delete", this, &CommentsEditor::deleteEntry);
    commandMenu()->addAction("&Refresh", this, &CommentsEditor::refresh);
    commandMenu()->addAction("&OK", this, &CommentsEditor::closeEditor);
    startEditing();
}

void CommentsEditor::refresh() {
    if (editedNode()) grid()->showRows(DetailRows::comments(*editedNode(), documentText()));
}

void CommentsEditor::rowChosen() {
    const int row = chosenRow();
    commentMemo_->setPlainText(grid()->cell(0, row));
    commentNoLabel_->setNum(row);
}

int CommentsEditor::shownNumber() const { return commentNoLabel_->text().toInt(); }

bool CommentsEditor::acceptableComment(corvantis::StringObject& bytes) {
    const QString text = commentMemo_->toPlainText();
    const char* why = nullptr;
    if (text.contains("-->"))
        why = "Illegal characters '-->' in Comment ";
    else if (text.contains("--"))
        why = "Illegal characters '--' in Comment: XML allows no two hyphens in a row inside a comment.";
    else if (text.endsWith('-'))
        why = "Illegal character '-' at the end of the Comment: with the closing '-->' it would make two hyphens "
              "in a row.";
    if (why) {
        refuse(why, "No Update");
        return false;
    }
    return storableMultiLine(text, bytes);
}

void CommentsEditor::updateEntry() {
    corvantis::StringObject text;
    if (!acceptableComment(text)) return;
    DOMNode* comment = DetailRows::commentAt(*editedNode(), shownNumber());
    // A number that names no comment, or the text it has, changes nothing.
    if (!comment || comment->nodeValue().equals(text)) return;
    document().push(std::make_unique<SetNodeValue>(document(), comment, text, tr("Update Comment")));
    refresh();
}

void CommentsEditor::addNew() {
    corvantis::StringObject text;
    if (!acceptableComment(text)) return;
    auto comment = std::make_unique<DOMNode>(corvantis::COMMENT, nullptr);
    comment->setNodeValue(text);
    const corvantis::NodePlace end{editedNode(), editedNode()->childCount()};
    document().push(std::make_unique<PlaceSubtree>(document(), std::move(comment), end, tr("Add Comment"), editedNode()));
    refresh();
}

void CommentsEditor::deleteEntry() {
    if (DOMNode* comment = DetailRows::commentAt(*editedNode(), shownNumber()))
        document().push(std::make_unique<RemoveSubtree>(document(), comment, tr("Delete Comment"), editedNode()));
    commentNoLabel_->setNum(0);
    commentMemo_->clear();
    refresh();
}
