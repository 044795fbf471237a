// The document model: nodes (DOMNode), the document that owns them (DOM), its
// reader (parse), writer (serialize) and the tree operations the editing
// commands use. Nothing here throws except on exhausted memory; results report
// refusals (none, false, 0, the empty string).
//
// When memory runs out, std::bad_alloc leaves the tree as it was: an
// operation that changes the tree either completes or changes nothing, a
// read leaves none of its nodes behind, and destroying a tree needs no
// memory. Element numbers and paths are brought up to date again when next
// read.
//
// The values of TEXT nodes and of attributes are character data: the
// characters an XML reader reads there, references replaced, in the form
// CharacterData.h describes. Every other name and value holds its bytes as
// read.
//
// Every walk over the tree is iterative, so documents of any depth are safe.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "Attrlists.h"
#include "StringObject.h"

namespace corvantis {

enum NodeType : std::uint8_t {
    NONE = 0,
    ELEMENT = 1,
    ATTRIBUTE = 2,
    TEXT = 3,
    CDATA_SECTION = 4,
    ENTITY_REFERENCE = 5,
    ENTITY = 6,
    PROCESSING_INSTRUCTION = 7,
    COMMENT = 8,
    DOCUMENT = 9,
    DOCUMENT_TYPE = 10,
    DOCUMENT_FRAGMENT = 11,
    NOTATION = 12,
};

// Where a new or pasted element goes relative to a target.
enum InsertPosition : int {
    AtEnd = 0,   // last child of the target's parent
    Before = 1,  // immediately before the target
    Under = 2,   // last child of the target
    After = 3,   // immediately after the target
};

class DOM;
class DOMNode;

// Where a node stands: its parent and its position among the parent's
// children. Without a parent it names no place.
struct NodePlace {
    DOMNode* parent = nullptr;
    int index = 0;

    explicit operator bool() const noexcept { return parent != nullptr; }
};

class DOMNode final {
public:
    // ELEMENT and DOCUMENT nodes get empty child and attribute lists; other
    // kinds have neither. `owner` may be null.
    DOMNode(NodeType type, DOM* owner) noexcept
        : nodeType_(type), ownerOrMore_(reinterpret_cast<std::uintptr_t>(owner)) {}
    DOMNode(const DOMNode&) = delete;
    DOMNode& operator=(const DOMNode&) = delete;
    // Nodes come from a pool: documents hold millions of them.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
    // Destroys the attributes and the whole subtree (without recursion). Does
    // not detach the node from its parent: callers do that first.
    ~DOMNode();

    NodeType nodeType() const noexcept { return nodeType_; }
    bool isContainer() const noexcept { return nodeType_ == ELEMENT || nodeType_ == DOCUMENT; }
    // '*', '?' or '+' read from a tag name; a space when there is none.
    char occurrence() const noexcept { return occurrence_; }
    // Brought up to date first when the document's shape changed since.
    inline std::int32_t elementNumber() const;
    const StringObject& prefix() const noexcept { return hasMore() ? moreBlock()->prefix : emptyString(); }
    const StringObject& nodeName() const noexcept { return nameIsMain() ? main_ : otherString(); }
    const StringObject& nodeValue() const noexcept { return nameIsMain() ? otherString() : main_; }
    DOM* ownerDocument() const noexcept {
        return hasMore() ? moreBlock()->owner : reinterpret_cast<DOM*>(ownerOrMore_);
    }
    DOMNode* parentNode() const noexcept { return parentNode_; }

    // The element's location: the names of its last pathDepth() elements on
    // the way down from the top, itself included, joined by "/" (an empty
    // name is left out with its "/"). Derived from
    // the current names, so it is built on request and costs no memory per
    // level; empty for nodes other than elements. After a change of the
    // document's shape it names every element down from the top, as the
    // renumbering will.
    StringObject path() const;
    inline std::int32_t pathDepth() const;

