#include "Tokens.h"

#include <cstring>
#include <string_view>

namespace corvantis {

namespace {
bool isBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

const char* find(const char* from, const char* end, std::string_view what) {
    if (from >= end) return nullptr;
    const std::size_t at = std::string_view(from, static_cast<std::size_t>(end - from)).find(what);
    return at == std::string_view::npos ? nullptr : from + at;
}
}  // namespace

Tokens::Tokens(const char* bytes, std::size_t length)
    : begin_(bytes), end_(bytes + length), pos_(bytes) {}

std::int32_t Tokens::line() const noexcept {
    std::int32_t lines = 0;
    for (const char* p = begin_; p < pos_; ++p)
        if (*p == '\r') ++lines;
    return lines;
}

std::int32_t Tokens::column() const noexcept {
    const char* p = pos_;
    while (p > begin_ && p[-1] != '\r') --p;
    return static_cast<std::int32_t>(pos_ - p);
}

// The closing quote of a quoted value opened at `from - 1`, or null when the
// quote byte never occurs again (then it is an ordinary byte).
const char* Tokens::nextQuote(const char* from, char quote) noexcept {
    bool& noMore = quote == '"' ? noMoreDoubleQuotes_ : noMoreSingleQuotes_;
    if (noMore || from >= end_) return nullptr;
    const void* found = std::memchr(from, quote, static_cast<std::size_t>(end_ - from));
    if (!found) noMore = true;
    return static_cast<const char*>(found);
}

TokenKind Tokens::nextToken(Token& token) {
    // A run of character data counts only if it holds a non-separator.
    const char* lt = static_cast<const char*>(std::memchr(pos_, '<', static_cast<std::size_t>(end_ - pos_)));
    if (!lt) lt = end_;
    for (const char* p = pos_; p < lt; ++p) {
        if (!isSeparator(static_cast<unsigned char>(*p))) {
            token.start = pos_;
            token.end = lt;
            pos_ = lt;
            return TOKEN_TEXT;
        }
    }
    pos_ = lt;
    if (end_ - lt < 4) {  // end of input, or fewer than three bytes after '<'
        pos_ = end_;
        return TOKEN_END;
    }
    const TokenKind kind = markup(token);
    if (kind == TOKEN_END) pos_ = end_;
    return kind;
}

TokenKind Tokens::closedBy(const char* content, const char* closing, std::size_t closingLength, TokenKind kind,
                           Token& token) {
    const char* close = find(content, end_, std::string_view(closing, closingLength));
    if (!close) return TOKEN_END;
    token.start = content;
    token.end = close;
    pos_ = close + closingLength;
    return kind;
}

TokenKind Tokens::markup(Token& token) {
    const char* lt = pos_;
    switch (lt[1]) {
        case '!':
            if (lt[2] == '-' && lt[3] == '-') {
                if (lt + 4 >= end_) return TOKEN_END;
                return closedBy(lt + 4, "-->", 3, TOKEN_COMMENT, token);
            }
            if (end_ - (lt + 2) >= 7 && std::memcmp(lt + 2, "[CDATA[", 7) == 0)
                return closedBy(lt + 9, "]]>", 3, TOKEN_CDATA, token);
            return declaration(token);
        case '?':
            return closedBy(lt + 2, "?>", 2, TOKEN_PI, token);
        case '(':
            return closedBy(lt + 2, ")>", 2, TOKEN_PI, token);
        case '/':
            return closedBy(lt + 2, ">", 1, TOKEN_END_TAG, token);
        default:
            return tag(token);
    }
}

// A start or empty-element tag. A quote after "=" opens a value that runs to
// the same quote byte, so a ">" inside a value does not end the tag.
TokenKind Tokens::tag(Token& token) {
    const char* content = pos_ + 1;
    const char* p = content;
    while (p < end_ && *p != '>') {
        if (*p == '=') {
            const char* q = p + 1;
            while (q < end_ && isBlank(*q)) ++q;
            if (q < end_ && (*q == '"' || *q == '\'')) {
                if (const char* close = nextQuote(q + 1, *q)) {
                    p = close + 1;
                    continue;
                }
            }
            p = q;
            continue;
        }
        ++p;
    }
    if (p >= end_) return TOKEN_END;
    token.start = content;
    if (p > content && p[-1] == '/') {
        token.end = p - 1;
        pos_ = p + 1;
        return TOKEN_EMPTY_TAG;
    }
    token.end = p;
    pos_ = p + 1;
    return TOKEN_START_TAG;
}

// A markup declaration: nested "<" and ">" are counted; comments, processing
// instructions and quoted text inside are skipped whole, so a ">" or a quote
// in them does not count.
TokenKind Tokens::declaration(Token& token) {
    const char* content = pos_ + 2;
    int depth = 0;
    for (const char* p = content; p < end_; ++p) {
        const char c = *p;
        if (c == '>') {
            if (depth == 0) {
                token.start = content;
                token.end = p;
                pos_ = p + 1;
                return TOKEN_DECLARATION;
            }
            --depth;
        } else if (c == '<') {
            if (const char* last = nestedConstructEnd(p)) {
                p = last;
                continue;
            }
            ++depth;
        } else if (c == '"' || c == '\'') {
            if (const char* close = nextQuote(p + 1, c)) p = close;
        }
    }
    return TOKEN_END;
}

// The last byte of a comment or processing instruction that opens at `p`
// inside a declaration, or null when none opens there or it is never closed
// (then its "<" is an ordinary one).
const char* Tokens::nestedConstructEnd(const char* p) {
    const char* content = nullptr;
    std::string_view closing;
    LastClose* last = nullptr;
    if (end_ - p >= 4 && std::memcmp(p, "<!--", 4) == 0) {
        content = p + 4;
        closing = "-->";
        last = &lastCommentClose_;
    } else if (end_ - p >= 2 && p[1] == '?') {
        content = p + 2;
        closing = "?>";
        last = &lastPIClose_;
    } else {
        return nullptr;
    }
    const char* lastClose = lastOccurrence(*last, closing);
    if (!lastClose || lastClose < content) return nullptr;
    return find(content, end_, closing) + closing.size() - 1;
}

const char* Tokens::lastOccurrence(LastClose& last, std::string_view closing) noexcept {
    if (!last.known) {
        const std::string_view input(begin_, static_cast<std::size_t>(end_ - begin_));
        const std::size_t at = input.rfind(closing);
        last.at = at == std::string_view::npos ? nullptr : begin_ + at;
        last.known = true;
    }
    return last.at;
}

}  // namespace corvantis
