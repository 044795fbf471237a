// Structural invariants of a renumbered document, checked without GoogleTest so
// that other harnesses (fuzz targets, benchmarks) can reuse the same rules.
//
// CheckDomInvariants(dom) returns "" when the tree satisfies every rule below,
// otherwise a description of the first violation:
//   - the document node is a DOCUMENT without a parent;
//   - every child's parentNode is the node whose child list holds it;
//   - no node appears twice in the tree (no node stands in two places);
//   - only ELEMENT and DOCUMENT nodes have child and attribute lists;
//   - elements are numbered 0..n-1 in document order and the element index
//     holds exactly those n elements at those positions;
//   - every element's pathDepth() is its depth below the document node (1 for
//     a top-level element) and path() is the names from the top-level element
//     down to it joined by "/", empty names left out; other nodes have an
//     empty path.
// Path strings cost O(n * depth); pass checkPathStrings = false for very deep
// trees (pathDepth is still checked).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/Dom.h"

namespace corvantis::testing {

inline std::string CheckDomInvariants(const DOM& dom, bool checkPathStrings = true) {
    const DOMNode* document = dom.documentNode();
    if (document == nullptr) return "no document node";
    if (document->nodeType() != DOCUMENT) return "document node has the wrong kind";
    if (document->parentNode() != nullptr) return "document node has a parent";

    struct Frame {
        const DOMNode* node;
        int depth;  // element depth: 0 for the document node, 1 for top-level nodes
        std::string path;
    };
    std::unordered_set<const DOMNode*> seen{document};
    std::vector<Frame> stack;
    stack.push_back({document, 0, {}});
    std::int32_t elementCount = 0;
    const DOMList& index = dom.elementIndex();

    while (!stack.empty()) {
        Frame frame = std::move(stack.back());
        stack.pop_back();
        const DOMNode* node = frame.node;
        std::string where = "node at depth " + std::to_string(frame.depth) + " named '" +
                            std::string(node->nodeName().view()) + "'";

        const bool container = node->nodeType() == ELEMENT || node->nodeType() == DOCUMENT;
        if (container != node->isContainer() || container != (node->childNodes() != nullptr) ||
            container != (node->attributes() != nullptr))
            return where + ": container lists do not match its kind";

        if (node->nodeType() == ELEMENT) {
            if (node->elementNumber() != elementCount)
                return where + ": elementNumber " + std::to_string(node->elementNumber()) + ", expected " +
                       std::to_string(elementCount) + " (document order)";
            if (elementCount >= index.count() || index.at(elementCount) != node)
                return where + ": elementIndex.at(" + std::to_string(elementCount) + ") is not this element";
            ++elementCount;
            if (node->pathDepth() != frame.depth)
                return where + ": pathDepth " + std::to_string(node->pathDepth()) + ", expected " +
                       std::to_string(frame.depth);
            if (checkPathStrings) {
                const std::string name(node->nodeName().view());
                if (!name.empty()) frame.path = frame.path.empty() ? name : frame.path + "/" + name;
                if (node->path().view() != frame.path)
                    return where + ": path '" + std::string(node->path().view()) + "', expected '" +
                           frame.path + "'";
            }
        } else if (node->nodeType() != DOCUMENT && !node->path().empty()) {
            return where + ": a non-element has a path";
        }

        const int count = node->childCount();
        // Push in reverse so that children pop in document order.
        for (int i = count - 1; i >= 0; --i) {
            const DOMNode* child = node->childAt(i);
            if (child == nullptr) return where + ": childAt(" + std::to_string(i) + ") is null";
            if (child->parentNode() != node)
                return where + ": child " + std::to_string(i) + " has a wrong parentNode";
            if (!seen.insert(child).second)
                return where + ": child " + std::to_string(i) + " stands in two places";
            stack.push_back(
                {child, frame.depth + 1, node->nodeType() == ELEMENT ? frame.path : std::string()});
        }
    }
    if (index.count() != elementCount)
        return "elementIndex has " + std::to_string(index.count()) + " entries for " +
               std::to_string(elementCount) + " elements";
    return {};
}

}  // namespace corvantis::testing
