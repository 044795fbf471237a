// The writer, including references, mixed content and odd names that
// survive a load and save.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {
std::string Escaped(const std::string& text) {
    StringObject out("prefix:");
    DOM::escapeText(S(text), out);
    return Str(out).substr(7);
}
std::string LoadSave(const std::string& text) {
    DOM dom(S("d"));
    Parse(dom, text);
    return Str(dom.serialize());
}
std::string ReadOutline(const std::string& text) {
    DOM dom(S("d"));
    Parse(dom, text);
    return Outline(dom);
}
}  // namespace

TEST(Writer, WorkedExampleByteForByte) {
    DOM dom(S("d"));
    DOMNode* document = dom.documentNode();
    MakeChild(dom, document, PROCESSING_INSTRUCTION, "xml", "version=\"1.0\"");
    MakeChild(dom, document, COMMENT, "", " c ");
    DOMNode* root = MakeChild(dom, document, ELEMENT, "root");
    root->setAttribute(S("a"), S("1&2"));
    MakeChild(dom, root, ELEMENT, "item");
    MakeChild(dom, root, TEXT, "", "hi");
    MakeChild(dom, MakeChild(dom, root, ELEMENT, "b"), TEXT, "", "x");
    MakeChild(dom, root, TEXT, "", "end");
    const std::string expected =
        "<?xml version=\"1.0\"?>\r\n"
        " <!-- c -->\r\n"
        " \r\n"
        " <root a=\"1&amp;2\"><item/>hi<b>x</b>end</root>";
    EXPECT_EQ(Str(dom.serialize()), expected);
    EXPECT_EQ(Str(dom.serialize(nullptr)), expected);
}

TEST(Writer, ElementShapes) {
    DOM dom(S("d"));
    EXPECT_EQ(Str(dom.serialize()), "");  // empty document node
    DOMNode* root = MakeChild(dom, dom.documentNode(), ELEMENT, "name");
    EXPECT_EQ(Str(dom.serialize()), "\r\n <name/>");
    root->setAttribute(S("a"), S("v"));
    root->setAttribute(S("b"), S("<\"'>&"), 9);
    EXPECT_EQ(Str(dom.serialize()), "\r\n <name a=\"v\" b=\"&lt;&quot;&apos;&gt;&amp;\"/>");
    MakeChild(dom, root, TEXT, "", "t");
    EXPECT_EQ(Str(dom.serialize()), "\r\n <name a=\"v\" b=\"&lt;&quot;&apos;&gt;&amp;\">t</name>");
    // Prefix, occurrence marker and the document node's attributes are not written.
    root->setPrefix(S("p"));
    root->setOccurrence('*');
    dom.documentNode()->setAttribute(S("hidden"), S("1"));
    root->removeAttribute(S("a"));
    root->removeAttribute(S("b"));
    EXPECT_EQ(Str(dom.serialize()), "\r\n <name>t</name>");
}

TEST(Writer, IndentationStopsAtSixteenSpaces) {
    DOM dom(S("d"));
    DOMNode* parent = dom.documentNode();
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    for (const char* name : names) parent = MakeChild(dom, parent, ELEMENT, name);
    std::string expected;
    for (int i = 0; i < 6; ++i) expected += "\r\n" + Indent(5 * i) + "<" + names[i] + (i == 5 ? "/>" : ">");
    for (int i = 4; i >= 0; --i) expected += "\r\n" + Indent(5 * i) + "</" + names[i] + ">";
    EXPECT_EQ(Str(dom.serialize()), expected);
    EXPECT_EQ(Indent(20), std::string(16, ' '));
}

TEST(Writer, LeafKinds) {
    DOM dom(S("d"));
    DOMNode* r = MakeChild(dom, dom.documentNode(), ELEMENT, "r");
    MakeChild(dom, r, PROCESSING_INSTRUCTION, "p", "");
    MakeChild(dom, r, COMMENT, "", "a<b & \"c\"");
    MakeChild(dom, r, DOCUMENT_TYPE, "", "DOCTYPE x");
    MakeChild(dom, r, CDATA_SECTION, "", "x < y");
    for (NodeType skipped : {NONE, ATTRIBUTE, ENTITY_REFERENCE, ENTITY, DOCUMENT_FRAGMENT, NOTATION})
        MakeChild(dom, r, skipped, "n", "v");
    const std::string i5 = Indent(5);
    EXPECT_EQ(Str(dom.serialize()), "\r\n <r><?p ?>\r\n" + i5 + "<!--a<b & \"c\"-->\r\n" + i5 +
                                        "<!DOCTYPE x>\r\n" + i5 + "<![CDATA[x < y]]>\r\n </r>");
}

TEST(Writer, TextIsEscapedAndKeepsControlBytes) {
    EXPECT_EQ(Escaped("a<b & \"c\""), "a&lt;b &amp; &quot;c&quot;");
    EXPECT_EQ(Escaped("it's > \r\n\t\x01"), "it&apos;s &gt; \r\n\t\x01");
    DOM dom(S("d"));
    MakeChild(dom, MakeChild(dom, dom.documentNode(), ELEMENT, "p"), TEXT, "", "a<b & \"c\"");
    EXPECT_EQ(Str(dom.serialize()), "\r\n <p>a&lt;b &amp; &quot;c&quot;</p>");
}

