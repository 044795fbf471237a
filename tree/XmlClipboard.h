// The system clipboard as the tree commands use it: a folder's XML goes
// there as XML and as plain text, so that it can be carried into another
// window or program; XML taken from there is read as a file would be, its
// text converted to the document's encoding and a leading XML declaration
// left out.
#pragma once

#include "core/StringObject.h"

class Document;
class DocumentText;
class QString;
namespace corvantis {
class DOMNode;
}

// Puts the XML of `node` and its subtree on the clipboard.
void putOnClipboard(const Document& document, const corvantis::DOMNode* node);

enum class ClipboardXml { Read, Nothing, TooLarge, Unstorable };

// The most the clipboard is read for a paste, in bytes or characters.
constexpr int ClipboardLimit = 16 << 20;

// The XML the clipboard holds, as bytes in the document's encoding (`text`
// converts), without a leading declaration. Unstorable: `unstorable` holds
// the text, for the message that names what the encoding cannot hold.
ClipboardXml xmlFromClipboard(const DocumentText& text, corvantis::StringObject& bytes, QString& unstorable);
