#include "editors/FieldText.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "document/DocumentText.h"

namespace FieldText {

namespace {

bool isUtf8(const DocumentText& text) { return text.encoding() == corvantis::Encoding::Utf8; }

// Where the run of ASCII bytes from `from` on ends; eight bytes at a time,
// since node texts can be tens of megabytes.
std::size_t asciiEnd(std::string_view bytes, std::size_t from) {
    constexpr std::uint64_t high = 0x8080808080808080ULL;
    while (from + 8 <= bytes.size()) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + from, sizeof word);
        if (word & high) break;
        from += 8;
    }
    while (from < bytes.size() && static_cast<unsigned char>(bytes[from]) < 0x80) ++from;
    return from;
}

// How many bytes past ASCII there are: each takes two in UTF-8.
std::size_t beyondAscii(std::string_view bytes) {
    return static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; }));
}

// The text of a large node is built in a block of fresh memory, which some
// machines are slow to touch page by page (a quarter of a second for 20 MB
// on a virtual one): huge pages are asked for where the block spans them.
void preferHugePages(const char* block, std::size_t size) {
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t to = (start + size) & ~(hugePage - 1);
#ifdef MADV_HUGEPAGE
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

}  // namespace

SharedBytes shown(const corvantis::StringObject& stored, const DocumentText& text) {
    if (isUtf8(text) || asciiEnd(stored.view(), 0) == stored.length()) {
        auto shared = std::make_shared<const corvantis::StringObject>(stored);
        return SharedBytes(shared, shared->view());
    }
    const std::string_view bytes = stored.view();
    auto converted = std::make_shared<std::string>();
    converted->reserve(bytes.size() + beyondAscii(bytes));
    preferHugePages(converted->data(), converted->capacity());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t ascii = asciiEnd(bytes, at);
        converted->append(bytes.substr(at, ascii - at));
        if ((at = ascii) == bytes.size()) break;
        const auto value = static_cast<unsigned char>(bytes[at++]);
        *converted += static_cast<char>(0xC0 | (value >> 6));
        *converted += static_cast<char>(0x80 | (value & 0x3F));
    }
    return SharedBytes(converted, *converted);
}

std::size_t shownOffset(std::string_view stored, std::size_t offset, const DocumentText& text) {
    offset = std::min(offset, stored.size());
    return isUtf8(text) ? offset : offset + beyondAscii(stored.substr(0, offset));
}

bool stored(const LargeText& shown, const DocumentText& text, corvantis::StringObject& bytes, QString& unstorable) {
    corvantis::StringObject result;
    result.reserve(shown.size());
    preferHugePages(result.data(), result.capacity());
    if (isUtf8(text)) {
        for (const std::string_view part : shown.parts()) result.append(part);
        bytes = std::move(result);
        return true;
    }
    // Edits split the text only between characters, so no character spans
    // two parts.
    unstorable.clear();
    for (const std::string_view part : shown.parts()) {
        for (std::size_t at = 0; at < part.size();) {
            const std::size_t ascii = asciiEnd(part, at);
            result.append(part.substr(at, ascii - at));
            if ((at = ascii) == part.size()) break;
            char32_t character = 0;
            const int length = std::max(1, utf8::sequenceLength(part.substr(at), &character));
            if (length > 1 && character <= 0xFF) {
                result.append(static_cast<char>(character));
            } else if (length == 1) {
                // A byte that starts no character came so from the document.
                result.append(part[at]);
            } else {
                const QString name = QString::fromUcs4(&character, 1);
                if (!unstorable.contains(name)) unstorable += name;
            }
            at += static_cast<std::size_t>(length);
        }
    }
    if (!unstorable.isEmpty()) return false;
    bytes = std::move(result);
    return true;
}

}  // namespace FieldText
