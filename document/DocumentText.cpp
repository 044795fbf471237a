#include "document/DocumentText.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

bool isValidUtf8(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// The encoding named by a leading XML declaration; empty when there is none.
QString declaredEncoding(const char* bytes, std::size_t length) {
    const QByteArray head = QByteArray::fromRawData(bytes, static_cast<qsizetype>(std::min<std::size_t>(length, 1024)));
    static const QRegularExpression declaration(R"(^(?:\xEF\xBB\xBF)?\s*<\?xml\s([^?]*))");
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(head));
    return match.hasMatch() ? DocumentText::encodingNamedIn(match.captured(1)) : QString();
}

bool isUnpairedSurrogate(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate()) return i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate();
    if (c.isLowSurrogate()) return i == 0 || !text.at(i - 1).isHighSurrogate();
    return false;
}

}  // namespace

DocumentText DocumentText::inFile(Encoding encoding) {
    DocumentText text(encoding);
    text.inFile_ = true;
    return text;
}

DocumentText DocumentText::forFile(const char* bytes, std::size_t length, std::size_t ascii) {
    const QString named = declaredEncoding(bytes, length);
    if (!named.isEmpty()) return DocumentText(encodingNamed(named).value_or(Encoding::Latin1));
    ascii = std::min(ascii, length);
    return DocumentText(isValidUtf8(reinterpret_cast<const unsigned char*>(bytes) + ascii, length - ascii)
                            ? Encoding::Utf8
                            : Encoding::Latin1);
}

QString DocumentText::encodingNamedIn(const QString& declarationData) {
    static const QRegularExpression encoding(R"(encoding\s*=\s*["']([^"']*)["'])");
    const QRegularExpressionMatch match = encoding.match(declarationData);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

std::optional<DocumentText::Encoding> DocumentText::encodingNamed(const QString& name) {
    const QString upper = name.toUpper();
    if (upper == "UTF-8" || upper == "UTF8") return Encoding::Utf8;
    static const QStringList latin1{"ISO-8859-1", "ISO_8859-1", "ISO8859-1", "LATIN1", "LATIN-1", "L1"};
    if (latin1.contains(upper)) return Encoding::Latin1;
    return std::nullopt;
}

QString DocumentText::encodingName() const { return encoding_ == Encoding::Utf8 ? "UTF-8" : "ISO-8859-1"; }

QString DocumentText::toText(std::string_view bytes) const {
    const auto size = static_cast<qsizetype>(bytes.size());
    return inFile_ && encoding_ == Encoding::Latin1 ? QString::fromLatin1(bytes.data(), size)
                                                    : QString::fromUtf8(bytes.data(), size);
}

QString DocumentText::unstorableCharacters(const QString& text) const {
    QString found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        bool unstorable = false;
        QString character(c);
        if (encoding_ == Encoding::Utf8) {
            unstorable = isUnpairedSurrogate(text, i);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            unstorable = true;
            character = text.mid(i, 2);
            ++i;
        } else {
            unstorable = c.unicode() > 0xFF;
        }
        if (unstorable && !found.contains(character)) found += character;
    }
    return found;
}

bool DocumentText::toBytes(const QString& text, corvantis::StringObject& bytes) const {
    if (!unstorableCharacters(text).isEmpty()) return false;
    const QByteArray encoded = inFile_ && encoding_ == Encoding::Latin1 ? text.toLatin1() : text.toUtf8();
    bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    return true;
}

QString DocumentText::toMultiLineText(const corvantis::StringObject& bytes) const {
    return toText(bytes).replace("\r\n", "\n");
}

bool DocumentText::toMultiLineBytes(const QString& text, corvantis::StringObject& bytes) const {
    QString withBreaks = text;
    withBreaks.replace("\r\n", "\n").replace('\n', "\r\n");
    return toBytes(withBreaks, bytes);
}

QString DocumentText::unstorableMessage(const QString& text) const {
    return QString("This document is stored as %1, which cannot hold these characters here: %2\n"
                   "Only a folder's text and attribute values can keep them, as character references.\n"
                   "Remove them, or declare encoding=\"UTF-8\" in the document.")
        .arg(encodingName(), unstorableCharacters(text));
}
