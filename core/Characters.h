// The characters of a document's text, which the model keeps as bytes in
// the document's encoding: one byte per character in ISO-8859-1, one to
// four in UTF-8. Decoding, simple case folding, and the classes that name
// checks and whole-word search go by.
#pragma once

#include <cstddef>
#include <vector>

namespace corvantis {

enum class Encoding { Latin1, Utf8 };

// What a malformed UTF-8 sequence decodes to: no character equals it.
constexpr char32_t NotACharacter = 0xFFFFFFFF;

// The character that starts at `p` (before `end`); `p` moves past it. A
// malformed UTF-8 sequence gives NotACharacter and moves on by one byte.
char32_t decodeNext(Encoding encoding, const char*& p, const char* end) noexcept;
// The character that ends just before `p` (after `begin`), or
// NotACharacter when there is none or it is malformed.
char32_t decodePrevious(Encoding encoding, const char* begin, const char* p) noexcept;

// The character's case-folded form: capital and small letters of the
// Latin, Greek, Cyrillic, Armenian and Georgian scripts fold to the same
// character, one for one. Every other character is its own fold.
char32_t foldCase(char32_t c) noexcept;
// Every character whose fold is `folded`'s fold.
std::vector<char32_t> caseVariants(char32_t folded);
// The first byte of the character's encoding; false when the encoding
// cannot hold it.
bool firstByteOf(Encoding encoding, char32_t c, unsigned char& byte) noexcept;

// Name characters. In UTF-8 they are XML's, in every script; in
// ISO-8859-1 the ASCII ones and the letters À to ÿ (without × and ÷).
bool isNameStartCharacter(Encoding encoding, char32_t c) noexcept;
bool isNameCharacter(Encoding encoding, char32_t c) noexcept;
// A letter, a digit or "_": what a whole word is made of.
bool isWordCharacter(Encoding encoding, char32_t c) noexcept;

}  // namespace corvantis
