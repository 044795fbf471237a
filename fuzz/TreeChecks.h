// Checks of the document tree shared by the fuzz targets. A broken check
// prints what broke and aborts, so libFuzzer keeps the input that caused it.
// Every walk is iterative: fuzz inputs nest deeply.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/Dom.h"

namespace corvantis::fuzz {

void require(bool condition, const char* what);

// Walks the whole tree and checks its structure: every child's parent link
// names the node whose list holds it, no node is reached twice, only
// elements and the document node have children, and every element's path is
// the "/"-joined names from its top-level element down (empty names left
// out). Returns the elements
// in document order.
std::vector<const DOMNode*> checkedElements(const DOM& dom);

// The structure checks, and the element index and numbers: the index lists
// the elements in document order and nothing else, and element i is numbered
// i + `firstNumber` (a read numbers from 1, renumbering from 0).
void checkTree(const DOM& dom, int firstNumber);

// The number of elements in the subtree of `node`, itself included.
std::size_t elementCount(const DOMNode* node);

// Kind, name, value and attributes of every node of the subtree in document
// order, so that two subtrees can be compared.
std::string fingerprint(const DOMNode* node);

}  // namespace corvantis::fuzz
