#include "tree/TreeAccessible.h"

#include <QAccessibleWidget>
#include <QPersistentModelIndex>
#include <QPointer>
#include <unordered_map>

#include "document/DocumentTreeModel.h"
#include "tree/DocumentTreeView.h"
#include "widgets/AccessibleFactory.h"

namespace {

// The view numbers its rows from 1 in the events it sends: child 0 is its
// header, hidden here.
constexpr int FirstRow = 1;

class TreeRowAccessible : public QAccessibleInterface {
public:
    TreeRowAccessible(DocumentTreeView* view, const QModelIndex& index) : view_(view), index_(index) {}

    const QPersistentModelIndex& index() const { return index_; }

    bool isValid() const override { return view_ && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text kind) const override {
        if (!isValid()) return QString();
        if (kind == QAccessible::Name) return index_.data().toString();
        if (kind == QAccessible::Description)
            return QStringLiteral("level %1").arg(index_.data(DocumentTreeModel::DepthRole).toInt() + 1);
        return QString();
    }

    QRect rect() const override {
        if (!isValid()) return QRect();
        const QRect row = view_->visualRect(index_);
        return QRect(view_->viewport()->mapToGlobal(row.topLeft()), row.size());
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.selectable = true;
        state.selected = view_->selectionModel() && view_->selectionModel()->isSelected(index_);
        state.focused = view_->hasFocus() && view_->currentIndex() == index_;
        state.active = view_->currentIndex() == index_;
        if (!view_->viewport()->rect().intersects(view_->visualRect(index_))) state.offscreen = state.invisible = true;
        if (index_.data(DocumentTreeModel::HasChildrenRole).toBool()) {
            const bool open = index_.data(DocumentTreeModel::ExpandedRole).toBool();
            state.expandable = true;
            state.expanded = open;
            state.collapsed = !open;
        }
        return state;
    }

private:
    QPointer<DocumentTreeView> view_;
    QPersistentModelIndex index_;
};

class TreeAccessible : public QAccessibleWidget {
public:
    explicit TreeAccessible(DocumentTreeView* view) : QAccessibleWidget(view, QAccessible::Tree) {}
    ~TreeAccessible() override {
        for (const auto& [node, id] : rows_) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return model() ? FirstRow + model()->rowCount() : 0; }

    QAccessibleInterface* child(int child) const override {
        if (!model() || child < FirstRow) return nullptr;
        return rowAt(model()->index(child - FirstRow, 0));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::TreeItem) return -1;
        const auto* row = static_cast<const TreeRowAccessible*>(child);
        return row->isValid() ? FirstRow + row->index().row() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        return rowAt(view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y))));
    }

    QAccessibleInterface* focusChild() const override {
        return view()->hasFocus() ? rowAt(view()->currentIndex()) : nullptr;
    }

private:
    DocumentTreeView* view() const { return static_cast<DocumentTreeView*>(widget()); }
    DocumentTreeModel* model() const { return view()->documentModel(); }

    // One interface per row, asked for only as a tool reads the rows; a row
    // whose folder moved gets a new one.
    QAccessibleInterface* rowAt(const QModelIndex& index) const {
        const corvantis::DOMNode* node = view()->nodeAt(index);
        if (!node) return nullptr;
        if (const auto known = rows_.find(node); known != rows_.end()) {
            auto* row = static_cast<TreeRowAccessible*>(QAccessible::accessibleInterface(known->second));
            if (row && row->index() == index) return row;
            QAccessible::deleteAccessibleInterface(known->second);
            rows_.erase(known);
        }
        auto* row = new TreeRowAccessible(view(), index);
        rows_.emplace(node, QAccessible::registerAccessibleInterface(row));
        return row;
    }

    mutable std::unordered_map<const corvantis::DOMNode*, QAccessible::Id> rows_;
};

}  // namespace

void installTreeAccessibility() { installAccessibleFactory<DocumentTreeView, TreeAccessible>(); }

void announceFolding(DocumentTreeView* view, int row) {
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(view, changed);
    event.setChild(FirstRow + row);
    QAccessible::updateAccessibility(&event);
}
