// The reader: a forgiving, non-validating XML reader that never rejects a
// file. It keeps text, comments, processing instructions, CDATA sections and
// declarations as nodes in document order and stops quietly at the first
// construct it cannot finish.
#include <cstring>
#include <string>
#include <vector>

#include "Dom.h"
#include "Tokens.h"

namespace corvantis {

namespace {

bool isBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
bool isSeparator(char c) { return Tokens::isSeparator(static_cast<unsigned char>(c)); }
// Bytes a tag name must be read with care for: entities, colons, occurrence markers.
bool needsCare(char c) { return c == '&' || c == ':' || c == '*' || c == '?' || c == '+'; }

// Walks the content of one token, decoding the five predefined entities.
// Decoded bytes are collected in a reused buffer, so a value is copied into
// the model once.
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

    // Appends the character at the cursor (decoded) and moves past it.
    void takeDecoded() {
        if (*p_ == '&') {
            if (const char decoded = entityAt()) {
                buffer_.push_back(decoded);
                return;
            }
        }
        buffer_.push_back(*p_++);
    }
    // Decodes everything from the cursor to the end of the token.
    void takeRestDecoded() {
        while (p_ < end_) {
            const char* amp = static_cast<const char*>(std::memchr(p_, '&', static_cast<std::size_t>(end_ - p_)));
            const char* stop = amp ? amp : end_;
            buffer_.append(p_, static_cast<std::size_t>(stop - p_));
            p_ = stop;
            if (amp) takeDecoded();
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
        static const struct {
            const char* text;
            std::size_t length;
            char value;
        } entities[] = {{"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&amp;", 5, '&'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};
        const std::size_t left = static_cast<std::size_t>(end_ - p_);
        for (const auto& e : entities) {
            if (left >= e.length && std::memcmp(p_, e.text, e.length) == 0) {
                p_ += e.length;
                return e.value;
            }
        }
        return 0;
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
    Reader(DOM& dom, DOMNode* start, DOMError& error)
        : dom_(dom), start_(start), current_(start), error_(error) {}

    int run(const char* bytes, std::size_t length) {
        Tokens scanner(bytes, length);
        Token token;
        for (;;) {
            const TokenKind kind = scanner.nextToken(token);
            switch (kind) {
                case TOKEN_END:
                    return 1;
                case TOKEN_TEXT:
                    text(token);
                    break;
                case TOKEN_COMMENT:
                    dom_.createNode(COMMENT, current_)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_CDATA:
                    dom_.createNode(CDATA_SECTION, current_)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_DECLARATION:
                    dom_.createNode(DOCUMENT_TYPE, current_)->setNodeValue(rawContent(token));
                    break;
                case TOKEN_PI:
                    processingInstruction(token);
                    break;
                case TOKEN_START_TAG:
                case TOKEN_EMPTY_TAG:
                    element(token, kind == TOKEN_EMPTY_TAG);
                    break;
                case TOKEN_END_TAG:
                    // Any end tag closes the current element; one that would
                    // close the start node itself ends the read, so nothing
                    // lands outside it.
                    if (current_ == start_) {
                        error_.line = scanner.line();
                        error_.column = scanner.column();
                        error_.code = DOMError::TooManyEndTags;
                        return 0;
                    }
                    current_ = current_->parentNode();
                    --depth_;
                    break;
            }
        }
    }

private:
    void text(const Token& token) {
        DOMNode* node = dom_.createNode(TEXT, current_);
        const std::size_t length = static_cast<std::size_t>(token.end - token.start);
        if (!std::memchr(token.start, '&', length)) {
            node->setNodeValue(StringObject(token.start, length));
            return;
        }
        buffer_.clear();
        Cursor(token, buffer_).takeRestDecoded();
        node->setNodeValue(bytesOf(buffer_));
    }

    void processingInstruction(const Token& token) {
        DOMNode* node = dom_.createNode(PROCESSING_INSTRUCTION, current_);
        Cursor cursor(token, buffer_);
        buffer_.clear();
        while (!cursor.atEnd() && !isSeparator(cursor.peek())) cursor.takeDecoded();
        node->setNodeName(bytesOf(buffer_));
        cursor.skipSeparators();
        buffer_.clear();
        cursor.takeRestDecoded();
        node->setNodeValue(bytesOf(buffer_));
    }

    void element(const Token& token, bool empty) {
        ++counter_;
        DOMNode* node = dom_.createNode(ELEMENT, current_);
        node->setElementNumber(counter_);
        node->setPathDepth(depth_ + 1);

        Cursor cursor(token, buffer_);
        tagName(cursor, *node);
        cursor.skipSeparators();
        attributes_.clear();
        while (!cursor.atEnd()) attribute(cursor);
        if (!attributes_.empty()) {
            node->attributes()->reserve(attributes_.size());
            AttributeList* list = node->attributes();
            for (Attr& attr : attributes_) list->set(std::move(attr.name), std::move(attr.value), 0);
        }

        if (!empty) {
            current_ = node;
            ++depth_;
        }
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
                if (!std::memchr(start, '&', static_cast<std::size_t>(stop - start))) {
                    // Nothing to decode: take the bytes as they stand.
                    cursor.moveTo(close ? close + 1 : stop);
                    if (!name.empty())
                        attributes_.push_back(Attr{std::move(name), StringObject(start, static_cast<std::size_t>(stop - start)), 0});
                    return;
                }
                while (!cursor.atEnd() && cursor.peek() != quote) cursor.takeDecoded();
                if (!cursor.atEnd()) cursor.step();
            } else {
                while (!cursor.atEnd() && !isSeparator(cursor.peek())) cursor.takeDecoded();
            }
        }
        if (!name.empty()) attributes_.push_back(Attr{std::move(name), bytesOf(buffer_), 0});
    }

    DOM& dom_;
    DOMNode* start_;
    DOMNode* current_;
    DOMError& error_;
    std::int32_t counter_ = 0;
    // Elements open in this read: the depth of the running path.
    std::int32_t depth_ = 0;
    std::string buffer_;
    // The attributes of the tag being read, gathered first so the element's
    // list is allocated once.
    std::vector<Attr> attributes_;
};

}  // namespace

int DOM::parse(const char* bytes, std::size_t length, DOMNode* start) {
    if (!start) start = documentNode();
    error_ = DOMError();
    if (!start->isContainer() || !bytes) return 1;
    return Reader(*this, start, error_).run(bytes, length);
}

}  // namespace corvantis
