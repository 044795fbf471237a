#include "editing/Placement.h"

#include <algorithm>
#include <vector>

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/Treeorganizer.h"

namespace placement {

namespace {

int levelOf(const QTreeWidgetItem* item) {
    int level = 0;
    for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) ++level;
    return level;
}

}  // namespace

bool mayPlaceAt(const corvantis::DOMNode* target, corvantis::InsertPosition position) {
    if (!target || !target->parentNode()) return false;
    return position == corvantis::Under || target->parentNode()->parentNode() != nullptr;
}

bool isWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    if (!ancestor) return false;
    for (const QTreeWidgetItem* up = item; up; up = up->parent())
        if (up == ancestor) return true;
    return false;
}

void expandSubtree(QTreeWidgetItem* top) {
    struct Pending {
        QTreeWidgetItem* item;
        int level;
    };
    std::vector<Pending> pending{{top, levelOf(top)}};
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (next.level > DeepestExpandedLevel || next.item->childCount() == 0) continue;
        next.item->setExpanded(true);
        for (int i = 0; i < next.item->childCount(); ++i) pending.push_back({next.item->child(i), next.level + 1});
    }
}

QTreeWidgetItem* itemOf(const QTreeWidget* tree, const corvantis::DOMNode* node) {
    if (!node) return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        if (TVelmorant::NodeOf(*it) == node) return *it;
    return nullptr;
}

void deleteItemTree(QTreeWidgetItem* top) {
    // Children go front first, which the item's child list removes in constant time.
    std::vector<QTreeWidgetItem*> pending{top};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        if (item->childCount() > 0) {
            pending.push_back(item->child(0));
        } else {
            pending.pop_back();
            delete item;
        }
    }
}

void expandTree(QTreeWidget* tree, int deepest) {
    if (deepest <= DeepestExpandedLevel)
        tree->expandAll();
    else
        tree->expandToDepth(DeepestExpandedLevel);
}

int deepestLevel(QTreeWidget* tree) {
    struct Pending {
        QTreeWidgetItem* item;
        int level;
    };
    std::vector<Pending> pending;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) pending.push_back({tree->topLevelItem(i), 0});
    int deepest = 0;
    while (!pending.empty() && deepest <= DeepestExpandedLevel) {
        const Pending next = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, next.level);
        for (int i = 0; i < next.item->childCount(); ++i) pending.push_back({next.item->child(i), next.level + 1});
    }
    return deepest;
}

void markLeaf(QTreeWidgetItem* item) { item->setFlags(item->flags() | Qt::ItemNeverHasChildren); }

void addChildItem(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
    parent->setFlags(parent->flags() & ~Qt::ItemNeverHasChildren);
    parent->addChild(child);
}

}  // namespace placement
