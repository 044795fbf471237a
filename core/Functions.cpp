#include "Functions.h"

namespace corvantis {

bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool IsNameStartChar(char c) noexcept { return IsLetter(c) || c == ':' || c == '_'; }
bool IsNameChar(char c) noexcept { return IsNameStartChar(c) || IsDigit(c) || c == '.' || c == '-'; }

bool IsValidName(const StringObject& text, Encoding encoding) noexcept {
    const char* p = text.data();
    const char* const end = p + text.length();
    if (p == end || !isNameStartCharacter(encoding, decodeNext(p, end))) return false;
    while (p != end)
        if (!isNameCharacter(encoding, decodeNext(p, end))) return false;
    return true;
}

bool IsValidPIValue(const StringObject& text) noexcept {
    return !text.empty() && text.findIgnoreCase("?>") == StringObject::npos;
}

StringObject ExtractDirectory(const StringObject& path) {
    const char* p = path.data();
    for (std::size_t i = path.length(); i-- > 0;) {
        const char c = p[i];
        if (c == '/' || c == '\\' || c == ':' || c == '[' || c == ']') return StringObject(p, i + 1);
    }
    return StringObject();
}

}  // namespace corvantis
