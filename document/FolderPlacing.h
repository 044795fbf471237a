// Where a folder may go when it is pasted or dropped, and putting it there:
// the rules a cut-and-paste, a copy-and-paste and a drag and drop share.
// The document node and the top element stay where they are; a cut folder
// never goes into itself; a place beside the top element is refused.
#pragma once

#include "core/Dom.h"

class Document;

namespace FolderPlacing {

// A folder that may be cut, copied, moved or dragged: not the document node
// and not the top element.
bool mayLeave(const corvantis::DOMNode* node);
// True when `node` is `top` or lies below it.
bool isWithin(const corvantis::DOMNode* node, const corvantis::DOMNode* top);
// Whether `source` may go to `position` relative to `target`, moved or
// copied; a null target asks whether `source` may leave its place at all.
bool mayPlace(const Document& document, const corvantis::DOMNode* source, const corvantis::DOMNode* target,
              corvantis::InsertPosition position, bool copy);
// Moves `source` there, or places a copy of it taken before it is placed
// (so a folder can take a copy of itself), as one step of the history.
// Returns the node placed (the source itself when moved), or null when
// nothing could be pushed. A move to where the folder already stands pushes
// nothing and returns the source.
corvantis::DOMNode* place(Document& document, corvantis::DOMNode* source, corvantis::DOMNode* target,
                          corvantis::InsertPosition position, bool move);

}  // namespace FolderPlacing
