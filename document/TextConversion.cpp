#include "document/TextConversion.h"

#include <vector>

#include "core/Dom.h"

using corvantis::DOMNode;
using corvantis::StringObject;
using Encoding = DocumentText::Encoding;

namespace {

bool isAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// `bytes` in `to` (the other of the two encodings) into `out`; false when
// `to` cannot hold them. Only UTF-8 that is valid and stays below U+0100
// becomes ISO-8859-1.
bool recode(std::string_view bytes, Encoding to, StringObject& out) {
    std::string converted;
    converted.reserve(to == Encoding::Utf8 ? bytes.size() * 2 : bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            converted.push_back(static_cast<char>(c));
        } else if (to == Encoding::Utf8) {
            converted.push_back(static_cast<char>(0xC0 | c >> 6));
            converted.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            if ((c != 0xC2 && c != 0xC3) || (next & 0xC0) != 0x80) return false;
            converted.push_back(static_cast<char>((c & 0x1F) << 6 | (next & 0x3F)));
            ++i;
        }
    }
    out = StringObject(converted);
    return true;
}

// Calls `visit` with every node under `documentNode`, itself included, in
// document order.
template <class Node, class Visit>
void forEachNode(Node& documentNode, Visit visit) {
    std::vector<Node*> pending{&documentNode};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        visit(*node);
        for (int i = node->childCount() - 1; i >= 0; --i) pending.push_back(node->childAt(i));
    }
}

// The strings a node stores, by number: its name and prefix (only with
// `withName`), its value, then each attribute's name and value.
template <class Visit>
void forEachString(const DOMNode& node, bool withName, Visit visit) {
    if (withName) {
        visit(node.nodeName(), 0);
        visit(node.prefix(), 1);
    }
    visit(node.nodeValue(), 2);
    for (int i = 0; i < node.attributeCount(); ++i) {
        visit(node.attributeAt(i)->name, 3 + 2 * i);
        visit(node.attributeAt(i)->value, 4 + 2 * i);
    }
}

void replaceString(DOMNode& node, int number, StringObject&& s) {
    switch (number) {
        case 0:
            node.setNodeName(std::move(s));
            return;
        case 1:
            node.setPrefix(s);
            return;
        case 2:
            node.setNodeValue(std::move(s));
            return;
        default:
            break;
    }
    const int attribute = (number - 3) / 2;
    if (number % 2 == 1)
        node.attributes()->rename(attribute, std::move(s));
    else
        node.attributeAt(attribute)->value = std::move(s);
}

// Adds to `found` the characters of `text` that `to` cannot hold and it
// does not have yet, while it has fewer than `limit`.
void collectUnstorable(const QString& text, const DocumentText& to, int limit, QString& found, int& count) {
    for (qsizetype i = 0; i < text.size() && count < limit; ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (to.unstorableCharacters(character).isEmpty() || found.contains(character)) continue;
        found += character;
        ++count;
    }
}

}  // namespace

namespace TextConversion {

Unconvertible unconvertible(const DOMNode& documentNode, const DocumentText& from, const DocumentText& to,
                            int limit) {
    Unconvertible result;
    if (from.encoding() == to.encoding()) return result;
    int count = 0;
    StringObject scratch;
    forEachNode(documentNode, [&](const DOMNode& node) {
        if (count >= limit) return;
        forEachString(node, &node != &documentNode, [&](const StringObject& s, int) {
            if (count >= limit || isAscii(s.view()) || recode(s.view(), to.encoding(), scratch)) return;
            if (!result.firstNode) result.firstNode = &node;
            collectUnstorable(from.toText(s), to, limit, result.characters, count);
        });
    });
    return result;
}

void convert(DOMNode& documentNode, const DocumentText& from, const DocumentText& to) {
    if (from.encoding() == to.encoding()) return;
    StringObject converted;
    forEachNode(documentNode, [&](DOMNode& node) {
        forEachString(node, &node != &documentNode, [&](const StringObject& s, int number) {
            if (!isAscii(s.view()) && recode(s.view(), to.encoding(), converted))
                replaceString(node, number, std::move(converted));
        });
    });
}

}  // namespace TextConversion
