// The writer: the one producer of XML text. Output uses CR LF line breaks and
// the indentation rule below; nothing is added before the first node or
// after the last.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "CharacterData.h"
#include "Dom.h"
#include "Pools.h"

namespace corvantis {

namespace {

constexpr std::size_t maxIndent = 16;
constexpr int levelStep = 5;
constexpr char mixedContentStep[] = "      ";

// Eight bytes at a time. A byte is zero in v exactly when zeroBytes(v) has
// its top bit set.
constexpr std::uint64_t lowBits = 0x0101010101010101ull;
constexpr std::uint64_t highBits = 0x8080808080808080ull;
inline std::uint64_t zeroBytes(std::uint64_t v) { return (v - lowBits) & ~v & highBits; }

// Nonzero when a byte of w lies from 0x20 to 0x3F: the range that every
// markup character, "/" and "!" lie in (and digits, "-", "." and ":").
// Those bytes, and only those, become less than 0x20 when bit 5 is flipped;
// the test for a byte less than 0x20 follows.
inline std::uint64_t inMarkupRange(std::uint64_t w) {
    const std::uint64_t flipped = w ^ (lowBits * 0x20);
    return (flipped - lowBits * 0x20) & ~flipped & highBits;
}

// The same for the n >= 8 bytes at p.
bool anyInMarkupRange(const char* p, std::size_t n) {
    std::uint64_t w;
    for (std::size_t i = 0; i + 8 < n; i += 8) {
        std::memcpy(&w, p + i, 8);
        if (inMarkupRange(w)) return true;
    }
    std::memcpy(&w, p + n - 8, 8);
    return inMarkupRange(w) != 0;
}

}  // namespace

namespace detail {

// The writer's output: a string built in place, whose small appends stay
// inline. It grows geometrically, a large one without copying where the
// allocator can extend it.
class StringSink {
public:
    StringSink() : data_(text_.mutableData(0)), capacity_(text_.capacity()) {}
    void append(const char* bytes, std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        char* d = data_ + size_;
        // Most pieces are a few bytes long: copy them without a library call.
        if (n <= 16) {
            if (n >= 8) {
                copy8(d, bytes);
                copy8(d + n - 8, bytes + n - 8);
            } else if (n >= 4) {
                copy4(d, bytes);
                copy4(d + n - 4, bytes + n - 4);
            } else if (n > 0) {
                d[0] = bytes[0];
                d[n / 2] = bytes[n / 2];
                d[n - 1] = bytes[n - 1];
            }
        } else if (n <= 32) {
            // A line break with its indentation is up to 18 bytes.
            copy16(d, bytes);
            copy16(d + n - 16, bytes + n - 16);
        } else {
            std::memcpy(d, bytes, n);
        }
        size_ += n;
    }
    void push_back(char c) {
        if (size_ == capacity_) grow(1);
        data_[size_++] = c;
    }
    // Appends a name none of whose bytes lies in the markup range and returns
    // true; any other name, an empty one too, is left unwritten (false) for
    // the caller to write with care. The test reads the words the copy reads,
    // so a plain name costs little more than its copy.
    bool appendPlainName(const char* bytes, std::size_t n) {
        if (n - 1 >= 16) {  // empty, or longer than 16 bytes
            if (n == 0 || anyInMarkupRange(bytes, n)) return false;
            append(bytes, n);
            return true;
        }
        if (capacity_ - size_ < n) grow(n);
        char* d = data_ + size_;
        std::uint64_t inRange;
        if (n >= 8) {
            std::uint64_t first, last;
            std::memcpy(&first, bytes, 8);
            std::memcpy(&last, bytes + n - 8, 8);
            std::memcpy(d, &first, 8);
            std::memcpy(d + n - 8, &last, 8);
            inRange = inMarkupRange(first) | inMarkupRange(last);
        } else if (n >= 4) {
            std::uint32_t first, last;
            std::memcpy(&first, bytes, 4);
            std::memcpy(&last, bytes + n - 4, 4);
            std::memcpy(d, &first, 4);
            std::memcpy(d + n - 4, &last, 4);
            inRange = inMarkupRange(first | static_cast<std::uint64_t>(last) << 32);
        } else {
            d[0] = bytes[0];
            d[n / 2] = bytes[n / 2];
            d[n - 1] = bytes[n - 1];
            // The zero bytes left over lie outside the range.
            inRange = inMarkupRange(
                static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[n / 2]) << 8 |
                static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[n - 1])) << 16);
        }
        if (inRange) return false;
        size_ += n;
        return true;
    }
    // Appends the text built to `out`; an empty ordinary string simply takes it over.
    void handOver(StringObject& out) {
        text_.setLength(size_);
        if (out.empty() && out.growthStep() == StringObject::defaultGrowthStep)
            out = std::move(text_);
        else
            out.append(text_);
    }

