// Narrowing the tree down to the folders that hold given words: a folder
// matches when each term is found in it. A word may stand in the folder's
// name, its texts (CDATA sections included), its attributes' names or
// values, or its comments, matched as the search matches it; an attribute
// term asks for an attribute of exactly that name whose value holds the
// word (any value when the word is empty).
//
// The walk lists the matching folders with the folders above them, in
// document order, each once: what a tree showing only the matches shows.
// It can stop after any amount of work and go on later; the document must
// not change while it is under way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Dom.h"
#include "Search.h"

namespace corvantis {

struct FilterTerm {
    // Empty: the word may stand anywhere in the folder.
    std::string attribute;
    // UTF-8, as the document holds its text.
    std::string word;
};

class FolderFilter {
public:
    // Every term must be found; words are matched without regard to case.
    // No terms: nothing matches.
    explicit FolderFilter(const std::vector<FilterTerm>& terms);

    // Whether `folder` (an element) holds every term; adds the bytes looked
    // at to `work`.
    bool matches(const DOMNode& folder, std::size_t& work) const;
    bool matches(const DOMNode& folder) const {
        std::size_t work = 0;
        return matches(folder, work);
    }

private:
    struct Term {
        std::string attribute;
        bool inAttribute;
        // None for an attribute term with an empty word.
        std::optional<TextMatcher> word;
    };
    bool holds(const DOMNode& folder, const Term& term, std::size_t& work) const;

    std::vector<Term> terms_;
};

// A folder a filtered tree shows: one that matches, or one above a match.
struct FilterRow {
    const DOMNode* folder;
    // As the tree counts: 1 for a top element.
    std::int32_t depth;
    bool matches;
};

class FilterWalk {
public:
    // Walks the elements below `top` (not `top` itself), whose depth is
    // `topDepth`. Rows above a match stop below `top`: it counts as shown.
    FilterWalk(const DOMNode& top, std::int32_t topDepth, const FolderFilter& filter);

    // Walks on until about `budget` bytes have been looked at, appending
    // rows in document order. True once the walk is over.
    bool run(std::size_t budget, std::vector<FilterRow>& rows);
    bool finished() const { return stack_.empty(); }

private:
    struct Frame {
        const DOMNode* node;
        int next;
        std::int32_t depth;
    };

    const FolderFilter& filter_;
    std::vector<Frame> stack_;
    // How many frames from the bottom of the stack have their rows already:
    // those above a row always do, so they are a run from the bottom.
    std::size_t shown_ = 1;
};

}  // namespace corvantis