// Character data is written so that a reader reads back what the tree
// holds: every "&" is escaped, a typed "&#65;" or "&nbsp;" included; a kept
// reference is written as it was read.
TEST(Writer, CharacterDataReadsBackAsItIsHeld) {
    const std::string mark(1, '\0');
    EXPECT_EQ(Escaped("&#65; &#x20AC; &nbsp; &"), "&amp;#65; &amp;#x20AC; &amp;nbsp; &amp;");
    EXPECT_EQ(Escaped("x" + mark + "&nbsp;y" + mark + "&#0;"), "x&nbsp;y&#0;");
    StringObject out;
    DOM::escapeText(S("a" + mark + mark + "b" + mark + "&c" + mark), out);  // zeros, one a broken mark
    EXPECT_EQ(Str(out), "a" + mark + "b" + mark + "&amp;c" + mark);
    EXPECT_EQ(LoadSave("<a t=\"&#160;&amp;#65;\">&#x20AC; &amp;nbsp; &#65;&#38;#65;</a>"),
              "\r\n <a t=\"\xC2\xA0&amp;#65;\">\xE2\x82\xAC &amp;nbsp; A&amp;#65;</a>");
}

// References to entities, and to characters XML allows nowhere, stay as
// they were written, in texts and attribute values alike.
TEST(Writer, KeptReferencesAreWrittenAsRead) {
    const std::string declarations = "<!DOCTYPE r [<!ENTITY nbsp \"&#160;\">]>";
    EXPECT_EQ(LoadSave(declarations + "<r a=\"&nbsp;&e;&#0;\">&nbsp;&e;&#xD800;&#xFFFF;&nbsp x;&#1114112;</r>"),
              "<!" + declarations.substr(2) +
                  "\r\n \r\n <r a=\"&nbsp;&e;&#0;\">&nbsp;&e;&#xD800;&#xFFFF;&amp;nbsp x;&#1114112;</r>");
    // A carriage return is kept as a reference in a text and written as one
    // in an attribute value.
    EXPECT_EQ(LoadSave("<r a=\"x&#13;&#xD;\">x&#13;&#xD;</r>"), "\r\n <r a=\"x&#13;&#13;\">x&#13;&#xD;</r>");
}

// Line breaks and tabs in an attribute value are written as references, so
// that they read back instead of turning into spaces.
TEST(Writer, AttributeValuesKeepTheirBreaksAndTabs) {
    DOM dom(S("d"));
    DOMNode* r = MakeChild(dom, dom.documentNode(), ELEMENT, "r");
    r->setAttribute(S("a"), S("1\r\n2\t3\n\x01"));
    MakeChild(dom, r, TEXT, "", "1\r\n2\t3");
    EXPECT_EQ(Str(dom.serialize()), "\r\n <r a=\"1&#13;&#10;2&#9;3&#10;\x01\">1\r\n2\t3</r>");
    EXPECT_EQ(LoadSave(Str(dom.serialize())), Str(dom.serialize()));
}

// A reader drops a run of blanks between tags; a text of blanks alone is
// written so that it reads back.
TEST(Writer, ATextOfBlanksReadsBack) {
    const std::pair<const char*, const char*> cases[] = {
        {"<r>&#32;</r>", "\r\n <r>&#32;</r>"},
        {"<r> &#9;&#10;<b/>&#32; </r>", "\r\n <r> \t&#10;<b/> &#32;</r>"},
        {"<r>&#13;&#10;</r>", "\r\n <r>&#13;\n</r>"},
        {"<r> &#32;x </r>", "\r\n <r>  x </r>"},
    };
    for (const auto& [file, saved] : cases) {
        EXPECT_EQ(LoadSave(file), saved) << file;
        EXPECT_EQ(LoadSave(saved), saved) << file;
    }
}

TEST(Writer, SubtreeOnItsOwn) {
    DOM dom(S("d"));
    Parse(dom, "<r><a><b/></a><p>text<q/></p></r>");
    DOMNode* a = dom.rootElement()->childAt(0);
    EXPECT_EQ(Str(dom.serialize(a)), "\r\n <a>\r\n      <b/>\r\n </a>");  // parent without text
    DOMNode* q = dom.rootElement()->childAt(1)->childAt(1);
    EXPECT_EQ(Str(dom.serialize(q)), "<q/>");  // parent with text: no break
    StringObject out;
    DOM::serializeNode(a->childAt(0), 10, out);
    EXPECT_EQ(Str(out), "\r\n" + Indent(10) + "<b/>");
    DOMNode loose(ELEMENT, nullptr);  // no parent counts as a parent without text
    loose.setNodeName(S("loose"));
    EXPECT_EQ(Str(dom.serialize(&loose)), "\r\n <loose/>");
}

