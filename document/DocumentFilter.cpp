#include "document/DocumentFilter.h"

#include <algorithm>
#include <limits>

#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::FilterRow;
using corvantis::FilterTerm;

namespace {

bool isElement(const DOMNode* node) { return node->nodeType() == corvantis::ELEMENT; }

// The words of a query, with blanks inside double quotes kept; each with
// whether an "=" outside quotes split it, and where.
struct Word {
    QString text;
    qsizetype equals = -1;
};

std::vector<Word> wordsOf(const QString& query) {
    std::vector<Word> words;
    Word word;
    bool quoted = false;
    bool started = false;
    for (const QChar c : query) {
        if (c == u'"') {
            quoted = !quoted;
            started = true;
        } else if (c.isSpace() && !quoted) {
            if (started) words.push_back(word);
            word = Word();
            started = false;
        } else {
            if (c == u'=' && !quoted && word.equals < 0) word.equals = word.text.size();
            word.text += c;
            started = true;
        }
    }
    if (started) words.push_back(word);
    return words;
}

}  // namespace

DocumentFilter::DocumentFilter(Document& document, QObject* parent) : QObject(parent), document_(document) {
    slice_.setSingleShot(true);
    slice_.setInterval(0);
    connect(&slice_, &QTimer::timeout, this, &DocumentFilter::runSlice);
    // The walk reads the tree: it ends before the tree changes.
    connect(&document_, &Document::aboutToChange, this, &DocumentFilter::finishWalk);
    connect(&document_, &Document::aboutToReplace, this, &DocumentFilter::clear);
    connect(&document_, &Document::replaced, this, &DocumentFilter::restart);
    connect(&document_, &Document::childrenAboutToLeave, this, &DocumentFilter::childrenAboutToLeave);
    connect(&document_, &Document::childrenArrived, this, &DocumentFilter::childrenArrived);
}

DocumentFilter::~DocumentFilter() = default;

std::vector<FilterTerm> DocumentFilter::termsOf(const QString& query) {
    std::vector<FilterTerm> terms;
    for (const Word& word : wordsOf(query)) {
        FilterTerm term;
        // "=x" is a word: an attribute needs a name.
        const bool attribute = word.equals > 0;
        const QString name = attribute ? word.text.left(word.equals) : QString();
        const QString value = attribute ? word.text.mid(word.equals + 1) : word.text;
        if (value.isEmpty() && !attribute) continue;
        term.attribute = name.toStdString();
        term.word = value.toStdString();
        terms.push_back(std::move(term));
    }
    return terms;
}

void DocumentFilter::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    active_ = !termsOf(query_).empty();
    restart();
}

void DocumentFilter::clear() {
    emit aboutToReset();
    dropRows();
    emit reset();
}

void DocumentFilter::dropRows() {
    slice_.stop();
    walk_.reset();
    filter_.reset();
    rows_.clear();
    shown_.clear();
}

void DocumentFilter::restart() {
    emit aboutToReset();
    dropRows();
    std::vector<Row> first;
    const std::vector<FilterTerm> terms = termsOf(query_);
    if (!terms.empty()) {
        filter_ = std::make_unique<corvantis::FolderFilter>(terms);
        walk_ = std::make_unique<corvantis::FilterWalk>(*document_.documentNode(), 0, *filter_);
        // The first rows come with the reset, so a view finds its current
        // folder among them; the rest between events.
        walkSlice(first);
        rows_ = first;
        for (const Row& row : rows_) shown_.insert(row.folder);
    }
    emit reset();
    if (walk_) afterSlice();
}

void DocumentFilter::walkSlice(std::vector<Row>& rows) {
    std::vector<FilterRow> found;
    walk_->run(sliceSize_, found);
    rows.reserve(found.size());
    for (const FilterRow& row : found)
        rows.push_back({const_cast<DOMNode*>(row.folder), row.depth, row.matches ? Shown::Match : Shown::Above});
}

void DocumentFilter::afterSlice() {
    if (!walk_->finished()) {
        slice_.start();
        return;
    }
    walk_.reset();
    emit finished();
}

void DocumentFilter::runSlice() {
    if (!walk_) return;
    std::vector<Row> rows;
    walkSlice(rows);
    if (!rows.empty()) insertRows(static_cast<int>(rows_.size()), rows);
    afterSlice();
}

void DocumentFilter::finishWalk() {
    if (!walk_) return;
    slice_.stop();
    const std::size_t slice = sliceSize_;
    sliceSize_ = std::numeric_limits<std::size_t>::max();
    runSlice();
    sliceSize_ = slice;
}

// ---- Rows ----

int DocumentFilter::rowOf(const DOMNode* folder) const {
    if (!shown_.count(folder)) return -1;
    const auto found = std::find_if(rows_.begin(), rows_.end(), [folder](const Row& row) { return row.folder == folder; });
    return static_cast<int>(found - rows_.begin());
}

