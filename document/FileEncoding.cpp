#include "document/FileEncoding.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/Characters.h"

namespace {

const char Utf8Mark[] = "\xEF\xBB\xBF";

bool startsWith(const QByteArray& bytes, std::string_view head) {
    return bytes.size() >= static_cast<qsizetype>(head.size()) &&
           std::memcmp(bytes.constData(), head.data(), head.size()) == 0;
}

// The UTF-16 code units of `bytes` in the given byte order; false when they
// are no valid UTF-16 (an odd length, a surrogate without its partner).
bool utf16Units(const char* bytes, qsizetype length, bool bigEndian, QString& units) {
    if (length % 2 != 0) return false;
    units.resize(length / 2);
    char16_t* out = reinterpret_cast<char16_t*>(units.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < units.size(); ++i) {
        const unsigned first = in[2 * i];
        const unsigned second = in[2 * i + 1];
        out[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    for (qsizetype i = 0; i < units.size(); ++i) {
        const QChar c = units.at(i);
        if (c.isHighSurrogate() && i + 1 < units.size() && units.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

constexpr std::uint64_t HighBits = 0x8080808080808080ull;

// The first byte from 0x80 on at or after `p`, or `end`; 32, then eight at a time.
const char* firstHighByte(const char* p, const char* end) {
    for (std::uint64_t w[4]; end - p >= 32; p += 32) {
        std::memcpy(w, p, 32);
        if ((w[0] | w[1] | w[2] | w[3]) & HighBits) break;
    }
    for (std::uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, 8);
        if (w & HighBits) break;
    }
    while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
    return p;
}

// How many bytes from 0x80 on lie between `p` and `end`; eight at a time.
std::size_t highBytes(const char* p, const char* end) {
    std::size_t count = 0;
    for (std::uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, 8);
        // The high bits moved to the bottom of each byte and summed in the top byte.
        count += static_cast<std::size_t>((((w & HighBits) >> 7) * 0x0101010101010101ull) >> 56);
    }
    for (; p < end; ++p) count += static_cast<unsigned char>(*p) >> 7;
    return count;
}

// ISO-8859-1 bytes as UTF-8: each byte from 0x80 on becomes two. The result
// is made at its final size and filled in one pass. The first `ascii` bytes
// are known to be below 0x80.
QByteArray latin1ToUtf8(const QByteArray& bytes, qsizetype ascii = 0) {
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    // Most files are plain ASCII, which is shared as it is.
    const char* first = firstHighByte(p + ascii, end);
    if (first == end) return bytes;
    const std::size_t high = highBytes(first, end);
    QByteArray out(bytes.size() + static_cast<qsizetype>(high), Qt::Uninitialized);
    char* o = out.data();
    while (p < end) {
        const char* next = firstHighByte(p, end);
        std::memcpy(o, p, static_cast<std::size_t>(next - p));
        o += next - p;
        if (next == end) break;
        const auto c = static_cast<unsigned char>(*next);
        *o++ = static_cast<char>(0xC0 | c >> 6);
        *o++ = static_cast<char>(0x80 | (c & 0x3F));
        p = next + 1;
    }
    return out;
}

// UTF-8 as ISO-8859-1, a character it cannot hold as a character reference.
// A byte that is no UTF-8 (the model never holds one for such a file) is
// kept as it is. The result is never longer than the text but for the
// references, so it is made at the text's size and grows only for them.
std::string_view utf8ToLatin1(std::string_view text, std::string& storage) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* high = firstHighByte(p, end);
    if (high == end) return text;
    storage.resize(text.size());
    std::size_t size = 0;
    while (p < end) {
        std::memcpy(&storage[size], p, static_cast<std::size_t>(high - p));
        size += static_cast<std::size_t>(high - p);
        if (high == end) break;
        p = high;
        const char32_t c = corvantis::decodeNext(p, end);
        if (c == corvantis::NotACharacter) {
            storage[size++] = *high;
        } else if (c <= 0xFF) {
            storage[size++] = static_cast<char>(c);
        } else {
            char reference[16];
            const auto length = static_cast<std::size_t>(
                std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c)));
            // What is left to convert never needs more room than it takes.
            if (storage.size() - size < length + static_cast<std::size_t>(end - p))
                storage.resize(storage.size() + storage.size() / 8 + length);
            std::memcpy(&storage[size], reference, length);
            size += length;
        }
        high = firstHighByte(p, end);
    }
    storage.resize(size);
    return storage;
}

// `nul` tells whether the text holds a NUL character, when that is known.
FileContent contentOf(const QByteArray& text, std::optional<bool> nul = std::nullopt) {
    if (nul ? *nul : text.contains('\0')) return FileContent::NulCharacters;
    if (text.contains('<')) return FileContent::Xml;
    for (const char c : text)
        if (!isBlank(c)) return FileContent::NoMarkup;
    return FileContent::Xml;
}

const char* formName(FileEncoding::Form form) {
    switch (form) {
        case FileEncoding::Form::Utf16LE: return "UTF-16LE";
        case FileEncoding::Form::Utf16BE: return "UTF-16BE";
        case FileEncoding::Form::EightBit: break;
    }
    return "";
}

}  // namespace

std::string_view FileEncoding::toFileText(std::string_view text, std::string& storage) const {
    if (isUtf16() || this->text.encoding() != DocumentText::Encoding::Latin1) return text;
    return utf8ToLatin1(text, storage);
}

QByteArray FileEncoding::fromFileText(const QByteArray& fileText) const {
    if (isUtf16() || text.encoding() != DocumentText::Encoding::Latin1) return fileText;
    return latin1ToUtf8(fileText);
}

