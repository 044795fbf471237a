// The large-text field holds UTF-8; a document holds its text in its own
// encoding, which may be ISO-8859-1. These put a node's text into the field
// and take it back, sharing the document's bytes wherever both encodings
// agree on them (UTF-8 documents, and plain ASCII in any).
#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

#include "core/StringObject.h"
#include "widgets/LargeText.h"

class DocumentText;

namespace FieldText {

// `stored`, as the document holds it, as the field shows it.
SharedBytes shown(const corvantis::StringObject& stored, const DocumentText& text);
// Where byte `offset` of `stored` lies in what the field shows of it.
std::size_t shownOffset(std::string_view stored, std::size_t offset, const DocumentText& text);
// What the field holds, as the document stores it. False when the
// document's encoding cannot hold some of its characters: `bytes` is then
// left as it was and `unstorable` holds them, each once.
bool stored(const LargeText& shown, const DocumentText& text, corvantis::StringObject& bytes, QString& unstorable);

}  // namespace FieldText
