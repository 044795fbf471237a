#include "CharacterData.h"

#include <cstring>

namespace corvantis {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool isName(char c) { return isNameStart(c) || isDigit(c) || c == '-' || c == '.'; }

}  // namespace

std::size_t referenceLength(const char* p, const char* end) noexcept {
    const char* q = p + 1;
    if (q >= end) return 0;
    if (*q == '#') {
        ++q;
        bool (*digit)(char) = isDigit;
        if (q < end && *q == 'x') {
            digit = isHexDigit;
            ++q;
        }
        const char* first = q;
        while (q < end && digit(*q)) ++q;
        if (q == first) return 0;
    } else {
        if (!isNameStart(*q)) return 0;
        while (++q < end && isName(*q)) {
        }
    }
    return q < end && *q == ';' ? static_cast<std::size_t>(q + 1 - p) : 0;
}

bool DataPieces::next(DataPiece& piece) noexcept {
    if (p_ >= end_) return false;
    if (*p_ == KeptMark) {
        const char* after = p_ + 1;
        const std::size_t kept = after < end_ && *after == '&' ? referenceLength(after, end_) : 0;
        if (kept > 0) {
            piece = DataPiece{std::string_view(after, kept), true};
            p_ = after + kept;
            return true;
        }
        // A doubled zero, or a zero on its own: one zero byte of the text.
        piece = DataPiece{std::string_view(p_, 1), false};
        p_ += after < end_ && *after == KeptMark ? 2 : 1;
        return true;
    }
    const void* mark = std::memchr(p_, KeptMark, static_cast<std::size_t>(end_ - p_));
    const char* stop = mark ? static_cast<const char*>(mark) : end_;
    piece = DataPiece{std::string_view(p_, static_cast<std::size_t>(stop - p_)), false};
    p_ = stop;
    return true;
}

void appendCharacters(std::string& data, std::string_view characters) {
    for (;;) {
        const std::size_t zero = characters.find(KeptMark);
        if (zero == std::string_view::npos) break;
        data.append(characters.data(), zero + 1);
        data.push_back(KeptMark);
        characters.remove_prefix(zero + 1);
    }
    data.append(characters);
}

void appendKeptReference(std::string& data, std::string_view reference) {
    data.push_back(KeptMark);
    data.append(reference);
}

bool isCharacterData(std::string_view data) noexcept {
    const char* p = data.data();
    const char* const end = p + data.size();
    while (const void* mark = std::memchr(p, KeptMark, static_cast<std::size_t>(end - p))) {
        const char* after = static_cast<const char*>(mark) + 1;
        if (after < end && *after == KeptMark) {
            p = after + 1;
            continue;
        }
        const std::size_t kept = after < end && *after == '&' ? referenceLength(after, end) : 0;
        if (kept == 0) return false;
        p = after + kept;
    }
    return true;
}

}  // namespace corvantis
