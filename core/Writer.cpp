// The writer: the one producer of XML text. Output uses CR LF line breaks and
// the indentation rule below; nothing is added before the first node or
// after the last.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "Dom.h"

namespace corvantis {

namespace {

constexpr std::size_t maxIndent = 16;
constexpr int levelStep = 5;
constexpr char spaces[] = "                ";  // maxIndent blanks
constexpr char mixedContentStep[] = "      ";

// The text is built in a plain growing buffer whose small appends stay
// inline, and handed over in one piece at the end.
class Output {
public:
    ~Output() { std::free(data_); }
    void append(const char* bytes, std::size_t n) {
        if (n == 0) return;
        if (size_ + n > capacity_) grow(n);
        std::memcpy(data_ + size_, bytes, n);
        size_ += n;
    }
    void append(const char* text) { append(text, std::strlen(text)); }
    void push_back(char c) {
        if (size_ == capacity_) grow(1);
        data_[size_++] = c;
    }
    const char* data() const { return data_ ? data_ : ""; }
    std::size_t size() const { return size_; }

private:
    void grow(std::size_t n) {
        std::size_t capacity = capacity_ + capacity_ / 2;
        if (capacity < size_ + n) capacity = size_ + n + 256;
        char* grown = static_cast<char*>(std::realloc(data_, capacity));
        if (!grown) throw std::bad_alloc();
        data_ = grown;
        capacity_ = capacity;
    }
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

void append(Output& out, const StringObject& text) { out.append(text.data(), text.length()); }

// CR LF and the indentation of `level`: min(level + 1, 16) blanks.
void lineBreak(int level, Output& out) {
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
// Bytes that escaping may replace.
struct SpecialBytes {
    bool table[256] = {};
    SpecialBytes() {
        for (unsigned char c : {'"', '&', '\'', '<', '>'}) table[c] = true;
    }
};
const SpecialBytes special;

void escape(const StringObject& text, Output& out) {
    const char* p = text.data();
    const char* end = p + text.length();
    const char* run = p;
    for (; p < end; ++p) {
        if (!special.table[static_cast<unsigned char>(*p)]) continue;
        const char* entity = entityFor(*p);
        // A character reference is kept as it is: it already stands for one character.
        if (*p == '&' && characterReferenceAt(p, end) != 0) continue;
        out.append(run, static_cast<std::size_t>(p - run));
        out.append(entity);
        run = p + 1;
    }
    out.append(run, static_cast<std::size_t>(end - run));
}

bool openElement(const DOMNode* node, int level, bool parentHasText, Output& out) {
    if (!parentHasText) lineBreak(level, out);
    out.push_back('<');
    append(out, node->nodeName());
    for (int i = 0; i < node->attributeCount(); ++i) {
        const Attr* attr = node->attributeAt(i);
        out.push_back(' ');
        append(out, attr->name);
        out.append("=\"", 2);
        escape(attr->value, out);
        out.push_back('"');
    }
    if (node->childCount() == 0) {
        out.append("/>", 2);
        return false;
    }
    out.push_back('>');
    return true;
}

void writeLeaf(const DOMNode* node, int level, Output& out) {
    switch (node->nodeType()) {
        case TEXT:
            escape(node->nodeValue(), out);
            break;
        case CDATA_SECTION:
            out.append("<![CDATA[", 9);
            append(out, node->nodeValue());
            out.append("]]>", 3);
            break;
        case PROCESSING_INSTRUCTION:
            out.append("<?", 2);
            append(out, node->nodeName());
            out.push_back(' ');
            append(out, node->nodeValue());
            out.append("?>", 2);
            lineBreak(level, out);
            break;
        case COMMENT:
            out.append("<!--", 4);
            append(out, node->nodeValue());
            out.append("-->", 3);
            lineBreak(level, out);
            break;
        case DOCUMENT_TYPE:
            out.append("<!", 2);
            append(out, node->nodeValue());
            out.push_back('>');
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
    Output buffer;
    escape(text, buffer);
    out.append(buffer.data(), buffer.size());
}

namespace {

void writeTree(const DOMNode* node, int level, Output& out) {
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
                append(out, frame.node->nodeName());
                out.push_back('>');
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

}  // namespace

void DOM::serializeNode(const DOMNode* node, int level, StringObject& out) {
    Output buffer;
    writeTree(node, level, buffer);
    out.append(buffer.data(), buffer.size());
}

StringObject DOM::serialize(const DOMNode* node) const {
    StringObject out;
    serializeNode(node ? node : documentNode(), 0, out);
    return out;
}

}  // namespace corvantis
