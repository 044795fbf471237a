// The steps of the undo history. Each changes the document through
// Document, so the views follow. A command keeps what it took out of the
// tree (never a copy of the document) and frees it only while it still owns
// it, that is while it is out of the tree. A step that runs out of memory
// (std::bad_alloc) has changed nothing and still owns what it held.
#pragma once

#include <memory>
#include <vector>

#include <QUndoCommand>

#include "core/Dom.h"
#include "document/Document.h"
#include "document/FileEncoding.h"

class DocumentCommand : public QUndoCommand {
public:
    ~DocumentCommand() override;

    // The node the selection goes to once the step is undone or redone;
    // null leaves the selection to the view. Unless a step says otherwise,
    // the node it concerns.
    virtual corvantis::DOMNode* selectedAfterUndo() const { return concerns_; }
    virtual corvantis::DOMNode* selectedAfterRedo() const { return concerns_; }

protected:
    DocumentCommand(Document& document, const QString& text, corvantis::DOMNode* concerns = nullptr)
        : QUndoCommand(text), document_(document), concerns_(concerns) {}

    // The changes of the document's tree, which only commands make.
    corvantis::NodePlace detach(corvantis::DOMNode* node);
    void attach(corvantis::DOMNode* node, corvantis::NodePlace place);
    void moveChildren(corvantis::DOMNode* from, int first, int count, corvantis::DOMNode* to, int at);
    void setName(corvantis::DOMNode* node, const corvantis::StringObject& name);
    void setValue(corvantis::DOMNode* node, const corvantis::StringObject& value);
    void setAttribute(corvantis::DOMNode* element, const corvantis::StringObject& name,
                      const corvantis::StringObject& value);
    void removeAttribute(corvantis::DOMNode* element, const corvantis::StringObject& name);
    void insertAttributeAt(corvantis::DOMNode* element, int index, const corvantis::Attr& attribute);
    void setFileEncoding(const FileEncoding& encoding);
    void exchangeStrings(std::vector<StringChange>& changes);

    Document& document_;
    corvantis::DOMNode* concerns_;
};

// Puts a subtree that is in no tree at a place: a new folder, a pasted
// copy, a new comment or processing instruction.
class PlaceSubtree : public DocumentCommand {
public:
    // `selectedBefore` is where the selection goes back to on undo.
    PlaceSubtree(Document& document, std::unique_ptr<corvantis::DOMNode> subtree, corvantis::NodePlace place,
                 const QString& text, corvantis::DOMNode* selectedBefore = nullptr);
    ~PlaceSubtree() override;

    corvantis::DOMNode* node() const { return node_; }
    void redo() override;
    void undo() override;
    corvantis::DOMNode* selectedAfterUndo() const override { return selectedBefore_; }
    corvantis::DOMNode* selectedAfterRedo() const override { return node_; }

private:
    std::unique_ptr<corvantis::DOMNode> owned_;
    corvantis::DOMNode* node_;
    corvantis::NodePlace place_;
    corvantis::DOMNode* selectedBefore_;
};

// Takes a node with its subtree out of the tree: a deleted folder, comment
// or processing instruction.
class RemoveSubtree : public DocumentCommand {
public:
    // `selectedAfterUndo` defaults to the node itself.
    RemoveSubtree(Document& document, corvantis::DOMNode* node, const QString& text,
                  corvantis::DOMNode* selectedAfterUndo = nullptr);
    ~RemoveSubtree() override;

    void redo() override;
    void undo() override;
    corvantis::DOMNode* selectedAfterRedo() const override { return nullptr; }

private:
    std::unique_ptr<corvantis::DOMNode> owned_;
    corvantis::DOMNode* node_;
    corvantis::NodePlace place_;
};

