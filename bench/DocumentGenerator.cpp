#include "bench/DocumentGenerator.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace corvantis::bench {

namespace {

// splitmix64: tiny, fast and the same on every platform, unlike the standard
// distributions, whose output the library may choose.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [low, high].
    std::size_t between(std::size_t low, std::size_t high) { return low + next() % (high - low + 1); }
    bool oneIn(std::size_t n) { return next() % n == 0; }
    template <std::size_t N>
    const char* pick(const char* const (&choices)[N]) {
        return choices[next() % N];
    }

private:
    std::uint64_t state_;
};

const char* const kWords[] = {
    "call",    "plumber", "about",    "the",    "leak",     "buy",    "milk",    "and",
    "bread",   "meeting", "with",     "Anna",   "review",   "budget", "for",     "spring",
    "project", "notes",   "draft",    "letter", "to",       "bank",   "book",    "flights",
    "check",   "garden",  "hose",     "renew",  "passport", "send",   "invoice", "number",
    "tidy",    "garage",  "birthday", "gift",   "Tom",      "plan",   "week",    "ahead",
};
const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
const char* const kFolderNames[] = {"Work",    "Home",   "Travel",  "Family",
                                    "Finance", "Garden", "Reading", "Ideas"};
const char* const kStates[] = {"open", "done", "waiting", "cancelled"};

// Indentation as the program's writer makes it: a level below the top is
// five spaces deeper, capped at sixteen.
void lineBreak(std::string& out, std::size_t depth) {
    out += "\r\n";
    out.append(std::min<std::size_t>(5 * depth + 1, 16), ' ');
}

void appendWords(std::string& out, Random& random, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out += ' ';
        }
        out += random.oneIn(12) ? random.pick(kEntities) : random.pick(kWords);
    }
}

void appendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
}

void appendDate(std::string& out, Random& random) {
    out += "2026-";
    const std::size_t month = random.between(1, 12);
    const std::size_t day = random.between(1, 28);
    out += static_cast<char>('0' + month / 10);
    out += static_cast<char>('0' + month % 10);
    out += '-';
    out += static_cast<char>('0' + day / 10);
    out += static_cast<char>('0' + day % 10);
}

// 0 to 3 attributes drawn from the entry's own names, in a fixed order so
// that names never repeat.
void appendEntryAttributes(std::string& out, Random& random, const char* const (&names)[3]) {
    const std::size_t count = random.between(0, 3);
    for (std::size_t i = 0; i < count; ++i) {
        std::string value;
        if (std::string_view(names[i]) == "due" || std::string_view(names[i]) == "at") {
            appendDate(value, random);
        } else if (std::string_view(names[i]) == "state") {
            value = random.pick(kStates);
        } else {
            appendWords(value, random, random.between(1, 2));
        }
        appendAttribute(out, names[i], value);
    }
}

void appendEntry(std::string& out, Random& random, std::size_t depth) {
    struct Kind {
        const char* name;
        const char* attributes[3];
    };
    static const Kind kinds[] = {
        {"Task", {"state", "due", "priority"}},
        {"Note", {"title", "colour", "tag"}},
        {"Contact", {"name", "phone", "email"}},
        {"Appointment", {"at", "place", "with"}},
    };
    const Kind& kind = kinds[random.next() % 4];
    lineBreak(out, depth);
    out += '<';
    out += kind.name;
    appendEntryAttributes(out, random, kind.attributes);
    if (random.oneIn(6)) {
        out += "/>";
        return;
    }
    out += '>';
    appendWords(out, random, random.between(2, 12));
    out += "</";
    out += kind.name;
    out += '>';
}

// A Folder at `depth` whose deepest entries sit at `deepest`; recursion is
// bounded by the eight levels of a branch.
void appendFolder(std::string& out, Random& random, std::size_t depth, std::size_t deepest) {
    lineBreak(out, depth);
    out += "<Folder";
    appendAttribute(out, "name", random.pick(kFolderNames));
    if (random.oneIn(2)) {
        std::string created;
        appendDate(created, random);
        appendAttribute(out, "created", created);
    }
    out += '>';
    const std::size_t entries = random.between(1, 5);
    for (std::size_t i = 0; i < entries; ++i) {
        appendEntry(out, random, depth + 1);
    }
    if (random.oneIn(25)) {
        lineBreak(out, depth + 1);
        out += "<!-- reviewed ";
        appendWords(out, random, 3);
        out += " -->";
    }
    if (random.oneIn(40)) {
        lineBreak(out, depth + 1);
        out += "<?organiser-mark state=\"";
        out += random.pick(kStates);
        out += "\"?>";
    }
    if (depth + 1 < deepest) {
        // The first subfolder reaches the branch's full depth, the others may stop short.
        const std::size_t folders = random.between(1, 3);
        for (std::size_t i = 0; i < folders; ++i) {
            appendFolder(out, random, depth + 1, i == 0 ? deepest : random.between(depth + 2, deepest));
        }
    }
    lineBreak(out, depth);
    out += "</Folder>";
}

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n ";

