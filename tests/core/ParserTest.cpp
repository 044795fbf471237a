// The reader: derived paths, bounds at the end of the input, reading into a
// start node, attribute syntax as other programs write it, and element names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "checks/DomChecks.h"
#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

TEST(Parser, SpecExampleWithDeclarationAttributeTextAndChild) {
    DOM dom(S("d"));
    EXPECT_EQ(Parse(dom, "<?xml version=\"1.0\"?><a x=\"1\">hi &amp; bye<b/></a>"), 1);
    DOMNode* document = dom.documentNode();
    ASSERT_EQ(document->childCount(), 2);
    DOMNode* pi = document->childAt(0);
    EXPECT_EQ(pi->nodeType(), PROCESSING_INSTRUCTION);
    EXPECT_EQ(Str(pi->nodeName()), "xml");
    EXPECT_EQ(Str(pi->nodeValue()), "version=\"1.0\"");
    DOMNode* a = document->childAt(1);
    ASSERT_EQ(a, dom.rootElement());
    EXPECT_EQ(Str(a->nodeName()), "a");
    ASSERT_EQ(a->attributeCount(), 1);
    EXPECT_EQ(Str(a->attributeAt(0)->name), "x");
    EXPECT_EQ(Str(a->attributeAt(0)->value), "1");
    EXPECT_EQ(a->attributeAt(0)->flag, 0);
    ASSERT_EQ(a->childCount(), 2);
    EXPECT_EQ(a->childAt(0)->nodeType(), TEXT);
    EXPECT_EQ(Str(a->childAt(0)->nodeValue()), "hi & bye");
    EXPECT_EQ(Str(a->childAt(1)->nodeName()), "b");
    EXPECT_EQ(a->childAt(1)->childCount(), 0);
    EXPECT_EQ(a->childAt(1)->parentNode(), a);
    EXPECT_EQ(dom.error().code, DOMError::NoError);
}

TEST(Parser, BlankRunsMakeNoTextButOtherTextKeepsEveryByte) {
    DOM dom(S("d"));
    Parse(dom, "<a>\r\n  <b/>\r\n</a>");
    EXPECT_EQ(dom.rootElement()->childCount(), 1);
    dom.reset();
    Parse(dom, "<a> x\r\n\ty </a>");
    EXPECT_EQ(Str(dom.rootElement()->getText()), " x\r\n\ty ");
}

TEST(Parser, LeafKindsKeptAsWrittenAndInDocumentOrder) {
    DOM dom(S("d"));
    Parse(dom,
          "<!DOCTYPE note SYSTEM \"note.dtd\"><!-- a &amp; b --><r><![CDATA[x < y &amp;]]>"
          "<?target  data &lt; with  spaces  ?></r>after");
    DOMNode* document = dom.documentNode();
    ASSERT_EQ(document->childCount(), 4);
    EXPECT_EQ(document->childAt(0)->nodeType(), DOCUMENT_TYPE);
    EXPECT_EQ(Str(document->childAt(0)->nodeValue()), "DOCTYPE note SYSTEM \"note.dtd\"");
    EXPECT_EQ(document->childAt(1)->nodeType(), COMMENT);
    EXPECT_EQ(Str(document->childAt(1)->nodeValue()), " a &amp; b ");  // not decoded
    EXPECT_EQ(Str(document->childAt(3)->nodeValue()), "after");        // text after the root: document child
    DOMNode* r = document->childAt(2);
    ASSERT_EQ(r->childCount(), 2);
    EXPECT_EQ(r->childAt(0)->nodeType(), CDATA_SECTION);
    EXPECT_EQ(Str(r->childAt(0)->nodeValue()), "x < y &amp;");
    EXPECT_EQ(r->childAt(1)->nodeType(), PROCESSING_INSTRUCTION);
    EXPECT_EQ(Str(r->childAt(1)->nodeName()), "target");
    // Byte for byte: XML has no references here. Trailing spaces are kept.
    EXPECT_EQ(Str(r->childAt(1)->nodeValue()), "data &lt; with  spaces  ");
}

