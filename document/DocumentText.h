// The document model holds bytes; the windows show QString. DocumentText
// converts between them. The model holds UTF-8 whatever the file's encoding
// (FileEncoding.h): UTF-8 when the XML declaration names UTF-8 (or, without
// an encoding name, when the file's bytes are valid UTF-8), ISO-8859-1
// otherwise. That encoding still limits what names, comments, processing
// instructions and CDATA sections may hold, where no character reference can
// stand in for a character: toBytes refuses what it cannot hold. Texts and
// attribute values may hold any character (ShownData.h); the file holds one
// its encoding cannot as a character reference.
//
// Multi-line fields show "\n" line breaks; the model keeps CR LF.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

#include "core/Characters.h"
#include "core/StringObject.h"

namespace corvantis {
class DOMNode;
}

class DocumentText {
public:
    using Encoding = corvantis::Encoding;

    // The model's text, for a file in `encoding`.
    explicit DocumentText(Encoding encoding = Encoding::Latin1) : encoding_(encoding) {}
    // A file's text as the file holds it: in `encoding` itself.
    static DocumentText inFile(Encoding encoding);
    // The encoding of a file read as `length` bytes, the first `ascii` of
    // them known to be below 0x80.
    static DocumentText forFile(const char* bytes, std::size_t length, std::size_t ascii = 0);
    // The encoding name an XML declaration's data gives ("UTF-8" for
    // `version="1.0" encoding="UTF-8"`); empty when it gives none.
    static QString encodingNamedIn(const QString& declarationData);
    // The encoding a declaration's name stands for; none for a name of
    // another encoding.
    static std::optional<Encoding> encodingNamed(const QString& name);

    Encoding encoding() const { return encoding_; }
    // "UTF-8" or "ISO-8859-1", for messages.
    QString encodingName() const;

    QString toText(const corvantis::StringObject& bytes) const { return toText(bytes.view()); }
    QString toText(std::string_view bytes) const;
    // False when `text` holds a character the encoding cannot store (or a
    // surrogate without its partner); `bytes` is then left as it was, never
    // filled with a replacement.
    bool toBytes(const QString& text, corvantis::StringObject& bytes) const;

    // The same for multi-line fields: CR LF in the model, "\n" on screen.
    QString toMultiLineText(const corvantis::StringObject& bytes) const;
    bool toMultiLineBytes(const QString& text, corvantis::StringObject& bytes) const;

    // The characters of `text` the encoding cannot store, each once, in order.
    QString unstorableCharacters(const QString& text) const;
    // The message that names them, for a "Text Error" box.
    QString unstorableMessage(const QString& text) const;

private:
    Encoding encoding_;
    // The bytes are the file's own (inFile), not the model's UTF-8.
    bool inFile_ = false;
};
