// How a document's file stores its characters, and the one place where a
// file's bytes become the bytes the document model holds and back. The model
// holds UTF-8 whatever the file's encoding: an ISO-8859-1 file is converted
// when read, and converted back when written, a character ISO-8859-1 cannot
// hold written as a character reference ("&#x263A;"); a UTF-16 file is held
// as UTF-8 and written back as UTF-16 in its own byte order. A byte-order mark
// is taken off when the file is read and written again with it, so an
// unchanged document is saved as it was read.
//
// Only a text or an attribute value may hold a character its file's encoding
// cannot hold (DocumentText.h), so the references written stand where XML
// reads them as characters.
//
// Reading also tells XML from files that are plainly something else (a
// program, a picture, plain text), which the program opens only with a word
// of warning and does not write over without asking.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document/DocumentText.h"

struct FileEncoding {
    enum class Form : std::uint8_t { EightBit, Utf16LE, Utf16BE };

    // The model's text for this file: its encoding is UTF-8 for a UTF-16 file.
    DocumentText text;
    Form form = Form::EightBit;
    bool byteOrderMark = false;

    bool isUtf16() const { return form != Form::EightBit; }
    // The model's bytes `text` as the file holds them: `text` itself when
    // they need no change, otherwise converted into `storage`. UTF-16 text
    // that does not begin with its XML declaration gets the byte-order
    // mark whether the file had one or not: without either nothing would
    // tell a reader it is UTF-16.
    std::string_view toFile(std::string_view text, std::string& storage) const;

    // The file's text: its characters in its 8-bit encoding (ISO-8859-1, or
    // UTF-8, for a UTF-16 file too), without a byte-order mark. The source
    // viewer shows it and recovery files keep it. From the model's bytes
    // `text` (itself, or converted into `storage`):
    std::string_view toFileText(std::string_view text, std::string& storage) const;
    // To the model's bytes, from a file text of this encoding.
    QByteArray fromFileText(const QByteArray& fileText) const;
    // How the file text reads as characters.
    DocumentText fileTextCodec() const { return DocumentText::inFile(text.encoding()); }
    // The file's bytes from its file text: with its byte-order mark, in UTF-16.
    std::string_view fileTextToFile(std::string_view fileText, std::string& storage) const;

    // A short name that fromKey reads back, for notes kept on disk
    // ("UTF-16LE BOM", "ISO-8859-1").
    QString key() const;
    static std::optional<FileEncoding> fromKey(const QString& key);

    friend bool operator==(const FileEncoding& a, const FileEncoding& b) {
        return a.text.encoding() == b.text.encoding() && a.form == b.form && a.byteOrderMark == b.byteOrderMark;
    }
};

// What a file's bytes hold, as far as telling XML from other files goes.
enum class FileContent : std::uint8_t {
    Xml,
    // NUL characters, which no XML text holds and binary files do.
    NulCharacters,
    // Text that is not blank, without a single "<".
    NoMarkup,
    // A byte-order mark or "<?xml" in UTF-16, then no valid UTF-16.
    BrokenUtf16,
};

// "<source> is not an XML document: <why>." for content other than Xml, and
// the caption of the message boxes that say so.
QString notXmlMessage(const QString& source, FileContent content);
extern const char* const NotXmlCaption;

// One look over a file's bytes as they are read (readWholeFile), slice by
// slice while each is still in the cache, so that decoding needs no pass of
// its own over a large file: where its first byte from 0x80 on stands (none
// in a file of plain ASCII, which then needs no converting), and whether it
// holds a NUL character.
class ByteSurvey {
public:
    // The file's next `length` bytes.
    void add(const char* bytes, std::size_t length);
    // Whether this is the survey of `length` bytes; decoding trusts it only then.
    bool covers(qsizetype length) const { return surveyed_ && length_ == length; }
    // The offset of the first byte from 0x80 on; the length when there is none.
    qsizetype firstHighByte() const { return firstHigh_ < 0 ? length_ : firstHigh_; }
    bool hasNul() const { return nul_; }

private:
    qsizetype length_ = 0;
    qsizetype firstHigh_ = -1;
    bool nul_ = false;
    bool surveyed_ = false;
};

struct DecodedFile {
    FileEncoding encoding;
    FileContent content = FileContent::Xml;
    // What the reader reads: the file's bytes without the byte-order mark,
    // ISO-8859-1 and UTF-16 converted to UTF-8. Shares the file's bytes when
    // they need no change. A file that begins as UTF-16 but is not valid
    // UTF-16 is read byte for byte.
    QByteArray text;
};

// `survey`, when it covers `bytes`, spares looking over them again.
DecodedFile decodeFile(const QByteArray& bytes, const ByteSurvey& survey = {});
