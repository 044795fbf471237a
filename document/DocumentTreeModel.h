// The document's elements as the rows of a tree view: the document node
// first, then one row per shown element, in document order. A row's depth
// says how far it is indented; a folded element hides the rows of its
// subtree, which always follow it as one run. Rows are read straight from
// the document: the model keeps only the list of shown nodes, which
// elements are folded and which folder is marked for copy or cut, and
// follows every change the document announces. A name is edited through
// setData and a folder dragged through the mime-data calls, each as a
// command of the document's history.
//
// While the live filter is on, the rows are the document node's and the
// filter's: the matching folders and, dimmed, the folders above them, each
// shown open; folding waits until the filter is off, when the rows are the
// folded tree again.
//
// The rows form a flat list, because a view lays out a flat list of a
// million rows many times faster, and in a fraction of the memory, than the
// same rows nested; the depth role tells how deep each stands.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include <QAbstractListModel>
#include <QIcon>

#include "core/Dom.h"
#include "document/DocumentFilter.h"

class Document;

class DocumentTreeModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // 0 for the document node, 1 for the top element, and so on.
        DepthRole = Qt::UserRole + 1,
        // The row's element has child elements.
        HasChildrenRole,
        ExpandedRole,
        // The row's Mark.
        MarkRole,
        // Shown by the filter only because a match lies below it.
        DimmedRole,
    };
    // A folder marked to be pasted elsewhere: copied, or moved (cut).
    enum class Mark { None, Copy, Cut };
    // Opening the whole tree stops at this depth; deeper rows open on demand.
    static constexpr int DeepestExpandedLevel = 2000;

    explicit DocumentTreeModel(Document& document, QObject* parent = nullptr);

    Document& document() const { return document_; }
    // The live filter of these rows.
    DocumentFilter& filter() { return filter_; }
    bool isFiltered() const { return filtered_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A new name for the row's element, as a step of the history; a name
    // that is no XML name (or one the document's encoding cannot hold) is
    // refused with nameRefused.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Drag and drop of a folder within this document, under the rules of a
    // paste. A drop names the row it is dropped on as `parent` and where
    // relative to it as `row`: -1 onto it (under, as its last child), 0
    // before it, 1 after it; a copy is asked for with Qt::CopyAction.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

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
    // Every row open (down to DeepestExpandedLevel; nothing to do when they
    // are) / only the top row shown.
    bool isFullyExpanded() const { return openByDefault_ && exceptions_.empty(); }
    void expandAll();
    void collapseAll();
    // A shown folder whose rows below are hidden; folding or opening a
    // folder that has child elements.
    bool isFolded(const corvantis::DOMNode* node) const;
    void setFolded(const corvantis::DOMNode* node, bool folded);
    // Opens the folded elements above `node` and returns its row.
    QModelIndex reveal(const corvantis::DOMNode* node);

    // Rows built anew from the document, every row open; the top row shows
    // the document node's name from then on instead of the file's.
    void rebuild();

    // The folder marked for copy or cut; none when `node` is null.
    void setMark(corvantis::DOMNode* node, Mark mark);
    corvantis::DOMNode* markedNode() const { return marked_; }
    Mark mark() const { return mark_; }
    // A cut mark ends; a copy mark stays.
    void dropCutMark();
    // The image of a row, by its Mark.
    void setIcons(const QIcon& unmarked, const QIcon& copy, const QIcon& cut);

signals:
    // The typed name was refused: no XML name, or not one the document's
    // encoding can hold. The row keeps its name.
    void nameRefused(const QModelIndex& index);
    // A dragged folder was dropped; `placed` is where it now stands (a copy
    // of it when copied).
    void folderDropped(corvantis::DOMNode* placed);

private:
    int shownCount() const;
    corvantis::DOMNode* nodeAtRow(int row) const;
    std::int32_t depthAtRow(int row) const;
    // The filter's rows passed on as this model's, one row below (the top
    // row is the document node's).
    void followFilter();
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
    void insertShown(int at, const std::vector<corvantis::DOMNode*>& rows, const std::vector<std::int32_t>& depths);
    void removeShown(int first, int end);
    // The dragged folder `data` names, while it is still in this document.
    corvantis::DOMNode* draggedFolder(const QMimeData* data) const;
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
    DocumentFilter filter_;
    // The rows are the filter's; rows_ and depths_ are empty meanwhile.
    bool filtered_ = false;
    // In a reset of this model's own, the filter's notifications are not
    // passed on; the reset ends with the filter's rows as they are then.
    bool resetting_ = false;
    bool relayingReset_ = false;
    std::vector<corvantis::DOMNode*> rows_;
    std::vector<std::int32_t> depths_;
    // Folding: every element down to the depth limit is open by default, or
    // none is; the elements listed here are the exceptions.
    bool openByDefault_ = true;
    std::unordered_set<const corvantis::DOMNode*> exceptions_;
    // The top row shows the document node's name (after a rebuild) rather
    // than the name of the document's file.
    bool showsNodeName_ = false;
    corvantis::DOMNode* marked_ = nullptr;
    Mark mark_ = Mark::None;
    QIcon icons_[3];
};
