// The tokenizer: quoted attribute values in tags, comments and quoted text
// inside declarations, and bounds at the end of the input.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Tokens.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {
// The expected tokens followed by TOKEN_END.
TokenList Ended(TokenList tokens) {
    tokens.emplace_back(TOKEN_END, "");
    return tokens;
}
const TokenList kEnd = Ended({});
}  // namespace

TEST(Tokenizer, EmptyOrBlankInputEndsAtOnce) {
    EXPECT_EQ(Tokenize(""), kEnd);
    EXPECT_EQ(Tokenize("  \r\n\t \r\n"), kEnd);
    EXPECT_EQ(Tokenize(" > \r\n"), kEnd);  // a blank run with a stray ">" is dropped too
}

TEST(Tokenizer, TextRunsKeepTheirWhitespace) {
    EXPECT_EQ(Tokenize("<a>  </a>"), Ended({{TOKEN_START_TAG, "a"}, {TOKEN_END_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<a> x </a>"),
              Ended({{TOKEN_START_TAG, "a"}, {TOKEN_TEXT, " x "}, {TOKEN_END_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<a>Hello <b>World</b>, again</a>"), Ended({{TOKEN_START_TAG, "a"},
                                                                   {TOKEN_TEXT, "Hello "},
                                                                   {TOKEN_START_TAG, "b"},
                                                                   {TOKEN_TEXT, "World"},
                                                                   {TOKEN_END_TAG, "b"},
                                                                   {TOKEN_TEXT, ", again"},
                                                                   {TOKEN_END_TAG, "a"}}));
    EXPECT_EQ(Tokenize("lead<x/>a > b"),
              Ended({{TOKEN_TEXT, "lead"}, {TOKEN_EMPTY_TAG, "x"}, {TOKEN_TEXT, "a > b"}}));
    EXPECT_EQ(Tokenize("<root>\r\n</root>"),  // no line break after the last end tag
              Ended({{TOKEN_START_TAG, "root"}, {TOKEN_END_TAG, "root"}}));
}

TEST(Tokenizer, MarkupKinds) {
    EXPECT_EQ(Tokenize("<!---->"), Ended({{TOKEN_COMMENT, ""}}));
    EXPECT_EQ(Tokenize("<!-- a<b> -->"), Ended({{TOKEN_COMMENT, " a<b> "}}));
    EXPECT_EQ(Tokenize("<?x?>"), Ended({{TOKEN_PI, "x"}}));
    EXPECT_EQ(Tokenize("<(t data)>"), Ended({{TOKEN_PI, "t data"}}));
    EXPECT_EQ(Tokenize("<![CDATA[x < y]]>"), Ended({{TOKEN_CDATA, "x < y"}}));
    EXPECT_EQ(Tokenize("<!DOCTYPE note SYSTEM \"note.dtd\">"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE note SYSTEM \"note.dtd\""}}));
    EXPECT_EQ(Tokenize("<br/>"), Ended({{TOKEN_EMPTY_TAG, "br"}}));
    EXPECT_EQ(Tokenize("<br />"), Ended({{TOKEN_EMPTY_TAG, "br "}}));
    EXPECT_EQ(Tokenize("<a b=\"c/\">"), Ended({{TOKEN_START_TAG, "a b=\"c/\""}}));
    EXPECT_EQ(Tokenize("<a b=\"c\"/>"), Ended({{TOKEN_EMPTY_TAG, "a b=\"c\""}}));
}

TEST(Tokenizer, UnfinishedConstructsEndTheStream) {
    EXPECT_EQ(Tokenize("<a/><!-- abc"), Ended({{TOKEN_EMPTY_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<![CDATA[abc]]"), kEnd);
    EXPECT_EQ(Tokenize("<?pi abc ?"), kEnd);
    EXPECT_EQ(Tokenize("<a b=\"1\""), kEnd);
    EXPECT_EQ(Tokenize("<!DOCTYPE a [<!ENTITY b \"c\">]"), kEnd);
    EXPECT_EQ(Tokenize("<!--"), kEnd);
}

TEST(Tokenizer, LessThanNearTheEndStaysInBounds) {
    EXPECT_EQ(Tokenize("ab<"), Ended({{TOKEN_TEXT, "ab"}}));
    EXPECT_EQ(Tokenize("ab<c"), Ended({{TOKEN_TEXT, "ab"}}));
    EXPECT_EQ(Tokenize("ab<c>"), Ended({{TOKEN_TEXT, "ab"}}));  // fewer than 3 bytes after "<"
    EXPECT_EQ(Tokenize("<"), kEnd);
    EXPECT_EQ(Tokenize("<!-"), kEnd);
    EXPECT_EQ(Tokenize("<a/>"), Ended({{TOKEN_EMPTY_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<r*>"), Ended({{TOKEN_START_TAG, "r*"}}));
}

// A quote that follows "=" (only blanks between) opens a value that runs to
// the next same quote byte; ">" inside it does not end the tag.
TEST(Tokenizer, QuotedValuesInTagsMayHoldGreaterThan) {
    EXPECT_EQ(Tokenize("<a href=\"x>y\">t</a>"),
              Ended({{TOKEN_START_TAG, "a href=\"x>y\""}, {TOKEN_TEXT, "t"}, {TOKEN_END_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<a x = '1>2' y=\"'>\"/>"), Ended({{TOKEN_EMPTY_TAG, "a x = '1>2' y=\"'>\""}}));
    EXPECT_EQ(Tokenize("<a t=\"/>\">"), Ended({{TOKEN_START_TAG, "a t=\"/>\""}}));
}

TEST(Tokenizer, QuoteThatIsNotAValueIsOrdinary) {
    // Not after "=": ordinary byte, the first ">" ends the tag.
    EXPECT_EQ(Tokenize("<a b\"c>x</a><d e=\"f\"/>"), Ended({{TOKEN_START_TAG, "a b\"c"},
                                                            {TOKEN_TEXT, "x"},
                                                            {TOKEN_END_TAG, "a"},
                                                            {TOKEN_EMPTY_TAG, "d e=\"f\""}}));
    // A quote byte that never occurs again is ordinary too.
    EXPECT_EQ(Tokenize("<a x=\"1>text"), Ended({{TOKEN_START_TAG, "a x=\"1"}, {TOKEN_TEXT, "text"}}));
    EXPECT_EQ(Tokenize("<a x='1/>"), Ended({{TOKEN_EMPTY_TAG, "a x='1"}}));
}

// Comments, processing instructions and quoted text inside a declaration are
// skipped whole.
TEST(Tokenizer, DeclarationsNestAndSkipCommentsAndQuotes) {
    EXPECT_EQ(Tokenize("<!DOCTYPE a [<!ENTITY b \"c\">]><a/>"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE a [<!ENTITY b \"c\">]"}, {TOKEN_EMPTY_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<!DOCTYPE a [<!ENTITY x \"a>b\">]><a/>"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE a [<!ENTITY x \"a>b\">]"}, {TOKEN_EMPTY_TAG, "a"}}));
    EXPECT_EQ(
        Tokenize("<!DOCTYPE a [<!-- don't --><!ELEMENT a ANY>]><a/>"),
        Ended({{TOKEN_DECLARATION, "DOCTYPE a [<!-- don't --><!ELEMENT a ANY>]"}, {TOKEN_EMPTY_TAG, "a"}}));
    EXPECT_EQ(Tokenize("<!DOCTYPE a [<!-- x > y < z --><!ENTITY e 'it''s'>]>"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE a [<!-- x > y < z --><!ENTITY e 'it''s'>]"}}));
    EXPECT_EQ(Tokenize("<!DOCTYPE r [<?p don't > <?>]><r>it's here</r>"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE r [<?p don't > <?>]"},
                     {TOKEN_START_TAG, "r"},
                     {TOKEN_TEXT, "it's here"},
                     {TOKEN_END_TAG, "r"}}));
    // A "<?" that is never closed is an ordinary "<".
    EXPECT_EQ(Tokenize("<!DOCTYPE r [<?p>]>x"),
              Ended({{TOKEN_DECLARATION, "DOCTYPE r [<?p>]"}, {TOKEN_TEXT, "x"}}));
    EXPECT_EQ(Tokenize("<!DOCTYPE s [<?>]>"), Ended({{TOKEN_DECLARATION, "DOCTYPE s [<?>]"}}));
}

TEST(Tokenizer, LineAndColumnCountCarriageReturns) {
    auto position = [](const std::string& text) {
        auto buffer = ExactBuffer(text);
        Tokens tokens(buffer.get(), text.size());
        Token token;
        while (tokens.nextToken(token) != TOKEN_END_TAG) {
        }
        return std::make_pair(tokens.line(), tokens.column());
    };
    const auto base = position("</x>");
    const auto lines = position("\r\n\r\n</x>");
    const auto columns = position("<a>ab</x>");
    EXPECT_EQ(lines.first - base.first, 2);
    EXPECT_EQ(lines.second - base.second, 1);  // the LF after the last CR
    EXPECT_EQ(columns.first, base.first);
    EXPECT_EQ(columns.second - base.second, 5);
}
