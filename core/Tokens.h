// The tokenizer: splits XML bytes into character data and markup tokens for
// the reader. It never looks inside tags, never decodes and never reports an
// error: a construct it cannot finish ends the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvantis {

enum TokenKind : int {
    TOKEN_END = 0,
    TOKEN_TEXT = 2,
    TOKEN_COMMENT = 4,
    TOKEN_PI = 5,
    TOKEN_CDATA = 6,
    TOKEN_DECLARATION = 7,
    TOKEN_START_TAG = 8,
    TOKEN_END_TAG = 9,
    TOKEN_EMPTY_TAG = 10,
};

// The content of one token: [start, end) inside the caller's buffer, without
// the construct's delimiters.
struct Token {
    const char* start = nullptr;
    const char* end = nullptr;
};

class Tokens {
public:
    // The buffer must stay alive and unchanged while tokens are used.
    Tokens(const char* bytes, std::size_t length);

    // Finds the next token; after TOKEN_END the scanner is done.
    TokenKind nextToken(Token& token);

    // Tab, LF, CR, space and '>'.
    static bool isSeparator(unsigned char c) noexcept {
        return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '>';
    }

    // The byte the next token starts at. A reader that has taken some
    // markup itself moves the scanner past it with skipTo (forward only,
    // and only to a position where a token may start).
    const char* position() const noexcept { return pos_; }
    void skipTo(const char* p) noexcept { pos_ = p; }
    const char* end() const noexcept { return end_; }

    // Where the scanner stands: CR bytes passed, and bytes since the last CR.
    // Worked out on request; only error reports need them.
    std::int32_t line() const noexcept;
    std::int32_t column() const noexcept;

private:
    TokenKind markup(Token& token);
    TokenKind closedBy(const char* content, const char* closing, std::size_t closingLength, TokenKind kind,
                       Token& token);
    TokenKind tag(Token& token);
    TokenKind declaration(Token& token);
    const char* nestedConstructEnd(const char* p);
    const char* nextQuote(const char* from, char quote) noexcept;

    // The last place a closing sequence occurs in the input, found on first
    // need: a comment or processing instruction inside a declaration is one
    // only if its closing sequence follows it, and knowing the last one keeps
    // a construct that is never closed from being searched for again and again.
    struct LastClose {
        const char* at = nullptr;
        bool known = false;
    };
    const char* lastOccurrence(LastClose& last, std::string_view closing) noexcept;

    const char* begin_;
    const char* end_;
    const char* pos_;
    // Set once a quote byte is known not to occur again, so an unmatched
    // quote never makes the rest of the input be scanned twice.
    bool noMoreDoubleQuotes_ = false;
    bool noMoreSingleQuotes_ = false;
    LastClose lastCommentClose_;
    LastClose lastPIClose_;
};

}  // namespace corvantis
