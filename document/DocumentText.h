// The document model holds bytes; the windows show QString. DocumentText
// converts between them by the document's encoding: UTF-8 when the XML
// declaration names UTF-8 (or, without an encoding name, when the file's bytes
// are valid UTF-8), ISO-8859-1 otherwise.
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

    explicit DocumentText(Encoding encoding = Encoding::Latin1) : encoding_(encoding) {}
    // The encoding of a file read as `length` bytes.
    static DocumentText forFile(const char* bytes, std::size_t length);
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
    // False when `text` holds a character the encoding cannot store; `bytes`
    // is then left as it was, never filled with a replacement.
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
};
