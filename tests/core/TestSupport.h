// Small helpers shared by the core tests.
#pragma once

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AllocationLimit.h"
#include "core/Dom.h"
#include "core/StringObject.h"
#include "core/Tokens.h"

namespace corvantis::testing {

inline std::string Str(const StringObject& s) { return std::string(s.view()); }
inline StringObject S(std::string_view s) { return StringObject(s); }

// A heap copy of exactly `text.size()` bytes with no terminator, so a scanner
// reading past the end is caught by AddressSanitizer builds.
inline std::unique_ptr<char[]> ExactBuffer(std::string_view text) {
    auto buffer = std::make_unique<char[]>(text.empty() ? 1 : text.size());
    if (!text.empty()) std::memcpy(buffer.get(), text.data(), text.size());
    return buffer;
}

inline int Parse(DOM& dom, std::string_view text, DOMNode* start = nullptr) {
    auto buffer = ExactBuffer(text);
    return dom.parse(buffer.get(), text.size(), start);
}

using TokenList = std::vector<std::pair<int, std::string>>;

// Every token up to and including TOKEN_END (whose content is left empty).
inline TokenList Tokenize(std::string_view text) {
    auto buffer = ExactBuffer(text);
    Tokens tokens(buffer.get(), text.size());
    TokenList result;
    for (int guard = 0; guard < 100000; ++guard) {
        Token token;
        TokenKind kind = tokens.nextToken(token);
        if (kind == TOKEN_END) {
            result.emplace_back(TOKEN_END, "");
            break;
        }
        result.emplace_back(kind, std::string(token.start, token.end));
    }
    return result;
}

// Indentation of the writer for level L: min(L + 1, 16) spaces.
inline std::string Indent(int level) { return std::string(level + 1 < 16 ? level + 1 : 16, ' '); }

inline DOMNode* MakeChild(DOM& dom, DOMNode* parent, NodeType type, std::string_view name,
                          std::string_view value = {}) {
    DOMNode* node = dom.createNode(type, parent);
    node->setNodeName(S(name));
    node->setNodeValue(S(value));
    return node;
}

// The edits the program's commands make, with the tree operations the core
// offers for them. Each returns null (false) and changes nothing where
// placeFor refuses the place.

// A new empty "NewFolder" element at `position` relative to `target`.
inline DOMNode* InsertNewFolder(DOM& dom, DOMNode* target, InsertPosition position) {
    const NodePlace place = dom.placeFor(target, position);
    if (!place) return nullptr;
    auto folder = std::make_unique<DOMNode>(ELEMENT, &dom);
    folder->setNodeName(S("NewFolder"));
    DOMNode* made = folder.get();
    dom.attach(folder.release(), place);
    return made;
}

// A copy of `source` (taken before it is placed) at `position` relative to `target`.
inline DOMNode* PasteCopy(DOM& dom, const DOMNode* source, DOMNode* target, InsertPosition position) {
    const NodePlace place = dom.placeFor(target, position);
    if (!place || !source) return nullptr;
    std::unique_ptr<DOMNode> copy(dom.copySubtree(source));
    copy->setParentNode(nullptr);
    DOMNode* placed = copy.get();
    dom.attach(copy.release(), place);
    return placed;
}

// `source` itself at `position` relative to `target`; the place is found
// with the source out of the tree. A target within the source is refused,
// as the commands refuse it.
inline DOMNode* PasteMoved(DOM& dom, DOMNode* source, DOMNode* target, InsertPosition position) {
    for (const DOMNode* up = target; up; up = up->parentNode())
        if (up == source) return nullptr;
    const NodePlace from = dom.detach(source);
    if (!from) return nullptr;
    const NodePlace to = dom.placeFor(target, position);
    dom.attach(source, to ? to : from);
    return to ? source : nullptr;
}

// Takes `node` with its subtree out of the tree and frees it.
inline bool DeleteNode(DOM& dom, DOMNode* node) {
    if (!dom.detach(node)) return false;
    delete node;
    return true;
}

// The elements and texts of a document in document order, with attributes.
inline std::string Outline(const DOM& dom) {
    std::string out;
    std::vector<const DOMNode*> pending{dom.documentNode()};
    while (!pending.empty()) {
        const DOMNode* node = pending.back();
        pending.pop_back();
        if (node->nodeType() == ELEMENT) {
            out += "<" + Str(node->nodeName());
            for (int i = 0; i < node->attributeCount(); ++i)
                out += " " + Str(node->attributeAt(i)->name) + "=[" + Str(node->attributeAt(i)->value) + "]";
            out += " #" + std::to_string(node->childCount()) + ">";
        } else if (node->nodeType() == TEXT) {
            out += "T[" + Str(node->nodeValue()) + "]";
        }
        for (int i = node->childCount(); i-- > 0;) pending.push_back(node->childAt(i));
    }
    return out;
}

// What `operation` did with the model's n-th allocation failing: whether it
// threw std::bad_alloc, and how many blocks it kept.
struct Attempt {
    bool threw = false;
    long blocksHeld = 0;
};

template <typename Operation>
Attempt WithAllocationFailing(std::size_t n, Operation operation) {
    AllocationLimit limit = AllocationLimit::failingAt(n);
    Attempt attempt;
    try {
        operation();
    } catch (const std::bad_alloc&) {
        attempt.threw = true;
    }
    attempt.blocksHeld = limit.blocksHeld();
    return attempt;
}

}  // namespace corvantis::testing
