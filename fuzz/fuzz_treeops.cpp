// A small organiser is read, then the input bytes drive a sequence of tree
// operations on nodes picked from the element index. After every step the
// tree must be sound and numbered in document order, each operation must have
// done exactly what it reports (or, when it refuses, nothing at all), and at
// the end the document must write and read back with the same elements and
// attributes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/Dom.h"
#include "fuzz/TreeChecks.h"

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
        for (int length = below(maxLength + 1); length > 0; --length) {
            text.append(static_cast<char>(next()));
        }
        return text;
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

int textChildCount(const DOMNode* node) {
    int count = 0;
    for (int i = 0; i < node->childCount(); ++i) {
        count += node->childAt(i)->nodeType() == TEXT;
    }
    return count;
}

class Session {
public:
    explicit Session(Choices& choices) : choices_(choices) { load(); }

    void run() {
        for (int step = 0; step < kMaxSteps && !choices_.exhausted(); ++step) {
            if (dom_.elementIndex().count() == 0) {
                dom_.reset();
                load();
            }
            operate();
            fuzz::checkTree(dom_, 0);
        }
        checkWritesAndReadsBack();
    }

private:
    void load() {
        dom_.parse(kSeed, std::strlen(kSeed));
        dom_.renumberElements();
        fuzz::checkTree(dom_, 0);
    }

    void operate() {
        switch (choices_.below(7)) {
            case 0:
                insert();
                break;
            case 1:
                paste(false);
                break;
            case 2:
                paste(true);
                break;
            case 3:
                remove();
                break;
            case 4:
                setText();
                break;
            case 5:
                setAttribute();
                break;
            default:
                removeAttribute();
                break;
        }
    }

    // An element from the index, or now and then the document node, which
    // every operation must refuse as a target.
    DOMNode* pickContainer() {
        const int high = choices_.next();
        const int low = choices_.next();
        const int count = dom_.elementIndex().count();
        if (high == 0xFF || count == 0) {
            return dom_.documentNode();
        }
        return dom_.elementIndex().at((high << 8 | low) % count);
    }
    // A container, or one of its children of any kind.
    DOMNode* pickNode() {
        DOMNode* container = pickContainer();
        if ((choices_.next() & 1) != 0 && container->childCount() > 0) {
            return container->childAt(choices_.below(container->childCount()));
        }
        return container;
    }
    InsertPosition pickPosition() { return static_cast<InsertPosition>(choices_.below(3)); }

    bool refusesPlacement(const DOMNode* target, InsertPosition position) const {
        return target->parentNode() == nullptr || (position != Under && isTopLevel(target));
    }
    void requireRefused(const void* result, const StringObject& textBefore) const {
        require(result == nullptr, "a refused operation reported success");
        require(dom_.serialize() == textBefore, "a refused operation changed the document");
    }

    void insert() {
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        const int elements = dom_.elementIndex().count();
        if (refusesPlacement(target, position)) {
            const StringObject before = dom_.serialize();
            requireRefused(dom_.insertNewElement(ELEMENT, target, position), before);
            return;
        }
        DOMNode* parent = position == Under ? target : target->parentNode();
        const int targetPosition = positionInParent(target);
        const DOMNode* made = dom_.insertNewElement(ELEMENT, target, position);
        require(made != nullptr && made->nodeType() == ELEMENT && made->nodeName().equals("NewFolder"),
                "insertNewElement made no NewFolder element");
        require(made->childCount() == 0 && made->attributeCount() == 0, "a new element is not empty");
        require(made->parentNode() == parent, "a new element went to the wrong parent");
        if (position == Before) {
            require(
                positionInParent(made) == targetPosition && positionInParent(target) == targetPosition + 1,
                "Before did not put the new element just before its target");
        } else {
            require(isLastChild(made, parent), "a new element is not the last child");
        }
        require(dom_.elementIndex().count() == elements + 1, "an insert did not add one element");
    }

