// The reader: a forgiving, non-validating XML reader that never rejects a
// file. It keeps text, comments, processing instructions, CDATA sections and
// declarations as nodes in document order and stops quietly at the first
// construct it cannot finish.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "CharacterData.h"
#include "Dom.h"
#include "Pools.h"
#include "Tokens.h"

namespace corvantis {

namespace {

bool isBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool isSeparator(char c) { return Tokens::isSeparator(static_cast<unsigned char>(c)); }
// Bytes a tag name must be read with care for: entities, colons, occurrence markers.
bool needsCare(char c) { return c == '&' || c == ':' || c == '*' || c == '?' || c == '+'; }

// Bytes that end a name in a tag read by the one-pass path (plainTag). Each
// stop set is wider than what ends a name on the general path, so a name the
// fast path accepts is read the same way there.
struct ByteClasses {
    bool tagNameStop[256] = {};
    bool attributeNameStop[256] = {};
    ByteClasses() {
        for (unsigned char c : {'\t', '\n', '\r', ' ', '>', '/', '=', '"', '\'', '&', ':', '*', '?', '+'})
            tagNameStop[c] = true;
        for (unsigned char c : {'\t', '\n', '\r', ' ', '>', '/', '=', '"', '\'', '&'})
            attributeNameStop[c] = true;
    }
};
const ByteClasses byteClass;

// The first byte at or after `p` that is not a separator. Indentation is
// the bulk of it, so runs of blanks are passed eight at a time.
const char* skipSeparators(const char* p, const char* end) {
    constexpr std::uint64_t eightBlanks = 0x2020202020202020ull;
    // Between tags in mixed content there mostly is none.
    if (p < end && !isSeparator(*p)) return p;
    for (;;) {
        while (p < end && (*p == '\r' || *p == '\n')) ++p;
        for (std::uint64_t w; end - p >= 8; p += 8) {
            std::memcpy(&w, p, 8);
            if (w != eightBlanks) break;
        }
        const char* q = p;
        while (q < end && isSeparator(*q)) ++q;
        if (q == p) return p;
        p = q;
    }
}

// Eight bytes at a time. A byte of w is zero in w ^ m exactly when
// zeroBytes(w ^ m) has its top bit set.
constexpr std::uint64_t lowBits = 0x0101010101010101ull;
constexpr std::uint64_t highBits = 0x8080808080808080ull;
inline std::uint64_t zeroBytes(std::uint64_t v) { return (v - lowBits) & ~v & highBits; }
constexpr std::uint64_t ampersands = lowBits * static_cast<unsigned char>('&');

// The first '&' at or after `p`, or `end`.
const char* findAmpersand(const char* p, const char* end) {
    const void* amp = std::memchr(p, '&', static_cast<std::size_t>(end - p));
    return amp ? static_cast<const char*>(amp) : end;
}

// The first byte at or after `p` that character data must look at: an '&'
// or a zero byte (or `end`). memchr looks at many bytes a step: twice over
// is still the cheaper way through long texts.
const char* findAmpersandOrZero(const char* p, const char* end) {
    const char* stop = findAmpersand(p, end);
    const void* zero = std::memchr(p, KeptMark, static_cast<std::size_t>(stop - p));
    return zero ? static_cast<const char*>(zero) : stop;
}

// The first byte at or after `p` that is `quote` or '&', or with `zeros`
// also a zero byte (or `end`), eight bytes at a time while there are that
// many.
template <bool zeros>
const char* findQuoteOrData(const char* p, const char* end, char quote) {
    const std::uint64_t quotes = lowBits * static_cast<unsigned char>(quote);
    for (std::uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, 8);
        const std::uint64_t found = zeroBytes(w ^ quotes) | zeroBytes(w ^ ampersands) | (zeros ? zeroBytes(w) : 0);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // The lowest flag is never a false one: the byte it marks is one.
        if (found != 0) return p + __builtin_ctzll(found) / 8;
#else
        if (found != 0) break;
#endif
    }
    while (p < end && *p != quote && *p != '&' && !(zeros && *p == KeptMark)) ++p;
    return p;
}

// Whether XML allows the character in a document.
bool isXmlCharacter(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The character a character reference of `length` bytes at `p` stands for;
// past U+10FFFF it says 0x110000.
std::uint32_t referencedCharacter(const char* p, std::size_t length) {
    const bool hex = p[2] == 'x';
    std::uint32_t c = 0;
    for (const char* q = p + (hex ? 3 : 2); q < p + length - 1; ++q) {
        const char d = *q;
        const std::uint32_t digit = d <= '9' ? static_cast<std::uint32_t>(d - '0')
                                             : static_cast<std::uint32_t>((d | 0x20) - 'a' + 10);
        c = c * (hex ? 16 : 10) + digit;
        if (c > 0x10FFFF) return 0x110000;
    }
    return c;
}

// Walks the content of one token. Names are decoded from the five predefined
// entities only; character data (CharacterData.h) from every reference.
// Decoded bytes are collected in a reused buffer, so a value is copied into
// the model once.
enum class Data { Text, AttributeValue };

class Cursor {
public:
    Cursor(const Token& token, std::string& buffer) : p_(token.start), end_(token.end), buffer_(buffer) {}

    bool atEnd() const { return p_ >= end_; }
    char peek() const { return *p_; }
    void step() { ++p_; }
    void skipSeparators() {
        while (p_ < end_ && isSeparator(*p_)) ++p_;
    }
    void skipBlanks() {
        while (p_ < end_ && isBlank(*p_)) ++p_;
    }

    // Appends the name character at the cursor (decoded) and moves past it.
    void takeDecoded() {
        if (*p_ == '&') {
            if (const char decoded = entityAt()) {
                buffer_.push_back(decoded);
                return;
            }
        }
        buffer_.push_back(*p_++);
    }
    // Appends the character data at the cursor, a reference or a byte, in
    // the form the model holds it, and moves past it.
    void takeData(Data data) {
        const char c = *p_;
        if (c == KeptMark) {
            buffer_.append(2, KeptMark);
            ++p_;
            return;
        }
        if (c != '&') {
            buffer_.push_back(c);
            ++p_;
            return;
        }
        if (const char decoded = entityAt()) {
            buffer_.push_back(decoded);
            return;
        }
        const std::size_t length = referenceLength(p_, end_);
        if (length == 0) {
            buffer_.push_back(c);
            ++p_;
            return;
        }
        const std::uint32_t referenced = p_[1] == '#' ? referencedCharacter(p_, length) : 0;
        // A carriage return written plainly would read back as a line feed:
        // in a text the reference stays.
        if (isXmlCharacter(referenced) && !(referenced == 0xD && data == Data::Text))
            appendUtf8(buffer_, referenced);
        else
            appendKeptReference(buffer_, std::string_view(p_, length));
        p_ += length;
    }
    // Takes character data from the cursor to the end of the token;
    // `zeros` when a zero byte may lie there.
    void takeRestData(Data data, bool zeros) {
        while (p_ < end_) {
            const char* stop = zeros ? findAmpersandOrZero(p_, end_) : findAmpersand(p_, end_);
            buffer_.append(p_, static_cast<std::size_t>(stop - p_));
            p_ = stop;
            if (stop < end_) takeData(data);
        }
    }

    std::string& buffer() { return buffer_; }
    const char* position() const { return p_; }
    const char* end() const { return end_; }
    void moveTo(const char* p) { p_ = p; }

private:
    // At an '&': the character of "&lt;", "&gt;", "&amp;", "&quot;" or
    // "&apos;" (moving past it), or 0 when none of them stands here.
    char entityAt() {
        const std::size_t left = static_cast<std::size_t>(end_ - p_);
        const auto is = [&](const char* text, std::size_t length) {
            return left >= length && std::memcmp(p_ + 1, text + 1, length - 1) == 0;
        };
        // Told apart by the byte after the '&', so that at most one is compared.
        char value = 0;
        std::size_t length = 0;
        switch (left > 1 ? p_[1] : 0) {
            case 'l': if (is("&lt;", 4)) value = '<', length = 4; break;
            case 'g': if (is("&gt;", 4)) value = '>', length = 4; break;
            case 'a':
                if (is("&amp;", 5))
                    value = '&', length = 5;
                else if (is("&apos;", 6))
                    value = '\'', length = 6;
                break;
            case 'q': if (is("&quot;", 6)) value = '"', length = 6; break;
            default: break;
        }
        p_ += length;
        return value;
    }

    const char* p_;
    const char* end_;
    std::string& buffer_;
};

StringObject bytesOf(const std::string& buffer) { return StringObject(buffer.data(), buffer.size()); }

StringObject rawContent(const Token& token) {
    return StringObject(token.start, static_cast<std::size_t>(token.end - token.start));
}

class Reader {
public:
    Reader(DOM& dom, DOMList& index, DOMNode* start, DOMError& error)
        : dom_(dom), index_(index), start_(start), current_(start), error_(error), firstIndexEntry_(index.count()) {
        levels_.push_back(Level{start, 0});
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    // Only an exception leaves nodes pending: they and their index entries
    // go, and the read leaves the tree as it found it.
    ~Reader() {
        if (levels_.empty()) return;
        for (DOMNode* node : pending_) delete node;
        index_.truncate(firstIndexEntry_);
    }

    int run(const char* bytes, std::size_t length) {
        // No XML holds a zero byte, only a broken file: looked for once, so
        // that character data need not look for one again and again.
        zeros_ = std::memchr(bytes, KeptMark, length) != nullptr;
        const int result = read(bytes, length);
        while (!levels_.empty()) closeLevel();
        return result;
    }

private:
    // A container open in this read, and where its children start among
    // the pending nodes. Children are gathered there and given to the
    // container in one piece when it closes, so every child list is made
    // once and exactly as long as it needs to be.
    struct Level {
        DOMNode* container;
        std::size_t firstChild;
    };

    int read(const char* bytes, std::size_t length) {
        Tokens scanner(bytes, length);
        const char* const end = scanner.end();
        Token token;
        for (;;) {
            // Character data, end tags and plain start tags are taken here in
            // one pass; everything else, and any tag the fast path is not
            // sure of, goes through the scanner.
            const char* from = scanner.position();
            const char* p = skipSeparators(from, end);
            if (p < end && *p != '<') {
                const char* lt =
                    static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
                if (!lt) lt = end;
                token.start = from;
                token.end = lt;
                scanner.skipTo(lt);
                text(token);
                continue;
            }
            scanner.skipTo(p);
            if (end - p >= 4) {
                const char next = p[1];
                if (next == '/') {
                    const char* gt =
                        static_cast<const char*>(std::memchr(p + 2, '>', static_cast<std::size_t>(end - p - 2)));
                    if (!gt) return 1;
                    scanner.skipTo(gt + 1);
                    if (!endTag(scanner)) return 0;
                    continue;
                }
                if (next != '!' && next != '?' && next != '(' && plainTag(p, end, scanner)) continue;
            }
            const TokenKind kind = scanner.nextToken(token);
            switch (kind) {
                case TOKEN_END:
                    return 1;
                case TOKEN_TEXT:
                    text(token);
                    break;
                case TOKEN_COMMENT:
                    add(COMMENT)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_CDATA:
                    add(CDATA_SECTION)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_DECLARATION:
                    add(DOCUMENT_TYPE)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_PI:
                    processingInstruction(token);
                    break;
                case TOKEN_START_TAG:
                case TOKEN_EMPTY_TAG:
                    element(token, kind == TOKEN_EMPTY_TAG);
                    break;
                case TOKEN_END_TAG:
                    if (!endTag(scanner)) return 0;
                    break;
            }
        }
    }

    // Any end tag closes the current element; one that would close the
    // start node itself ends the read, so nothing lands outside it.
    bool endTag(const Tokens& scanner) {
        if (current_ == start_) {
            error_.line = scanner.line();
            error_.column = scanner.column();
            error_.code = DOMError::TooManyEndTags;
            return false;
        }
        closeLevel();
        return true;
    }

    // A node of this read under the current container. It is pending, and
    // so owned by the read, before anything else can fail.
    DOMNode* add(NodeType type) {
        pending_.push_back(nullptr);
        auto* node = new DOMNode(type, &dom_);
        pending_.back() = node;
        node->setParentNode(current_);
        return node;
    }
    DOMNode* addElement() {
        DOMNode* node = add(ELEMENT);
        index_.append(node);
        node->setElementNumber(++counter_);
        // The levels below the start node are the elements open in this
        // read: the depth of the running path.
        node->setPathDepth(static_cast<std::int32_t>(levels_.size()));
        return node;
    }
    void openLevel(DOMNode* container) {
        levels_.push_back(Level{container, pending_.size()});
        current_ = container;
    }
    void closeLevel() {
        const Level level = levels_.back();
        level.container->childNodes()->appendAll(pending_.begin() + level.firstChild,
                                                  pending_.size() - level.firstChild);
        pending_.truncate(level.firstChild);
        levels_.takeLast();
        if (!levels_.empty()) current_ = levels_.back().container;
    }

    // A start or empty-element tag at `lt` made only of a plain name and
    // attributes with quoted values, read in one pass. Anything else (false)
    // is left to the scanner and the general path.
    bool plainTag(const char* lt, const char* end, Tokens& scanner) {
        const char* p = lt + 1;
        const char* name = p;
        while (p < end && !byteClass.tagNameStop[static_cast<unsigned char>(*p)]) ++p;
        if (p == name || p >= end) return false;
        const char* nameEnd = p;
        if (!isBlank(*p) && *p != '>' && *p != '/') return false;
        spans_.clear();
        decoded_.clear();
        bool empty = false;
        for (;;) {
            while (p < end && isBlank(*p)) ++p;
            if (p >= end) return false;
            if (*p == '>') break;
            if (*p == '/') {
                if (p + 1 < end && p[1] == '>') {
                    empty = true;
                    ++p;
                    break;
                }
                return false;
            }
            AttributeSpan span;
            const char* const attributeName = p;
            while (p < end && !byteClass.attributeNameStop[static_cast<unsigned char>(*p)]) ++p;
            if (p == attributeName || p >= end) return false;
            span.nameAt = static_cast<std::uint32_t>(attributeName - lt);
            span.nameLength = static_cast<std::uint32_t>(p - attributeName);
            while (p < end && isBlank(*p)) ++p;
            if (p >= end || *p != '=') return false;
            ++p;
            while (p < end && isBlank(*p)) ++p;
            if (p >= end || (*p != '"' && *p != '\'')) return false;
            const char quote = *p++;
            const char* close =
                zeros_ ? findQuoteOrData<true>(p, end, quote) : findQuoteOrData<false>(p, end, quote);
            if (close < end && *close != quote) {
                // References to decode: the value ends at the quote.
                close = static_cast<const char*>(std::memchr(close, quote, static_cast<std::size_t>(end - close)));
                if (!close) return false;
                const std::size_t decodedAt = decoded_.size();
                Cursor(Token{p, close}, decoded_).takeRestData(Data::AttributeValue, zeros_);
                if (decoded_.size() >= AttributeSpan::decoded) return false;
                span.valueAt = static_cast<std::uint32_t>(decodedAt) | AttributeSpan::decoded;
                span.valueLength = static_cast<std::uint32_t>(decoded_.size() - decodedAt);
            } else {
                if (close == end) return false;
                span.valueAt = static_cast<std::uint32_t>(p - lt);
                span.valueLength = static_cast<std::uint32_t>(close - p);
            }
            // Places are kept in 31 bits: a longer tag takes the general path.
            if (static_cast<std::size_t>(close - lt) >= AttributeSpan::decoded) return false;
            spans_.push_back(span);
            p = close + 1;
        }
        scanner.skipTo(p + 1);

        DOMNode* node = addElement();
        node->setNodeName(StringObject(name, static_cast<std::size_t>(nameEnd - name)));
        if (!spans_.empty()) {
            AttributeList* list = node->attributes();
            list->reserve(spans_.size());
            for (const AttributeSpan& span : spans_) {
                const char* value = span.valueAt & AttributeSpan::decoded
                                        ? decoded_.data() + (span.valueAt & ~AttributeSpan::decoded)
                                        : lt + span.valueAt;
                list->appendUnchecked(StringObject(lt + span.nameAt, span.nameLength),
                                      StringObject(value, span.valueLength));
            }
            list->mergeRepeatedNames();
        }
        if (!empty) openLevel(node);
        return true;
    }

    void text(const Token& token) {
        DOMNode* node = add(TEXT);
        const std::size_t length = static_cast<std::size_t>(token.end - token.start);
        const char* amp = findAmpersand(token.start, token.end);
        const bool zeros = zeros_ && std::memchr(token.start, KeptMark, length) != nullptr;
        if (amp == token.end && !zeros) {
            node->setNodeValue(StringObject(token.start, length));
            return;
        }
        buffer_.clear();
        // References mostly shorten: room for the whole token spares a long
        // text the copies of a growing buffer.
        buffer_.reserve(length);
        Cursor(token, buffer_).takeRestData(Data::Text, zeros);
        node->setNodeValue(bytesOf(buffer_));
    }

    // XML has no references inside a processing instruction: target and data
    // are kept byte for byte, so they are written back exactly as read.
    void processingInstruction(const Token& token) {
        DOMNode* node = add(PROCESSING_INSTRUCTION);
        const char* targetEnd = token.start;
        while (targetEnd < token.end && !isSeparator(*targetEnd)) ++targetEnd;
        node->setNodeName(StringObject(token.start, static_cast<std::size_t>(targetEnd - token.start)));
        const char* data = skipSeparators(targetEnd, token.end);
        node->setNodeValue(StringObject(data, static_cast<std::size_t>(token.end - data)));
    }

    void element(const Token& token, bool empty) {
        DOMNode* node = addElement();

        Cursor cursor(token, buffer_);
        tagName(cursor, *node);
        cursor.skipSeparators();
        attributes_.clear();
        while (!cursor.atEnd()) attribute(cursor);
        if (!attributes_.empty()) {
            AttributeList* list = node->attributes();
            list->reserve(attributes_.size());
            for (Attr& attr : attributes_) list->appendUnchecked(std::move(attr.name), std::move(attr.value));
            list->mergeRepeatedNames();
        }

        if (!empty) openLevel(node);
    }
    // The whole name up to the first separator, colons included; the prefix
    // is the segment before the last colon. An occurrence marker ('*', '?',
    // '+') is kept apart and, with the byte after it, left out of the name.
    void tagName(Cursor& cursor, DOMNode& node) {
        // Most names need no decoding and hold no colon or marker: take them
        // as they stand.
        const char* start = cursor.position();
        const char* p = start;
        while (p < cursor.end() && !isSeparator(*p) && !needsCare(*p)) ++p;
        if (p == cursor.end() || isSeparator(*p)) {
            node.setNodeName(StringObject(start, static_cast<std::size_t>(p - start)));
            cursor.moveTo(p);
            return;
        }
        buffer_.clear();
        std::size_t segmentStart = 0;
        std::size_t prefixStart = 0, prefixEnd = 0;
        char occurrence = ' ';
        while (!cursor.atEnd() && !isSeparator(cursor.peek())) {
            const char c = cursor.peek();
            if (c == '*' || c == '?' || c == '+') {
                occurrence = c;
                cursor.step();
                if (!cursor.atEnd()) cursor.step();
                continue;
            }
            cursor.takeDecoded();
            if (c == ':') {
                prefixStart = segmentStart;
                prefixEnd = buffer_.size() - 1;
                segmentStart = buffer_.size();
            }
        }
        node.setNodeName(bytesOf(buffer_));
        if (prefixEnd > prefixStart) node.setPrefix(StringObject(buffer_.data() + prefixStart, prefixEnd - prefixStart));
        node.setOccurrence(occurrence);
    }

    // name, then optionally "=" and a value in double or single quotes or
    // unquoted; blanks around "=" are allowed.
    void attribute(Cursor& cursor) {
        cursor.skipSeparators();
        if (cursor.atEnd()) return;
        StringObject name;
        const char* start = cursor.position();
        const char* p = start;
        while (p < cursor.end() && *p != '=' && *p != '&' && !isSeparator(*p)) ++p;
        if (p == cursor.end() || *p != '&') {
            name = StringObject(start, static_cast<std::size_t>(p - start));
            cursor.moveTo(p);
        } else {
            buffer_.clear();
            while (!cursor.atEnd() && cursor.peek() != '=' && !isSeparator(cursor.peek())) cursor.takeDecoded();
            name = bytesOf(buffer_);
        }
        buffer_.clear();
        cursor.skipBlanks();
        if (!cursor.atEnd() && cursor.peek() == '=') {
            cursor.step();
            cursor.skipBlanks();
            if (!cursor.atEnd() && (cursor.peek() == '"' || cursor.peek() == '\'')) {
                const char quote = cursor.peek();
                cursor.step();
                const char* start = cursor.position();
                const std::size_t left = static_cast<std::size_t>(cursor.end() - start);
                const char* close = static_cast<const char*>(std::memchr(start, quote, left));
                const char* stop = close ? close : cursor.end();
                if ((zeros_ ? findAmpersandOrZero(start, stop) : findAmpersand(start, stop)) == stop) {
                    // Nothing to decode: take the bytes as they stand.
                    cursor.moveTo(close ? close + 1 : stop);
                    if (!name.empty())
                        attributes_.push_back(Attr{std::move(name), StringObject(start, static_cast<std::size_t>(stop - start)), 0});
                    return;
                }
                while (!cursor.atEnd() && cursor.peek() != quote) cursor.takeData(Data::AttributeValue);
                if (!cursor.atEnd()) cursor.step();
            } else {
                while (!cursor.atEnd() && !isSeparator(cursor.peek())) cursor.takeData(Data::AttributeValue);
            }
        }
        if (!name.empty()) attributes_.push_back(Attr{std::move(name), bytesOf(buffer_), 0});
    }

    DOM& dom_;
    DOMList& index_;
    DOMNode* start_;
    DOMNode* current_;
    DOMError& error_;
    const int firstIndexEntry_;
    std::int32_t counter_ = 0;
    // The input holds a zero byte somewhere.
    bool zeros_ = true;
    // Both grow with the depth and the width read: in the model's blocks, so
    // a deep or wide document's grow in place instead of being copied.
    detail::BlockArray<Level> levels_;
    detail::BlockArray<DOMNode*> pending_;
    std::string buffer_;
    // The attributes of the tag being read, gathered first so the element's
    // list is allocated once.
    std::vector<Attr> attributes_;
    // The attributes of a tag read by plainTag: places from the tag's "<",
    // or for a value with references in `decoded_`. Small, so that a tag
    // with very many attributes gathers them in little memory.
    struct AttributeSpan {
        static constexpr std::uint32_t decoded = std::uint32_t{1} << 31;  // the value is in `decoded_`
        std::uint32_t nameAt;
        std::uint32_t nameLength;
        std::uint32_t valueAt;
        std::uint32_t valueLength;
    };
    detail::BlockArray<AttributeSpan> spans_;
    std::string decoded_;
};

}  // namespace

int DOM::parse(const char* bytes, std::size_t length, DOMNode* start) {
    return read(bytes, length, start ? start : documentNode(), elementIndex_, error_);
}

int DOM::read(const char* bytes, std::size_t length, DOMNode* start, DOMList& index, DOMError& error) {
    error = DOMError();
    if (!start->isContainer() || !bytes) return 1;
    return Reader(*this, index, start, error).run(bytes, length);
}

}  // namespace corvantis