// Text and attribute values hold what an XML reader reads there; a
// reference that stands for no character XML allows stays as written, after
// the mark that tells it from typed text.
TEST(Parser, ReferencesInCharacterDataAreReadAsTheirCharacters) {
    const std::string mark(1, '\0');
    struct Case {
        std::string written;
        std::string text;       // as a TEXT holds it
        std::string attribute;  // as an attribute value holds it, when that differs
    };
    const Case cases[] = {
        {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'", ""},
        {"Caf&#233; &#x263A; &#x1F339;", "Caf\xC3\xA9 \xE2\x98\xBA \xF0\x9F\x8C\xB9", ""},
        {"&#0065;&#x000041;", "AA", ""},
        {"&amp;#65; &amp;nbsp;", "&#65; &nbsp;", ""},
        {"&#9;&#10;&#x20;", "\t\n ", ""},
        {"a&#13;b&#xD;", "a" + mark + "&#13;b" + mark + "&#xD;", "a\rb\r"},
        {"&nbsp;&e.1-x;", mark + "&nbsp;" + mark + "&e.1-x;", ""},
        {"&#0;&#xD800;&#xFFFE;&#x110000;&#99999999999999999999;",
         mark + "&#0;" + mark + "&#xD800;" + mark + "&#xFFFE;" + mark + "&#x110000;" + mark +
             "&#99999999999999999999;",
         ""},
        {"&#X41; &#; &#x; &#12 &amp &AMP &1a; & x", "&#X41; &#; &#x; &#12 &amp &AMP &1a; & x", ""},
        {"a" + mark + "b", "a" + mark + mark + "b", ""},
    };
    for (const Case& c : cases) {
        DOM dom(S("d"));
        Parse(dom, "<a v=\"" + c.written + "\">" + c.written + "</a>");
        const DOMNode* a = dom.rootElement();
        ASSERT_NE(a, nullptr) << c.written;
        EXPECT_EQ(Str(a->getText()), c.text) << c.written;
        EXPECT_EQ(Str(a->attributeAt(0)->value), c.attribute.empty() ? c.text : c.attribute) << c.written;
    }
    for (const char* tail : {"&quo", "&", "&amp", "&apos", "&#6", "&n"}) {  // at the very end of the input
        DOM end(S("d"));
        Parse(end, std::string("<a>x") + tail);
        ASSERT_NE(end.rootElement(), nullptr);
        EXPECT_EQ(Str(end.rootElement()->getText()), std::string("x") + tail);
    }
}

// XML allows no reference in a name: only the five predefined ones are read
// there, as before.
TEST(Parser, NamesDecodeOnlyThePredefinedEntities) {
    DOM dom(S("d"));
    Parse(dom, "<a&#65;&lt;b c&amp;&#66;&nbsp;=\"1\"/>");
    const DOMNode* a = dom.rootElement();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Str(a->nodeName()), "a&#65;<b");
    EXPECT_EQ(Str(a->attributeAt(0)->name), "c&&#66;&nbsp;");
}

TEST(Parser, EndTagNamesAreNotCompared) {
    DOM dom(S("d"));
    EXPECT_EQ(Parse(dom, "<a><b></c></a><z/>"), 1);
    DOMNode* a = dom.rootElement();
    ASSERT_EQ(a->childCount(), 1);
    EXPECT_EQ(Str(a->childAt(0)->nodeName()), "b");
    EXPECT_EQ(dom.documentNode()->childCount(), 2);  // z is a second top-level element
}

TEST(Parser, TooManyEndTagsGiveCode11AndKeepNodes) {
    DOM dom(S("d"));
    EXPECT_EQ(Parse(dom, ""), 1);
    EXPECT_EQ(dom.documentNode()->childCount(), 0);
    EXPECT_EQ(Parse(dom, "</a>"), 0);
    EXPECT_EQ(dom.error().code, DOMError::TooManyEndTags);
    dom.reset();
    EXPECT_EQ(Parse(dom, "<a/></a><b/>"), 0);
    EXPECT_EQ(dom.error().code, 11);
    ASSERT_EQ(dom.documentNode()->childCount(), 1);  // a stays, b is never read
    EXPECT_EQ(Str(dom.rootElement()->nodeName()), "a");
    const DOMError first = dom.error();
    EXPECT_EQ(Parse(dom, "<c/>"), 1);  // the next parse clears the record
    EXPECT_EQ(dom.error().code, DOMError::NoError);
    EXPECT_EQ(dom.error().line, 0);
    // Where it happened: "<a/></a>" stopped 8 bytes into line 0; this one two
    // CRs later, 7 bytes ("\nxy</a>") after the last CR.
    EXPECT_EQ(Parse(dom, "<a/>\r\n\r\nxy</a>"), 0);
    EXPECT_EQ(dom.error().line - first.line, 2);
    EXPECT_EQ(dom.error().column - first.column, 7 - 8);
}

