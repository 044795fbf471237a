// Finding text in the document: the folder names, every text of a folder
// (CDATA sections included), attribute names and values, and comments, in
// document order. Matching goes by characters (the model's UTF-8); without
// "match case" capital and small letters are alike (Characters.h). In
// character data a kept reference matches as it was written
// (CharacterData.h).
//
// A search is a walk that can stop after any amount of work and go on
// later, so a window can search a large document a slice at a time. The
// document must not change while a walk is under way; a change means a new
// walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "Characters.h"
#include "Dom.h"

namespace corvantis {

struct SearchOptions {
    bool matchCase = false;
    // The match is neither preceded nor followed by a letter, digit or "_".
    bool wholeWord = false;
};

// Where a match was found.
struct SearchMatch {
    enum Part : std::int32_t { NamePart = -1, ValuePart = -2 };

    // The element whose name or attribute matched, or the TEXT, CDATA or
    // COMMENT node whose value matched.
    const DOMNode* node = nullptr;
    // How many elements start before the match, the one it is in included:
    // matches in document order have rising ranks.
    std::int32_t rank = 0;
    // NamePart, ValuePart (of a leaf), or 2 * i for the name and 2 * i + 1
    // for the value of the element's attribute i.
    std::int32_t part = NamePart;
    std::uint32_t offset = 0;  // bytes into the matched text
    std::uint32_t length = 0;  // bytes

    bool inAttribute() const { return part >= 0; }
    int attribute() const { return part / 2; }
    // The folder the match belongs to: the element, or the leaf's parent.
    const DOMNode* folder() const { return node->nodeType() == ELEMENT ? node : node->parentNode(); }
    bool operator==(const SearchMatch& other) const {
        return node == other.node && part == other.part && offset == other.offset;
    }
};

// The text a match was found in.
const StringObject& matchedText(const SearchMatch& match);

// The rank an element's matches have (its position among the elements in
// document order, from 1); 0 for the document node.
std::int32_t searchRank(const DOM& dom, const DOMNode* node);

// Finds a query in one text.
class TextMatcher {
public:
    // `query` is UTF-8; an empty query matches nothing.
    TextMatcher(std::string_view query, SearchOptions options);

    bool empty() const { return query_.empty(); }
    // The first match that starts at or after `from`; false when there is
    // none. `characterData` tells that `text` is character data.
    bool find(std::string_view text, std::size_t from, std::size_t& offset, std::size_t& length,
              bool characterData = false) const;
    // Every match in `text`, in order, none overlapping the one before:
    // `found(offset, length)` for each. Each possible first byte is looked
    // for once over the text, so the search stays linear however many
    // matches there are.
    void findAll(std::string_view text, bool characterData,
                 const std::function<void(std::size_t, std::size_t)>& found) const;

private:
    // Calls `found(offset, length)` for each match from `from` on until it
    // returns false.
    template <class Found>
    void scan(std::string_view text, std::size_t from, bool characterData, Found found) const;
    // The match's length when the query matches at `at`, else 0.
    std::size_t matchAt(const char* begin, const char* at, const char* end, bool characterData) const;
    bool standsAlone(const char* begin, const char* start, const char* stop, const char* end,
                     bool characterData) const;

    SearchOptions options_;
    // The query's characters, folded unless the case must match.
    std::vector<char32_t> query_;
    // The distinct bytes a match can start with: one or two for most
    // queries ("m" and "M"), three for "k" (the Kelvin sign). Empty when
    // there would be more than fit: then a match may start anywhere.
    static constexpr std::size_t MaxStartBytes = 4;
    std::vector<unsigned char> starts_;
};

class SearchWalk {
public:
    // Walks `dom`'s tree from its document node.
    SearchWalk(const DOM& dom, TextMatcher matcher);

    // Searches on until about `budget` bytes have been looked at, appending
    // what it finds to `matches` in document order. True once the whole
    // document has been searched.
    bool run(std::size_t budget, std::vector<SearchMatch>& matches);
    bool finished() const { return stack_.empty(); }

private:
    struct Frame {
        const DOMNode* node;
        int next;
    };
    // Returns the bytes looked at.
    std::size_t searchText(const DOMNode* node, std::int32_t part, const StringObject& text, bool characterData,
                           std::vector<SearchMatch>& matches) const;
    std::size_t visit(const DOMNode* node, std::vector<SearchMatch>& matches);

    TextMatcher matcher_;
    std::vector<Frame> stack_;
    std::int32_t rank_ = 0;
};

}  // namespace corvantis