// Moves a subtree beside or under a target (a cut and paste). The node
// keeps its identity.
class MoveSubtree : public DocumentCommand {
public:
    MoveSubtree(Document& document, corvantis::DOMNode* node, corvantis::DOMNode* target,
                corvantis::InsertPosition position, const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* node_;
    corvantis::DOMNode* target_;
    corvantis::InsertPosition position_;
    corvantis::NodePlace from_;
};

// Puts what a file or the clipboard held at a place: the nodes read, in
// their order.
class InsertFragment : public DocumentCommand {
public:
    // `fragment` holds the nodes read, as its children.
    InsertFragment(Document& document, corvantis::NodePlace place,
                   std::unique_ptr<corvantis::DOMNode> fragment, const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::NodePlace place_;
    // Holds the nodes while they are out of the tree.
    std::unique_ptr<corvantis::DOMNode> fragment_;
    int count_;
};

// Two element siblings swap places: each takes the other's position among
// the children, and what stands between them stays where it is.
class SwapElements : public DocumentCommand {
public:
    // `moved` is the one the user moves; the selection stays with it.
    SwapElements(Document& document, corvantis::DOMNode* moved, corvantis::DOMNode* other,
                 const QString& text);

    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();

    corvantis::DOMNode* moved_;
    corvantis::DOMNode* other_;
};

// A new name for an element.
class RenameElement : public DocumentCommand {
public:
    RenameElement(Document& document, corvantis::DOMNode* element, const corvantis::StringObject& name,
           const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* element_;
    corvantis::StringObject oldName_;
    corvantis::StringObject newName_;
};

// A new value for a leaf: a comment's text, a processing instruction's
// data. The selection goes to the element whose details show it.
class SetNodeValue : public DocumentCommand {
public:
    SetNodeValue(Document& document, corvantis::DOMNode* node, const corvantis::StringObject& value,
             const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* node_;
    corvantis::StringObject oldValue_;
    corvantis::StringObject newValue_;
};

// The text typed for an element: the value of its first TEXT child, which
// is made, first among the children, when there is none. Typing on one
// element that follows typing on the same element merges into one step.
class SetElementText : public DocumentCommand {
public:
    SetElementText(Document& document, corvantis::DOMNode* element, const corvantis::StringObject& text,
                   const QString& label);
    ~SetElementText() override;

    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override;
    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* element_;
    // The TEXT child that was there, or the one this step made (owned while
    // it is out of the tree).
    corvantis::DOMNode* textNode_;
    std::unique_ptr<corvantis::DOMNode> madeText_;
    bool made_;
    corvantis::StringObject oldValue_;
    corvantis::StringObject newValue_;
};

// Sets an attribute: a new one goes last, an existing one keeps its place.
class SetAttribute : public DocumentCommand {
public:
    SetAttribute(Document& document, corvantis::DOMNode* element, const corvantis::StringObject& name,
                 const corvantis::StringObject& value, const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* element_;
    corvantis::StringObject name_;
    corvantis::StringObject value_;
    bool existed_;
    corvantis::StringObject oldValue_;
};

// Removes an attribute; undo puts it back at its old position.
class RemoveAttribute : public DocumentCommand {
public:
    // The element must have an attribute of that name.
    RemoveAttribute(Document& document, corvantis::DOMNode* element, int index, const QString& text);

    void redo() override;
    void undo() override;

private:
    corvantis::DOMNode* element_;
    int index_;
    corvantis::Attr attribute_;
};

// Gives the XML declaration new data through `declarationStep` and has the
// document's file store its text in another encoding from then on, as one
// step; undo goes back to the old one.
class ChangeEncoding : public DocumentCommand {
public:
    // The document must hold nothing `encoding` cannot (EncodingLimits tells).
    ChangeEncoding(Document& document, std::unique_ptr<DocumentCommand> declarationStep, const FileEncoding& encoding,
                   const QString& text);

    void redo() override;
    void undo() override;
    corvantis::DOMNode* selectedAfterUndo() const override { return declarationStep_->selectedAfterUndo(); }
    corvantis::DOMNode* selectedAfterRedo() const override { return declarationStep_->selectedAfterRedo(); }

private:
    std::unique_ptr<DocumentCommand> declarationStep_;
    FileEncoding before_;
    FileEncoding after_;
};

// New values for names, texts and attribute values, any number at once (a
// Replace, a Replace All). The step holds one string per change: the one
// that is not in the tree.
class ReplaceStrings : public DocumentCommand {
public:
    // `concerns` is where the selection goes on undo and redo; null leaves it.
    ReplaceStrings(Document& document, std::vector<StringChange> changes, const QString& text,
                   corvantis::DOMNode* concerns = nullptr);

    void redo() override { exchangeStrings(changes_); }
    void undo() override { exchangeStrings(changes_); }

private:
    std::vector<StringChange> changes_;
};
