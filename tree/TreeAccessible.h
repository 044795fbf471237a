// What assistive technology sees of the document tree: a tree whose items
// are its rows, each with its name, its level ("level 1" for the top row,
// in its description) and whether it is expanded, collapsed or has nothing
// to fold. The toolkit's own interface reads the flat rows as one level
// with nothing to fold.
#pragma once

class DocumentTreeView;

// Makes the toolkit build the interface for every DocumentTreeView; the
// first call does it, later ones nothing.
void installTreeAccessibility();

// Tells a listening tool that the row's folding changed.
void announceFolding(DocumentTreeView* view, int row);