    void paste(bool move) {
        DOMNode* source = pickNode();
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        if (move && source->parentNode() != nullptr && isAncestorOrSelf(source, target)) {
            return;  // callers never move a subtree into itself
        }
        const int elements = dom_.elementIndex().count();
        const int sourceElements = static_cast<int>(fuzz::elementCount(source));
        if (!move && elements + sourceElements > kMaxElements) {
            return;
        }
        if (source->parentNode() == nullptr || refusesPlacement(target, position)) {
            const StringObject before = dom_.serialize();
            requireRefused(dom_.pasteSubtree(target, source, position, move), before);
            return;
        }
        DOMNode* receiver = position == Under ? target : target->parentNode();
        const std::string sourceBefore = fuzz::fingerprint(source);
        const DOMNode* placed = dom_.pasteSubtree(target, source, position, move);
        require(placed != nullptr, "a paste that should succeed was refused");
        require(move == (placed == source), "a paste moved what it should copy, or the reverse");
        require(fuzz::fingerprint(placed) == sourceBefore,
                "the pasted subtree differs from its source as it was");
        require(placed->parentNode() == receiver, "a pasted subtree went to the wrong parent");
        if (position == Before) {
            require(positionInParent(placed) + 1 == positionInParent(target),
                    "Before did not put the subtree just before its target");
        } else {
            require(isLastChild(placed, receiver), "a pasted subtree is not the last child");
        }
        require(dom_.elementIndex().count() == elements + (move ? 0 : sourceElements),
                "a paste changed the number of elements wrongly");
    }

    void remove() {
        DOMNode* node = pickNode();
        const int elements = dom_.elementIndex().count();
        if (node->parentNode() == nullptr) {
            const StringObject before = dom_.serialize();
            require(!dom_.deleteNode(node), "the document node was deleted");
            require(dom_.serialize() == before, "a refused delete changed the document");
            return;
        }
        const int removed = static_cast<int>(fuzz::elementCount(node));
        require(dom_.deleteNode(node), "a delete was refused");
        require(dom_.elementIndex().count() == elements - removed,
                "a delete left the wrong number of elements");
    }

    void setText() {
        DOMNode* node = pickContainer();
        const int n = choices_.below(3);
        const StringObject text = choices_.bytes(16);
        const int texts = textChildCount(node);
        node->setText(text, n);
        if (n < texts) {
            require(node->getText(n) == text && textChildCount(node) == texts,
                    "setText missed its text node");
        } else {
            require(node->childAt(0)->nodeType() == TEXT && node->childAt(0)->nodeValue() == text &&
                        textChildCount(node) == texts + 1,
                    "setText did not put a new text first");
        }
    }

    void setAttribute() {
        DOMNode* node = pickContainer();
        const StringObject name = choices_.name();
        const StringObject value = choices_.bytes(16);
        const int count = node->attributeCount();
        const int existing = node->attributes()->indexOf(name);
        const bool replaced = node->setAttribute(name, value);
        require(replaced == (existing >= 0), "setAttribute misreported whether the name existed");
        require(node->attributeCount() == count + (replaced ? 0 : 1),
                "setAttribute changed the count wrongly");
        const Attr* attr = node->attributeAt(replaced ? existing : count);
        require(attr != nullptr && attr->name == name && attr->value == value,
                "setAttribute stored the wrong value");
    }

    void removeAttribute() {
        DOMNode* node = pickContainer();
        const int count = node->attributeCount();
        const StringObject name = (choices_.next() & 1) != 0 && count > 0
                                      ? node->attributeAt(choices_.below(count))->name
                                      : choices_.name();
        const bool existed = node->attributes()->indexOf(name) >= 0;
        require(node->removeAttribute(name) == existed,
                "removeAttribute misreported whether the name existed");
        require(node->attributeCount() == count - (existed ? 1 : 0) && node->attributes()->indexOf(name) < 0,
                "removeAttribute left the attribute or took another");
    }

    // Names are valid and values are escaped on the way out, so reading the
    // text back must give the same elements with the same attributes (texts
    // may gain the writer's line breaks and are not compared).
    void checkWritesAndReadsBack() const {
        const StringObject text = dom_.serialize();
        DOM again("Corvantis");
        again.parse(text.data(), text.length());
        const auto written = fuzz::checkedElements(dom_);
        const auto read = fuzz::checkedElements(again);
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
    DOM dom_{"Corvantis"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Choices choices(data, size);
    Session(choices).run();
    return 0;
}
