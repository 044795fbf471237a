// StringObject: the byte string every name, value and text of the document
// model is stored in. Bytes are 8-bit and may include zeros; the length is
// explicit. Copies share their storage until one of them changes (copy on
// write), so handing strings around is cheap. Short strings (up to 15 bytes)
// live inside the object itself and never allocate.
//
// A string normally grows as needed (geometrically, so appending byte by byte
// stays linear). A string made with growth step 0 never grows: whatever does
// not fit into its capacity is cut off.
//
// When storage cannot be obtained, or a string would pass the longest the
// model holds (4 GiB less 64 bytes), the operation throws std::bad_alloc,
// like every other allocation of the model, and the string is left as it
// was: a string never loses its text quietly. Changing a copy may need
// storage of its own, so any operation that changes a string may throw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace corvantis {

namespace detail {
class StringSink;

// Heap storage of a StringObject, shared between copies. `data` holds
// capacity + 1 bytes so the text can always be zero-terminated.
struct StringRep {
    std::uint32_t refs;
    std::uint32_t capacity;
    std::uint32_t growth;  // 0: fixed capacity
    char data[1];
};

}  // namespace detail

class StringObject {
public:
    // Returned by findIgnoreCase when the text does not occur.
    static constexpr std::size_t npos = 2147483647;
    static constexpr std::uint32_t defaultGrowthStep = 16;

    StringObject() noexcept {
        bytes_[0] = 0;
        bytes_[15] = inlineCapacity;
    }
    // An empty string with room for `capacity` bytes; growthStep 0 = fixed.
    StringObject(std::size_t capacity, std::uint32_t growthStep);
    // Copies of zero-terminated text, and of `length` bytes at `bytes`.
    StringObject(const char* text);  // NOLINT: implicit on purpose, like std::string
    StringObject(const char* bytes, std::size_t length);
    explicit StringObject(std::string_view bytes);

    StringObject(const StringObject& other) noexcept;
    StringObject(StringObject&& other) noexcept {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.bytes_[0] = 0;
        other.bytes_[15] = inlineCapacity;
    }
    StringObject& operator=(const StringObject& other) noexcept;
    StringObject& operator=(StringObject&& other) noexcept {
        if (this == &other) return *this;
        release();
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.bytes_[0] = 0;
        other.bytes_[15] = inlineCapacity;
        return *this;
    }
    ~StringObject() { release(); }

    const char* data() const noexcept {
        if (isInline()) return reinterpret_cast<const char*>(bytes_);
        return rep()->data;
    }
    std::size_t length() const noexcept {
        if (isInline()) return inlineCapacity - bytes_[15];
        std::uint32_t n;
        std::memcpy(&n, bytes_ + 8, sizeof n);
        return n;
    }
    bool empty() const noexcept { return length() == 0; }
    // The bytes followed by a zero byte; always valid, never allocates.
    const char* c_str() const noexcept { return data(); }
    std::string_view view() const noexcept { return {data(), length()}; }
    std::size_t capacity() const noexcept;
    std::uint32_t growthStep() const noexcept;

    // Pointer to the byte at min(i, length).
    const char* charAt(std::size_t i) const noexcept;
    char operator[](std::size_t i) const noexcept { return data()[i]; }

    // Writes `count` bytes at `position` (clamped to the length). Insert shifts
    // the tail right; overwrite replaces in place and may extend the length
    // but never grows the capacity. Returns the number of bytes written.
    std::size_t write(std::size_t position, const char* bytes, std::size_t count, bool insert);

    void assign(const char* bytes, std::size_t count);
    void append(char c);
    void append(const char* bytes, std::size_t count);
    void append(std::string_view bytes) { append(bytes.data(), bytes.size()); }
    void append(const StringObject& other) { append(other.data(), other.length()); }
    // Appends `count` copies of `c`.
    void appendRepeated(char c, std::size_t count);
    // Makes room for at least `capacity` bytes without changing the content.
    void reserve(std::size_t capacity);
    void truncate(std::size_t n);
    void clear() { truncate(0); }
    // Writes `pattern` repeatedly from position 0 for `count` bytes (0 = the
    // whole capacity); never grows, so count is cut to the capacity. The length
    // becomes the number of bytes written.
    void fill(std::string_view pattern, std::size_t count);

    // Unsigned byte comparison: negative, zero or positive.
    static int compare(const StringObject& a, const StringObject& b) noexcept;
    bool equals(const StringObject& other) const noexcept { return view() == other.view(); }
    bool equals(const char* text) const noexcept;
    // First position at or after `from` where `text` occurs, letters compared
    // case-insensitively (ASCII); npos when it does not occur.
    std::size_t findIgnoreCase(std::string_view text, std::size_t from = 0) const noexcept;

    friend bool operator==(const StringObject& a, const StringObject& b) noexcept { return a.equals(b); }
    friend bool operator!=(const StringObject& a, const StringObject& b) noexcept { return !a.equals(b); }
    friend bool operator<(const StringObject& a, const StringObject& b) noexcept { return compare(a, b) < 0; }

private:
    // The writer builds its text in place.
    friend class detail::StringSink;
    using Rep = detail::StringRep;
    static constexpr std::size_t inlineCapacity = 15;

    bool isInline() const noexcept { return (bytes_[15] & 0x80) == 0; }
    // The bytes, private to this string and, unless it has a fixed
    // capacity, with room for `neededCapacity`; throws std::bad_alloc, the
    // string unchanged, when that storage cannot be had.
    char* mutableData(std::size_t neededCapacity);
    void setLength(std::size_t n) noexcept;
    void release() noexcept {
        if (!isInline()) releaseHeap();
    }
    void releaseHeap() noexcept;

    Rep* rep() const noexcept {
        Rep* r;
        std::memcpy(&r, bytes_, sizeof r);
        return r;
    }
    void setRep(Rep* r) noexcept;

    // Inline: bytes_[0..14] hold the text and its terminator, bytes_[15] holds
    // 15 - length (so a full inline string ends in a zero byte). Heap: bytes
    // 0..7 a Rep pointer, 8..11 the length, and bytes_[15] = 0x80. Every
    // access goes through memcpy, so the object needs no alignment and
    // packs tightly into records.
    unsigned char bytes_[16];
};

}  // namespace corvantis