    void setNodeName(StringObject name) {
        if (nameIsMain())
            main_ = std::move(name);
        else
            setOther(std::move(name));
    }
    void setNodeValue(StringObject value) {
        if (nameIsMain())
            setOther(std::move(value));
        else
            main_ = std::move(value);
    }
    void setPrefix(const StringObject& prefix);
    void setOccurrence(char marker) noexcept { occurrence_ = marker; }
    void setElementNumber(std::int32_t n) noexcept { elementNumber_ = n; }
    void setPathDepth(std::int32_t depth) noexcept { pathDepth_ = depth; }
    void setParentNode(DOMNode* parent) noexcept { parentNode_ = parent; }

    // Children (null lists for leaf kinds).
    NodeList* childNodes() noexcept { return isContainer() ? &childNodes_ : nullptr; }
    const NodeList* childNodes() const noexcept { return isContainer() ? &childNodes_ : nullptr; }
    int childCount() const noexcept { return childNodes_.count(); }
    DOMNode* childAt(int index) const noexcept { return childNodes_.at(index); }
    void appendChild(DOMNode* node) {
        if (!isContainer() || !node) return;
        childNodes_.append(node);
        node->parentNode_ = this;
    }
    void prependChild(DOMNode* node);
    // Negative counts as 0; at or past the end appends.
    void insertChildAt(int index, DOMNode* node);
    // Takes the child out without destroying it; false if it is not a child.
    bool detachChild(DOMNode* node);
    // Takes the child out and destroys it with its subtree; false if it is not a child.
    bool removeChild(DOMNode* node);

    // Text: the n-th TEXT child, counting TEXT children only.
    bool hasTextChild() const noexcept { return childNodes_.textCount() > 0; }
    int textChildCount() const noexcept { return childNodes_.textCount(); }
    DOMNode* textChild(int n = 0) const noexcept;
    StringObject getText(int n = 0) const;
    // Sets the n-th TEXT child's value; with no such child, a new TEXT node is
    // made and put first among the children (whatever n was).
    void setText(const StringObject& text, int n = 0);

    // Attributes (ELEMENT and DOCUMENT only).
    AttributeList* attributes() noexcept { return isContainer() ? &attributes_ : nullptr; }
    const AttributeList* attributes() const noexcept { return isContainer() ? &attributes_ : nullptr; }
    int attributeCount() const noexcept { return attributes_.count(); }
    Attr* attributeAt(int index) noexcept { return attributes_.at(index); }
    const Attr* attributeAt(int index) const noexcept { return attributes_.at(index); }
    // True when an attribute of that name existed and its value was replaced;
    // false when one was appended or the node has no attributes.
    bool setAttribute(const StringObject& name, const StringObject& value, std::uint8_t flag = 0);
    bool removeAttribute(const StringObject& name);
    // Puts an attribute whose name the node does not have yet at `index`
    // (clamped to the list), so a removed attribute can go back to its place.
    void insertAttributeAt(int index, const Attr& attribute);

private:
    friend class DOM;

    // What few nodes have: an element's prefix, and the one of name and
    // value that its kind does not keep in `main_`. Made when first given;
    // it then keeps the owning document too.
    struct More {
        StringObject other;
        StringObject prefix;
        DOM* owner = nullptr;
    };
    // Elements, the document node and processing instructions keep their
    // name in `main_`, every other kind its value.
    bool nameIsMain() const noexcept { return isContainer() || nodeType_ == PROCESSING_INSTRUCTION; }
    const StringObject& otherString() const noexcept { return hasMore() ? moreBlock()->other : emptyString(); }
    bool hasMore() const noexcept { return (ownerOrMore_ & moreTag) != 0; }
    More* moreBlock() const noexcept { return reinterpret_cast<More*>(ownerOrMore_ & ~moreTag); }
    // An empty string given to a node without More needs none made.
    void setOther(StringObject text);
    static const StringObject& emptyString() noexcept;
    More& more();

