#include "widgets/TextBlocks.h"

#include <algorithm>

namespace {

// A long line is cut after the first blank in its block's last quarter.
constexpr std::size_t CutFrom = TextBlocks::MaxBytes / 4 * 3;
// How far past a block's start its cut or break is looked for.
constexpr std::size_t Reach = TextBlocks::MaxBytes + 1;

}  // namespace

TextBlocks::Block TextBlocks::startingAt(std::size_t start) const {
    const std::size_t size = text_.size();
    start = std::min(start, size);
    const std::size_t limit = std::min(size, start + Reach);
    const std::size_t lineFeed = text_.find('\n', start, limit);
    if (lineFeed != LargeText::npos) {
        const bool crLf = lineFeed > start && text_.at(lineFeed - 1) == '\r';
        return {start, crLf ? lineFeed - 1 : lineFeed, lineFeed + 1, false};
    }
    if (limit == size) return {start, size, size, true};
    const std::size_t space = text_.find(' ', start + CutFrom, start + MaxBytes);
    const std::size_t tab = text_.find('\t', start + CutFrom, space == LargeText::npos ? start + MaxBytes : space);
    std::size_t cut = std::min(space, tab);
    if (cut != LargeText::npos) {
        ++cut;
    } else {
        // No blank: between two characters.
        cut = start + MaxBytes;
        while (cut > start + 1 && utf8::isContinuation(text_.at(cut))) --cut;
    }
    return {start, cut, cut, false};
}

TextBlocks::Block TextBlocks::at(std::size_t offset) const {
    offset = std::min(offset, text_.size());
    follow();
    std::vector<std::size_t>& starts = chain_.starts;
    if (!starts.empty() && offset >= starts.front()) {
        if (offset < starts.back()) {
            const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
            return startingAt(*(after - 1));
        }
        // Past what is worked out, but still on the same line.
        if (text_.find('\n', starts.back(), offset) == LargeText::npos) return extendChain(offset);
    }
    const std::size_t lineFeed = text_.findLast('\n', 0, offset);
    const std::size_t lineStart = lineFeed == LargeText::npos ? 0 : lineFeed + 1;
    const Block first = startingAt(lineStart);
    if (first.holds(offset) || first.broken() || first.last) return first;
    chain_.starts.assign(1, lineStart);
    return extendChain(offset);
}

TextBlocks::Block TextBlocks::extendChain(std::size_t offset) const {
    for (;;) {
        const Block block = startingAt(chain_.starts.back());
        if (block.holds(offset) || block.broken() || block.last) return block;
        chain_.starts.push_back(block.next);
    }
}

void TextBlocks::follow() const {
    if (chain_.version == text_.version()) return;
    std::vector<std::size_t> old;
    old.swap(chain_.starts);
    const bool oneChange = chain_.version + 1 == text_.version();
    chain_.version = text_.version();
    if (!oneChange || old.empty()) return;
    const LargeText::Change& change = text_.lastChange();
    const std::size_t changeEnd = change.from + change.removed;
    const auto shifted = [&change](std::size_t start) { return start - change.removed + change.inserted; };
    // Changed before the break that starts the line: the line only moved.
    if (changeEnd < old.front()) {
        for (const std::size_t start : old) chain_.starts.push_back(shifted(start));
        return;
    }
    // Changed the break itself: the line is another.
    if (change.from < old.front()) return;
    // A cut stands where nothing within reach of its block's start changed.
    chain_.starts.push_back(old.front());
    for (std::size_t k = 1; k < old.size() && old[k - 1] + Reach <= change.from; ++k) chain_.starts.push_back(old[k]);
    // The cuts after the change come again as they were, only moved, once a
    // block starts where a block past the change started: from there on the
    // bytes are the same. Mostly that is the first or second block after.
    for (int tries = 0; tries < 4; ++tries) {
        const Block block = startingAt(chain_.starts.back());
        if (block.broken() || block.last) return;
        chain_.starts.push_back(block.next);
        if (block.next < change.from + change.inserted) continue;
        const std::size_t before = block.next - change.inserted + change.removed;
        const auto same = std::lower_bound(old.begin(), old.end(), before);
        if (same != old.end() && *same == before) {
            for (auto start = same + 1; start != old.end(); ++start) chain_.starts.push_back(shifted(*start));
            return;
        }
    }
}
