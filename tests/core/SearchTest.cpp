// Finding text in the document: what is searched, in which order, case
// folding, kept references, whole words, and a walk taken in slices.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/Dom.h"
#include "core/Search.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

// Each match as "where:matched text", in the order found.
std::vector<std::string> Find(const char* xml, const char* query, SearchOptions options = {},
                              std::size_t budget = 1 << 20) {
    DOM dom(S("d"));
    Parse(dom, xml);
    SearchWalk walk(dom, TextMatcher(query, options));
    std::vector<SearchMatch> matches;
    while (!walk.run(budget, matches)) {
    }
    std::vector<std::string> found;
    std::int32_t rank = 0;
    for (const SearchMatch& match : matches) {
        EXPECT_GE(match.rank, rank);
        rank = match.rank;
        const char* where = match.part == SearchMatch::NamePart    ? "name"
                            : match.part == SearchMatch::ValuePart ? "value"
                            : match.part % 2 == 0                  ? "attribute"
                                                                   : "attribute value";
        found.push_back(std::string(where) + ":" +
                        std::string(matchedText(match).view().substr(match.offset, match.length)));
    }
    return found;
}

using Found = std::vector<std::string>;

}  // namespace

TEST(Search, NamesAttributesTextsAndCommentsInDocumentOrder) {
    const char* xml =
        "<?plan x?><!--Plan A--><Plans plan=\"PLAN\" kind=\"a\">planning<![CDATA[plan]]><?plan b?>"
        "<Sub>no</Sub>Plan</Plans>";
    EXPECT_EQ(Find(xml, "plan"), (Found{"value:Plan", "name:Plan", "attribute:plan", "attribute value:PLAN",
                                        "value:plan", "value:plan", "value:Plan"}));
    EXPECT_EQ(Find(xml, "plan", {true, false}),
              (Found{"attribute:plan", "value:plan", "value:plan"}));
    EXPECT_EQ(Find(xml, "plan", {false, true}),
              (Found{"value:Plan", "attribute:plan", "attribute value:PLAN", "value:plan", "value:Plan"}));
    EXPECT_EQ(Find(xml, ""), Found{});
    EXPECT_EQ(Find("<a>aaaaa</a>", "aa"), (Found{"value:aa", "value:aa"}));  // matches do not overlap
}

