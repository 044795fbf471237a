#include "fuzz/TreeChecks.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace corvantis::fuzz {

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
        stack.push_back({child, 0});
    }
}

void appendField(std::string& out, const StringObject& field) {
    out += std::to_string(field.length());
    out += ':';
    out.append(field.data(), field.length());
}

}  // namespace

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Broken: %s\n", what);
        std::abort();
    }
}

std::vector<const DOMNode*> checkedElements(const DOM& dom) {
    struct Frame {
        const DOMNode* node;
        int next;
        std::string path;
    };
    std::vector<const DOMNode*> elements;
    const DOMNode* document = dom.documentNode();
    require(document != nullptr && document->nodeType() == DOCUMENT, "the document node is missing");
    require(document->parentNode() == nullptr, "the document node has a parent");
    std::unordered_set<const DOMNode*> seen{document};
    std::vector<Frame> stack{{document, 0, std::string()}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.node->childCount()) {
            stack.pop_back();
            continue;
        }
        const DOMNode* child = frame.node->childAt(frame.next++);
        require(child != nullptr, "a child list holds no node");
        require(seen.insert(child).second, "a node is in the tree twice");
        require(child->parentNode() == frame.node, "a parent link names the wrong node");
        require(child->nodeType() != DOCUMENT, "a document node inside the tree");
        if (child->nodeType() != ELEMENT) {
            require(child->childCount() == 0, "a leaf node has children");
            continue;
        }
        // An element without a name adds neither a name nor a "/".
        std::string path = frame.path;
        if (!child->nodeName().empty()) {
            if (!path.empty()) {
                path += '/';
            }
            path.append(child->nodeName().data(), child->nodeName().length());
        }
        require(child->path().view() == path, "an element's path is not the names down to it");
        elements.push_back(child);
        stack.push_back({child, 0, std::move(path)});  // `frame` is not used after this
    }
    return elements;
}

void checkTree(const DOM& dom, int firstNumber) {
    const std::vector<const DOMNode*> elements = checkedElements(dom);
    const DOMList& index = dom.elementIndex();
    require(static_cast<std::size_t>(index.count()) == elements.size(),
            "the element index has the wrong length");
    for (std::size_t i = 0; i < elements.size(); ++i) {
        require(index.at(static_cast<int>(i)) == elements[i], "the element index is not in document order");
        require(elements[i]->elementNumber() == static_cast<int>(i) + firstNumber,
                "elements are not numbered in document order");
    }
}

std::size_t elementCount(const DOMNode* node) {
    std::size_t count = 0;
    forEachInSubtree(node, [&](const DOMNode* n) { count += n->nodeType() == ELEMENT; });
    return count;
}

std::string fingerprint(const DOMNode* node) {
    std::string out;
    forEachInSubtree(node, [&](const DOMNode* n) {
        out += static_cast<char>('A' + n->nodeType());
        appendField(out, n->nodeName());
        appendField(out, n->nodeValue());
        for (int i = 0; i < n->attributeCount(); ++i) {
            const Attr* attr = n->attributeAt(i);
            appendField(out, attr->name);
            appendField(out, attr->value);
            out += static_cast<char>(attr->flag);
        }
        out += '#';
        out += std::to_string(n->childCount());
        out += ';';
    });
    return out;
}

}  // namespace corvantis::fuzz
