// Text as a UTF-16 file holds it, for tests of the files the program reads.
#pragma once

#include <QByteArray>
#include <QString>

inline QByteArray utf16(const QString& text, bool bigEndian, bool byteOrderMark) {
    QByteArray bytes;
    for (const QChar c : (byteOrderMark ? QString(QChar(0xFEFF)) : QString()) + text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}
