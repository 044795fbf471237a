// What a document holds that a file's encoding cannot hold, where no
// character reference can stand for it: in element and attribute names,
// prefixes, comments, processing instructions, CDATA sections and
// declarations. Texts and attribute values may hold any character (the file
// holds it as a reference); only bytes that are no UTF-8, which a file that
// claimed to be UTF-8 may bring, are characters no other encoding can hold.
//
// The walk is iterative and linear; strings of plain ASCII are passed over.
#pragma once

#include <QString>

#include "document/DocumentText.h"

namespace corvantis {
class DOMNode;
}

namespace EncodingLimits {

// What the nodes below `top` (not `top` itself) hold that a file in `to`'s
// encoding cannot: up to `limit` distinct characters, in document order (a
// byte that is no UTF-8 counts as U+FFFD), and the first node that holds
// one (null when there is none).
struct Unholdable {
    QString characters;
    const corvantis::DOMNode* firstNode = nullptr;
};
Unholdable unholdable(const corvantis::DOMNode& top, const DocumentText& to, int limit = 20);

}  // namespace EncodingLimits
