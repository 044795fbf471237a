// A small organiser is read, then the input bytes drive a sequence of tree
// operations on nodes picked from the element index. After every step the
// tree must be sound and numbered in document order, and each operation must
// have done exactly what it reports (or, when it refuses, nothing at all).
// Every change is then undone, step by step, back to the bytes first read,
// and redone to the bytes last written, with the core's reversible
// operations, as the program's undo history does. At the end the document
// must write and read back with the same elements and attributes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Require.h"
#include "core/CharacterData.h"
#include "core/Dom.h"

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

int textChildCount(const DOMNode* node) {
    int count = 0;
    for (int i = 0; i < node->childCount(); ++i) {
        count += node->childAt(i)->nodeType() == TEXT;
    }
    return count;
}

// A subtree out of the tree: owned here until it goes back in.
using Kept = std::shared_ptr<std::unique_ptr<DOMNode>>;

// One change, with how to take it back and how to make it again.
struct Step {
    std::function<void()> undo;
    std::function<void()> redo;
};

class Session {
public:
    explicit Session(Choices& choices) : choices_(choices) {
        dom_.parse(kSeed, std::strlen(kSeed));
        dom_.renumberElements();
        fuzz::requireSound(dom_, 0);
    }

    void run() {
        const StringObject first = dom_.serialize();
        for (int step = 0; step < kMaxSteps && !choices_.exhausted(); ++step) {
            operate();
            fuzz::requireSound(dom_, 0);
        }
        const StringObject last = dom_.serialize();
        for (auto step = history_.rbegin(); step != history_.rend(); ++step) {
            step->undo();
            fuzz::requireSound(dom_, 0);
        }
        require(dom_.serialize() == first, "undoing every step did not give the document first read");
        for (Step& step : history_) {
            step.redo();
            fuzz::requireSound(dom_, 0);
        }
        require(dom_.serialize() == last, "redoing every step did not give the document last written");
        checkWritesAndReadsBack();
    }

private:
    // `node` came into the tree where it stands now.
    void placed(DOMNode* node) {
        const NodePlace place = dom_.placeOf(node);
        Kept kept = std::make_shared<std::unique_ptr<DOMNode>>();
        history_.push_back({[this, node, kept] { dom_.detach(node), kept->reset(node); },
                            [this, place, kept] { dom_.attach(kept->release(), place); }});
    }
    // `node` moved from `from` to where it stands now.
    void moved(DOMNode* node, NodePlace from) {
        const NodePlace to = dom_.placeOf(node);
        history_.push_back({[this, node, from] { dom_.detach(node), dom_.attach(node, from); },
                            [this, node, to] { dom_.detach(node), dom_.attach(node, to); }});
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
            insertTopElement(target, position);
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
        placed(const_cast<DOMNode*>(made));
    }

    // A document left without an element takes a new top element under its
    // document node, and only then.
    void insertTopElement(DOMNode* target, InsertPosition position) {
        const NodePlace place = dom_.placeFor(target, position);
        const bool empty = dom_.rootElement() == nullptr;
        require(static_cast<bool>(place) == (empty && target == dom_.documentNode() && position == Under),
                "a top element was offered where it does not belong");
        if (!place) return;
        auto top = std::make_unique<DOMNode>(ELEMENT, &dom_);
        top->setNodeName("NewFolder");
        DOMNode* made = top.get();
        dom_.attach(top.release(), place);
        require(dom_.rootElement() == made, "the new top element is not the document's element");
        placed(made);
    }

