// The source viewer's field holds UTF-8; a file's text (FileEncoding.h) is
// in the file's 8-bit encoding, which may be ISO-8859-1. These put a file's
// text into the field and take it back, sharing the bytes wherever both
// encodings agree on them (UTF-8 files, and plain ASCII in any).
#pragma once

#include <QString>

#include "core/StringObject.h"
#include "widgets/LargeText.h"

class DocumentText;

namespace SourceText {

// `fileText`, in the encoding `codec` reads, as the field shows it.
SharedBytes shown(const corvantis::StringObject& fileText, const DocumentText& codec);
// What the field holds, in the encoding `codec` reads. False when that
// encoding cannot hold some of its characters: `bytes` is then left as it
// was and `unstorable` holds them, each once.
bool stored(const LargeText& shown, const DocumentText& codec, corvantis::StringObject& bytes, QString& unstorable);

}  // namespace SourceText
