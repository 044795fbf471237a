// Narrowing the tree down: which folders match a set of terms, and the rows
// a filtered tree shows (matches and the folders above them, in document
// order), walked in slices or at once.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Dom.h"
#include "core/Filter.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

FilterTerm Word(std::string word) { return {"", std::move(word)}; }
FilterTerm Attribute(std::string name, std::string word) { return {std::move(name), std::move(word)}; }

// Each row as "depth name" with "*" after a match.
std::vector<std::string> Rows(const DOM& dom, const std::vector<FilterTerm>& terms, std::size_t budget = 1 << 20) {
    const FolderFilter filter(terms);
    FilterWalk walk(*dom.documentNode(), 0, filter);
    std::vector<FilterRow> rows;
    while (!walk.run(budget, rows)) {
    }
    std::vector<std::string> shown;
    for (const FilterRow& row : rows)
        shown.push_back(std::to_string(row.depth) + " " + Str(row.folder->nodeName()) + (row.matches ? "*" : ""));
    return shown;
}

using Shown = std::vector<std::string>;

const char* const Notes =
    "<Notes><Work tag=\"job\"><Task owner=\"Ann\">Call the plumber</Task><Task>write <!--PLAN--></Task></Work>"
    "<Home><Garden tag=\"Outdoor work\">roses<Bed>tulips</Bed></Garden><![CDATA[plan]]></Home></Notes>";

}  // namespace

TEST(Filter, AWordMatchesANameATextAnAttributeOrAComment) {
    DOM dom(S("d"));
    Parse(dom, Notes);
    EXPECT_EQ(Rows(dom, {Word("plan")}), (Shown{"1 Notes", "2 Work", "3 Task*", "2 Home*"}));
    EXPECT_EQ(Rows(dom, {Word("WORK")}), (Shown{"1 Notes", "2 Work*", "2 Home", "3 Garden*"}));
    EXPECT_EQ(Rows(dom, {Word("owner")}), (Shown{"1 Notes", "2 Work", "3 Task*"}));
    EXPECT_EQ(Rows(dom, {Word("tulips")}), (Shown{"1 Notes", "2 Home", "3 Garden", "4 Bed*"}));
    EXPECT_EQ(Rows(dom, {Word("zebra")}), Shown{});
}

TEST(Filter, EveryTermMustBeFoundInTheSameFolder) {
    DOM dom(S("d"));
    Parse(dom, Notes);
    EXPECT_EQ(Rows(dom, {Word("call"), Word("ann")}), (Shown{"1 Notes", "2 Work", "3 Task*"}));
    // "roses" is in Garden, "tulips" in Bed below it: no one folder holds both.
    EXPECT_EQ(Rows(dom, {Word("roses"), Word("tulips")}), Shown{});
}

TEST(Filter, AnAttributeTermNeedsThatExactNameAndFindsItsValueInAnyCase) {
    DOM dom(S("d"));
    Parse(dom, Notes);
    EXPECT_EQ(Rows(dom, {Attribute("tag", "WORK")}), (Shown{"1 Notes", "2 Home", "3 Garden*"}));
    EXPECT_EQ(Rows(dom, {Attribute("tag", "")}), (Shown{"1 Notes", "2 Work*", "2 Home", "3 Garden*"}));
    EXPECT_EQ(Rows(dom, {Attribute("Tag", "job")}), Shown{});
    EXPECT_EQ(Rows(dom, {Attribute("tag", "job"), Word("plumber")}), Shown{});
}

TEST(Filter, AccentedLettersMatchInEitherCase) {
    DOM dom(S("d"));
    Parse(dom, "<r><K\xC3\xBC" "che>\xC3\x89T\xC3\x89</K\xC3\xBC" "che><b/></r>");
    EXPECT_EQ(Rows(dom, {Word("k\xC3\x9C" "CHE"), Word("\xC3\xA9t\xC3\xA9")}),
              (Shown{"1 r", "2 K\xC3\xBC" "che*"}));
}

TEST(Filter, NoTermsMatchNothing) {
    DOM dom(S("d"));
    Parse(dom, Notes);
    EXPECT_EQ(Rows(dom, {}), Shown{});
}

TEST(Filter, RowsAreTheMatchesAndTheFoldersAboveThemOnceEachWhateverTheSlices) {
    // Random documents against the rule itself: a folder is shown when it
    // or a folder below it matches.
    std::mt19937 random(7);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const char* const words[] = {"alpha", "Beta", "gamma", "ALPHA"};
    std::size_t shownInAll = 0;
    for (int round = 0; round < 30; ++round) {
        DOM dom(S("d"));
        std::vector<DOMNode*> folders{dom.createNode(ELEMENT, dom.documentNode())};
        folders[0]->setNodeName(S("top"));
        for (int i = 0; i < 200; ++i) {
            DOMNode* parent = folders[static_cast<std::size_t>(pick(static_cast<int>(folders.size())))];
            DOMNode* folder = dom.createNode(ELEMENT, parent);
            folder->setNodeName(S(std::string("f") + words[pick(4)]));
            if (pick(3) == 0) folder->setAttribute(S(pick(2) ? "tag" : "kind"), S(words[pick(4)]));
            if (pick(3) == 0) MakeChild(dom, folder, pick(2) ? TEXT : COMMENT, "", words[pick(4)]);
            folders.push_back(folder);
        }
        const std::vector<FilterTerm> terms{Word("alpha"), Attribute("tag", "beta")};
        const FolderFilter filter(terms);
        std::set<const DOMNode*> expected;
        for (const DOMNode* folder : folders)
            if (filter.matches(*folder))
                for (const DOMNode* up = folder; up && up->nodeType() == ELEMENT; up = up->parentNode())
                    expected.insert(up);
        Shown inOrder;
        std::vector<std::pair<const DOMNode*, int>> pending{{dom.documentNode(), 0}};
        while (!pending.empty()) {
            const auto [node, depth] = pending.back();
            pending.pop_back();
            if (expected.count(node))
                inOrder.push_back(std::to_string(depth) + " " + Str(node->nodeName()) +
                                  (filter.matches(*node) ? "*" : ""));
            for (int i = node->childCount(); i-- > 0;)
                if (node->childAt(i)->nodeType() == ELEMENT) pending.emplace_back(node->childAt(i), depth + 1);
        }
        for (const std::size_t budget : {std::size_t{1}, std::size_t{64}, std::size_t{1} << 20})
            EXPECT_EQ(Rows(dom, terms, budget), inOrder) << "round " << round << ", budget " << budget;
        shownInAll += inOrder.size();
    }
    EXPECT_GT(shownInAll, 100u);
}

TEST(Filter, AMillionLevelsAreWalkedWithoutRecursion) {
    std::string xml;
    const int levels = 1000000;
    for (int i = 0; i < levels; ++i) xml += "<L>";
    xml += "needle";
    for (int i = 0; i < levels; ++i) xml += "</L>";
    DOM dom(S("d"));
    Parse(dom, xml);
    const FolderFilter filter({Word("NEEDLE")});
    FilterWalk walk(*dom.documentNode(), 0, filter);
    std::vector<FilterRow> rows;
    while (!walk.run(1 << 16, rows)) {
    }
    ASSERT_EQ(rows.size(), std::size_t{levels});
    EXPECT_EQ(rows.back().depth, levels);
    EXPECT_TRUE(rows.back().matches);
    EXPECT_FALSE(rows[levels - 2].matches);
}
