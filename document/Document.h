// The one open document: the tree of nodes, the encoding its text is kept
// in, the file it belongs to and its undo history. Every change to the tree
// is an undoable command pushed onto the history; the history's clean state
// is "no unsaved changes". Views follow the document through the signals
// below and never change it themselves.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QObject>
#include <QString>
#include <QUndoStack>

#include "core/Dom.h"
#include "core/Search.h"
#include "document/DocumentText.h"
#include "document/FileEncoding.h"
#include "document/FileError.h"
#include "document/FileIdentity.h"

class DocumentCommand;

// Text typed into a view that is not in the document yet. The document asks
// for it to be committed (as a command of its own) before any other change,
// before it is saved and before an undo.
class PendingEdit {
public:
    virtual ~PendingEdit() = default;
    virtual bool hasPendingEdit() const = 0;
    // False when the text cannot be kept (the user has been told why); it
    // then stays where it was typed.
    virtual bool commitPendingEdit() = 0;
};

// A new value for one of a node's strings: its name (SearchMatch::NamePart),
// a leaf's value (SearchMatch::ValuePart) or the value of its attribute i
// (2 * i + 1, as a match in it counts).
struct StringChange {
    corvantis::DOMNode* node;
    std::int32_t part;
    corvantis::StringObject value;
};

class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    const corvantis::DOM& dom() const { return *dom_; }
    corvantis::DOMNode* documentNode() const { return dom_->documentNode(); }
    // How the model's bytes read as characters.
    const DocumentText& text() const { return encoding_.text; }
    // How the document's file stores its text; every save writes it so.
    const FileEncoding& fileEncoding() const { return encoding_; }
    // The document's text `text` (the writer's output) as its file holds it:
    // `text` itself or, converted, `storage`.
    std::string_view fileBytes(const corvantis::StringObject& text, std::string& storage) const {
        return encoding_.toFile(text.view(), storage);
    }
    // The whole document as its file holds it: what every save writes.
    class FileBytes;
    FileBytes fileBytes() const;
    // What the document's file held when it was read: not Xml when it is
    // plainly no XML document, which no save has replaced since.
    FileContent fileContent() const { return content_; }
    // The file the document belongs to; "My FileName" for a new document.
    const QString& fileName() const { return fileName_; }
    // Made by New: it has no file of its own yet.
    bool isNew() const { return isNew_; }
    // The file as it was when last read or written here.
    const FileIdentity& fileIdentity() const { return fileIdentity_; }
    // A read-only document takes no changes (another program holds its file).
    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // Counts every change: equal counts mean an unchanged document.
    quint64 generation() const { return generation_; }

    const QUndoStack& history() const { return history_; }
    bool hasUnsavedChanges() const;
    // Text typed into a view that is not a step of the history yet.
    bool isTyping() const { return pendingEdit_ && pendingEdit_->hasPendingEdit(); }

    // True when `node` is one of the children first to last of `parent` or
    // lies below one of them.
    static bool isWithin(const corvantis::DOMNode* node, const corvantis::DOMNode* parent, int first, int last);

    // ---- Replacing the whole document (the history starts anew) ----
    // Each reads into a tree of its own and puts it in place only once it is
    // complete: when memory runs out, the document stays as it was.
    //
    // The New document: a declaration, "NewDocument" and one "NewFolder".
    void makeNew();
    // Reads the file's `bytes` as the document of `fileName`, in whatever
    // encoding they are (decodeFile). The document node is named
    // `documentName`. When memory runs out nothing changes, and the result
    // says so (for a "File Error" message box); otherwise it is no error.
    // Bytes handed over (moved in) are freed once read, before the views
    // build their rows, so that the file and the rows never take memory at once.
    // `survey` is the one readWholeFile made of them, if any.
    FileError load(QByteArray bytes, const QString& fileName, const QString& documentName,
                   const ByteSurvey& survey = {});
    static QString newDocumentName();
    // After a complete save under `fileName`: nothing is unsaved. A new
    // document stays new, so each Save asks for a name, until a file is opened.
    void saved(const QString& fileName);
    // Work brought back from a recovery file, as the document of
    // `original` (empty: a new document); it counts as unsaved. `bytes` are
    // the file text (FileEncoding::toFileText) of `encoding` as the work's
    // note recorded it (none: found from the bytes as for a file of 8-bit
    // text); `content` is what the original file held.
    // When memory runs out nothing changes, and the result says so, as for
    // load.
    FileError loadRecovered(const QByteArray& bytes, const QString& original,
                            const std::optional<FileEncoding>& encoding, FileContent content);
    // The document differs from its file though no step of its history says
    // so (a version brought back): it counts as unsaved until it is saved.
    void markUnsaved();
    // The user chose to drop the unsaved changes (the program ends without
    // them): what kept them for recovery goes.
    void dropChanges() { emit changesDropped(); }
    // The document's file is now `fileName`, though its save is not
    // confirmed on disk: the changes stay unsaved.
    void writtenTo(const QString& fileName);
    // Names the document node, the top row's caption.
    void setDocumentName(const QString& name);

    // ---- Changes ----
    void setPendingEdit(PendingEdit* edit) { pendingEdit_ = edit; }
    // Commits text still being typed; false when it cannot be stored.
    bool commitPendingEdits();
    // Tells the views that typed text came or went (the modified state).
    void pendingEditChanged();
    // Runs `command` and puts it on the history; false (and the command
    // dropped) while another command runs, which it would interleave with,
    // or while the document is read-only. A command that throws (memory ran
    // out) is dropped, and the exception goes on.
    bool push(std::unique_ptr<DocumentCommand> command);
    // Undo and Redo, after committing typed text. Each asks the views to
    // select the node the step concerns.
    void undo();
    void redo();

    // Nodes of this document that are in no tree yet, for a command to
    // place: a new node of `type`, a copy of `source` with its subtree, or
    // what XML `bytes` hold, as the children of a new element (`error`
    // tells whether the read stopped early).
    std::unique_ptr<corvantis::DOMNode> newNode(corvantis::NodeType type);
    std::unique_ptr<corvantis::DOMNode> copyOf(const corvantis::DOMNode* source);
    std::unique_ptr<corvantis::DOMNode> readFragment(const char* bytes, std::size_t length,
                                                     corvantis::DOMError& error);