    NodeType nodeType_;
    char occurrence_ = ' ';
    std::int32_t elementNumber_ = 0;
    std::int32_t pathDepth_ = 0;
    StringObject main_;
    // The owning document (may be null) or, with the low bit set, the More
    // block, which then holds it: few nodes have More, so the owner and More
    // share one field and a node takes 64 bytes, a million of them 8 MB less.
    static constexpr std::uintptr_t moreTag = 1;
    std::uintptr_t ownerOrMore_;
    DOMNode* parentNode_ = nullptr;
    // Both empty for leaves: only containers ever fill them.
    NodeList childNodes_;
    AttributeList attributes_;
};

// The outcome of the last parse.
struct DOMError {
    static constexpr std::uint8_t NoError = 0;
    // An end tag closed more elements than were open (or, reading into a
    // start node, would have closed the start node itself).
    static constexpr std::uint8_t TooManyEndTags = 11;

    std::int32_t line = 0;
    std::int32_t column = 0;
    std::uint8_t code = NoError;
};

class DOM {
public:
    // Makes the document node with the given name and an empty element index.
    explicit DOM(const StringObject& name);
    DOM(const DOM&) = delete;
    DOM& operator=(const DOM&) = delete;
    ~DOM();

    DOMNode* documentNode() const noexcept { return documentNode_.get(); }
    // Every element in document order; brought up to date first when the
    // document's shape changed since it was last built.
    const DOMList& elementIndex() const;
    const DOMError& error() const noexcept { return error_; }

    // Replaces the whole tree by an empty document node named "My FileName"
    // and clears the element index; the error record stays.
    void reset();
    // Makes a node of this DOM as the last child of `parent` (an ELEMENT or
    // the DOCUMENT node); an element is entered in the element index.
    DOMNode* createNode(NodeType type, DOMNode* parent);
    // The first ELEMENT child of the document node, or none.
    DOMNode* rootElement() const noexcept;

    // Reads XML bytes (need not be zero-terminated) as new children of
    // `start` (null: the document node). Never rejects input. References are
    // replaced in character data (CharacterData.h); in element and attribute
    // names only the five predefined ones ("&lt;" ...), since XML allows none
    // there; comments, processing instructions, CDATA sections and
    // declarations are kept byte for byte. Returns 1 when
    // the input was read to its end, 0 when an end tag would have closed
    // `start` itself; then error() holds code 11 and where it happened, and
    // the nodes read so far stay. Memory running out on the way (a throw)
    // leaves `start` without any of them.
    int parse(const char* bytes, std::size_t length, DOMNode* start = nullptr);

    // The XML text of `node` (null: the whole document) and its subtree.
    // What it escapes, so that a reader reads back what the tree holds:
    //   - in character data, '&', '<', '>', '"' and '\'' as "&amp;", "&lt;",
    //     "&gt;", "&quot;" and "&apos;"; a kept reference is written as it
    //     was read, a zero byte of the text as one zero byte;
    //   - in an attribute value also tab, line feed and carriage return, as
    //     "&#9;", "&#10;" and "&#13;";
    //   - of a TEXT made of blanks alone (space, tab, line feed, carriage
    //     return), its last blank as "&#32;", "&#9;", "&#10;" or "&#13;";
    //   - in element and attribute names the same five markup characters,
    //     except an '&' that begins a character reference;
    //   - nothing in processing instructions, comments, CDATA sections and
    //     declarations.
    // Everything else is written as the tree holds it, bytes unchanged.
    StringObject serialize(const DOMNode* node = nullptr) const;
    // The whole document's text, written while another thread may ask it to
    // stop (it then returns false soon, `out` untouched). The tree must not
    // change meanwhile: it is only read.
    bool serialize(StringObject& out, const std::atomic<bool>& stop) const;
    // Appends the text of `node` at indentation `level` to `output`.
    static void serializeNode(const DOMNode* node, int level, StringObject& output);
    // Appends `text`, the value of a TEXT, escaped as serialize writes it.
    static void escapeText(const StringObject& text, StringObject& output);

    // A copy of `source` and its whole subtree, owned by this DOM and in no
    // tree: it names the source's parent until it is placed.
    DOMNode* copySubtree(const DOMNode* source);
    // Rebuilds the element index, element numbers, paths and parent links.
    // Every change of shape leaves this to be done when the numbering is
    // next read, so an edit costs in proportion to what it changes.
    void renumberElements();