std::string_view FileEncoding::toFile(std::string_view text, std::string& storage) const {
    std::string converted;
    const std::string_view fileText = toFileText(text, converted);
    if (isUtf16() || byteOrderMark) return fileTextToFile(fileText, storage);
    if (fileText.data() != converted.data()) return fileText;
    storage.swap(converted);
    return storage;
}

std::string_view FileEncoding::fileTextToFile(std::string_view text, std::string& storage) const {
    if (!isUtf16()) {
        if (!byteOrderMark) return text;
        storage.reserve(text.size() + 3);
        storage.assign(Utf8Mark);
        storage.append(text);
        return storage;
    }
    const QString units = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const bool mark = byteOrderMark || text.substr(0, 5) != "<?xml";
    storage.clear();
    storage.reserve(static_cast<std::size_t>(units.size() + 1) * 2);
    const bool bigEndian = form == Form::Utf16BE;
    const auto put = [&storage, bigEndian](char16_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        storage.push_back(bigEndian ? high : low);
        storage.push_back(bigEndian ? low : high);
    };
    if (mark) put(0xFEFF);
    for (const QChar c : units) put(c.unicode());
    return storage;
}

QString FileEncoding::key() const {
    QString key = isUtf16() ? QString(formName(form)) : text.encodingName();
    if (byteOrderMark) key += " BOM";
    return key;
}

std::optional<FileEncoding> FileEncoding::fromKey(const QString& key) {
    FileEncoding encoding;
    QString name = key;
    if (name.endsWith(" BOM")) {
        encoding.byteOrderMark = true;
        name.chop(4);
    }
    if (name == formName(Form::Utf16LE) || name == formName(Form::Utf16BE)) {
        encoding.form = name == formName(Form::Utf16LE) ? Form::Utf16LE : Form::Utf16BE;
        encoding.text = DocumentText(DocumentText::Encoding::Utf8);
    } else if (name == DocumentText(DocumentText::Encoding::Utf8).encodingName()) {
        encoding.text = DocumentText(DocumentText::Encoding::Utf8);
    } else if (name != DocumentText(DocumentText::Encoding::Latin1).encodingName()) {
        return std::nullopt;
    }
    return encoding;
}

const char* const NotXmlCaption = "Not an XML Document";

QString notXmlMessage(const QString& source, FileContent content) {
    const char* why = "";
    switch (content) {
        case FileContent::NulCharacters: why = "it holds NUL characters, as programs and other binary files do"; break;
        case FileContent::NoMarkup: why = "it holds text without any markup"; break;
        case FileContent::BrokenUtf16: why = "it begins as UTF-16 text but is not valid UTF-16"; break;
        case FileContent::Xml: return QString();
    }
    return QString("%1 is not an XML document: %2.").arg(source, why);
}

void ByteSurvey::add(const char* bytes, std::size_t length) {
    const char* p = bytes;
    const char* const end = bytes + length;
    if (firstHigh_ < 0) {
        p = ::firstHighByte(p, end);
        if (p != end) firstHigh_ = length_ + (p - bytes);
    }
    if (!nul_) nul_ = std::memchr(bytes, '\0', length) != nullptr;
    length_ += static_cast<qsizetype>(length);
    surveyed_ = true;
}

DecodedFile decodeFile(const QByteArray& bytes, const ByteSurvey& survey) {
    DecodedFile file;
    // A byte-order mark, or else the declaration's "<?xml", tells UTF-16.
    FileEncoding::Form form = FileEncoding::Form::EightBit;
    qsizetype skip = 0;
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        form = bytes.at(0) == '\xFF' ? FileEncoding::Form::Utf16LE : FileEncoding::Form::Utf16BE;
        skip = 2;
    } else if (startsWith(bytes, {"<\0?\0x\0m\0l\0", 10})) {
        form = FileEncoding::Form::Utf16LE;
    } else if (startsWith(bytes, {"\0<\0?\0x\0m\0l", 10})) {
        form = FileEncoding::Form::Utf16BE;
    } else if (startsWith(bytes, Utf8Mark)) {
        skip = 3;
    }

    if (form != FileEncoding::Form::EightBit) {
        QString units;
        if (utf16Units(bytes.constData() + skip, bytes.size() - skip, form == FileEncoding::Form::Utf16BE, units)) {
            file.encoding = FileEncoding{DocumentText(DocumentText::Encoding::Utf8), form, skip > 0};
            file.text = units.toUtf8();
            file.content = contentOf(file.text);
            return file;
        }
        // Read byte for byte, as any file that is not XML.
        file.content = FileContent::BrokenUtf16;
        skip = 0;
    }
    file.text = skip > 0 ? bytes.sliced(skip) : bytes;
    // What the survey found holds for the text after a byte-order mark too;
    // the mark's own bytes (from 0x80 on) leave the text's first unknown.
    const bool surveyed = survey.covers(bytes.size());
    const qsizetype ascii = surveyed ? std::max<qsizetype>(survey.firstHighByte() - skip, 0) : 0;
    file.encoding.text =
        DocumentText::forFile(file.text.constData(), static_cast<std::size_t>(file.text.size()),
                              static_cast<std::size_t>(ascii));
    file.encoding.byteOrderMark = skip > 0;
    if (!file.encoding.isUtf16() && file.encoding.text.encoding() == DocumentText::Encoding::Latin1)
        file.text = latin1ToUtf8(file.text, ascii);
    // Converting neither adds nor takes away a NUL.
    if (file.content == FileContent::Xml)
        file.content = contentOf(file.text, surveyed ? std::optional<bool>(survey.hasNul()) : std::nullopt);
    return file;
}
