// XML from outside the document made ready to go under one of its
// elements: a file read in by Insert From File, text pasted from the
// clipboard. The same rules hold wherever it comes from:
// - bytes that are plainly no XML (decodeFile, FileEncoding.h) are refused;
// - the text, in whatever encoding it came, is read as characters, and
//   refused when it holds one the document's file cannot hold where no
//   character reference can stand for it (EncodingLimits.h);
// - the XML declaration and the document type declaration at its top are
//   left out: neither may stand inside an element;
// - what memory cannot hold is refused, naming its size.
// A refusal leaves the document as it was.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "core/Dom.h"

class Document;

struct InsertedXml {
    // An element in no tree whose children are what goes in (there may be
    // none); null when the bytes were refused.
    std::unique_ptr<corvantis::DOMNode> nodes;
    // Where the read stopped early, for an end tag with no start tag.
    corvantis::DOMError error;
    // Why the bytes were refused: a message box's caption and text.
    QString refusalCaption;
    QString refusal;
};

// Where the bytes come from, for the caption of a refusal that memory ran out.
enum class InsertedFrom { File, Clipboard };

// `bytes` as a file holds them; `source` names them in messages (a file's
// name, "The clipboard's XML").
InsertedXml readInsertedXml(Document& document, const QByteArray& bytes, const QString& source,
                            InsertedFrom from = InsertedFrom::File);
