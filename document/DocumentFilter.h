// The live filter: which folders a tree narrowed down to a query shows, and
// how that list follows the document while the filter stays on. A view of
// the document, never a change to it.
//
// The query is words, all of which a folder must hold (in its name, texts,
// attribute names or values, or comments; any case, accented letters as the
// find bar folds them), and name=value terms, which ask for an attribute
// named exactly `name` whose value holds `value` in any case (`tag=` asks
// only for the attribute). Double quotes keep blanks inside one word:
// "two words", tag="two words".
//
// The rows are the matching folders and the folders above them, in document
// order, each with its depth (1 for a top element; the document node has no
// row). They are found a slice at a time between events, so the first rows
// come at once however large the document. After that, edits change the
// rows only where folders leave or come into the tree: a folder that stops
// matching stays until the query changes; a folder that comes in (a new
// one, a paste, an undone delete) is shown with the folders above it and
// the matches inside it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <unordered_set>
#include <vector>

#include "core/Filter.h"

class Document;

class DocumentFilter : public QObject {
    Q_OBJECT
public:
    enum class Shown : std::uint8_t {
        Match,
        // Above a match, shown dimmed so the place is clear.
        Above,
        // Came into the tree while the filter was on.
        Arrived,
    };
    struct Row {
        corvantis::DOMNode* folder;
        std::int32_t depth;
        Shown shown;
    };

    explicit DocumentFilter(Document& document, QObject* parent = nullptr);
    ~DocumentFilter() override;

    // Filters by `query` from now on; a query without a term (blank)
    // filters nothing. The same query again changes nothing.
    void setQuery(const QString& query);
    const QString& query() const { return query_; }
    // A query with at least one term: the tree shows rows() only.
    bool isActive() const { return active_; }
    // Every folder has been looked at.
    bool isFinished() const { return !walk_; }

    const std::vector<Row>& rows() const { return rows_; }
    // The row of `folder`, or -1 when it has none.
    int rowOf(const corvantis::DOMNode* folder) const;
    // The row after the last row below the one at `row`.
    int endOfRowsBelow(int row) const;
    // Gives a folder the filter hides a row, with the folders above it, as
    // when it comes into the tree (a found folder is shown so); returns its
    // row, or -1 when the filter is off or the folder is not in the document.
    int reveal(corvantis::DOMNode* folder);

    // How many bytes one slice of the walk looks at.
    void setSliceSize(std::size_t bytes) { sliceSize_ = bytes; }

    // The terms a query makes, for the document's encoding; none when the
    // query has none. A term the encoding cannot hold matches nothing.
    static std::vector<corvantis::FilterTerm> termsOf(const QString& query);

signals:
    // Shaped as a list model's notifications, so a view's model only
    // passes them on. A reset comes with the first rows of a new query.
    void aboutToReset();
    void reset();
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);
    // The walk has looked at every folder.
    void finished();

private:
    void restart();
    void clear();
    // Stops the walk and forgets every row found.
    void dropRows();
    void runSlice();
    // Walks one slice on, listing the rows found.
    void walkSlice(std::vector<Row>& rows);
    // Another slice later, or the walk is over.
    void afterSlice();
    void finishWalk();
    void insertRows(int at, const std::vector<Row>& rows);
    void removeRows(int first, int end);

    void childrenAboutToLeave(corvantis::DOMNode* parent, int first, int last);
    void childrenArrived(corvantis::DOMNode* parent, int first, int last);
    // Gives `folder` (shown as `shownAs`) and the folders above it rows
    // where they have none; returns the row of `folder`.
    int showWithAbove(corvantis::DOMNode* folder, Shown shownAs = Shown::Above);
    // Where a row for the child at `index` of `parent` (shown, or the
    // document node) goes.
    int rowForChild(const corvantis::DOMNode* parent, int index) const;
    int depthOf(const corvantis::DOMNode* folder) const;

    Document& document_;
    QString query_;
    bool active_ = false;
    std::unique_ptr<corvantis::FolderFilter> filter_;
    std::unique_ptr<corvantis::FilterWalk> walk_;
    std::vector<Row> rows_;
    std::unordered_set<const corvantis::DOMNode*> shown_;
    std::size_t sliceSize_ = 4 << 20;
    QTimer slice_;
};
