// The one-pass tag reading, the bulk escaping of the writer and the storage
// the model keeps per node: each must give exactly what the plain byte-by-byte
// rules give, at every position and across every internal boundary.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

std::string ReadOutline(std::string_view text) {
    DOM dom(S("d"));
    Parse(dom, text);
    return Outline(dom);
}

// The rule for character data written out byte by byte: markup characters
// replaced, a kept reference written as it stands, a doubled zero as one; in
// an attribute value tab, line feed and carriage return as references too.
std::string EscapedByTheRule(const std::string& text, bool attributeValue) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') {
            static const std::regex reference("&([A-Za-z_:][A-Za-z0-9_:.-]*|#[0-9]+|#x[0-9A-Fa-f]+);");
            std::smatch kept;
            const std::string after = text.substr(i + 1);
            if (std::regex_search(after, kept, reference, std::regex_constants::match_continuous)) {
                out += kept.str();
                i += kept.length();
            } else {
                out += c;
                if (i + 1 < text.size() && text[i + 1] == '\0') ++i;
            }
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\t': out += attributeValue ? "&#9;" : "\t"; break;
            case '\n': out += attributeValue ? "&#10;" : "\n"; break;
            case '\r': out += attributeValue ? "&#13;" : "\r"; break;
            default: out += c;
        }
    }
    return out;
}

// An attribute value as the writer writes it.
std::string WrittenAttributeValue(const std::string& value) {
    DOM dom(S("d"));
    DOMNode* r = dom.createNode(ELEMENT, dom.documentNode());
    r->setNodeName(S("r"));
    r->setAttribute(S("a"), S(value));
    const std::string written = Str(dom.serialize());
    const std::size_t head = std::string("\r\n <r a=\"").size();
    return written.substr(head, written.size() - head - std::string("\"/>").size());
}

}  // namespace

TEST(ReadPaths, PlainAndUnusualTagsReadAlike) {
    // Quoted '>' and both quote kinds, blanks around '=', no blank between
    // attributes, a repeated name, line breaks and tabs inside the tag.
    EXPECT_EQ(ReadOutline("<a x=\"1>2\" y='q'/>t"), "<a x=[1>2] y=[q] #0>T[t]");
    EXPECT_EQ(ReadOutline("<a x = \"1\" >t</a>"), "<a x=[1] #1>T[t]");
    EXPECT_EQ(ReadOutline("<a x=\"1\"y=\"2\">"), "<a x=[1] y=[2] #0>");
    EXPECT_EQ(ReadOutline("<a x=\"1\" x=\"2\" z='3'>"), "<a x=[2] z=[3] #0>");
    EXPECT_EQ(ReadOutline("<a\tx=\"1\"\r\ny='2'\n/>"), "<a x=[1] y=[2] #0>");
    EXPECT_EQ(ReadOutline("<a x=\"\" y=''>"), "<a x=[] y=[] #0>");
    EXPECT_EQ(ReadOutline("<a x=\"'\" y='\"'>"), "<a x=['] y=[\"] #0>");
    // Shapes left to the general reading: entities, bare names, unquoted
    // values, a slash that does not close the tag, quotes and colons in names.
    EXPECT_EQ(ReadOutline("<a x=\"a&amp;b\">"), "<a x=[a&b] #0>");
    EXPECT_EQ(ReadOutline("<a x=\"&#65;&nbsp;\"/><b x=\"&#65;&nbsp;\" y/>"),
              std::string("<a x=[A\0&nbsp;] #0><b x=[A\0&nbsp;] y=[] #0>", 43));
    EXPECT_EQ(ReadOutline("<a x>"), "<a x=[] #0>");
    EXPECT_EQ(ReadOutline("<a x=1>"), "<a x=[1] #0>");
    EXPECT_EQ(ReadOutline("<a/b>c"), "<a/b #1>T[c]");
    EXPECT_EQ(ReadOutline("<a x=\"1\"/ >z"), "<a x=[1] /=[] #1>T[z]");
    EXPECT_EQ(ReadOutline("<a ='1'>"), "<a #0>");
    EXPECT_EQ(ReadOutline("<a\"q=\"1\">"), "<a\"q=\"1\" #0>");
    EXPECT_EQ(ReadOutline("<a:b c:d=\"e\">"), "<a:b c:d=[e] #0>");
    // A quote that never closes is an ordinary byte; a tag too short or cut
    // off ends the input.
    EXPECT_EQ(ReadOutline("<a x=\"unterminated>t"), "<a x=[unterminated] #1>T[t]");
    EXPECT_EQ(ReadOutline("<b>"), "");
    EXPECT_EQ(ReadOutline("<b/>"), "<b #0>");
    EXPECT_EQ(ReadOutline("<a><b x='1'"), "<a #0>");
    EXPECT_EQ(ReadOutline("<a>t</a"), "<a #1>T[t]");
}