signals:
    // The tree is about to change: whoever reads it on another thread stops.
    void aboutToChange();
    // The whole tree is about to be replaced / has been replaced.
    void aboutToReplace();
    void replaced();
    // The children of `parent` at positions first to last, with their
    // subtrees, are about to leave the tree: drop references to anything
    // within them (isWithin tells).
    void childrenAboutToLeave(corvantis::DOMNode* parent, int first, int last);
    // Children at positions first to last of `parent` came into the tree.
    void childrenArrived(corvantis::DOMNode* parent, int first, int last);
    void renamed(corvantis::DOMNode* element);
    // What the details show of `node` changed: its attributes, text,
    // comments or processing instructions.
    void detailsChanged(corvantis::DOMNode* node);
    // Names, texts or attribute values of many nodes changed at once (a
    // Replace All); the tree's shape stayed. Whatever shows any of them
    // shows them anew.
    void stringsChanged();
    void modifiedChanged(bool modified);
    void changesDropped();
    // The document now belongs to a file, or was written to it: what the
    // file looks like is known anew.
    void fileSet();
    // After an undo or redo: the node the step concerns, for the selection.
    void selectionRequested(corvantis::DOMNode* node);

private:
    // What the commands change the tree with, and nothing else does; each
    // tells the views.
    friend class DocumentCommand;
    corvantis::NodePlace detach(corvantis::DOMNode* node);
    void attach(corvantis::DOMNode* node, corvantis::NodePlace place);
    // Moves `count` children of `from` from position `first` on to position
    // `at` among `to`'s children; one of the two is in no tree.
    void moveChildren(corvantis::DOMNode* from, int first, int count, corvantis::DOMNode* to, int at);
    void setName(corvantis::DOMNode* node, const corvantis::StringObject& name);
    void setValue(corvantis::DOMNode* node, const corvantis::StringObject& value);
    void setAttribute(corvantis::DOMNode* element, const corvantis::StringObject& name,
                      const corvantis::StringObject& value);
    void removeAttribute(corvantis::DOMNode* element, const corvantis::StringObject& name);
    void insertAttributeAt(corvantis::DOMNode* element, int index, const corvantis::Attr& attribute);
    // Gives each change's string its value and keeps the value it had in
    // the change instead, so doing it again changes it back. Views hear of
    // it once, however many there are.
    void exchangeStrings(std::vector<StringChange>& changes);
    // The document's file stores its text in `encoding` from now on; the
    // document must hold nothing it cannot (EncodingLimits tells). The model
    // stays as it is: it holds UTF-8 for every encoding.
    void setFileEncoding(const FileEncoding& encoding);
    void changing();
    // The model's `bytes` read into a tree that is not the document yet;
    // throws std::bad_alloc when memory runs out.
    corvantis::DOM::Tree readTree(const QByteArray& bytes, const QString& documentName);
    // Makes `tree` the document, in place of the old one, which goes.
    void replaceWith(corvantis::DOM::Tree tree, const FileEncoding& encoding, FileContent content,
                     const QString& fileName, bool isNew);
    // A command is destroyed: the history took it, or dropped it.
    void commandGone(const DocumentCommand* command) {
        if (pushing_ == command) pushing_ = nullptr;
    }
    bool isInHistory(const DocumentCommand* command) const;
    // The node whose details show a change to `node`: its element or the
    // document node.
    static corvantis::DOMNode* detailsOwner(corvantis::DOMNode* node);

    class Running;

    std::unique_ptr<corvantis::DOM> dom_;
    FileEncoding encoding_;
    FileContent content_ = FileContent::Xml;
    QString fileName_;
    bool isNew_ = false;
    FileIdentity fileIdentity_;
    bool readOnly_ = false;
    quint64 generation_ = 0;
    QUndoStack history_;
    PendingEdit* pendingEdit_ = nullptr;
    bool running_ = false;
    // The command being pushed, until it is destroyed.
    const DocumentCommand* pushing_ = nullptr;
};

// The bytes a save writes: the writer's text, converted when the file keeps
// another encoding than the document holds its text in.
class Document::FileBytes {
public:
    std::string_view view() const { return converted_ ? std::string_view(storage_) : text_.view(); }

private:
    friend class Document;
    corvantis::StringObject text_;
    std::string storage_;
    bool converted_ = false;
};
