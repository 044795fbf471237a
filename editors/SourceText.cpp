#include "editors/SourceText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "document/DocumentText.h"
#include "widgets/HugePages.h"

namespace SourceText {

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

}  // namespace

SharedBytes shown(const corvantis::StringObject& fileText, const DocumentText& codec) {
    if (isUtf8(codec) || asciiEnd(fileText.view(), 0) == fileText.length()) {
        auto shared = std::make_shared<const corvantis::StringObject>(fileText);
        return SharedBytes(shared, shared->view());
    }
    const std::string_view bytes = fileText.view();
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

bool stored(const LargeText& shown, const DocumentText& codec, corvantis::StringObject& bytes, QString& unstorable) {
    corvantis::StringObject result;
    result.reserve(shown.size());
    preferHugePages(result.data(), result.capacity());
    if (isUtf8(codec)) {
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

}  // namespace SourceText