TEST(ReadPaths, IndentationOfAnyWidthMakesNoText) {
    for (std::size_t width = 0; width < 40; ++width) {
        const std::string blanks(width, ' ');
        const std::string text = "<a>\r\n" + blanks + "<b/>" + blanks + "\t\r\n" + blanks + "</a>" + blanks;
        EXPECT_EQ(ReadOutline(text), "<a #1><b #0>") << width;
        EXPECT_EQ(ReadOutline("<a>" + blanks + "x" + blanks + "</a>"),
                  "<a #1>T[" + blanks + "x" + blanks + "]")
            << width;
    }
}

TEST(WritePaths, EscapingMatchesTheByteRuleAtEveryOffset) {
    // Specials and their neighbours in the byte table ('#', '=', '?', '%',
    // '(', ';'), high, low and zero bytes, references and kept forms, each
    // placed at every offset within an eight-byte word.
    const std::string zero(1, '\0');
    const std::vector<std::string> pieces = {"\"",     "&",           "'",          "<",      ">",      "#",
                                             "=",      "?",           "%",          "(",      ";",      "!",
                                             "$",      "\x80",        "\xA6",       "\xBC",   "\xFF",   "\t",
                                             "\n",     "\r",          "\x1F",       " ",      zero,     zero + zero,
                                             "&#65;",  "&#x4A;",      "&amp;",      "&#12",   zero + "&nbsp;",
                                             zero + "&#0;", zero + "&x", zero + "&;", zero + "&#;"};
    for (const std::string& piece : pieces) {
        for (std::size_t before = 0; before < 20; ++before) {
            const std::string text = std::string(before, 'a') + piece + std::string(19 - before, 'b') + piece;
            StringObject out;
            DOM::escapeText(S(text), out);
            EXPECT_EQ(Str(out), EscapedByTheRule(text, false)) << before;
            EXPECT_EQ(WrittenAttributeValue(text), EscapedByTheRule(text, true)) << before;
        }
    }
}

TEST(WritePaths, OutputGoesAfterWhatTheStringHeld) {
    DOM dom(S("d"));
    Parse(dom, "<a x=\"1 &amp; 2\">t &lt; u<b/></a>");
    const std::string whole = Str(dom.serialize());

    StringObject out(S("head:"));
    DOM::serializeNode(dom.documentNode(), 0, out);
    EXPECT_EQ(Str(out), "head:" + whole);

    // A fixed-size string keeps what fits.
    StringObject fixed(20, 0);
    fixed.append(S("0123456789"));
    DOM::serializeNode(dom.documentNode(), 0, fixed);
    EXPECT_EQ(Str(fixed), "0123456789" + whole.substr(0, fixed.capacity() - 10));

    // Escaping a string onto itself sees the text as it was.
    StringObject same(S("a<b"));
    DOM::escapeText(same, same);
    EXPECT_EQ(Str(same), "a<ba&lt;b");
    StringObject longer(S(std::string(300, 'x') + "<"));
    DOM::escapeText(longer, longer);
    EXPECT_EQ(Str(longer), std::string(300, 'x') + "<" + std::string(300, 'x') + "&lt;");
}

TEST(NodeStorage, TextChildrenAreCountedThroughEveryChange) {
    DOM dom(S("d"));
    DOMNode* element = dom.createNode(ELEMENT, dom.documentNode());
    element->setNodeName(S("e"));
    NodeList* children = element->childNodes();
    auto* text = new DOMNode(TEXT, &dom);
    auto* other = new DOMNode(TEXT, &dom);
    auto* comment = new DOMNode(COMMENT, &dom);
    EXPECT_FALSE(element->hasTextChild());
    children->append(comment);
    EXPECT_FALSE(element->hasTextChild());
    children->insertAt(0, text);
    children->prepend(other);
    EXPECT_TRUE(element->hasTextChild());
    EXPECT_EQ(children->takeAt(0), other);
    EXPECT_TRUE(element->hasTextChild());
    EXPECT_TRUE(element->detachChild(text));
    EXPECT_FALSE(element->hasTextChild());
    element->insertChildAt(5, text);
    element->prependChild(other);
    EXPECT_TRUE(element->removeChild(text));
    EXPECT_TRUE(element->hasTextChild());
    const std::vector<DOMNode*> all(children->begin(), children->end());
    children->erase(0, children->count());
    EXPECT_FALSE(element->hasTextChild());
    children->insertAt(0, all);
    EXPECT_TRUE(element->hasTextChild());
    element->setText(S("x"), 3);  // a new first TEXT child
    EXPECT_EQ(Str(element->getText(0)), "x");
    EXPECT_EQ(Str(dom.serialize()), "\r\n <e>x<!---->\r\n      </e>");
}

