#include "StringObject.h"

#include "Pools.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

namespace corvantis {

namespace {

constexpr std::size_t maxRepLength = std::numeric_limits<std::uint32_t>::max() - 64;

std::size_t repBytes(std::size_t capacity) { return offsetof(detail::StringRep, data) + capacity + 1; }

detail::StringRep* makeRep(std::size_t capacity, std::uint32_t growth) {
    if (capacity > maxRepLength) throw std::bad_alloc();
    auto* rep = static_cast<detail::StringRep*>(detail::allocateBlock(repBytes(capacity)));
    rep->refs = 1;
    rep->capacity = static_cast<std::uint32_t>(capacity);
    rep->growth = growth;
    rep->data[0] = '\0';
    return rep;
}

}  // namespace

namespace {
constexpr unsigned char heapTag = 0x80;

std::size_t roundUp(std::size_t n, std::size_t step) { return step == 0 ? n : (n + step - 1) / step * step; }

// The room for a string made from `length` bytes. A small block is taken
// whole: the pools hand out blocks in steps of 8 bytes anyway, and most
// strings of a document are never changed, so rounding further up would
// only cost memory.
std::size_t capacityFor(std::size_t length) {
    const std::size_t block = roundUp(repBytes(length), detail::smallBlockStep);
    if (block <= detail::smallBlockLimit) return block - repBytes(0);
    return roundUp(length, StringObject::defaultGrowthStep);
}
}  // namespace


void StringObject::setRep(Rep* r) noexcept {
    std::memcpy(bytes_, &r, sizeof r);
    bytes_[15] = heapTag;
}


StringObject::StringObject(std::size_t capacity, std::uint32_t growthStep) : StringObject() {
    if (growthStep == defaultGrowthStep && capacity <= inlineCapacity) return;
    Rep* r = makeRep(capacity, growthStep);
    setRep(r);
    setLength(0);
}

StringObject::StringObject(const char* text) : StringObject(text, text ? std::strlen(text) : 0) {}

StringObject::StringObject(std::string_view bytes) : StringObject(bytes.data(), bytes.size()) {}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// The object is written as two whole words: a string is usually moved into
// place right after it is made, and reading back bytes stored one by one
// would stall that move.
StringObject::StringObject(const char* bytes, std::size_t length) {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (length <= inlineCapacity) {
        // Overlapping loads, shifted into place; unused bytes stay zero, so
        // the terminator comes for free.
        auto byteAt = [bytes](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(bytes[i])}; };
        if (length >= 8) {
            std::memcpy(&low, bytes, 8);
            if (length > 8) {
                std::uint64_t tail;
                std::memcpy(&tail, bytes + length - 8, 8);
                high = tail >> (8 * (16 - length));
            }
        } else if (length >= 4) {
            std::uint32_t head, tail;
            std::memcpy(&head, bytes, 4);
            std::memcpy(&tail, bytes + length - 4, 4);
            low = head | (std::uint64_t{tail} << (8 * (length - 4)));
        } else if (length > 0) {
            low = byteAt(0) | byteAt(length / 2) << (8 * (length / 2)) |
                  byteAt(length - 1) << (8 * (length - 1));
        }
        high |= std::uint64_t{inlineCapacity - length} << 56;
    } else {
        Rep* r = makeRep(capacityFor(length), defaultGrowthStep);
        std::memcpy(r->data, bytes, length);
        r->data[length] = '\0';
        std::memcpy(&low, &r, sizeof r);
        high = length | std::uint64_t{heapTag} << 56;
    }
    std::memcpy(bytes_, &low, 8);
    std::memcpy(bytes_ + 8, &high, 8);
}
#else
StringObject::StringObject(const char* bytes, std::size_t length) : StringObject() {
    if (length == 0) return;
    if (length <= inlineCapacity) {
        std::memcpy(bytes_, bytes, length);
        setLength(length);
        return;
    }
    Rep* r = makeRep(capacityFor(length), defaultGrowthStep);
    setRep(r);
    std::memcpy(r->data, bytes, length);
    setLength(length);
}
#endif

StringObject::StringObject(const StringObject& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    if (!isInline()) ++rep()->refs;
}


StringObject& StringObject::operator=(const StringObject& other) noexcept {
    if (this == &other) return *this;
    if (!other.isInline()) ++other.rep()->refs;
    release();
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    return *this;
}

void StringObject::releaseHeap() noexcept {
    Rep* r = rep();
    if (--r->refs == 0) detail::releaseBlock(r, repBytes(r->capacity));
}



void StringObject::setLength(std::size_t n) noexcept {
    if (isInline()) {
        if (n < inlineCapacity) bytes_[n] = 0;  // a full string ends in the tag, which is 0 then
        bytes_[15] = static_cast<unsigned char>(inlineCapacity - n);
        return;
    }
    std::uint32_t n32 = static_cast<std::uint32_t>(n);
    std::memcpy(bytes_ + 8, &n32, sizeof n32);
    rep()->data[n] = '\0';
}

std::size_t StringObject::capacity() const noexcept {
    if (isInline()) return inlineCapacity;
    return rep()->capacity;
}

std::uint32_t StringObject::growthStep() const noexcept {
    if (isInline()) return defaultGrowthStep;
    return rep()->growth;
}