TEST(Writer, LoadSaveKeepsValidXmlFromOtherPrograms) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
        " <!DOCTYPE a [<!ENTITY x \"a>b\"><!-- don't -->]>\r\n"
        " \r\n"
        " <xs:a xmlns:xs=\"urn:x\" href=\"x&gt;y\">\r\n"
        "      <xs:b q=\"say &quot;hi&quot;\">caf\xE9 &amp; &lt;b&gt;</xs:b>\r\n"
        " </xs:a>";
    EXPECT_EQ(LoadSave(text), text);
    // Single quotes, ">" in values and blanks around "=" come back in the writer's own form.
    EXPECT_EQ(LoadSave("<a x = '1>2' y='say \"hi\"'/>"), "\r\n <a x=\"1&gt;2\" y=\"say &quot;hi&quot;\"/>");
}

// Next to a text, the writer adds no whitespace, which would become part of
// the text when read back; between two other children it still breaks the
// line. The organiser's own folders (text first, then subfolders) are written
// as they always were.
TEST(Writer, MixedContentGainsNothingOnReload) {
    const std::pair<const char*, const char*> cases[] = {
        {"<r>a<b/>c</r>", "\r\n <r>a<b/>c</r>"},
        {"<r>a<!--c-->b</r>", "\r\n <r>a<!--c-->b</r>"},
        // The blank between two elements is no text (the reader drops it).
        {"<type>typedef <type>uint32_t</type> <name>VkFlags</name>;</type>",
         "\r\n <type>typedef <type>uint32_t</type>\r\n       <name>VkFlags</name>;</type>"},
        {"<p>x<b/><i/>y<?pi d?><!--c--><c/></p>",
         "\r\n <p>x<b/>\r\n       <i/>y<?pi d?>\r\n      \r\n       <!--c-->\r\n      \r\n       <c/>\r\n "
         "</p>"},
        {"<f>note<g>x</g><h/></f>", "\r\n <f>note<g>x</g>\r\n       <h/>\r\n </f>"},
        {"<?xml version=\"1.0\"?>text<!--c--><r/>tail", "<?xml version=\"1.0\"?>text<!--c-->\r\n <r/>tail"},
    };
    for (const auto& [input, saved] : cases) {
        EXPECT_EQ(LoadSave(input), saved) << input;
        EXPECT_EQ(LoadSave(saved), saved) << input;
        EXPECT_EQ(ReadOutline(saved), ReadOutline(input)) << input;
    }
}

// A reference to a general entity the document declares is written as it
// stands; every other "&" is still escaped.
// Processing instructions are written exactly as read; one read in brackets
// that holds "?>" is written in brackets again.
TEST(Writer, ProcessingInstructionsComeBackAsRead) {
    EXPECT_EQ(LoadSave("<?p a?&gt;b &amp; &lt;?>"), "<?p a?&gt;b &amp; &lt;?>\r\n ");
    EXPECT_EQ(LoadSave("<r><(p a?>b)>t</r>"), "\r\n <r><(p a?>b)>t</r>");
    EXPECT_EQ(LoadSave("<r><(p a)>t</r>"), "\r\n <r><?p a?>t</r>");
    // One inside a declaration does not lose the document.
    EXPECT_EQ(LoadSave("<!DOCTYPE r [<?p don't?>]><r>it's here</r>"),
              "<!DOCTYPE r [<?p don't?>]>\r\n \r\n <r>it&apos;s here</r>");
}

// Names read from broken input are written so that reading them back gives
// the same tree.
TEST(Writer, OddNamesReadBackAsTheyWere) {
    const std::pair<const char*, const char*> cases[] = {
        {"<r>< /><x/></r>", "\r\n <r>\r\n      < />\r\n      <x/>\r\n </r>"},
        {"<b/ >t</b/ >", "\r\n <b/ >t</b/ >"},
        {"< ><b/></ >", "\r\n < >\r\n      <b/>\r\n </ >"},
        {"<a&gt;b x&lt;=\"1\">t</a>", "\r\n <a&gt;b x&lt;=\"1\">t</a&gt;b>"},
        {"<a&amp;lt; &amp;amp;=\"\"/>", "\r\n <a&amp;lt; &amp;amp;=\"\"/>"},
        {"<*x/b>t</b>", "\r\n <* /b>t</* /b>"},
        {"<r><+x!b/><*y(c/></r>", "\r\n <r>\r\n      <* !b/>\r\n      <* (c/>\r\n </r>"},
        {"<a_rather_long_name&gt; a_long_attribute_name&amp;lt;=\"\"/>",
         "\r\n <a_rather_long_name&gt; a_long_attribute_name&amp;lt;=\"\"/>"},
        // Names of well-formed documents are written as they stand.
        {"<h1 xml:lang=\"en\"><x-2.a:b a-1=\"v\"/><a_long_name_of_a_section.1 xmlns:n=\"u\"/></h1>",
         "\r\n <h1 xml:lang=\"en\">\r\n      <x-2.a:b a-1=\"v\"/>\r\n      <a_long_name_of_a_section.1 "
         "xmlns:n=\"u\"/>\r\n </h1>"},
    };
    for (const auto& [input, saved] : cases) {
        EXPECT_EQ(LoadSave(input), saved) << input;
        EXPECT_EQ(ReadOutline(saved), ReadOutline(input)) << input;
    }
}
