// Finds text in the open document while the window stays responsive: the
// walk over the document runs a slice at a time between events, and any
// change to the document starts it anew. Going to the next or previous
// match waits, when need be, until the walk has found it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/Search.h"

class Document;

class DocumentSearch : public QObject {
    Q_OBJECT
public:
    enum class Direction { Forward, Backward };

    explicit DocumentSearch(Document& document, QObject* parent = nullptr);
    ~DocumentSearch() override;

    // Starts the search for `text` (an empty text searches nothing). The
    // same query again changes nothing.
    void setQuery(const QString& text, corvantis::SearchOptions options);
    const QString& query() const { return query_; }

    // The whole document has been searched.
    bool isFinished() const;
    // The matches found so far, in document order.
    int count() const { return static_cast<int>(matches_.size()); }
    const corvantis::SearchMatch& match(int index) const { return matches_[static_cast<std::size_t>(index)]; }
    // The match last gone to, or -1; after a change, the same match found
    // again.
    int currentIndex() const { return current_; }

    // Goes to the next or previous match: from the current one while
    // `selected` is its folder, else from the start of `selected` (null:
    // the document node), so forward goes to the first match at or after
    // it. Past the last match it goes on from the first, and the other way
    // round.
    void go(Direction direction, const corvantis::DOMNode* selected);

    // How many bytes one slice of the walk looks at.
    void setSliceSize(std::size_t bytes) { sliceSize_ = bytes; }

signals:
    // More matches were found, the search finished or started anew.
    void progressed();
    // The match gone to; `wrapped` when the search went on from the other end.
    void reached(const corvantis::SearchMatch& match, bool wrapped);

private:
    struct Pending;

    void restart();
    void stop();
    void runSlice();
    void resolve();
    void reach(int index, bool wrapped);
    // The first match whose rank is at least `rank`.
    int firstFrom(std::int32_t rank) const;

    Document& document_;
    QString query_;
    corvantis::SearchOptions options_;
    std::unique_ptr<corvantis::SearchWalk> walk_;
    std::vector<corvantis::SearchMatch> matches_;
    int current_ = -1;
    // The current match before a change, until it is found again.
    bool resuming_ = false;
    corvantis::SearchMatch resume_;
    const corvantis::DOMNode* resumeFolder_ = nullptr;
    std::unique_ptr<Pending> pending_;
    std::size_t sliceSize_ = 4 << 20;
    QTimer slice_;
};
