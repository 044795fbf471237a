// The tokenizer: splits XML bytes into character data and markup tokens for
// the reader. It never looks inside tags, never decodes and never reports an
// error: a construct it cannot finish ends the input.
#pragma once

#include <cstddef>
#include <cstdint>

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
    const char* nextQuote(const char* from, char quote) noexcept;

    const char* begin_;
    const char* end_;
    const char* pos_;
    // Set once a quote byte is known not to occur again, so an unmatched
    // quote never makes the rest of the input be scanned twice.
    bool noMoreDoubleQuotes_ = false;
    bool noMoreSingleQuotes_ = false;
    // Last "-->" of the input, found on first need: a "<!--" inside a
    // declaration is a comment only if one follows it.
    const char* lastCommentClose_ = nullptr;
    bool lastCommentCloseKnown_ = false;
};

}  // namespace corvantis
