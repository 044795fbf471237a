// The system clipboard as the tree commands use it: a folder's XML goes
// there as XML and as plain text, so that it can be carried into another
// window or program; XML taken from there is handed over as a file's bytes
// would be, for readInsertedXml (InsertedXml.h) to read.
#pragma once

#include <QByteArray>

class Document;
namespace corvantis {
class DOMNode;
}

// Puts the XML of `node` and its subtree on the clipboard.
void putOnClipboard(const Document& document, const corvantis::DOMNode* node);

enum class ClipboardXml { Read, Nothing, TooLarge };

// The most the clipboard is read for a paste, in bytes or characters.
constexpr int ClipboardLimit = 16 << 20;

// The XML the clipboard holds as a file would hold it: its XML as it came,
// or its plain text as UTF-8 without a leading declaration (which could
// name another encoding).
ClipboardXml xmlFromClipboard(QByteArray& bytes);