TEST(Parser, UnclosedElementsStayAsTheyAre) {
    DOM dom(S("d"));
    EXPECT_EQ(Parse(dom, "<a><b>text<c x=\"1\""), 1);
    DOMNode* b = dom.rootElement()->childAt(0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Str(b->getText()), "text");
    EXPECT_EQ(b->childCount(), 1);
}

TEST(Parser, PathsAndElementNumbers) {
    DOM dom(S("d"));
    Parse(dom, "<r><a/><b><c/></b></r>");
    const DOMList& index = dom.elementIndex();
    ASSERT_EQ(index.count(), 4);
    const char* paths[] = {"r", "r/a", "r/b", "r/b/c"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Str(index.at(i)->path()), paths[i]);
        EXPECT_EQ(index.at(i)->elementNumber(), i + 1);  // the reader's own count starts at 1
    }
    DOM one(S("d"));
    Parse(one, "<x><y/></x>");
    EXPECT_EQ(Str(one.elementIndex().at(1)->path()), "x/y");
    // Paths are derived from the current names: a rename shows at once.
    dom.elementIndex().at(2)->setNodeName(S("renamed"));
    EXPECT_EQ(Str(dom.elementIndex().at(3)->path()), "r/renamed/c");
    // An element without a name adds nothing to the paths below it, not even a "/".
    DOM unnamed(S("d"));
    Parse(unnamed, "< ><b/></ ><r>< ><c/></ ></r>");
    const char* unnamedPaths[] = {"", "b", "r", "r", "r/c"};
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(unnamed.elementIndex().count(), 5);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(Str(unnamed.elementIndex().at(i)->path()), unnamedPaths[i]);
        unnamed.renumberElements();
        EXPECT_EQ(checks::treeProblem(unnamed, unnamed.rootElement()->elementNumber()), "");
    }
}

TEST(Parser, ReadingIntoAStartNode) {
    DOM dom(S("d"));
    Parse(dom, "<root><old/></root>");
    DOMNode* root = dom.rootElement();
    EXPECT_EQ(Parse(dom, "<?xml version=\"1.0\"?><n><m/></n>", root), 1);
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->childAt(1)->nodeType(), PROCESSING_INSTRUCTION);
    DOMNode* n = root->childAt(2);
    EXPECT_EQ(Str(n->path()), "n");  // paths start at their own names
    EXPECT_EQ(Str(n->childAt(0)->path()), "n/m");
    EXPECT_EQ(n->parentNode(), root);
    dom.renumberElements();
    EXPECT_EQ(Str(n->childAt(0)->path()), "root/n/m");
    EXPECT_EQ(checks::treeProblem(dom), "");
}

TEST(Parser, EndTagClosingTheStartNodeStopsTheRead) {
    DOM dom(S("d"));
    Parse(dom, "<root><sel/></root>");
    DOMNode* sel = dom.rootElement()->childAt(0);
    EXPECT_EQ(Parse(dom, "<x/>text</sel><y/>", sel), 0);
    EXPECT_EQ(dom.error().code, DOMError::TooManyEndTags);
    ASSERT_EQ(sel->childCount(), 2);  // x and the text stay
    EXPECT_EQ(Str(sel->childAt(0)->nodeName()), "x");
    EXPECT_EQ(dom.rootElement()->childCount(), 1);  // y went nowhere
    EXPECT_EQ(dom.documentNode()->childCount(), 1);
}

