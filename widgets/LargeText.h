// The text of a large editable field: UTF-8 bytes. It starts as bytes that
// someone else holds, shared and never copied, and keeps every edit as a
// piece of its own beside them, so showing and editing a text of a hundred
// megabytes costs little more than the bytes themselves, and whatever was not
// edited is written back byte for byte.
//
// Places in the text are byte offsets. Lines end with LF; the CR of a CR LF
// belongs to the break.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Bytes kept alive by their owner for as long as anyone shows them.
class SharedBytes {
public:
    SharedBytes() = default;
    SharedBytes(std::shared_ptr<const void> owner, std::string_view bytes)
        : owner_(std::move(owner)), bytes_(bytes) {}
    // Bytes held by nobody else: a copy is made.
    static SharedBytes copyOf(std::string_view bytes);
    static SharedBytes fromText(const QString& text);

    std::string_view view() const { return bytes_; }

private:
    std::shared_ptr<const void> owner_;
    std::string_view bytes_;
};

namespace utf8 {

// How many bytes the character starting at `bytes` takes: 1 to 4 (with the
// character in `character`), or 0 when no valid UTF-8 sequence starts there. A byte that starts none shows as
// U+FFFD alone, so every byte that is not a continuation byte starts a
// character of its own and any text can be decoded from any such byte on.
int sequenceLength(std::string_view bytes, char32_t* character = nullptr);
inline bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Appends the characters of `bytes` to `text`; when `starts` is given, the
// byte offset (within `bytes`) each appended UTF-16 unit comes from, and one
// more for the end.
void decode(std::string_view bytes, QString& text, std::vector<std::uint32_t>* starts = nullptr);
// `text` as UTF-8 with every break (LF, CR LF or CR) made CR LF.
std::string withCrLf(const QString& text);

}  // namespace utf8

class LargeText {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // One change: the bytes from `from` to `from + removed` gave way to
    // `inserted` bytes.
    struct Change {
        std::size_t from = 0;
        std::size_t removed = 0;
        std::size_t inserted = 0;
    };

    LargeText();

    void setBytes(SharedBytes bytes);
    std::size_t size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }
    // Counts every change, so what was worked out from the text knows when it
    // is stale.
    std::uint64_t version() const { return version_; }
    // The change that made the present version out of the one before it.
    const Change& lastChange() const { return lastChange_; }

    unsigned char at(std::size_t offset) const;
    // The text as stretches of bytes, in order: together they are the whole
    // text. Only valid until the next change.
    std::vector<std::string_view> parts() const { return parts(0, size_); }
    std::vector<std::string_view> parts(std::size_t from, std::size_t to) const;
    std::string bytes(std::size_t from, std::size_t to) const;
    std::string bytes() const { return bytes(0, size_); }
    bool equals(std::string_view bytes) const { return mismatch(bytes) == npos; }
    // The first place where the text and `bytes` differ; npos where none.
    std::size_t mismatch(std::string_view bytes) const;
    // The bytes from `from` to `to`: a view into the text when they lie in
    // one stretch, else copied into `scratch`.
    std::string_view view(std::size_t from, std::size_t to, std::string& scratch) const;
    // The characters from `from` to `to`, every break a "\n".
    QString text(std::size_t from, std::size_t to) const { return characters(from, to).replace("\r\n", "\n"); }
    // The same, a CR LF as its two characters: one per UTF-16 unit that
    // unitsBetween counts.
    QString characters(std::size_t from, std::size_t to) const;

    // The first / last place of `byte` in [from, to), or npos.
    std::size_t find(char byte, std::size_t from, std::size_t to) const;
    std::size_t findLast(char byte, std::size_t from, std::size_t to) const;

    // Where the character after / before `offset` starts: CR LF counts as
    // one. Never past the ends.
    std::size_t nextCharacter(std::size_t offset) const;
    std::size_t previousCharacter(std::size_t offset) const;
    // `offset` (clamped to the text), or where the character or break it
    // falls inside starts.
    std::size_t characterStart(std::size_t offset) const;
    // UTF-16 units from `from` to `to`, and the offset `count` units after
    // `from` (clamped to the end); both linear in the distance.
    std::size_t unitsBetween(std::size_t from, std::size_t to) const;
    std::size_t offsetAfterUnits(std::size_t from, std::size_t count) const;

    // Puts `bytes` in place of [from, to) (clamped and ordered).
    void replace(std::size_t from, std::size_t to, std::string_view bytes);

private:
    // A stretch of the original bytes or of the added ones.
    struct Piece {
        bool added;
        std::size_t start;
        std::size_t length;
    };
    // The piece holding `offset` and where in it; the piece count and 0 at
    // the end.
    struct Place {
        std::size_t piece;
        std::size_t within;
    };

    Place placeOf(std::size_t offset) const;
    std::string_view viewOf(const Piece& piece) const;
    void renumberFrom(std::size_t piece);

    SharedBytes original_;
    // Every byte typed or pasted, in the order it came; never shrinks, so
    // pieces can refer to it by offset.
    std::string added_;
    std::vector<Piece> pieces_;
    // Where each piece ends in the text.
    std::vector<std::size_t> ends_;
    std::size_t size_ = 0;
    std::uint64_t version_ = 0;
    Change lastChange_;
};
