#include "Search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "CharacterData.h"

namespace corvantis {

const StringObject& matchedText(const SearchMatch& match) {
    if (match.part == SearchMatch::NamePart) return match.node->nodeName();
    if (match.part == SearchMatch::ValuePart) return match.node->nodeValue();
    const Attr* attribute = match.node->attributeAt(match.attribute());
    return match.part % 2 == 0 ? attribute->name : attribute->value;
}

std::int32_t searchRank(const DOM& dom, const DOMNode* node) {
    const DOMNode* first = dom.rootElement();
    if (!node || node->nodeType() != ELEMENT || !first) return 0;
    // Element numbers count in document order from the first element on,
    // whatever number that one has.
    return node->elementNumber() - first->elementNumber() + 1;
}

// ---- TextMatcher ----

TextMatcher::TextMatcher(std::string_view query, SearchOptions options) : options_(options) {
    const char* p = query.data();
    const char* const end = p + query.size();
    while (p != end) {
        const char32_t c = decodeNext(p, end);
        if (c == NotACharacter) {
            // No text of the document can hold it.
            query_.clear();
            return;
        }
        query_.push_back(options.matchCase ? c : foldCase(c));
    }
    if (query_.empty()) return;
    const std::vector<char32_t> firsts =
        options.matchCase ? std::vector<char32_t>{query_.front()} : caseVariants(query_.front());
    for (const char32_t c : firsts) {
        unsigned char byte = 0;
        if (firstByteOf(c, byte) && std::find(starts_.begin(), starts_.end(), byte) == starts_.end())
            starts_.push_back(byte);
    }
    if (starts_.size() > MaxStartBytes) starts_.clear();
}

namespace {

// Where `byte` next occurs in [from, end), or end. memchr looks at many
// bytes a step, which makes the scan for a match's first byte the cheap
// part of a search.
const char* nextByte(const char* from, const char* end, unsigned char byte) {
    const void* found = std::memchr(from, byte, static_cast<std::size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
}

// The character at `p`, moving past it. In character data the mark before a
// kept reference is passed over, and a doubled zero is one zero.
char32_t nextCharacter(const char*& p, const char* end, bool characterData) {
    if (characterData && *p == KeptMark && end - p >= 2) {
        if (p[1] == '&') {
            ++p;
        } else if (p[1] == KeptMark) {
            p += 2;
            return 0;
        }
    }
    return decodeNext(p, end);
}

}  // namespace

bool TextMatcher::find(std::string_view text, std::size_t from, std::size_t& offset, std::size_t& length,
                       bool characterData) const {
    // A match needs at least one byte from `from` on.
    if (query_.empty() || from >= text.size()) return false;
    bool found = false;
    scan(text, from, characterData, [&](std::size_t at, std::size_t bytes) {
        offset = at;
        length = bytes;
        found = true;
        return false;
    });
    return found;
}

void TextMatcher::findAll(std::string_view text, bool characterData,
                          const std::function<void(std::size_t, std::size_t)>& found) const {
    scan(text, 0, characterData, [&](std::size_t at, std::size_t bytes) {
        found(at, bytes);
        return true;
    });
}

template <class Found>
void TextMatcher::scan(std::string_view text, std::size_t from, bool characterData, Found found) const {
    if (query_.empty() || from >= text.size()) return;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    if (starts_.empty()) {
        for (const char* at = begin + from; at < end;) {
            const std::size_t length = matchAt(begin, at, end, characterData);
            if (length == 0) {
                ++at;
                continue;
            }
            if (!found(static_cast<std::size_t>(at - begin), length)) return;
            at += length;
        }
        return;
    }
    // The next place of each possible first byte; the nearest is the next
    // candidate, and only the places behind where the search goes on are
    // looked for again, so the scan stays linear however many matches.
    std::array<const char*, MaxStartBytes> next;
    const auto used = next.begin() + static_cast<std::ptrdiff_t>(starts_.size());
    for (std::size_t i = 0; i < starts_.size(); ++i) next[i] = nextByte(begin + from, end, starts_[i]);
    for (;;) {
        const char* const at = *std::min_element(next.begin(), used);
        if (at == end) return;
        const std::size_t length = matchAt(begin, at, end, characterData);
        if (length > 0 && !found(static_cast<std::size_t>(at - begin), length)) return;
        const char* const after = at + std::max<std::size_t>(length, 1);
        for (std::size_t i = 0; i < starts_.size(); ++i)
            if (next[i] < after) next[i] = nextByte(after, end, starts_[i]);
    }
}

std::size_t TextMatcher::matchAt(const char* begin, const char* at, const char* end, bool characterData) const {
    const char* p = at;
    for (const char32_t wanted : query_) {
        if (p == end) return 0;
        const char32_t c = nextCharacter(p, end, characterData);
        if ((options_.matchCase ? c : foldCase(c)) != wanted) return 0;
    }
    if (options_.wholeWord && !standsAlone(begin, at, p, end, characterData)) return 0;
    return static_cast<std::size_t>(p - at);
}

bool TextMatcher::standsAlone(const char* begin, const char* start, const char* stop, const char* end,
                              bool characterData) const {
    if (start > begin && isWordCharacter(decodePrevious(begin, start))) return false;
    const char* p = stop;
    return p == end || !isWordCharacter(nextCharacter(p, end, characterData));
}

// ---- SearchWalk ----

namespace {

// What visiting a node costs besides the bytes of its texts, so a budget
// also bounds a walk over many nodes with short names.
constexpr std::size_t NodeCost = 16;

}  // namespace

SearchWalk::SearchWalk(const DOM& dom, TextMatcher matcher) : matcher_(std::move(matcher)) {
    if (!matcher_.empty()) stack_.push_back({dom.documentNode(), 0});
}

bool SearchWalk::run(std::size_t budget, std::vector<SearchMatch>& matches) {
    std::size_t done = 0;
    while (!stack_.empty() && done < budget) {
        Frame& frame = stack_.back();
        if (frame.next >= frame.node->childCount()) {
            stack_.pop_back();
            continue;
        }
        done += visit(frame.node->childAt(frame.next++), matches);
    }
    return finished();
}

std::size_t SearchWalk::visit(const DOMNode* node, std::vector<SearchMatch>& matches) {
    switch (node->nodeType()) {
        case ELEMENT: {
            ++rank_;
            std::size_t done = NodeCost + searchText(node, SearchMatch::NamePart, node->nodeName(), false, matches);
            for (int i = 0, count = node->attributeCount(); i < count; ++i) {
                const Attr* attribute = node->attributeAt(i);
                done += searchText(node, 2 * i, attribute->name, false, matches);
                done += searchText(node, 2 * i + 1, attribute->value, true, matches);
            }
            if (node->childCount() > 0) stack_.push_back({node, 0});
            return done;
        }
        case TEXT:
        case CDATA_SECTION:
        case COMMENT:
            return NodeCost +
                   searchText(node, SearchMatch::ValuePart, node->nodeValue(), node->nodeType() == TEXT, matches);
        default:
            return NodeCost;
    }
}

std::size_t SearchWalk::searchText(const DOMNode* node, std::int32_t part, const StringObject& text,
                                   bool characterData, std::vector<SearchMatch>& matches) const {
    matcher_.findAll(text.view(), characterData, [&](std::size_t offset, std::size_t length) {
        matches.push_back(SearchMatch{node, rank_, part, static_cast<std::uint32_t>(offset),
                                      static_cast<std::uint32_t>(length)});
    });
    return text.length();
}

}  // namespace corvantis
