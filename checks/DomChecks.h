// Checks of a document tree shared by the tests, the fuzz targets and the
// benchmarks. Every walk is iterative: the trees checked nest deeply.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Dom.h"

namespace corvantis::checks {

// What is wrong with the tree first; empty when it is sound:
//   - the document node is a DOCUMENT without a parent;
//   - every child's parentNode is the node whose child list holds it, and no
//     node stands in two places;
//   - only ELEMENT and DOCUMENT nodes have child and attribute lists, and no
//     leaf has children;
//   - the element index holds exactly the elements in document order, and
//     element i is numbered i + `firstNumber` (a read numbers from 1,
//     renumbering from 0);
//   - every TEXT value and attribute value is character data in the form
//     CharacterData.h describes;
//   - every element's pathDepth() is its depth below the document node and,
//     with `checkPaths`, its path() is the names from the top element down
//     joined by "/", empty names left out (that costs time in proportion to depth squared; leave
//     it off for very deep trees).
std::string treeProblem(const DOM& dom, int firstNumber = 0, bool checkPaths = true);

// The elements of the subtree of `top` (itself included), in document order.
std::vector<const DOMNode*> elementsBelow(const DOMNode* top);
std::size_t elementCount(const DOMNode* top);

// Kind, name, value and attributes of every node of the subtree in document
// order, so that two subtrees can be compared.
std::string fingerprint(const DOMNode* top);

}  // namespace corvantis::checks