    void paste(bool move) {
        DOMNode* source = pickNode();
        DOMNode* target = pickContainer();
        const InsertPosition position = pickPosition();
        if (move && source->parentNode() != nullptr && isAncestorOrSelf(source, target)) {
            return;  // callers never move a subtree into itself
        }
        const int elements = dom_.elementIndex().count();
        const int sourceElements = static_cast<int>(checks::elementCount(source));
        if (!move && elements + sourceElements > kMaxElements) {
            return;
        }
        if (source->parentNode() == nullptr || refusesPlacement(target, position)) {
            const StringObject before = dom_.serialize();
            requireRefused(dom_.pasteSubtree(target, source, position, move), before);
            return;
        }
        DOMNode* receiver = position == Under ? target : target->parentNode();
        const std::string sourceBefore = checks::fingerprint(source);
        const NodePlace from = dom_.placeOf(source);
        DOMNode* placed = dom_.pasteSubtree(target, source, position, move);
        require(placed != nullptr, "a paste that should succeed was refused");
        require(move == (placed == source), "a paste moved what it should copy, or the reverse");
        require(checks::fingerprint(placed) == sourceBefore,
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
        if (move)
            moved(placed, from);
        else
            this->placed(placed);
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
        // Taken out and kept, as a delete that can be undone does.
        const int removed = static_cast<int>(checks::elementCount(node));
        const NodePlace place = dom_.detach(node);
        require(place && node->parentNode() == nullptr && !dom_.contains(node), "a node was not taken out");
        require(dom_.elementIndex().count() == elements - removed,
                "taking a subtree out left the wrong number of elements");
        Kept kept = std::make_shared<std::unique_ptr<DOMNode>>(node);
        history_.push_back({[this, place, kept] { dom_.attach(kept->release(), place); },
                            [this, node, kept] { dom_.detach(node), kept->reset(node); }});
    }

    void setText() {
        DOMNode* node = pickContainer();
        const int n = choices_.below(3);
        const StringObject text = choices_.characterData(16);
        const int texts = textChildCount(node);
        DOMNode* existing = node->textChild(n);
        const StringObject before = existing ? existing->nodeValue() : StringObject();
        node->setText(text, n);
        if (n < texts) {
            require(node->getText(n) == text && textChildCount(node) == texts && node->textChild(n) == existing,
                    "setText missed its text node");
            history_.push_back({[existing, before] { existing->setNodeValue(before); },
                                [existing, text] { existing->setNodeValue(text); }});
        } else {
            require(node->childAt(0)->nodeType() == TEXT && node->childAt(0)->nodeValue() == text &&
                        textChildCount(node) == texts + 1,
                    "setText did not put a new text first");
            placed(node->childAt(0));
        }
    }

    void setAttribute() {
        DOMNode* node = pickContainer();
        const StringObject name = choices_.name();
        const StringObject value = choices_.characterData(16);
        const int count = node->attributeCount();
        const int existing = node->attributes()->indexOf(name);
        const StringObject oldValue = existing >= 0 ? node->attributeAt(existing)->value : StringObject();
        const bool replaced = node->setAttribute(name, value);
        require(replaced == (existing >= 0), "setAttribute misreported whether the name existed");
        require(node->attributeCount() == count + (replaced ? 0 : 1),
                "setAttribute changed the count wrongly");
        const Attr* attr = node->attributeAt(replaced ? existing : count);
        require(attr != nullptr && attr->name == name && attr->value == value,
                "setAttribute stored the wrong value");
        const StringObject old = replaced ? oldValue : StringObject();
        history_.push_back({[node, name, old, replaced] {
                                if (replaced)
                                    node->setAttribute(name, old);
                                else
                                    node->removeAttribute(name);
                            },
                            [node, name, value] { node->setAttribute(name, value); }});
    }

    void removeAttribute() {
        DOMNode* node = pickContainer();
        const int count = node->attributeCount();
        const StringObject name = (choices_.next() & 1) != 0 && count > 0
                                      ? node->attributeAt(choices_.below(count))->name
                                      : choices_.name();
        const int at = node->attributes()->indexOf(name);
        const bool existed = at >= 0;
        const Attr removed = existed ? *node->attributeAt(at) : Attr{};
        require(node->removeAttribute(name) == existed,
                "removeAttribute misreported whether the name existed");
        require(node->attributeCount() == count - (existed ? 1 : 0) && node->attributes()->indexOf(name) < 0,
                "removeAttribute left the attribute or took another");
        if (existed)
            history_.push_back({[node, at, removed] { node->insertAttributeAt(at, removed); },
                                [node, name] { node->removeAttribute(name); }});
    }

    // Names are valid and values are escaped on the way out, so reading the
    // text back must give the same elements with the same attributes (texts
    // may gain the writer's line breaks and are not compared).
    void checkWritesAndReadsBack() const {
        const StringObject text = dom_.serialize();
        DOM again("Corvantis");
        again.parse(text.data(), text.length());
        const auto written = checks::elementsBelow(dom_.documentNode());
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
    DOM dom_{"Corvantis"};
    // After the document, so they go first: they may hold subtrees of it.
    std::vector<Step> history_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Choices choices(data, size);
    Session(choices).run();
    return 0;
}
