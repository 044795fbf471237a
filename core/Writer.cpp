// The writer: the one producer of XML text. Output uses CR LF line breaks and
// the indentation rule below; nothing is added before the first node or
// after the last.
#include <algorithm>
#include <cstring>
#include <vector>

#include "Dom.h"

namespace corvantis {

namespace {

constexpr std::size_t maxIndent = 16;
constexpr int levelStep = 5;
constexpr char spaces[] = "                ";  // maxIndent blanks
constexpr char mixedContentStep[] = "      ";

// CR LF and the indentation of `level`: min(level + 1, 16) blanks.
void lineBreak(int level, StringObject& out) {
    out.append("\r\n", 2);
    const std::size_t width = std::min<std::size_t>(static_cast<std::size_t>(level) + 1, maxIndent);
    out.append(spaces, width);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Length of a character reference ("&#65;", "&#x20AC;") starting at `p`, or 0.
std::size_t characterReferenceAt(const char* p, const char* end) {
    const char* q = p + 1;
    if (q >= end || *q != '#') return 0;
    ++q;
    bool (*digit)(char) = isDigit;
    if (q < end && *q == 'x') {
        digit = isHexDigit;
        ++q;
    }
    const char* first = q;
    while (q < end && digit(*q)) ++q;
    if (q == first || q >= end || *q != ';') return 0;
    return static_cast<std::size_t>(q + 1 - p);
}

const char* entityFor(char c) {
    switch (c) {
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '\'': return "&apos;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        default: return nullptr;
    }
}

// The part of an element written before its children: the leading break,
// the start tag and the attributes. Returns true when children follow.
bool openElement(const DOMNode* node, int level, bool parentHasText, StringObject& out) {
    if (!parentHasText) lineBreak(level, out);
    out.append('<');
    out.append(node->nodeName());
    for (int i = 0; i < node->attributeCount(); ++i) {
        const Attr* attr = node->attributeAt(i);
        out.append(' ');
        out.append(attr->name);
        out.append("=\"", 2);
        DOM::escapeText(attr->value, out);
        out.append('"');
    }
    if (node->childCount() == 0) {
        out.append("/>", 2);
        return false;
    }
    out.append('>');
    return true;
}

void writeLeaf(const DOMNode* node, int level, StringObject& out) {
    switch (node->nodeType()) {
        case TEXT:
            DOM::escapeText(node->nodeValue(), out);
            break;
        case CDATA_SECTION:
            out.append("<![CDATA[", 9);
            out.append(node->nodeValue());
            out.append("]]>", 3);
            break;
        case PROCESSING_INSTRUCTION:
            out.append("<?", 2);
            out.append(node->nodeName());
            out.append(' ');
            out.append(node->nodeValue());
            out.append("?>", 2);
            lineBreak(level, out);
            break;
        case COMMENT:
            out.append("<!--", 4);
            out.append(node->nodeValue());
            out.append("-->", 3);
            lineBreak(level, out);
            break;
        case DOCUMENT_TYPE:
            out.append("<!", 2);
            out.append(node->nodeValue());
            out.append('>');
            lineBreak(level, out);
            break;
        default:
            break;
    }
}

// One container being written: its children are visited in order.
struct Frame {
    const DOMNode* node;
    int level;          // the container's own level
    int childLevel;     // the level its children are written at
    int next = 0;       // the next child to write
    bool hasText;       // the container has a TEXT child
    bool passedElement = false;
};

}  // namespace

void DOM::escapeText(const StringObject& text, StringObject& out) {
    const char* p = text.data();
    const char* end = p + text.length();
    const char* run = p;
    for (; p < end; ++p) {
        const char* entity = entityFor(*p);
        if (!entity) continue;
        // A character reference is kept as it is: it already stands for one character.
        if (*p == '&' && characterReferenceAt(p, end) != 0) continue;
        out.append(run, static_cast<std::size_t>(p - run));
        out.append(entity, std::strlen(entity));
        run = p + 1;
    }
    out.append(run, static_cast<std::size_t>(end - run));
}

void DOM::serializeNode(const DOMNode* node, int level, StringObject& out) {
    if (!node) return;
    std::vector<Frame> stack;
    if (node->nodeType() == DOCUMENT) {
        stack.push_back(Frame{node, level, level, 0, node->hasTextChild()});
    } else if (node->nodeType() == ELEMENT) {
        const DOMNode* parent = node->parentNode();
        if (!openElement(node, level, parent && parent->hasTextChild(), out)) return;
        stack.push_back(Frame{node, level, level + levelStep, 0, node->hasTextChild()});
    } else {
        writeLeaf(node, level, out);
        return;
    }

    while (!stack.empty()) {
        Frame& frame = stack.back();
        const bool isElement = frame.node->nodeType() == ELEMENT;
        if (frame.next == frame.node->childCount()) {
            if (isElement) {
                if (!frame.hasText || frame.passedElement) lineBreak(frame.level, out);
                out.append("</", 2);
                out.append(frame.node->nodeName());
                out.append('>');
            }
            stack.pop_back();
            continue;
        }
        const int j = frame.next++;
        const DOMNode* child = frame.node->childAt(j);
        if (isElement) {
            if (j > 0 && frame.node->childAt(j - 1)->nodeType() == ELEMENT) frame.passedElement = true;
            if (frame.hasText && frame.passedElement) {
                lineBreak(frame.level, out);
                out.append(mixedContentStep, sizeof mixedContentStep - 1);
            }
        }
        if (child->nodeType() == ELEMENT) {
            const int childLevel = frame.childLevel;
            if (openElement(child, childLevel, frame.hasText, out))
                stack.push_back(Frame{child, childLevel, childLevel + levelStep, 0, child->hasTextChild()});
        } else {
            writeLeaf(child, frame.childLevel, out);
        }
    }
}

StringObject DOM::serialize(const DOMNode* node) const {
    StringObject out;
    serializeNode(node ? node : documentNode(), 0, out);
    return out;
}

}  // namespace corvantis