TEST(NodeStorage, LeavesTakeNamesAndPrefixesOnlyWhenGiven) {
    DOM dom(S("d"));
    DOMNode* element = dom.createNode(ELEMENT, dom.documentNode());
    element->setNodeName(S("e"));
    DOMNode* text = dom.createNode(TEXT, element);
    EXPECT_TRUE(text->nodeName().empty());
    EXPECT_TRUE(text->prefix().empty());
    text->setNodeName(StringObject());
    text->setPrefix(StringObject());
    EXPECT_TRUE(text->nodeName().empty());
    text->setPrefix(S("p"));
    EXPECT_TRUE(text->nodeName().empty());
    EXPECT_EQ(Str(text->prefix()), "p");
    text->setNodeName(S("n"));
    text->setNodeName(StringObject());
    EXPECT_TRUE(text->nodeName().empty());

    DOMNode* instruction = dom.createNode(PROCESSING_INSTRUCTION, element);
    const StringObject target(S("a-target-name-longer-than-inline"));
    instruction->setNodeName(target);
    instruction->setNodeValue(S("v"));
    DOMNode* copy = dom.copySubtree(element);
    EXPECT_EQ(Str(copy->childAt(0)->prefix()), "p");
    EXPECT_EQ(Str(copy->childAt(1)->nodeName()), Str(target));
    delete copy;
    EXPECT_EQ(Str(dom.serialize(element)), "\r\n <e><?a-target-name-longer-than-inline v?>\r\n      </e>");
}

TEST(NodeStorage, ElementIndexAcrossManyChunks) {
    std::vector<std::unique_ptr<DOMNode>> nodes;
    DOMList index;
    const int count = 20000;
    for (int i = 0; i < count; ++i) {
        nodes.push_back(std::make_unique<DOMNode>(ELEMENT, nullptr));
        index.append(nodes.back().get());
    }
    ASSERT_EQ(index.count(), count);
    for (int i : {0, 4095, 4096, 8191, 8192, count - 1})
        EXPECT_EQ(index.at(i), nodes[static_cast<std::size_t>(i)].get());
    EXPECT_EQ(index.at(count), nullptr);
    EXPECT_EQ(index.at(-1), nullptr);
    index.put(4096, nodes[0].get());
    EXPECT_EQ(index.at(4096), nodes[0].get());
    index.put(count + 7, nodes[1].get());  // past the end: appended
    EXPECT_EQ(index.count(), count + 1);
    EXPECT_EQ(index.at(count), nodes[1].get());
    const DOMList copy = index;
    index.clear();
    EXPECT_EQ(index.count(), 0);
    EXPECT_EQ(index.at(0), nullptr);
    index.append(nodes[2].get());
    EXPECT_EQ(index.at(0), nodes[2].get());
    EXPECT_EQ(index.count(), 1);
    EXPECT_EQ(copy.count(), count + 1);
    EXPECT_EQ(copy.at(4096), nodes[0].get());
}

TEST(NodeStorage, LargeStringsGrowKeepingContentAndSharedCopies) {
    StringObject grown;
    std::string expected;
    StringObject snapshot;
    std::string expectedSnapshot;
    for (int i = 0; i < 5000; ++i) {
        const std::string piece = std::to_string(i) + ",";
        grown.append(piece);
        expected += piece;
        if (i == 100) {
            snapshot = grown;  // shares the storage until grown changes
            expectedSnapshot = expected;
        }
    }
    EXPECT_EQ(Str(grown), expected);
    EXPECT_EQ(grown.c_str()[grown.length()], '\0');
    EXPECT_EQ(Str(snapshot), expectedSnapshot);

    StringObject fixed(400, 0);
    for (int i = 0; i < 100; ++i) fixed.append(S("abcdefgh"));
    EXPECT_EQ(fixed.length(), fixed.capacity());
    EXPECT_EQ(fixed.capacity(), 400u);
}

TEST(NodeStorage, StringsOfEveryShortLengthKeepTheirBytes) {
    // Bytes with the top bit set and zeros, read from buffers of exactly the
    // string's size, across the inline limit and the largest pooled block.
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length <= 40; ++length) lengths.push_back(length);
    for (std::size_t length = 236; length <= 252; ++length) lengths.push_back(length);
    for (const std::size_t length : lengths) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>(i % 3 == 1 ? 0 : 0xF0 + i);
        const auto buffer = ExactBuffer(text);
        const StringObject made(buffer.get(), length);
        EXPECT_EQ(made.length(), length);
        EXPECT_EQ(Str(made), text);
        EXPECT_EQ(made.c_str()[length], '\0');
        EXPECT_GE(made.capacity(), length);
        StringObject moved(StringObject(buffer.get(), length));
        EXPECT_EQ(Str(moved), text);
        moved.append('z');
        EXPECT_EQ(Str(moved), text + "z");
        EXPECT_EQ(Str(made), text);
    }
}
