// The document's elements as the rows of a tree view: the document node
// first, then one row per shown element, in document order. A row's depth
// says how far it is indented; a folded element hides the rows of its
// subtree, which always follow it as one run. Rows are read straight from
// the document: the model keeps only the list of shown nodes and which
// elements are folded, and follows every change the document announces.
//
// The rows form a flat list because a view lays out a flat list of a
// million rows many times faster, and in a fraction of the memory, than the
// same rows nested.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include <QAbstractItemModel>

#include "core/Dom.h"

class Document;

class DocumentTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        // 0 for the document node, 1 for the top element, and so on.
        DepthRole = Qt::UserRole + 1,
        // The row's element has child elements.
        HasChildrenRole,
        ExpandedRole,
    };
    // Opening the whole tree stops at this depth; deeper rows open on demand.
    static constexpr int DeepestExpandedLevel = 2000;

    explicit DocumentTreeModel(Document& document, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    corvantis::DOMNode* nodeAt(const QModelIndex& index) const;
    // The row of `node`; invalid when it is not shown.
    QModelIndex indexOf(const corvantis::DOMNode* node) const;
    int depthAt(const QModelIndex& index) const;
    // The row's element has child elements (its rows are no model children).
    bool hasChildElements(const QModelIndex& index) const;
    bool isExpanded(const QModelIndex& index) const;
    // The row of the element the row's element lies in; invalid for the top row.
    QModelIndex parentRow(const QModelIndex& index) const;

    void setExpanded(const QModelIndex& index, bool expanded);
    // Opens the row and every row below it.
    void expandSubtree(const QModelIndex& index);
    // Every row open (down to DeepestExpandedLevel) / only the top row shown.
    bool isFullyExpanded() const { return openByDefault_ && exceptions_.empty(); }
    void expandAll();
    void collapseAll();
    // Opens the folded elements above `node` and returns its row.
    QModelIndex reveal(const corvantis::DOMNode* node);

    // The top row's caption instead of the document node's name, until the
    // rows are rebuilt; empty for none.
    void setTopCaption(const QString& caption);
    // Rows built anew from the document, every row open.
    void rebuild();

private:
    bool opensByDefault(int depth) const { return openByDefault_ && depth < DeepestExpandedLevel; }
    bool isOpen(const corvantis::DOMNode* node, int depth) const;
    void setOpen(const corvantis::DOMNode* node, int depth, bool open);
    // Appends `top` (at `depth`) and every shown row below it.
    void collect(corvantis::DOMNode* top, int depth, std::vector<corvantis::DOMNode*>& rows,
                 std::vector<std::int32_t>& depths) const;
    int rowOf(const corvantis::DOMNode* node, int from = 0) const;
    // The row after the last row of the subtree that starts at `row`.
    int endOfSubtree(int row) const;
    // Where the rows of the element children of `parent` from position
    // `after` on start: the row of the first such child that is shown, or
    // the end of the parent's rows.
    int rowOfNextChild(int parentRow, const corvantis::DOMNode* parent, int after) const;
    void insertRows(int at, const std::vector<corvantis::DOMNode*>& rows, const std::vector<std::int32_t>& depths);
    void removeRows(int first, int end);
    void open(int row);
    void close(int row);
    void resetRows();
    // Every element folded or open as the default says, the rows made anew.
    void refold(bool openByDefault);
    void updateRow(int row);

    void childrenAboutToLeave(corvantis::DOMNode* parent, int first, int last);
    void childrenArrived(corvantis::DOMNode* parent, int first, int last);
    void renamed(corvantis::DOMNode* element);

    Document& document_;
    std::vector<corvantis::DOMNode*> rows_;
    std::vector<std::int32_t> depths_;
    // Folding: every element down to the depth limit is open by default, or
    // none is; the elements listed here are the exceptions.
    bool openByDefault_ = true;
    std::unordered_set<const corvantis::DOMNode*> exceptions_;
    QString topCaption_;
};
