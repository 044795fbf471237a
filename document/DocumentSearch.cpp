#include "document/DocumentSearch.h"

#include <QStringView>
#include <algorithm>

#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::SearchMatch;

// A go to the next or previous match that waits for the walk.
struct DocumentSearch::Pending {
    Direction direction;
    // From the current match; else from the start of the selected folder,
    // whose rank this is.
    bool fromCurrent;
    std::int32_t rank;
};

DocumentSearch::DocumentSearch(Document& document, QObject* parent) : QObject(parent), document_(document) {
    slice_.setSingleShot(true);
    slice_.setInterval(0);
    connect(&slice_, &QTimer::timeout, this, &DocumentSearch::runSlice);
    // Any change may move, add or take away matches: the walk starts anew
    // once the change is complete. The tree is not walked in between.
    connect(&document_, &Document::aboutToReplace, this, &DocumentSearch::stop);
    connect(&document_, &Document::replaced, this, &DocumentSearch::restart);
    connect(&document_, &Document::childrenAboutToLeave, this, &DocumentSearch::restart);
    connect(&document_, &Document::childrenArrived, this, &DocumentSearch::restart);
    connect(&document_, &Document::renamed, this, &DocumentSearch::restart);
    connect(&document_, &Document::detailsChanged, this, &DocumentSearch::restart);
    connect(&document_, &Document::stringsChanged, this, &DocumentSearch::restart);
}

DocumentSearch::~DocumentSearch() = default;

void DocumentSearch::setQuery(const QString& text, corvantis::SearchOptions options) {
    if (text == query_ && options.matchCase == options_.matchCase && options.wholeWord == options_.wholeWord)
        return;
    query_ = text;
    options_ = options;
    current_ = -1;
    resuming_ = false;
    pending_.reset();
    restart();
}

bool DocumentSearch::isFinished() const { return !walk_ || walk_->finished(); }

void DocumentSearch::stop() {
    if (current_ >= 0) {
        // Only compared with what is found later, never followed: the node
        // may be gone by then.
        resume_ = matches_[static_cast<std::size_t>(current_)];
        resumeFolder_ = resume_.folder();
        resuming_ = true;
    }
    current_ = -1;
    matches_.clear();
    walk_.reset();
}

void DocumentSearch::restart() {
    stop();
    // A text may hold any character, whatever the file's encoding; a query
    // with half a surrogate pair matches nothing.
    if (!query_.isEmpty() && QStringView(query_).isValidUtf16()) {
        const QByteArray bytes = query_.toUtf8();
        walk_ = std::make_unique<corvantis::SearchWalk>(
            document_.dom(),
            corvantis::TextMatcher(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), options_));
    }
    emit progressed();
    slice_.start();
}

void DocumentSearch::runSlice() {
    if (walk_ && !walk_->finished()) {
        const std::size_t before = matches_.size();
        walk_->run(sliceSize_, matches_);
        if (resuming_) {
            const auto found =
                std::find(matches_.begin() + static_cast<std::ptrdiff_t>(before), matches_.end(), resume_);
            if (found != matches_.end()) {
                current_ = static_cast<int>(found - matches_.begin());
                resuming_ = false;
            }
        }
        if (!walk_->finished()) slice_.start();
    }
    if (isFinished()) resuming_ = false;
    emit progressed();
    resolve();
}

void DocumentSearch::go(Direction direction, const DOMNode* selected) {
    const bool onCurrent = current_ >= 0 ? matches_[static_cast<std::size_t>(current_)].folder() == selected
                                         : resuming_ && resumeFolder_ == selected;
    pending_ = std::make_unique<Pending>(
        Pending{direction, onCurrent, corvantis::searchRank(document_.dom(), selected)});
    resolve();
}

int DocumentSearch::firstFrom(std::int32_t rank) const {
    const auto found =
        std::lower_bound(matches_.begin(), matches_.end(), rank,
                         [](const SearchMatch& match, std::int32_t r) { return match.rank < r; });
    return static_cast<int>(found - matches_.begin());
}

void DocumentSearch::resolve() {
    if (!pending_) return;
    const int n = count();
    const bool done = isFinished();
    Pending& pending = *pending_;
    if (pending.fromCurrent && current_ < 0) {
        // Wait for the current match to be found again; gone, go from the selection.
        if (resuming_) return;
        pending.fromCurrent = false;
    }
    const bool forward = pending.direction == Direction::Forward;
    if (pending.fromCurrent) {
        if (forward && current_ + 1 < n) return reach(current_ + 1, false);
        if (!forward && current_ > 0) return reach(current_ - 1, false);
        if (done) reach(forward ? 0 : n - 1, true);
        return;
    }
    const int from = firstFrom(pending.rank);
    if (forward && from < n) return reach(from, false);
    // Matches found later all come after `from`: the one before it is known.
    if (!forward && from < n && from > 0) return reach(from - 1, false);
    if (!done) return;
    if (n == 0) {
        pending_.reset();
        return;
    }
    if (forward) return reach(0, true);
    reach(n - 1, from == 0);
}

void DocumentSearch::reach(int index, bool wrapped) {
    pending_.reset();
    current_ = index;
    emit progressed();
    emit reached(matches_[static_cast<std::size_t>(index)], wrapped);
}