// New storage is made whole before the old goes, so a failure leaves the
// string as it was.
char* StringObject::mutableData(std::size_t needed) {
    const std::size_t len = length();
    if (isInline()) {
        if (needed <= inlineCapacity) return reinterpret_cast<char*>(bytes_);
        std::size_t capacity = roundUp(std::max(needed, std::size_t{32}), defaultGrowthStep);
        Rep* r = makeRep(capacity, defaultGrowthStep);
        std::memcpy(r->data, bytes_, len);
        setRep(r);
        setLength(len);
        return r->data;
    }
    Rep* r = rep();
    const bool grows = r->growth != 0 && needed > r->capacity;
    if (r->refs == 1 && !grows) return r->data;
    std::size_t capacity = r->capacity;
    if (grows) {
        if (needed > maxRepLength) throw std::bad_alloc();
        // Geometric growth keeps long runs of appends linear.
        capacity = std::min(roundUp(std::max(needed, capacity + capacity / 2), r->growth), maxRepLength);
    }
    if (r->refs == 1 && repBytes(r->capacity) > detail::smallBlockLimit && repBytes(capacity) > detail::smallBlockLimit) {
        // A large private block grows in place where the allocator can
        // manage it; when it cannot, the block stays as it was.
        Rep* grown = static_cast<Rep*>(detail::reallocateLargeBlock(r, repBytes(r->capacity), repBytes(capacity)));
        grown->capacity = static_cast<std::uint32_t>(capacity);
        setRep(grown);
        setLength(len);
        return grown->data;
    }
    Rep* fresh = makeRep(capacity, r->growth);
    std::memcpy(fresh->data, r->data, len);
    release();
    setRep(fresh);
    setLength(len);
    return fresh->data;
}

std::size_t StringObject::write(std::size_t position, const char* bytes, std::size_t count, bool insert) {
    if (count == 0) return 0;
    // The source may lie inside this string's own storage.
    const char* own = data();
    std::string copy;
    if (std::less_equal<const char*>()(own, bytes) && std::less<const char*>()(bytes, own + capacity() + 1)) {
        copy.assign(bytes, count);
        bytes = copy.data();
    }
    const std::size_t len = length();
    position = std::min(position, len);
    char* d = mutableData(insert ? len + count : 0);
    const std::size_t cap = capacity();
    if (position >= cap) return 0;
    const std::size_t n = std::min(count, cap - position);
    if (insert) {
        const std::size_t tail = std::min(len - position, cap - position - n);
        std::memmove(d + position + n, d + position, tail);
        std::memcpy(d + position, bytes, n);
        setLength(position + n + tail);
    } else {
        std::memcpy(d + position, bytes, n);
        setLength(std::max(len, position + n));
    }
    return n;
}

void StringObject::assign(const char* bytes, std::size_t count) {
    if (count == 0) {
        truncate(0);
        return;
    }
    std::string copy(bytes, count);  // `bytes` may lie in this string's own storage
    // Room first, so that what follows cannot fail with the text half replaced.
    mutableData(count);
    setLength(0);
    write(0, copy.data(), copy.size(), true);
}

void StringObject::append(char c) { append(&c, 1); }

void StringObject::append(const char* bytes, std::size_t count) {
    // Fast path: private storage with room to spare.
    const std::size_t len = length();
    if (!isInline()) {
        Rep* r = rep();
        if (r && r->refs == 1 && len + count <= r->capacity &&
            !(std::less_equal<const char*>()(r->data, bytes) &&
              std::less<const char*>()(bytes, r->data + r->capacity + 1))) {
            std::memcpy(r->data + len, bytes, count);
            setLength(len + count);
            return;
        }
    }
    write(len, bytes, count, true);
}

void StringObject::appendRepeated(char c, std::size_t count) {
    const std::size_t len = length();
    char* d = mutableData(len + count);
    const std::size_t n = std::min(count, capacity() - len);
    std::memset(d + len, c, n);
    setLength(len + n);
}

void StringObject::reserve(std::size_t capacity) {
    if (capacity > this->capacity()) mutableData(capacity);
}

void StringObject::truncate(std::size_t n) {
    const std::size_t len = length();
    if (n >= len) return;
    mutableData(0);
    setLength(n);
}

void StringObject::fill(std::string_view pattern, std::size_t count) {
    char* d = mutableData(0);
    const std::size_t cap = capacity();
    if (count == 0 || count > cap) count = cap;
    if (pattern.empty()) count = 0;
    for (std::size_t i = 0; i < count; ++i) d[i] = pattern[i % pattern.size()];
    setLength(count);
}

const char* StringObject::charAt(std::size_t i) const noexcept { return data() + std::min(i, length()); }

int StringObject::compare(const StringObject& a, const StringObject& b) noexcept {
    const std::size_t la = a.length(), lb = b.length();
    const int c = std::memcmp(a.data(), b.data(), std::min(la, lb));
    if (c != 0) return c;
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

bool StringObject::equals(const char* text) const noexcept {
    return view() == std::string_view(text ? text : "");
}

std::size_t StringObject::findIgnoreCase(std::string_view text, std::size_t from) const noexcept {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    const std::size_t len = length();
    const char* d = data();
    if (text.size() > len) return npos;
    for (std::size_t i = from; i + text.size() <= len; ++i) {
        std::size_t k = 0;
        while (k < text.size() && lower(d[i + k]) == lower(text[k])) ++k;
        if (k == text.size()) return i;
    }
    return npos;
}

}  // namespace corvantis
