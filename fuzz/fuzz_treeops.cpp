// A small organiser is read into a document, then the input bytes drive a
// sequence of the program's own commands on nodes picked from the element
// index: new folders, copies, moves, deletions, typed text, attributes,
// renames, swaps and inserted fragments, each pushed onto the document's
// history as the windows push it. After every step the tree must be sound
// and numbered in document order, and each command must have done exactly
// what it stands for; where the rules refuse a place, nothing is pushed.
// Every step is then undone through the history, back to the bytes first
// read, and redone to the bytes last written. At the end the document must
// write and read back with the same elements and attributes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <QByteArray>

#include "Require.h"
#include "core/CharacterData.h"
#include "core/Dom.h"
#include "document/Commands.h"
#include "document/Document.h"

namespace {

using namespace corvantis;
using corvantis::fuzz::require;

const char kSeed[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<!-- organiser -->\r\n"
    "<Notes owner=\"me\">\r\n"
    " <Work state=\"open\">plans<Monday/><Tuesday due=\"2026-01-02\">call<!-- late --><?mark "
    "x?></Tuesday></Work>\r\n"
    " <Home><Garden size=\"small\" colour=\"green\"/><Kitchen>soup &amp; bread</Kitchen></Home>\r\n"
    " <Travel><Trip><Day>one</Day><Day>two</Day></Trip></Travel>\r\n"
    "</Notes>";

// Copies can double the tree at each step; past this size they are skipped
// so that every run stays fast.
constexpr int kMaxElements = 400;
constexpr int kMaxSteps = 64;

// The input read one decision at a time; zeros once it runs out.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool exhausted() const { return position_ >= size_; }
    std::uint8_t next() { return exhausted() ? 0 : data_[position_++]; }
    int below(int n) { return next() % n; }

    // Any bytes, up to `maxLength` of them.
    StringObject bytes(int maxLength) {
        StringObject text;
        for (int length = below(maxLength + 1); length > 0; --length) text.append(static_cast<char>(next()));
        return text;
    }
    // Character data of any bytes, up to `maxLength` of them, as a typed
    // text is held (a zero byte is doubled).
    StringObject characterData(int maxLength) {
        std::string text;
        for (int length = below(maxLength + 1); length > 0; --length) text.push_back(static_cast<char>(next()));
        std::string data;
        appendCharacters(data, text);
        return StringObject(data);
    }
    // A valid attribute name from a small alphabet, so names repeat often.
    StringObject name() {
        static const char letters[] = "abxy";
        StringObject text;
        for (int length = 1 + below(3); length > 0; --length) {
            text.append(letters[below(4)]);
        }
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

bool isTopLevel(const DOMNode* node) {
    return node->parentNode() != nullptr && node->parentNode()->nodeType() == DOCUMENT;
}

bool isAncestorOrSelf(const DOMNode* ancestor, const DOMNode* node) {
    for (; node != nullptr; node = node->parentNode()) {
        if (node == ancestor) {
            return true;
        }
    }
    return false;
}

int positionInParent(const DOMNode* node) { return node->parentNode()->childNodes()->indexOf(node); }

bool isLastChild(const DOMNode* node, const DOMNode* parent) {
    return parent->childAt(parent->childCount() - 1) == node;
}

// The tree is sound and numbered in document order: from 1 as a read
// numbers it, from 0 once a change renumbered it.
void requireSound(const DOM& dom) {
    const int first = dom.elementIndex().count() > 0 ? dom.elementIndex().at(0)->elementNumber() : 0;
    require(first == 0 || first == 1, "the elements are not numbered from 0 or 1");
    fuzz::requireSound(dom, first);
}

class Session {
public:
    explicit Session(Choices& choices) : choices_(choices) {
        document_.load(QByteArray(kSeed), QString(), "Corvantis");
        requireSound(dom());
    }

    void run() {
        const StringObject first = dom().serialize();
        for (int step = 0; step < kMaxSteps && !choices_.exhausted(); ++step) {
            operate();
            requireSound(dom());
        }
        const StringObject last = dom().serialize();
        const int steps = document_.history().index();
        while (document_.history().canUndo()) {
            document_.undo();
            requireSound(dom());
        }
        require(dom().serialize() == first, "undoing every step did not give the document first read");
        while (document_.history().canRedo()) {
            document_.redo();
            requireSound(dom());
        }
        require(document_.history().index() == steps, "redo did not reach the last step");
        require(dom().serialize() == last, "redoing every step did not give the document last written");
        checkWritesAndReadsBack();
    }

private:
    const DOM& dom() const { return document_.dom(); }

    template <class Command, class... Arguments>
    void push(Arguments&&... arguments) {
        const int before = document_.history().index();
        require(document_.push(std::make_unique<Command>(document_, std::forward<Arguments>(arguments)...)),
                "the document refused a command");
        require(document_.history().index() <= before + 1, "one command made more than one step");
    }

    void operate() {
        switch (choices_.below(9)) {
            case 0: insert(); break;
            case 1: paste(false); break;
            case 2: paste(true); break;
            case 3: remove(); break;
            case 4: setText(); break;
            case 5: setAttribute(); break;
            case 6: removeAttribute(); break;
            case 7: renameOrSwap(); break;
            default: insertFragment(); break;
        }
    }

    // An element from the index, or now and then the document node, which
    // the rules refuse as a target beside or (while it has an element) under.
    DOMNode* pickContainer() {
        const int high = choices_.next();
        const int low = choices_.next();
        const int count = dom().elementIndex().count();
        if (high == 0xFF || count == 0) {
            return dom().documentNode();
        }
        return dom().elementIndex().at((high << 8 | low) % count);
    }
    // A container, or one of its children of any kind.
    DOMNode* pickNode() {
        DOMNode* container = pickContainer();
        if ((choices_.next() & 1) != 0 && container->childCount() > 0) {
            return container->childAt(choices_.below(container->childCount()));
        }
        return container;
    }
    InsertPosition pickPosition() { return static_cast<InsertPosition>(choices_.below(4)); }

    // Where the rules put a new or pasted node; none where they refuse.
    NodePlace placeFor(const DOMNode* target, InsertPosition position) const {
        const NodePlace place = dom().placeFor(target, position);
        const bool refused = target->parentNode() == nullptr
                                 ? !(position == Under && dom().rootElement() == nullptr)
                                 : position != Under && isTopLevel(target);
        require(static_cast<bool>(place) != refused, "placeFor broke the rules of where a node may go");
        return place;
    }

    // Where `placed` went, against `target` and `position`.
    void requirePlaced(const DOMNode* placed, const DOMNode* target, InsertPosition position, const DOMNode* receiver) {
        require(placed->parentNode() == receiver, "a node went to the wrong parent");
        if (position == Before) {
            require(positionInParent(placed) + 1 == positionInParent(target), "Before did not put it just before its target");
        } else if (position == After) {
            require(positionInParent(placed) == positionInParent(target) + 1, "After did not put it just after its target");
        } else {
            require(isLastChild(placed, receiver), "a node placed at the end is not the last child");
        }
    }

    void insert() {
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        const NodePlace place = placeFor(target, position);
        if (!place) return;
        const int elements = dom().elementIndex().count();
        std::unique_ptr<DOMNode> folder = document_.newNode(ELEMENT);
        folder->setNodeName("NewFolder");
        const DOMNode* made = folder.get();
        push<PlaceSubtree>(std::move(folder), place, "insert", target);
        require(made->nodeType() == ELEMENT && made->childCount() == 0 && made->attributeCount() == 0,
                "a new folder is not empty");
        if (target->parentNode() == nullptr) {
            require(dom().rootElement() == made, "the new top element is not the document's element");
        } else {
            requirePlaced(made, target, position, position == Under ? target : target->parentNode());
        }
        require(dom().elementIndex().count() == elements + 1, "an insert did not add one element");
    }

    void paste(bool move) {
        DOMNode* source = pickNode();
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        // The commands never place the document node, nor move a subtree into itself.
        if (source->parentNode() == nullptr || (move && isAncestorOrSelf(source, target))) return;
        const int elements = dom().elementIndex().count();
        const int sourceElements = static_cast<int>(checks::elementCount(source));
        if (!move && elements + sourceElements > kMaxElements) return;
        const NodePlace place = placeFor(target, position);
        if (!place || target->parentNode() == nullptr) return;
        if (move && place.parent == source->parentNode() &&
            (place.index == positionInParent(source) || place.index == positionInParent(source) + 1)) {
            return;  // it would land where it is: the commands push nothing
        }
        DOMNode* receiver = position == Under ? target : target->parentNode();
        const std::string sourceBefore = checks::fingerprint(source);
        DOMNode* placed = source;
        if (move) {
            push<MoveSubtree>(source, target, position, "move");
        } else {
            std::unique_ptr<DOMNode> copy = document_.copyOf(source);
            placed = copy.get();
            push<PlaceSubtree>(std::move(copy), place, "copy", target);
        }
        require(checks::fingerprint(placed) == sourceBefore, "the pasted subtree differs from its source as it was");
        requirePlaced(placed, target, position, receiver);
        require(dom().elementIndex().count() == elements + (move ? 0 : sourceElements),
                "a paste changed the number of elements wrongly");
    }

    void remove() {
        DOMNode* node = pickNode();
        if (node->parentNode() == nullptr) return;  // the commands never delete the document node
        const int elements = dom().elementIndex().count();
        const int removed = static_cast<int>(checks::elementCount(node));
        push<RemoveSubtree>(node, "delete");
        require(node->parentNode() == nullptr && !dom().contains(node), "a deleted node is still in the tree");
        require(dom().elementIndex().count() == elements - removed,
                "a delete left the wrong number of elements");
    }

    void setText() {
        DOMNode* node = pickContainer();
        const StringObject text = choices_.characterData(16);
        if (node->parentNode() == nullptr) return;  // the document node takes no typed text
        const bool had = node->hasTextChild();
        if (text == node->getText(0) && (had || text.empty())) return;  // typing that changes nothing
        push<SetElementText>(node, text, "typing");
        require(node->getText(0) == text, "typed text is not the element's first text");
        require(had || text.empty() || node->childAt(0)->nodeType() == TEXT, "new text does not come first");
    }

    void setAttribute() {
        DOMNode* node = pickContainer();
        if (node->parentNode() == nullptr) return;
        const StringObject name = choices_.name();
        const StringObject value = choices_.characterData(16);
        const int count = node->attributeCount();
        const int existing = node->attributes()->indexOf(name);
        push<SetAttribute>(node, name, value, "attribute");
        require(node->attributeCount() == count + (existing >= 0 ? 0 : 1), "setting an attribute changed the count wrongly");
        const Attr* attr = node->attributeAt(existing >= 0 ? existing : count);
        require(attr != nullptr && attr->name == name && attr->value == value, "an attribute holds the wrong value");
    }

    void removeAttribute() {
        DOMNode* node = pickContainer();
        const int count = node->attributeCount();
        if (count == 0) return;
        const int at = choices_.below(count);
        const StringObject name = node->attributeAt(at)->name;
        push<RemoveAttribute>(node, at, "remove attribute");
        require(node->attributeCount() == count - 1 && node->attributes()->indexOf(name) < 0,
                "removing an attribute left it or took another");
    }

    // A new name, or a swap with the next element sibling.
    void renameOrSwap() {
        DOMNode* node = pickContainer();
        if (node->parentNode() == nullptr) return;
        if ((choices_.next() & 1) == 0) {
            const StringObject name = choices_.name();
            if (name == node->nodeName()) return;
            push<RenameElement>(node, name, "rename");
            require(node->nodeName() == name, "a rename did not take");
            return;
        }
        DOMNode* parent = node->parentNode();
        DOMNode* next = nullptr;
        for (int i = positionInParent(node) + 1; i < parent->childCount() && !next; ++i)
            if (parent->childAt(i)->nodeType() == ELEMENT) next = parent->childAt(i);
        if (!next) return;
        const int nodeAt = positionInParent(node);
        const int nextAt = positionInParent(next);
        push<SwapElements>(node, next, "swap");
        require(positionInParent(node) == nextAt && positionInParent(next) == nodeAt, "a swap missed its places");
    }

    // What a file or the clipboard holds, put in at a place.
    void insertFragment() {
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        const NodePlace place = placeFor(target, position);
        const StringObject text = choices_.bytes(24);
        if (!place || target->parentNode() == nullptr) return;
        DOMError error;
        std::unique_ptr<DOMNode> fragment = document_.readFragment(text.data(), text.length(), error);
        const int count = fragment->childCount();
        if (count == 0) return;
        const int elements = dom().elementIndex().count();
        const int added = static_cast<int>(checks::elementCount(fragment.get())) - 1;
        if (elements + added > kMaxElements) return;
        const int children = place.parent->childCount();
        push<InsertFragment>(place, std::move(fragment), "fragment");
        require(place.parent->childCount() == children + count, "a fragment put in the wrong number of nodes");
        require(dom().elementIndex().count() == elements + added, "a fragment added the wrong number of elements");
    }

    // Names are valid and values are escaped on the way out, so reading the
    // text back must give the same elements with the same attributes (texts
    // may gain the writer's line breaks and are not compared).
    void checkWritesAndReadsBack() const {
        const StringObject text = dom().serialize();
        DOM again("Corvantis");
        again.parse(text.data(), text.length());
        const auto written = checks::elementsBelow(dom().documentNode());
        const auto read = checks::elementsBelow(again.documentNode());
        fuzz::requireSound(again, 1);
        require(written.size() == read.size(), "the written text reads back with other elements");
        for (std::size_t i = 0; i < written.size(); ++i) {
            require(written[i]->nodeName() == read[i]->nodeName(), "an element name did not survive writing");
            require(written[i]->attributeCount() == read[i]->attributeCount(),
                    "attributes did not survive writing");
            for (int a = 0; a < written[i]->attributeCount(); ++a) {
                require(written[i]->attributeAt(a)->name == read[i]->attributeAt(a)->name &&
                            written[i]->attributeAt(a)->value == read[i]->attributeAt(a)->value,
                        "an attribute did not survive writing");
            }
        }
    }

    Choices& choices_;
    Document document_;
};

}  // namespace

// Qt makes some of its own lasting data with the first object of a kind;
// made here, it is not taken for a leak of the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Document warmUp;
    warmUp.load(QByteArray(kSeed), QString(), "Corvantis");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Choices choices(data, size);
    Session(choices).run();
    return 0;
}
