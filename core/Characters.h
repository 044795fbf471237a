// The characters of a document, which the model keeps in UTF-8 whatever
// encoding its file has. Decoding, simple case folding, and the classes
// that name checks and whole-word search go by.
#pragma once

#include <cstddef>
#include <vector>

namespace corvantis {

// The character set of a document's file: ISO-8859-1 holds the characters
// up to U+00FF, UTF-8 (and UTF-16) every one.
enum class Encoding { Latin1, Utf8 };

// What a malformed UTF-8 sequence decodes to: no character equals it.
constexpr char32_t NotACharacter = 0xFFFFFFFF;

// The character whose UTF-8 starts at `p` (before `end`); `p` moves past
// it. A malformed sequence gives NotACharacter and moves on by one byte.
char32_t decodeNext(const char*& p, const char* end) noexcept;
// The character that ends just before `p` (after `begin`), or
// NotACharacter when there is none or it is malformed.
char32_t decodePrevious(const char* begin, const char* p) noexcept;

// The character's case-folded form: capital and small letters of the
// Latin, Greek, Cyrillic, Armenian and Georgian scripts fold to the same
// character, one for one. Every other character is its own fold.
char32_t foldCase(char32_t c) noexcept;
// Every character whose fold is `folded`'s fold.
std::vector<char32_t> caseVariants(char32_t folded);
// The first byte of the character's UTF-8; false past U+10FFFF.
bool firstByteOf(char32_t c, unsigned char& byte) noexcept;

// Name characters. For a UTF-8 file they are XML's, in every script; for
// ISO-8859-1 the ASCII ones and the letters À to ÿ (without × and ÷).
bool isNameStartCharacter(Encoding encoding, char32_t c) noexcept;
bool isNameCharacter(Encoding encoding, char32_t c) noexcept;
// A letter, a digit or "_", in any script: what a whole word is made of.
bool isWordCharacter(char32_t c) noexcept;

}  // namespace corvantis