    // The changes of shape, each reversible, as an undo history makes them:
    // a new or copied subtree is attached where placeFor says, a moved one
    // is detached and attached again, a deleted one detached (and kept or
    // freed by the caller). A node taken out keeps its whole subtree and can
    // be put back where it stood.
    //
    // Where `position` relative to `target` puts a new or pasted element;
    // no place when the tree operations would refuse it. A document left
    // without an element takes a new top element under its document node.
    NodePlace placeFor(const DOMNode* target, InsertPosition position) const;
    // Where `node` stands; no place for a node without a parent.
    NodePlace placeOf(const DOMNode* node) const;
    // Takes `node` with its subtree out of its parent and returns where it
    // stood; the caller owns it from then on. No place for a node without a
    // parent.
    NodePlace detach(DOMNode* node);
    // Puts a node without a parent at `place`; a position past the last
    // child appends.
    void attach(DOMNode* node, NodePlace place);
    // Moves `count` children of `from` from position `first` on, in their
    // order, to position `at` among `to`'s children (past the end: after
    // the last); either may be in no tree. A count past the end takes the
    // rest.
    void moveChildren(DOMNode* from, int first, int count, DOMNode* to, int at);
    // True when `node` is in this document's tree.
    bool contains(const DOMNode* node) const noexcept;
    // Reads XML bytes, as parse does, into a new element of this document
    // that is in no tree: what the bytes hold are its children. error()
    // tells whether the read stopped early.
    std::unique_ptr<DOMNode> parseFragment(const char* bytes, std::size_t length);

    // A whole document's tree of this DOM that is not its document yet: a
    // document is read in while the one there is stays as it was, and takes
    // its place only once the read is complete.
    struct Tree {
        std::unique_ptr<DOMNode> documentNode;
        DOMList elementIndex;
        DOMError error;
    };
    // Reads XML bytes, as parse does into a document node of their own,
    // named `name`. Nothing of this DOM changes: another thread may go on
    // reading it meanwhile.
    Tree readTree(const char* bytes, std::size_t length, const StringObject& name);
    // Makes `tree` the document, in place of the tree there was, which goes.
    // An index that does not hold the tree's elements must be renumbered.
    void adopt(Tree tree) noexcept;

private:
    friend class DOMNode;
    static std::unique_ptr<DOMNode> copyFields(const DOMNode* source, DOM* owner);
    // Reads into `start`, its elements entered in `index`, the outcome in `error`.
    int read(const char* bytes, std::size_t length, DOMNode* start, DOMList& index, DOMError& error);
    void numberingChanged() noexcept { numberingStale_ = true; }
    // Brings element numbers, paths and the index up to date when a change
    // of shape left them behind. Numbering is a cache of the tree's shape,
    // so reading it may refresh it.
    void refreshNumbering() const;

    std::unique_ptr<DOMNode> documentNode_;
    mutable DOMList elementIndex_;
    DOMError error_;
    mutable bool numberingStale_ = false;
};

inline std::int32_t DOMNode::elementNumber() const {
    if (DOM* owner = ownerDocument()) owner->refreshNumbering();
    return elementNumber_;
}

inline std::int32_t DOMNode::pathDepth() const {
    if (DOM* owner = ownerDocument()) owner->refreshNumbering();
    return pathDepth_;
}

inline const DOMList& DOM::elementIndex() const {
    refreshNumbering();
    return elementIndex_;
}

inline void DOM::refreshNumbering() const {
    if (!numberingStale_) return;
    // Elements may have left the tree: the index is built anew.
    elementIndex_.clear();
    const_cast<DOM*>(this)->renumberElements();
}

inline std::uint32_t NodeList::isText(const DOMNode* node) noexcept { return node && node->nodeType() == TEXT ? 1 : 0; }

inline DOMNode* NodeList::takeLast() noexcept {
    Block* b = block();
    if (!b) {
        DOMNode* node = entries_;
        entries_ = nullptr;
        return node;
    }
    if (b->count == 0) return nullptr;
    DOMNode* node = b->items()[--b->count];
    b->textCount -= isText(node);
    return node;
}

}  // namespace corvantis