void appendNumber(std::string& out, std::size_t n) {
    char digits[24];
    std::size_t length = 0;
    do {
        digits[length++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (length > 0) {
        out += digits[--length];
    }
}

}  // namespace

std::string notesDocument(std::size_t approximateBytes, std::uint64_t seed) {
    Random random(seed);
    std::string out;
    out.reserve(approximateBytes + (1 << 16));
    out += kDeclaration;
    out += "<!-- Organiser generated for benchmarks -->\r\n ";
    lineBreak(out, 0);
    out += "<Organiser owner=\"Bench\">";
    while (out.size() < approximateBytes) {
        // Levels count from the Organiser (1): folders from 2, entries at 3 to 8.
        appendFolder(out, random, 1, random.between(2, 7));
    }
    lineBreak(out, 0);
    out += "</Organiser>";
    return out;
}

std::string wideDocument(std::size_t siblings) {
    std::string out = kDeclaration;
    out.reserve(siblings * 24 + 64);
    lineBreak(out, 0);
    out += "<Items>";
    for (std::size_t i = 0; i < siblings; ++i) {
        lineBreak(out, 1);
        out += "<Item id=\"";
        appendNumber(out, i);
        out += "\"/>";
    }
    lineBreak(out, 0);
    out += "</Items>";
    return out;
}

std::string deepDocument(std::size_t levels) {
    std::string out = kDeclaration;
    for (std::size_t depth = 0; depth < levels; ++depth) {
        lineBreak(out, depth);
        out += "<Level>";
    }
    if (levels == 0) {
        return out;
    }
    // The innermost text stays on the line of its tags, so it has no added blanks.
    out += "bottom</Level>";
    for (std::size_t depth = levels - 1; depth-- > 0;) {
        lineBreak(out, depth);
        out += "</Level>";
    }
    return out;
}

std::string textDocument(std::size_t nodes, std::size_t nodeBytes, std::uint64_t seed) {
    static const char* const kinds[] = {"plain", "escaped", "lines"};
    Random random(seed);
    std::string out = kDeclaration;
    out.reserve(nodes * (nodeBytes + 64) + 64);
    lineBreak(out, 0);
    out += "<Texts>";
    for (std::size_t i = 0; i < nodes; ++i) {
        const std::size_t kind = i % 3;
        lineBreak(out, 1);
        out += "<Text kind=\"";
        out += kinds[kind];
        out += "\">";
        const std::size_t end = out.size() + nodeBytes;
        while (out.size() < end) {
            out += random.pick(kWords);
            if (kind == 1) {
                out += " &amp; ";
            } else if (kind == 2 && random.oneIn(8)) {
                out += "\r\n";
            } else {
                out += ' ';
            }
        }
        out += "</Text>";
    }
    lineBreak(out, 0);
    out += "</Texts>";
    return out;
}

std::string mixedDocument(std::size_t approximateBytes, std::uint64_t seed) {
    static const char* const inlines[] = {"b", "i", "em", "code"};
    Random random(seed);
    std::string out = kDeclaration;
    out.reserve(approximateBytes + 4096);
    lineBreak(out, 0);
    out += "<Document>";
    while (out.size() < approximateBytes) {
        lineBreak(out, 1);
        out += "<Para>";
        const std::size_t segments = random.between(3, 12);
        for (std::size_t i = 0; i < segments; ++i) {
            if (random.oneIn(3)) {
                const char* name = random.pick(inlines);
                out += " <";
                out += name;
                out += '>';
                appendWords(out, random, random.between(1, 3));
                out += "</";
                out += name;
                out += "> ";
            } else {
                appendWords(out, random, random.between(2, 8));
            }
        }
        out += "</Para>";
    }
    lineBreak(out, 0);
    out += "</Document>";
    return out;
}

std::string manyAttributesDocument(std::size_t attributes) {
    std::string out = kDeclaration;
    out.reserve(attributes * 16 + 64);
    lineBreak(out, 0);
    out += "<Root>";
    lineBreak(out, 1);
    out += "<Element";
    for (std::size_t i = 0; i < attributes; ++i) {
        out += " a";
        appendNumber(out, i);
        out += "=\"";
        appendNumber(out, i);
        out += '"';
    }
    out += "/>";
    lineBreak(out, 0);
    out += "</Root>";
    return out;
}

std::size_t notesBytesFromEnvironment() {
    const char* setting = std::getenv("CORVANTIS_BENCH_NOTES_MB");
    if (setting == nullptr || *setting == '\0') {
        return std::size_t{100} << 20;
    }
    char* end = nullptr;
    const double megabytes = std::strtod(setting, &end);
    if (*end != '\0' || !(megabytes > 0) || megabytes > 65536) {
        throw std::invalid_argument("CORVANTIS_BENCH_NOTES_MB must be a positive number of megabytes");
    }
    return static_cast<std::size_t>(megabytes * (1 << 20));
}

}  // namespace corvantis::bench
