#include "document/EncodingLimits.h"

#include <vector>

#include "core/Characters.h"
#include "core/Dom.h"

using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

bool isAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Calls `visit` with every node below `top`, in document order.
template <class Visit>
void forEachNodeBelow(const DOMNode& top, Visit visit) {
    std::vector<const DOMNode*> pending;
    for (int i = top.childCount() - 1; i >= 0; --i) pending.push_back(top.childAt(i));
    while (!pending.empty()) {
        const DOMNode* node = pending.back();
        pending.pop_back();
        visit(*node);
        for (int i = node->childCount() - 1; i >= 0; --i) pending.push_back(node->childAt(i));
    }
}

// Calls `visit(string, isCharacterData)` with every string a node stores.
template <class Visit>
void forEachString(const DOMNode& node, Visit visit) {
    visit(node.nodeName(), false);
    visit(node.prefix(), false);
    visit(node.nodeValue(), node.nodeType() == corvantis::TEXT);
    for (int i = 0; i < node.attributeCount(); ++i) {
        visit(node.attributeAt(i)->name, false);
        visit(node.attributeAt(i)->value, true);
    }
}

}  // namespace

namespace EncodingLimits {

Unholdable unholdable(const DOMNode& top, const DocumentText& to, int limit) {
    Unholdable result;
    // UTF-8 holds every character, and keeps bytes that are no UTF-8 as they came.
    if (to.encoding() == DocumentText::Encoding::Utf8) return result;
    int count = 0;
    forEachNodeBelow(top, [&](const DOMNode& node) {
        forEachString(node, [&](const StringObject& s, bool characterData) {
            if (count >= limit || isAscii(s.view())) return;
            const char* p = s.data();
            const char* const end = p + s.length();
            while (p < end && count < limit) {
                const char32_t c = corvantis::decodeNext(p, end);
                if (c != corvantis::NotACharacter && (characterData || c <= 0xFF)) continue;
                const QString character =
                    c == corvantis::NotACharacter ? QString(QChar::ReplacementCharacter) : QString::fromUcs4(&c, 1);
                if (!result.firstNode) result.firstNode = &node;
                if (result.characters.contains(character)) continue;
                result.characters += character;
                ++count;
            }
        });
    });
    return result;
}

}  // namespace EncodingLimits