TEST(Parser, OccurrenceMarkers) {
    DOM dom(S("d"));
    Parse(dom, "<r*><a?/><b+ /><item* a=\"1\"/></r*>");
    DOMNode* r = dom.rootElement();
    EXPECT_EQ(Str(r->nodeName()), "r");
    EXPECT_EQ(r->occurrence(), '*');
    ASSERT_EQ(r->childCount(), 3);
    EXPECT_EQ(Str(r->childAt(0)->nodeName()), "a");
    EXPECT_EQ(r->childAt(0)->occurrence(), '?');
    EXPECT_EQ(Str(r->childAt(1)->nodeName()), "b");
    EXPECT_EQ(r->childAt(1)->occurrence(), '+');
    // The byte after the marker is left out too, and the name reads on.
    EXPECT_EQ(Str(r->childAt(2)->nodeName()), "itema=\"1\"");
    EXPECT_EQ(r->childAt(2)->attributeCount(), 0);
    DOM plain(S("d"));
    Parse(plain, "<a><b/></a>");
    EXPECT_EQ(plain.rootElement()->occurrence(), ' ');
    DOM atEnd(S("d"));  // marker as the last byte of the tag and of the input
    Parse(atEnd, "<r*>");
    Parse(atEnd, "<q*/>");
    ASSERT_EQ(atEnd.documentNode()->childCount(), 2);  // each parse starts at the document node
    EXPECT_EQ(Str(atEnd.rootElement()->nodeName()), "r");
    EXPECT_EQ(atEnd.rootElement()->occurrence(), '*');
    EXPECT_EQ(Str(atEnd.documentNode()->childAt(1)->nodeName()), "q");
}

// The whole tag name is kept; the prefix is the segment before the last ":".
TEST(Parser, PrefixedNamesKeepTheirColons) {
    DOM dom(S("d"));
    const std::string text = "<xs:schema xmlns:xs=\"u\"><xs:element name=\"n\"/><plain/></xs:schema>";
    Parse(dom, text);
    DOMNode* schema = dom.rootElement();
    EXPECT_EQ(Str(schema->nodeName()), "xs:schema");
    EXPECT_EQ(Str(schema->prefix()), "xs");
    EXPECT_EQ(Str(schema->attributeAt(0)->name), "xmlns:xs");
    DOMNode* element = schema->childAt(0);
    EXPECT_EQ(Str(element->nodeName()), "xs:element");
    EXPECT_EQ(Str(element->path()), "xs:schema/xs:element");
    EXPECT_EQ(Str(schema->childAt(1)->prefix()), "");
    EXPECT_NE(Str(dom.serialize()).find("<xs:element name=\"n\"/>"), std::string::npos);
    EXPECT_NE(Str(dom.serialize()).find("</xs:schema>"), std::string::npos);
    DOM deep(S("d"));
    Parse(deep, "<a:b:c/>");
    EXPECT_EQ(Str(deep.rootElement()->nodeName()), "a:b:c");
}

// Attribute syntax as other programs write it.
TEST(Parser, AttributeSyntaxVariants) {
    struct Case {
        const char* tag;
        std::vector<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        {"<e x=\"1\" y=\"2\"/>", {{"x", "1"}, {"y", "2"}}},
        {"<e x = \"1\"/>", {{"x", "1"}}},
        {"<e x='1'/>", {{"x", "1"}}},
        {"<e x=\"1\"y=\"2\"/>", {{"x", "1"}, {"y", "2"}}},
        {"<e x=1 y=\"2\"/>", {{"x", "1"}, {"y", "2"}}},
        {"<e selected x=\"1\"/>", {{"selected", ""}, {"x", "1"}}},
        {"<e a='say \"hi\"' b=\"it's\"/>", {{"a", "say \"hi\""}, {"b", "it's"}}},
        {"<e x=\"a &lt; b &amp;amp; &#65;\"/>", {{"x", "a < b &amp; A"}}},
        {"<e x=\"1\" x=\"2\" y=\"3\">", {{"x", "2"}, {"y", "3"}}},
        {"<e\tx=\"a b\r\nc\"\r\n y=\"\"/>", {{"x", "a b\r\nc"}, {"y", ""}}},
        {"<e x=\"1>2\">", {{"x", "1>2"}}},
        {"<e x=\"unterminated/>", {{"x", "unterminated"}}},
        {"<e x=/>", {{"x", ""}}},
        {"<e =\"1\" z/>", {{"z", ""}}},
    };
    for (const Case& c : cases) {
        DOM dom(S("d"));
        Parse(dom, c.tag);
        ASSERT_NE(dom.rootElement(), nullptr) << c.tag;
        DOMNode* e = dom.rootElement();
        EXPECT_EQ(Str(e->nodeName()), "e") << c.tag;
        std::vector<std::pair<std::string, std::string>> actual;
        for (int i = 0; i < e->attributeCount(); ++i)
            actual.emplace_back(Str(e->attributeAt(i)->name), Str(e->attributeAt(i)->value));
        EXPECT_EQ(actual, c.expected) << c.tag;
    }
}
