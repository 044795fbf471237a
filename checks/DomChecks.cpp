#include "checks/DomChecks.h"

#include <unordered_set>

#include "core/CharacterData.h"

namespace corvantis::checks {

namespace {

// Calls `visit(node)` for the node and every node below it in document order.
template <typename Visit>
void forEachInSubtree(const DOMNode* top, Visit visit) {
    struct Frame {
        const DOMNode* node;
        int next;
    };
    visit(top);
    std::vector<Frame> stack{{top, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const DOMNode* child = frame.node->childAt(frame.next++);
        visit(child);
        stack.push_back({child, 0});  // `frame` is not used after this
    }
}

void appendField(std::string& out, const StringObject& field) {
    out += std::to_string(field.length());
    out += ':';
    out.append(field.data(), field.length());
}

std::string named(const DOMNode* node) { return "'" + std::string(node->nodeName().view()) + "'"; }

}  // namespace

std::string treeProblem(const DOM& dom, int firstNumber, bool checkPaths) {
    const DOMNode* document = dom.documentNode();
    if (!document || document->nodeType() != DOCUMENT) return "the document node is missing";
    if (document->parentNode()) return "the document node has a parent";
    struct Frame {
        const DOMNode* node;
        int next;
        int depth;  // of the node: 0 for the document node
        std::string path;
    };
    std::unordered_set<const DOMNode*> seen{document};
    std::vector<Frame> stack{{document, 0, 0, std::string()}};
    const DOMList& index = dom.elementIndex();
    int elements = 0;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const DOMNode* parent = frame.node;
        const DOMNode* child = parent->childAt(frame.next++);
        const int depth = frame.depth + 1;
        if (!child) return "a child list of " + named(parent) + " holds no node";
        if (!seen.insert(child).second) return named(child) + " stands in two places";
        if (child->parentNode() != parent) return named(child) + " names the wrong parent";
        if (child->nodeType() == DOCUMENT) return "a document node inside the tree";
        const bool container = child->nodeType() == ELEMENT;
        if (container != child->isContainer() || container != (child->childNodes() != nullptr) ||
            container != (child->attributes() != nullptr))
            return named(child) + " has lists that do not match its kind";
        if (!container) {
            if (!child->path().empty()) return "a node other than an element has a path";
            if (child->nodeType() == TEXT && !isCharacterData(child->nodeValue().view()))
                return "a text under " + named(parent) + " holds a zero byte that begins no kept form";
            continue;
        }
        for (int i = 0; i < child->attributeCount(); ++i)
            if (!isCharacterData(child->attributeAt(i)->value.view()))
                return "an attribute value of " + named(child) + " holds a zero byte that begins no kept form";
        if (elements >= index.count() || index.at(elements) != child)
            return "the element index does not hold " + named(child) + " at its place in document order";
        if (child->elementNumber() != elements + firstNumber)
            return named(child) + " is numbered " + std::to_string(child->elementNumber()) + ", not " +
                   std::to_string(elements + firstNumber);
        ++elements;
        if (child->pathDepth() != depth)
            return named(child) + " has path depth " + std::to_string(child->pathDepth()) + ", not " +
                   std::to_string(depth);
        std::string path;
        if (checkPaths) {
            // An element without a name adds neither a name nor a "/".
            path = frame.path;
            if (!child->nodeName().empty()) {
                if (!path.empty()) path += '/';
                path.append(child->nodeName().data(), child->nodeName().length());
            }
            if (child->path().view() != path)
                return named(child) + " has the path '" + std::string(child->path().view()) + "', not '" + path + "'";
        }
        stack.push_back({child, 0, depth, std::move(path)});
    }
    if (index.count() != elements)
        return "the element index holds " + std::to_string(index.count()) + " entries for " + std::to_string(elements) +
               " elements";
    return {};
}

std::vector<const DOMNode*> elementsBelow(const DOMNode* top) {
    std::vector<const DOMNode*> elements;
    forEachInSubtree(top, [&](const DOMNode* node) {
        if (node->nodeType() == ELEMENT) elements.push_back(node);
    });
    return elements;
}

std::size_t elementCount(const DOMNode* top) {
    std::size_t count = 0;
    forEachInSubtree(top, [&](const DOMNode* node) { count += node->nodeType() == ELEMENT; });
    return count;
}

std::string fingerprint(const DOMNode* top) {
    std::string out;
    forEachInSubtree(top, [&](const DOMNode* node) {
        out += static_cast<char>('A' + node->nodeType());
        appendField(out, node->nodeName());
        appendField(out, node->nodeValue());
        for (int i = 0; i < node->attributeCount(); ++i) {
            const Attr* attr = node->attributeAt(i);
            appendField(out, attr->name);
            appendField(out, attr->value);
            out += static_cast<char>(attr->flag);
        }
        out += '#';
        out += std::to_string(node->childCount());
        out += ';';
    });
    return out;
}

}  // namespace corvantis::checks
