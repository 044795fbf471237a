// What new data for the XML declaration asks of the document's encoding.
// When the encoding the declaration names changes, the document's file
// follows: to ISO-8859-1 or UTF-8 as named, to UTF-8 when the new data names
// none (what XML reads then). A UTF-16 file stays as it is while the name is
// one of UTF-16 or none. Other encodings are refused, and so is one that
// cannot hold a character the document holds where no character reference
// can stand for it (EncodingLimits.h).
#pragma once

#include <QString>
#include <optional>

#include "document/FileEncoding.h"

class Document;

struct DeclaredEncoding {
    // How the document's file is to store its text from now on; none when
    // it stays as it is.
    std::optional<FileEncoding> convertTo;
    // Why the new data cannot be taken; empty when it can.
    QString refusal;
};

// `newData` is to replace `oldData` (empty: there is no declaration yet).
DeclaredEncoding declaredEncoding(const Document& document, const QString& oldData, const QString& newData);