private:
    static void copy16(char* d, const char* s) {
        unsigned char w[16];
        std::memcpy(w, s, 16);
        std::memcpy(d, w, 16);
    }
    static void copy8(char* d, const char* s) {
        std::uint64_t w;
        std::memcpy(&w, s, 8);
        std::memcpy(d, &w, 8);
    }
    static void copy4(char* d, const char* s) {
        std::uint32_t w;
        std::memcpy(&w, s, 4);
        std::memcpy(d, &w, 4);
    }
    void grow(std::size_t n) {
        text_.setLength(size_);
        char* d = text_.mutableData(size_ + n);
        if (!d || text_.capacity() - size_ < n) throw std::bad_alloc();
        data_ = d;
        capacity_ = text_.capacity();
    }

    StringObject text_;
    char* data_;
    std::size_t size_ = 0;
    std::size_t capacity_;
};

}  // namespace detail

namespace {

using Output = detail::StringSink;

void append(Output& out, const StringObject& text) { out.append(text.data(), text.length()); }

// CR LF followed by the widest indentation; a line break takes a prefix of it.
constexpr char breakAndSpaces[] = "\r\n                ";

// CR LF and the indentation of `level`: min(level + 1, 16) blanks.
void lineBreak(int level, Output& out) {
    const std::size_t width = std::min<std::size_t>(static_cast<std::size_t>(level) + 1, maxIndent);
    out.append(breakAndSpaces, 2 + width);
}

bool isBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// The reference written for a byte that escaping replaces.
struct Escaped {
    const char* text;
    std::size_t length;
};
Escaped escapedFor(char c) {
    switch (c) {
        case '"': return {"&quot;", 6};
        case '&': return {"&amp;", 5};
        case '\'': return {"&apos;", 6};
        case '<': return {"&lt;", 4};
        case '>': return {"&gt;", 4};
        case '\t': return {"&#9;", 4};
        case '\n': return {"&#10;", 5};
        default: return {"&#13;", 5};
    }
}

// What each kind of string has escaped: the markup characters everywhere;
// in character data also the zero byte, which begins a kept form; in an
// attribute value also tab, line feed and carriage return, which a reader
// would turn into spaces.
enum class Escaping { Name, Text, AttributeValue };

struct SpecialBytes {
    bool name[256] = {};
    bool text[256] = {};
    bool attributeValue[256] = {};
    SpecialBytes() {
        for (unsigned char c : {'"', '&', '\'', '<', '>'}) name[c] = text[c] = attributeValue[c] = true;
        text[0] = attributeValue[0] = true;
        for (unsigned char c : {'\t', '\n', '\r'}) attributeValue[c] = true;
    }
    const bool* table(Escaping escaping) const {
        return escaping == Escaping::Name ? name : escaping == Escaping::Text ? text : attributeValue;
    }
};
const SpecialBytes special;

// Eight bytes at a time: whether any of them is a markup character.
inline bool hasMarkup(std::uint64_t w) {
    // '"' = 0x22; '&' and '\'' = 0x26 and 0x27 (bit 0 cleared); '<' and '>' =
    // 0x3C and 0x3E (bit 1 cleared).
    return (zeroBytes(w ^ (lowBits * 0x22)) | zeroBytes((w & ~lowBits) ^ (lowBits * 0x26)) |
            zeroBytes((w & ~(lowBits * 2)) ^ (lowBits * 0x3C))) != 0;
}
// Whether any of them is one `escaping` may replace: a markup character,
// and for character data a zero byte (in an attribute value any byte below
// 0x20, the line breaks and tabs among them).
template <Escaping escaping>
inline bool hasSpecial(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    if (escaping == Escaping::Name) return hasMarkup(w);
    if (escaping == Escaping::Text) return hasMarkup(w) || zeroBytes(w) != 0;
    return hasMarkup(w) || ((w - lowBits * 0x20) & ~w & highBits) != 0;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Length of a character reference ("&#65;", "&#x20AC;") starting at `p`, or 0.
std::size_t characterReferenceAt(const char* p, const char* end) {
    const char* q = p + 1;
    if (q >= end || *q != '#') return 0;
    ++q;
    bool (*digit)(char) = isDigit;
    if (q < end && *q == 'x') {
        digit = isHexDigit;
        ++q;
    }
    const char* first = q;
    while (q < end && digit(*q)) ++q;
    if (q == first || q >= end || *q != ';') return 0;
    return static_cast<std::size_t>(q + 1 - p);
}

// How many bytes at `p`, a special byte, are written as they stand: a
// character reference in a name (names take none, so one there was read
// so), a kept reference in character data. 0 when the byte is replaced.
template <Escaping escaping>
std::size_t keptAt(const char* p, const char* end) {
    if (escaping == Escaping::Name) return *p == '&' ? characterReferenceAt(p, end) : 0;
    if (*p != KeptMark || end - p < 2 || p[1] != '&') return 0;
    return referenceLength(p + 1, end);
}

// Copies runs of ordinary bytes whole; only the bytes that need it are
// replaced.
template <Escaping escaping>
void escape(const char* const text, std::size_t length, Output& out) {
    const bool* const table = special.table(escaping);
    const char* p = text;
    const char* const end = p + length;
    const char* run = p;
    for (;;) {
        while (end - p >= 8 && !hasSpecial<escaping>(p)) p += 8;
        // The last few bytes: one word ending at the end, when there is room for it.
        if (p < end && end - p < 8 && end - text >= 8 && !hasSpecial<escaping>(end - 8)) p = end;
        while (p < end && !table[static_cast<unsigned char>(*p)]) ++p;
        if (p == end) break;
        if (escaping == Escaping::Name) {
            // A character reference in a name is kept: it was read so.
            if (const std::size_t kept = keptAt<escaping>(p, end)) {
                p += kept;
                continue;
            }
        } else if (*p == KeptMark) {
            // A kept reference is written as it was read, a doubled zero as
            // one zero byte (as is a zero on its own).
            out.append(run, static_cast<std::size_t>(p - run));
            const std::size_t kept = keptAt<escaping>(p, end);
            if (kept > 0) {
                out.append(p + 1, kept);
                p += 1 + kept;
            } else {
                out.push_back(KeptMark);
                p += end - p >= 2 && p[1] == KeptMark ? 2 : 1;
            }
            run = p;
            continue;
        }
        out.append(run, static_cast<std::size_t>(p - run));
        const Escaped escaped = escapedFor(*p);
        out.append(escaped.text, escaped.length);
        run = ++p;
    }
    out.append(run, static_cast<std::size_t>(end - run));
}

// A TEXT's value. A reader takes a text of blanks alone for the layout
// between tags and drops it; its last blank is written as a reference, so
// that it reads back.
void writeText(const StringObject& value, Output& out) {
    const std::string_view text = value.view();
    if (text.empty() || !isBlank(text.front()) || !isBlank(text.back())) {
        escape<Escaping::Text>(text.data(), text.size(), out);
        return;
    }
    for (const char c : text)
        if (!isBlank(c)) {
            escape<Escaping::Text>(text.data(), text.size(), out);
            return;
        }
    out.append(text.data(), text.size() - 1);
    const Escaped last = text.back() == ' ' ? Escaped{"&#32;", 5} : escapedFor(text.back());
    out.append(last.text, last.length);
}

// Whether "<" followed by the name would begin an end tag, a declaration or
// a processing instruction.
bool startsOtherMarkup(char first) { return first == '/' || first == '!' || first == '?' || first == '('; }

// The container being written: its children are visited in order.
struct Frame {
    const DOMNode* node;
    DOMNode* const* next;  // the next child to write
    DOMNode* const* end;
    int level;       // the container's own level
    int childLevel;  // the level its children are written at
    bool isElement;
    bool hasText;              // the container has a TEXT child
    bool plainName;            // its name was written as stored, without a closer look
    NodeType previous = NONE;  // the kind of the child written last
    bool passedElement = false;
};

// Writes one node and its subtree, without recursion.
class TreeWriter {
public:
    explicit TreeWriter(Output& out) : out_(out) {}

    // False when `stop` was set before the whole subtree was written.
    bool write(const DOMNode* node, int level, const std::atomic<bool>* stop = nullptr);

private:
    Frame frameFor(const DOMNode* node, int level, int childLevel, bool plainName) const {
        const NodeList* children = node->childNodes();
        return Frame{node,       children->begin(),           children->end(),           level,
                     childLevel, node->nodeType() == ELEMENT, children->textCount() > 0, plainName};
    }

    // The element's start tag; false when it has no children (then the tag
    // closed it). `plainName` tells whether its name was written as stored
    // without a closer look.
    bool openElement(const DOMNode* node, int level, bool parentHasText, bool& plainName);
    void closeElement(const Frame& frame);
    void writeOddElementName(std::string_view name);
    // A leaf; `beforeText` when its next sibling is a TEXT node, which must
    // not gain the line break written after markup.
    void writeLeaf(const DOMNode* node, int level, bool beforeText);

    Output& out_;
};

// Names read from broken input may be empty, start with a byte that makes
// "<" begin other markup, end with "/", or hold markup characters (decoded
// from entities); written plainly they would read back as something else.
void TreeWriter::writeOddElementName(std::string_view name) {
    // "</", "<!" and "<(" would begin other markup: an occurrence marker,
    // which the reader leaves out with the byte after it, comes first.
    if (!name.empty() && startsOtherMarkup(name.front())) out_.append("* ", 2);
    escape<Escaping::Name>(name.data(), name.size(), out_);
    // A blank keeps a trailing "/" from closing the tag, and gives an empty
    // name a tag that is not an end tag.
    if (name.empty() || name.back() == '/') out_.push_back(' ');
}

bool TreeWriter::openElement(const DOMNode* node, int level, bool parentHasText, bool& plainName) {
    if (!parentHasText) lineBreak(level, out_);
    out_.push_back('<');
    const std::string_view name = node->nodeName().view();
    plainName = out_.appendPlainName(name.data(), name.size());
    if (!plainName) writeOddElementName(name);
    for (int i = 0; i < node->attributeCount(); ++i) {
        const Attr* attr = node->attributeAt(i);
        out_.push_back(' ');
        // Markup characters decoded into a name are written as references again.
        const std::string_view attrName = attr->name.view();
        if (!out_.appendPlainName(attrName.data(), attrName.size()))
            escape<Escaping::Name>(attrName.data(), attrName.size(), out_);
        out_.append("=\"", 2);
        escape<Escaping::AttributeValue>(attr->value.data(), attr->value.length(), out_);
        out_.push_back('"');
    }
    if (node->childCount() == 0) {
        out_.append("/>", 2);
        return false;
    }
    out_.push_back('>');
    return true;
}

void TreeWriter::closeElement(const Frame& frame) {
    // Whitespace next to a text would join it when read back.
    if (!frame.hasText || (frame.passedElement && frame.previous != TEXT)) lineBreak(frame.level, out_);
    out_.append("</", 2);
    if (frame.plainName)
        append(out_, frame.node->nodeName());
    else
        writeOddElementName(frame.node->nodeName().view());
    out_.push_back('>');
}

void TreeWriter::writeLeaf(const DOMNode* node, int level, bool beforeText) {
    switch (node->nodeType()) {
        case TEXT:
            writeText(node->nodeValue(), out_);
            return;
        case CDATA_SECTION:
            out_.append("<![CDATA[", 9);
            append(out_, node->nodeValue());
            out_.append("]]>", 3);
            return;
        case PROCESSING_INSTRUCTION: {
            // One that holds "?>" was read in brackets, "<(...)>", and is
            // written so, or its first "?>" would end it.
            const bool bracketed = node->nodeName().view().find("?>") != std::string_view::npos ||
                                   node->nodeValue().view().find("?>") != std::string_view::npos;
            out_.append(bracketed ? "<(" : "<?", 2);
            append(out_, node->nodeName());
            out_.push_back(' ');
            append(out_, node->nodeValue());
            out_.append(bracketed ? ")>" : "?>", 2);
            break;
        }
        case COMMENT:
            out_.append("<!--", 4);
            append(out_, node->nodeValue());
            out_.append("-->", 3);
            break;
        case DOCUMENT_TYPE:
            out_.append("<!", 2);
            append(out_, node->nodeValue());
            out_.push_back('>');
            break;
        default:
            return;
    }
    if (!beforeText) lineBreak(level, out_);
}

bool TreeWriter::write(const DOMNode* node, int level, const std::atomic<bool>* stop) {
    Frame frame;
    if (node->nodeType() == DOCUMENT) {
        frame = frameFor(node, level, level, true);
    } else if (node->nodeType() == ELEMENT) {
        const DOMNode* parent = node->parentNode();
        bool plainName;
        if (!openElement(node, level, parent && parent->hasTextChild(), plainName)) return true;
        frame = frameFor(node, level, level + levelStep, plainName);
    } else {
        writeLeaf(node, level, false);
        return true;
    }
    // Of each container above the one being written only what its children
    // cannot tell is kept: where to go on among them (the low half), whether
    // an element was passed and whether its name was plain. Eight bytes a
    // level keep a deep document's write from filling memory with frames.
    constexpr std::uint64_t passedBit = std::uint64_t{1} << 32;
    constexpr std::uint64_t plainBit = std::uint64_t{1} << 33;
    detail::BlockArray<std::uint64_t> above;

    // Looked at now and then, so stopping costs nothing measurable.
    constexpr unsigned stopCheckMask = 4095;
    unsigned steps = 0;
    for (;;) {
        if (stop && (++steps & stopCheckMask) == 0 && stop->load(std::memory_order_relaxed)) return false;
        if (frame.next == frame.end) {
            if (frame.isElement) closeElement(frame);
            if (above.empty()) return true;
            // Back to the parent (an element, or the document node at the
            // top), just past the element finished. Its children stand at
            // this element's level, its own tag one step to the left.
            const DOMNode* parent = frame.node->parentNode();
            const std::uint64_t saved = above.takeLast();
            const bool parentIsElement = parent->nodeType() == ELEMENT;
            const int level = frame.level;
            frame = frameFor(parent, parentIsElement ? level - levelStep : level, level, (saved & plainBit) != 0);
            frame.next += static_cast<std::uint32_t>(saved);
            frame.previous = ELEMENT;
            frame.passedElement = (saved & passedBit) != 0;
            continue;
        }
        const DOMNode* child = *frame.next++;
        const NodeType kind = child->nodeType();
        if (frame.isElement) {
            if (frame.previous == ELEMENT) frame.passedElement = true;
            // In mixed content a line break goes only between two children
            // that are not text: next to a text it would become part of it.
            if (frame.hasText && frame.passedElement && kind != TEXT && frame.previous != TEXT) {
                lineBreak(frame.level, out_);
                out_.append(mixedContentStep, sizeof mixedContentStep - 1);
            }
        }
        frame.previous = kind;
        if (kind == ELEMENT) {
            const int childLevel = frame.childLevel;
            bool plainName;
            if (openElement(child, childLevel, frame.hasText, plainName)) {
                const auto position = static_cast<std::uint32_t>(frame.next - frame.node->childNodes()->begin());
                above.push_back(position | (frame.passedElement ? passedBit : 0) | (frame.plainName ? plainBit : 0));
                frame = frameFor(child, childLevel, childLevel + levelStep, plainName);
            }
        } else if (kind == TEXT) {
            writeText(child->nodeValue(), out_);
        } else {
            // Only a container with text has a text to look out for.
            const bool beforeText =
                frame.hasText && frame.next != frame.end && (*frame.next)->nodeType() == TEXT;
            writeLeaf(child, frame.childLevel, beforeText);
        }
    }
}

}  // namespace

void DOM::escapeText(const StringObject& text, StringObject& out) {
    Output buffer;
    writeText(text, buffer);
    buffer.handOver(out);
}

void DOM::serializeNode(const DOMNode* node, int level, StringObject& out) {
    if (!node) return;
    Output buffer;
    TreeWriter(buffer).write(node, level);
    buffer.handOver(out);
}

StringObject DOM::serialize(const DOMNode* node) const {
    StringObject out;
    serializeNode(node ? node : documentNode(), 0, out);
    return out;
}

bool DOM::serialize(StringObject& out, const std::atomic<bool>& stop) const {
    Output buffer;
    if (!TreeWriter(buffer).write(documentNode(), 0, &stop)) return false;
    buffer.handOver(out);
    return true;
}

}  // namespace corvantis
