#include "document/FolderPlacing.h"

#include <QCoreApplication>

#include "document/Commands.h"
#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::NodePlace;

namespace FolderPlacing {

namespace {

QString nameOf(const Document& document, const DOMNode* node) { return document.text().toText(node->nodeName()); }

QString tr(const char* text) { return QCoreApplication::translate("FolderPlacing", text); }

// Placed just before or just after itself, a moved folder ends where it was.
bool landsWhereItIs(const Document& document, const DOMNode* source, const DOMNode* target,
                    corvantis::InsertPosition position) {
    const NodePlace from = document.dom().placeOf(source);
    const NodePlace to = document.dom().placeFor(target, position);
    return from.parent == to.parent && (to.index == from.index || to.index == from.index + 1);
}

}  // namespace

bool mayLeave(const DOMNode* node) { return node && node->parentNode() && node->parentNode()->parentNode(); }

bool isWithin(const DOMNode* node, const DOMNode* top) {
    for (const DOMNode* up = node; up; up = up->parentNode())
        if (up == top) return true;
    return false;
}

bool mayPlace(const Document& document, const DOMNode* source, const DOMNode* target,
              corvantis::InsertPosition position, bool copy) {
    if (!mayLeave(source) || !document.dom().contains(source)) return false;
    if (!target) return true;
    return document.dom().placeFor(target, position) && (copy || !isWithin(target, source));
}

DOMNode* place(Document& document, DOMNode* source, DOMNode* target, corvantis::InsertPosition position, bool move) {
    if (!document.commitPendingEdits()) return nullptr;
    if (move) {
        if (landsWhereItIs(document, source, target, position)) return source;
        const bool pushed = document.push(std::make_unique<MoveSubtree>(
            document, source, target, position, tr("Move Folder '%1'").arg(nameOf(document, source))));
        return pushed ? source : nullptr;
    }
    std::unique_ptr<DOMNode> copy = document.copyOf(source);
    DOMNode* placed = copy.get();
    const NodePlace place = document.dom().placeFor(target, position);
    const bool pushed = document.push(std::make_unique<PlaceSubtree>(
        document, std::move(copy), place, tr("Paste Copy of '%1'").arg(nameOf(document, source)), target));
    return pushed ? placed : nullptr;
}

}  // namespace FolderPlacing
