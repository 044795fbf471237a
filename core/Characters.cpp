#include "Characters.h"

#include <algorithm>
#include <iterator>

namespace corvantis {

namespace {

// A run of characters that fold by adding `delta`: every one of them, or
// (alternate) only every other one from `first` on, where capitals and
// small letters take turns.
struct FoldRun {
    char32_t first;
    char32_t last;
    int delta;
    bool alternate;
};

// Sorted by `first`; the runs do not overlap.
constexpr FoldRun FoldRuns[] = {
    {0x00B5, 0x00B5, 0x03BC - 0x00B5, false},  // micro sign: Greek mu
    {0x00C0, 0x00D6, 32, false},
    {0x00D8, 0x00DE, 32, false},
    {0x0100, 0x012F, 1, true},
    {0x0132, 0x0137, 1, true},
    {0x0139, 0x0148, 1, true},
    {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, 0x00FF - 0x0178, false},
    {0x0179, 0x017E, 1, true},
    {0x017F, 0x017F, 's' - 0x017F, false},  // long s
    {0x01CD, 0x01DC, 1, true},
    {0x01DE, 0x01EF, 1, true},
    {0x01F8, 0x021F, 1, true},
    {0x0222, 0x0233, 1, true},
    {0x0386, 0x0386, 0x03AC - 0x0386, false},
    {0x0388, 0x038A, 37, false},
    {0x038C, 0x038C, 0x03CC - 0x038C, false},
    {0x038E, 0x038F, 63, false},
    {0x0391, 0x03A1, 32, false},
    {0x03A3, 0x03AB, 32, false},
    {0x03C2, 0x03C2, 1, false},  // final sigma
    {0x03D8, 0x03EF, 1, true},
    {0x0400, 0x040F, 80, false},
    {0x0410, 0x042F, 32, false},
    {0x0460, 0x0481, 1, true},
    {0x048A, 0x04BF, 1, true},
    {0x04C0, 0x04C0, 15, false},
    {0x04C1, 0x04CE, 1, true},
    {0x04D0, 0x052F, 1, true},
    {0x0531, 0x0556, 48, false},
    {0x10A0, 0x10C5, 0x2D00 - 0x10A0, false},
    {0x1E00, 0x1E95, 1, true},
    {0x1E9E, 0x1E9E, 0x00DF - 0x1E9E, false},  // capital sharp s
    {0x1EA0, 0x1EFF, 1, true},
    {0x212A, 0x212A, 'k' - 0x212A, false},     // Kelvin sign
    {0x212B, 0x212B, 0x00E5 - 0x212B, false},  // Angstrom sign
    {0x2160, 0x216F, 16, false},
    {0x24B6, 0x24CF, 26, false},
    {0x2C00, 0x2C2F, 48, false},
    {0xFF21, 0xFF3A, 32, false},
    {0x10400, 0x10427, 40, false},
};

bool inRange(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

bool isAsciiLetter(char32_t c) { return inRange(c, 'A', 'Z') || inRange(c, 'a', 'z'); }

// XML's name-start characters beyond ASCII.
bool isXmlNameStartBeyondAscii(char32_t c) {
    return inRange(c, 0xC0, 0xD6) || inRange(c, 0xD8, 0xF6) || inRange(c, 0xF8, 0x2FF) ||
           inRange(c, 0x370, 0x37D) || inRange(c, 0x37F, 0x1FFF) || inRange(c, 0x200C, 0x200D) ||
           inRange(c, 0x2070, 0x218F) || inRange(c, 0x2C00, 0x2FEF) || inRange(c, 0x3001, 0xD7FF) ||
           inRange(c, 0xF900, 0xFDCF) || inRange(c, 0xFDF0, 0xFFFD) || inRange(c, 0x10000, 0xEFFFF);
}

char32_t decodeUtf8(const char*& p, const char* end) {
    const auto lead = static_cast<unsigned char>(*p++);
    if (lead < 0x80) return lead;
    int extra;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return NotACharacter;
    }
    if (end - p < extra) return NotACharacter;
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(p[k]);
        if ((next & 0xC0) != 0x80) return NotACharacter;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return NotACharacter;
    p += extra;
    return c;
}

}  // namespace

char32_t decodeNext(const char*& p, const char* end) noexcept { return decodeUtf8(p, end); }

char32_t decodePrevious(const char* begin, const char* p) noexcept {
    if (p <= begin) return NotACharacter;
    // Back over up to three continuation bytes to the lead byte.
    const char* start = p - 1;
    while (start > begin && p - start < 4 && (static_cast<unsigned char>(*start) & 0xC0) == 0x80) --start;
    const char* q = start;
    const char32_t c = decodeUtf8(q, p);
    return q == p ? c : NotACharacter;
}

char32_t foldCase(char32_t c) noexcept {
    if (c < 0x80) return inRange(c, 'A', 'Z') ? c + 32 : c;
    const auto* run = std::upper_bound(std::begin(FoldRuns), std::end(FoldRuns), c,
                                       [](char32_t value, const FoldRun& r) { return value < r.first; });
    if (run == std::begin(FoldRuns)) return c;
    --run;
    if (c > run->last || (run->alternate && (c - run->first) % 2 != 0)) return c;
    return static_cast<char32_t>(static_cast<long>(c) + run->delta);
}

std::vector<char32_t> caseVariants(char32_t folded) {
    folded = foldCase(folded);
    std::vector<char32_t> variants{folded};
    if (inRange(folded, 'a', 'z')) variants.push_back(folded - 32);
    // Only characters of the fold runs fold to another one.
    for (const FoldRun& run : FoldRuns)
        for (char32_t c = run.first; c <= run.last; c += run.alternate ? 2 : 1)
            if (foldCase(c) == folded) variants.push_back(c);
    return variants;
}

bool firstByteOf(char32_t c, unsigned char& byte) noexcept {
    if (c < 0x80)
        byte = static_cast<unsigned char>(c);
    else if (c < 0x800)
        byte = static_cast<unsigned char>(0xC0 | (c >> 6));
    else if (c < 0x10000)
        byte = static_cast<unsigned char>(0xE0 | (c >> 12));
    else if (c <= 0x10FFFF)
        byte = static_cast<unsigned char>(0xF0 | (c >> 18));
    else
        return false;
    return true;
}

bool isNameStartCharacter(Encoding encoding, char32_t c) noexcept {
    if (c < 0x80) return isAsciiLetter(c) || c == ':' || c == '_';
    if (encoding == Encoding::Latin1) return c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7;
    return isXmlNameStartBeyondAscii(c);
}

bool isNameCharacter(Encoding encoding, char32_t c) noexcept {
    if (isNameStartCharacter(encoding, c)) return true;
    if (inRange(c, '0', '9') || c == '-' || c == '.') return true;
    return encoding == Encoding::Utf8 &&
           (c == 0xB7 || inRange(c, 0x300, 0x36F) || inRange(c, 0x203F, 0x2040));
}

bool isWordCharacter(char32_t c) noexcept {
    return isNameCharacter(Encoding::Utf8, c) && c != ':' && c != '-' && c != '.' && c != 0xB7;
}

}  // namespace corvantis
