// Character data: the values of TEXT nodes and of attributes, the only
// places where XML lets a reference stand. They hold the characters an XML
// reader reads there. The reader replaces "&lt;", "&gt;", "&amp;", "&quot;",
// "&apos;" and every character reference ("&#233;", "&#x263A;") by its
// character, in UTF-8; the writer escapes whatever would read back as
// something else (Dom.h, serialize). So "&amp;#65;" is held as the five
// characters "&#65;" and written as it came, and "&#65;" is held as "A".
//
// A reference that the reader cannot replace by characters is kept as it was
// written, and the writer writes it back so:
//   - an entity reference other than the five ("&nbsp;", "&chapter;"), whose
//     entity a document type declaration gives, in the file or outside it;
//   - a character reference to a character XML allows in no document ("&#0;",
//     "&#xD800;", "&#xFFFE;", anything past "&#x10FFFF;");
//   - in a TEXT, a character reference to the carriage return ("&#13;",
//     "&#xD;"): written as the character it would read back as a line feed.
//
// The kept form: the byte KeptMark (a zero byte), then the reference exactly
// as written, from its "&" to its ";". A zero byte that is a character of the
// text itself (no XML holds one, but a broken file may) is held as two zero
// bytes. So in character data every zero byte begins one of these two forms,
// and no text a user types can be taken for a kept reference: a typed "&nbsp;"
// is five characters and is written "&amp;nbsp;". A zero byte followed by
// anything else (neither the reader nor the helpers below make one) stands
// for a zero byte.
//
// Names, comments, processing instructions, CDATA sections and declarations
// are no character data: they hold their characters as read, zero bytes
// included, and take no references.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvantis {

constexpr char KeptMark = '\0';

// The length of the reference that starts at `p` ("&" and then a name, "#"
// and decimal digits or "#x" and hexadecimal digits, then ";"), or 0 when
// none does. A name is made of ASCII letters, digits, "_", ":", "-", "." and
// any byte from 0x80 on, and does not start with a digit, "-" or ".".
std::size_t referenceLength(const char* p, const char* end) noexcept;

// One piece of character data: characters, or a kept reference as written.
struct DataPiece {
    std::string_view text;
    bool kept = false;
};

// The pieces of character data in order. Each zero byte of the text (held as
// two) is a piece of its own; the other characters come in runs.
class DataPieces {
public:
    explicit DataPieces(std::string_view data) noexcept : p_(data.data()), end_(data.data() + data.size()) {}
    // The next piece; false when there is none.
    bool next(DataPiece& piece) noexcept;
    // Where the bytes not yet taken start: after the last piece's, its mark
    // or its doubled zero included.
    const char* position() const noexcept { return p_; }

private:
    const char* p_;
    const char* end_;
};

// Appends characters to character data, each zero byte held as two.
void appendCharacters(std::string& data, std::string_view characters);
// Appends a kept reference, `reference` being written from "&" to ";".
void appendKeptReference(std::string& data, std::string_view reference);

// Whether `data` is in the form above: every zero byte begins a doubled zero
// or a kept reference.
bool isCharacterData(std::string_view data) noexcept;

}  // namespace corvantis
