// Converting every string a document's tree stores between ISO-8859-1 and
// UTF-8: element names and prefixes, attribute names and values, texts,
// comments, processing-instruction targets and data, CDATA sections and
// declarations. The document node's own name is no part of any file and is
// left to the caller.
//
// The walks are iterative and linear; strings of plain ASCII, the same in
// both encodings, are left untouched.
#pragma once

#include <QString>

#include "document/DocumentText.h"

namespace corvantis {
class DOMNode;
}

namespace TextConversion {

// What the tree under `documentNode`, held in `from`, holds that `to`
// cannot: up to `limit` distinct characters, in document order, and the
// first node that holds one (null when there is none).
struct Unconvertible {
    QString characters;
    const corvantis::DOMNode* firstNode = nullptr;
};
Unconvertible unconvertible(const corvantis::DOMNode& documentNode, const DocumentText& from,
                            const DocumentText& to, int limit = 20);

// Converts the tree under `documentNode` from `from` to `to`. A string `to`
// cannot hold (unconvertible tells beforehand) is left as it is.
void convert(corvantis::DOMNode& documentNode, const DocumentText& from, const DocumentText& to);

}  // namespace TextConversion