int DocumentFilter::endOfRowsBelow(int row) const {
    const int count = static_cast<int>(rows_.size());
    if (row < 0) return count;
    const std::int32_t depth = rows_[static_cast<std::size_t>(row)].depth;
    int end = row + 1;
    while (end < count && rows_[static_cast<std::size_t>(end)].depth > depth) ++end;
    return end;
}

int DocumentFilter::depthOf(const DOMNode* folder) const {
    const int row = rowOf(folder);
    return row < 0 ? 0 : rows_[static_cast<std::size_t>(row)].depth;
}

void DocumentFilter::insertRows(int at, const std::vector<Row>& rows) {
    const int last = at + static_cast<int>(rows.size()) - 1;
    emit rowsAboutToBeInserted(at, last);
    rows_.insert(rows_.begin() + at, rows.begin(), rows.end());
    for (const Row& row : rows) shown_.insert(row.folder);
    emit rowsInserted(at, last);
}

void DocumentFilter::removeRows(int first, int end) {
    emit rowsAboutToBeRemoved(first, end - 1);
    for (int row = first; row < end; ++row) shown_.erase(rows_[static_cast<std::size_t>(row)].folder);
    rows_.erase(rows_.begin() + first, rows_.begin() + end);
    emit rowsRemoved(first, end - 1);
}

int DocumentFilter::rowForChild(const DOMNode* parent, int index) const {
    const int parentRow = rowOf(parent);
    // After the rows of the nearest earlier sibling that has any.
    for (int i = index - 1; i >= 0; --i) {
        const DOMNode* sibling = parent->childAt(i);
        if (isElement(sibling) && shown_.count(sibling)) return endOfRowsBelow(rowOf(sibling));
    }
    return parentRow + 1;
}

int DocumentFilter::reveal(DOMNode* folder) {
    if (!filter_ || !folder || folder == document_.documentNode() || !document_.dom().contains(folder)) return -1;
    // The walk would list the folder again once it got there.
    finishWalk();
    return showWithAbove(folder, Shown::Arrived);
}

int DocumentFilter::showWithAbove(DOMNode* folder, Shown shownAs) {
    std::vector<DOMNode*> above;
    DOMNode* shownAbove = folder;
    while (shownAbove != document_.documentNode() && !shown_.count(shownAbove)) {
        above.push_back(shownAbove);
        shownAbove = shownAbove->parentNode();
    }
    if (above.empty()) return rowOf(folder);
    const int at = rowForChild(shownAbove, shownAbove->childNodes()->indexOf(above.back()));
    std::int32_t depth = depthOf(shownAbove);
    std::vector<Row> rows;
    for (auto folderAbove = above.rbegin(); folderAbove != above.rend(); ++folderAbove)
        rows.push_back({*folderAbove, ++depth, Shown::Above});
    rows.back().shown = shownAs;
    insertRows(at, rows);
    return at + static_cast<int>(rows.size()) - 1;
}

void DocumentFilter::childrenAboutToLeave(DOMNode* parent, int first, int last) {
    if (!filter_ || (parent != document_.documentNode() && !shown_.count(parent))) return;
    std::unordered_set<const DOMNode*> leaving;
    for (int i = first; i <= last; ++i) {
        const DOMNode* child = parent->childAt(i);
        if (isElement(child) && shown_.count(child)) leaving.insert(child);
    }
    if (leaving.empty()) return;
    // The children's rows are one run below the parent's: they stand side by side.
    const int parentRow = rowOf(parent);
    const int end = endOfRowsBelow(parentRow);
    const std::int32_t childDepth = depthOf(parent) + 1;
    int from = -1;
    int to = -1;
    for (int row = parentRow + 1; row < end; row = endOfRowsBelow(row)) {
        const Row& child = rows_[static_cast<std::size_t>(row)];
        if (child.depth != childDepth || !leaving.count(child.folder)) continue;
        if (from < 0) from = row;
        to = endOfRowsBelow(row);
    }
    if (from >= 0) removeRows(from, to);
}

void DocumentFilter::childrenArrived(DOMNode* parent, int first, int last) {
    if (!filter_) return;
    const corvantis::FolderFilter& filter = *filter_;
    for (int i = first; i <= last; ++i) {
        DOMNode* child = parent->childAt(i);
        if (!isElement(child)) continue;
        if (parent != document_.documentNode()) showWithAbove(parent);
        const std::int32_t depth = depthOf(parent) + 1;
        std::vector<Row> rows{{child, depth, filter.matches(*child) ? Shown::Match : Shown::Arrived}};
        corvantis::FilterWalk walk(*child, depth, filter);
        std::vector<FilterRow> below;
        walk.run(std::numeric_limits<std::size_t>::max(), below);
        for (const FilterRow& row : below)
            rows.push_back({const_cast<DOMNode*>(row.folder), row.depth, row.matches ? Shown::Match : Shown::Above});
        insertRows(rowForChild(parent, i), rows);
    }
}
