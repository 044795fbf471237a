// Where the blocks a large-text field lays out begin and end. A block is a
// line without its break; a line longer than MaxBytes is cut into blocks of
// at most that many bytes, after a blank when there is one near the end, so
// that laying out any block stays quick whatever the text (a single line of
// twenty megabytes included). Where a cut falls depends only on the bytes
// from its block's start to the cut, so blocks can be found from any line
// start on, and an edit moves only the cuts after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "widgets/LargeText.h"

class TextBlocks {
public:
    static constexpr std::size_t MaxBytes = 8192;

    struct Block {
        std::size_t start = 0;
        // Where its characters end: before the break, or at the cut.
        std::size_t end = 0;
        // Where the block after it starts (past the break, or at the cut).
        std::size_t next = 0;
        // No block follows: it ends the text.
        bool last = false;

        bool broken() const { return next > end; }
        // A place belongs to the block it is in; the place of a cut to the
        // block after it.
        bool holds(std::size_t offset) const { return start <= offset && (offset < next || last); }
        bool operator==(const Block& other) const {
            return start == other.start && end == other.end && next == other.next && last == other.last;
        }
    };

    explicit TextBlocks(const LargeText& text) : text_(text) {}

    // The block `offset` belongs to (the text's end belongs to the last).
    Block at(std::size_t offset) const;
    // The block that starts at `start`, which must be a block's start.
    Block startingAt(std::size_t start) const;
    Block after(const Block& block) const { return startingAt(block.next); }
    // The block before one that does not start the text.
    Block before(const Block& block) const { return at(block.start - 1); }

private:
    // The starts of the blocks of the last long line looked at, as far as
    // they have been worked out; the first is the line's start.
    struct Chain {
        std::vector<std::size_t> starts;
        std::uint64_t version = 0;
    };

    // Brings the chain up to the text's version: kept where the change
    // cannot have moved a cut, dropped where it may have.
    void follow() const;
    // Works the chain out from its last start on, until a block holds
    // `offset` or the line ends.
    Block extendChain(std::size_t offset) const;

    const LargeText& text_;
    mutable Chain chain_;
};