TEST(Search, CaseFoldsAccentedLetters) {
    struct Case {
        const char* text;
        const char* query;
        SearchOptions options;
        Found found;
    };
    const Case cases[] = {
        {"<a>\xC3\x89t\xC3\xA9 \xC3\xA9T\xC3\x89</a>",
         "\xC3\xA9t\xC3\xA9",
         {},
         {"value:\xC3\x89t\xC3\xA9", "value:\xC3\xA9T\xC3\x89"}},
        {"<a>\xC3\x89t\xC3\xA9</a>", "\xC3\xA9T\xC3\x89", {true, false}, {}},
        // КУХНЯ found by кухня
        {"<a>\xD0\x9A\xD0\xA3\xD0\xA5\xD0\x9D\xD0\xAF</a>",
         "\xD0\xBA\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F",
         {},
         {"value:\xD0\x9A\xD0\xA3\xD0\xA5\xD0\x9D\xD0\xAF"}},
        // The Kelvin sign is a capital k three bytes long.
        {"<a>\xE2\x84\xAA"
         "elvin</a>",
         "kel",
         {},
         {"value:\xE2\x84\xAA"
          "el"}},
        // A character reference is found as its character.
        {"<a>Caf&#xC9;</a>", "caf\xC3\xA9", {}, {"value:Caf\xC3\x89"}},
        // A malformed UTF-8 byte is no character and matches none.
        {"<a>x\xFFy xy</a>", "xy", {}, {"value:xy"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Find(c.text, c.query, c.options), c.found) << c.text;
}

// A kept reference reads as it was written, both in texts and in attribute
// values; comments hold no references.
TEST(Search, KeptReferencesAreFoundAsWritten) {
    const std::string mark(1, '\0');
    EXPECT_EQ(Find("<a v=\"1&nbsp;2\">x&nbsp;y<!--x&nbsp;y--></a>", "x&nbsp;y"),
              (Found{"value:x" + mark + "&nbsp;y", "value:x&nbsp;y"}));
    EXPECT_EQ(Find("<a v=\"1&nbsp;2\"/>", "1&NBSP;2"), (Found{"attribute value:1" + mark + "&nbsp;2"}));
    EXPECT_EQ(Find("<a>&#0;x&#0;</a>", "&#0;x&#0;", {false, true}), (Found{"value:&#0;x" + mark + "&#0;"}));
}

TEST(Search, AWholeWordStandsBetweenCharactersThatAreNoLetters) {
    const SearchOptions word{false, true};
    EXPECT_EQ(Find("<a>note notes, a note.</a>", "note", word), (Found{"value:note", "value:note"}));
    EXPECT_EQ(Find("<a>note_x note-x</a>", "note", word), (Found{"value:note"}));
    EXPECT_EQ(Find("<a>caf\xC3\xA9 caf</a>", "caf", word), (Found{"value:caf"}));
    EXPECT_EQ(Find("<a>\xD0\xBA\xD1\x83\xD1\x85 x\xD0\xBA</a>", "x", word), Found{});
}

TEST(Search, EveryMatchInALongTextIsFoundOnceInOrder) {
    // "W" is nowhere, "w" everywhere: each first byte is looked for once
    // over the text, not again from every match.
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "week ";
    DOM dom(S("d"));
    Parse(dom, ("<a>" + text + "aaaaa</a>").c_str());
    for (const auto& [query, count, step] : {std::tuple{"week", 200000u, 5u}, std::tuple{"aa", 2u, 2u}}) {
        SearchWalk walk(dom, TextMatcher(query, {}));
        std::vector<SearchMatch> matches;
        while (!walk.run(1 << 20, matches)) {
        }
        ASSERT_EQ(matches.size(), count) << query;
        const std::uint32_t first = matches.front().offset;
        for (std::size_t i = 0; i < matches.size(); ++i) EXPECT_EQ(matches[i].offset, first + i * step) << query;
    }
}

TEST(Search, AWalkInSmallSlicesFindsWhatOneWalkFinds) {
    std::string xml = "<r>";
    for (int i = 0; i < 200; ++i) xml += "<f n=\"x\">x" + std::to_string(i) + "<!--x--></f>";
    xml += "</r>";
    const Found whole = Find(xml.c_str(), "x");
    EXPECT_EQ(whole.size(), 600u);
    EXPECT_EQ(Find(xml.c_str(), "x", {}, 1), whole);
}

TEST(Search, RanksOrderMatchesAgainstElements) {
    DOM dom(S("d"));
    Parse(dom, "<r>x<a>x</a>x<b/></r>");
    SearchWalk walk(dom, TextMatcher("x", {}));
    std::vector<SearchMatch> matches;
    walk.run(1 << 20, matches);
    ASSERT_EQ(matches.size(), 3u);
    DOMNode* r = dom.rootElement();
    DOMNode* a = r->childAt(1);
    // The text after <a> lies after it, before <b>.
    EXPECT_EQ(matches[0].rank, searchRank(dom, r));
    EXPECT_EQ(matches[1].rank, searchRank(dom, a));
    EXPECT_EQ(matches[2].rank, searchRank(dom, a));
    EXPECT_LT(matches[2].rank, searchRank(dom, r->childAt(3)));
    EXPECT_EQ(matches[1].folder(), a);
    EXPECT_EQ(searchRank(dom, dom.documentNode()), 0);
    dom.renumberElements();  // numbered afresh from another base
    EXPECT_EQ(searchRank(dom, a), matches[1].rank);
}

TEST(Search, AMillionLevelsAreWalkedWithoutRecursion) {
    std::string xml;
    for (int i = 0; i < 1'000'000; ++i) xml += "<a>";
    xml += "deep</a>";
    EXPECT_EQ(Find(xml.c_str(), "DEEP"), (Found{"value:deep"}));
}
