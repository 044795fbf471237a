// DOMNode, the lists and DOM basics, including attribute lookup that stays
// fast on an element with 100,000 attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

TEST(NodeModel, NewNodesAndContainers) {
    DOM dom(S("Corvantis"));
    DOMNode* document = dom.documentNode();
    EXPECT_EQ(document->nodeType(), DOCUMENT);
    EXPECT_EQ(Str(document->nodeName()), "Corvantis");
    EXPECT_EQ(document->parentNode(), nullptr);
    EXPECT_EQ(dom.error().code, DOMError::NoError);

    DOMNode text(TEXT, nullptr);
    EXPECT_FALSE(text.isContainer());
    EXPECT_EQ(text.childNodes(), nullptr);
    EXPECT_EQ(text.attributes(), nullptr);
    EXPECT_EQ(text.childCount(), 0);
    EXPECT_EQ(text.attributeCount(), 0);
    EXPECT_EQ(text.attributeAt(0), nullptr);
    EXPECT_FALSE(text.setAttribute(S("a"), S("b")));  // leaf kinds take no attributes
    EXPECT_EQ(text.attributeCount(), 0);
    EXPECT_EQ(text.occurrence(), ' ');
    EXPECT_EQ(text.elementNumber(), 0);
    EXPECT_TRUE(text.path().empty());

    DOMNode element(ELEMENT, &dom);
    EXPECT_TRUE(element.isContainer());
    EXPECT_EQ(element.ownerDocument(), &dom);
    // A prefix or a second string moves the document into the extra block.
    element.setPrefix(S("p"));
    text.setNodeName(S("n"));
    EXPECT_EQ(element.ownerDocument(), &dom);
    EXPECT_EQ(text.ownerDocument(), nullptr);
    EXPECT_EQ(element.childAt(0), nullptr);
    EXPECT_EQ(element.childAt(-1), nullptr);
}

TEST(NodeModel, CreateNodeEntersElementsInIndex) {
    DOM dom(S("d"));
    DOMNode* comment = dom.createNode(COMMENT, dom.documentNode());
    DOMNode* root = dom.createNode(ELEMENT, dom.documentNode());
    DOMNode* child = dom.createNode(ELEMENT, root);
    EXPECT_EQ(dom.elementIndex().count(), 2);
    EXPECT_EQ(dom.elementIndex().at(0), root);
    EXPECT_EQ(dom.elementIndex().at(1), child);
    EXPECT_EQ(root->elementNumber(), 0);
    EXPECT_EQ(child->elementNumber(), 1);
    EXPECT_EQ(child->parentNode(), root);
    EXPECT_EQ(child->ownerDocument(), &dom);
    EXPECT_EQ(dom.documentNode()->childAt(0), comment);
    EXPECT_EQ(dom.rootElement(), root);  // first ELEMENT child, skipping the comment
}

TEST(NodeModel, ResetLeavesEmptyDocumentNamedMyFileName) {
    DOM dom(S("d"));
    Parse(dom, "<a><b/></a>");
    Parse(dom, "</x>");  // leaves an error record
    dom.reset();
    EXPECT_EQ(dom.documentNode()->childCount(), 0);
    EXPECT_EQ(Str(dom.documentNode()->nodeName()), "My FileName");
    EXPECT_EQ(dom.rootElement(), nullptr);
    EXPECT_EQ(dom.elementIndex().count(), 0);
    EXPECT_EQ(dom.error().code, DOMError::TooManyEndTags);  // the error record stays
}

TEST(NodeModel, ChildInsertionPositions) {
    DOM dom(S("d"));
    DOMNode* parent = dom.createNode(ELEMENT, dom.documentNode());
    auto make = [&](const char* name) {
        auto* node = new DOMNode(ELEMENT, &dom);
        node->setNodeName(S(name));
        return node;
    };
    parent->appendChild(make("b"));
    parent->prependChild(make("a"));
    parent->insertChildAt(2, make("d"));   // equal to the count: appends
    parent->insertChildAt(99, make("e"));  // past the count: appends
    parent->insertChildAt(2, make("c"));   // gets index 2
    parent->insertChildAt(-1, make("0"));  // negative: prepends
    std::string order;
    for (int i = 0; i < parent->childCount(); ++i) {
        order += Str(parent->childAt(i)->nodeName());
        EXPECT_EQ(parent->childAt(i)->parentNode(), parent);
    }
    EXPECT_EQ(order, "0abcde");
    EXPECT_EQ(parent->childNodes()->indexOf(parent->childAt(3)), 3);
}

TEST(NodeModel, DetachAndRemoveChild) {
    DOM dom(S("d"));
    DOMNode* parent = dom.createNode(ELEMENT, dom.documentNode());
    DOMNode* a = dom.createNode(ELEMENT, parent);
    DOMNode* b = dom.createNode(TEXT, parent);
    DOMNode stranger(ELEMENT, &dom);
    EXPECT_FALSE(parent->removeChild(&stranger));  // not a child: nothing destroyed
    EXPECT_FALSE(parent->detachChild(&stranger));
    EXPECT_EQ(parent->childCount(), 2);

    ASSERT_TRUE(parent->detachChild(a));
    std::unique_ptr<DOMNode> detached(a);  // still alive, now ours
    EXPECT_EQ(parent->childCount(), 1);
    EXPECT_EQ(parent->childAt(0), b);
    EXPECT_TRUE(parent->removeChild(b));
    EXPECT_EQ(parent->childCount(), 0);
    EXPECT_EQ(parent->childNodes()->indexOf(b), -1);
}

TEST(NodeModel, TextChildren) {
    DOM dom(S("d"));
    DOMNode* e = dom.createNode(ELEMENT, dom.documentNode());
    EXPECT_FALSE(e->hasTextChild());
    EXPECT_EQ(Str(e->getText()), "");
    DOMNode* child = dom.createNode(ELEMENT, e);
    e->setText(S("hello"), 3);  // no TEXT child: a new one goes first, whatever n was
    ASSERT_EQ(e->childCount(), 2);
    EXPECT_EQ(e->childAt(0)->nodeType(), TEXT);
    EXPECT_EQ(e->childAt(0)->parentNode(), e);
    EXPECT_EQ(e->childAt(1), child);
    EXPECT_EQ(Str(e->getText()), "hello");
    EXPECT_TRUE(e->hasTextChild());

    MakeChild(dom, e, TEXT, "", "second");
    EXPECT_EQ(Str(e->getText(1)), "second");  // counts TEXT children only
    EXPECT_EQ(Str(e->getText(2)), "");
    e->setText(S("changed"), 1);
    EXPECT_EQ(Str(e->childAt(2)->nodeValue()), "changed");
    EXPECT_EQ(e->childCount(), 3);
    e->setText(S("front"), 5);  // no sixth TEXT child: another one goes first
    EXPECT_EQ(e->childCount(), 4);
    EXPECT_EQ(Str(e->getText(0)), "front");
    EXPECT_EQ(Str(e->getText(1)), "hello");
}

TEST(NodeModel, AttributesReplaceInPlaceAndAreCaseSensitive) {
    DOM dom(S("d"));
    DOMNode* e = dom.createNode(ELEMENT, dom.documentNode());
    EXPECT_FALSE(e->setAttribute(S("x"), S("1"), 7));
    EXPECT_FALSE(e->setAttribute(S("y"), S("2")));
    EXPECT_TRUE(e->setAttribute(S("x"), S("3")));   // replaced, reports true
    EXPECT_FALSE(e->setAttribute(S("X"), S("4")));  // different name
    ASSERT_EQ(e->attributeCount(), 3);
    EXPECT_EQ(Str(e->attributeAt(0)->name), "x");
    EXPECT_EQ(Str(e->attributeAt(0)->value), "3");
    EXPECT_EQ(e->attributeAt(0)->flag, 7);  // position and flag kept
    EXPECT_EQ(Str(e->attributeAt(2)->name), "X");
    EXPECT_EQ(e->attributeAt(3), nullptr);
    EXPECT_EQ(e->attributeAt(-1), nullptr);
    EXPECT_TRUE(e->removeAttribute(S("x")));
    EXPECT_FALSE(e->removeAttribute(S("x")));
    EXPECT_EQ(Str(e->attributeAt(0)->name), "y");
    EXPECT_EQ(e->attributes()->indexOf(S("X")), 1);
    EXPECT_EQ(e->attributes()->indexOf(S("missing")), -1);
}

// Short lists are scanned, long ones looked up through an index by name:
// lists that grow, shrink and are reserved across that boundary must always
// answer as a plain list of pairs does.
TEST(NodeModel, AttributeListsAgreeWithAPlainListAsTheyGrowAndShrink) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const auto place = [](const Pairs& pairs, const std::string& name) {
        for (std::size_t i = 0; i < pairs.size(); ++i)
            if (pairs[i].first == name) return static_cast<int>(i);
        return -1;
    };
    for (const int reserved : {0, 15, 16, 40}) {
        DOM dom(S("d"));
        DOMNode* e = dom.createNode(ELEMENT, dom.documentNode());
        if (reserved > 0) e->attributes()->reserve(static_cast<std::size_t>(reserved));
        Pairs expected;
        std::mt19937 random(static_cast<unsigned>(reserved));
        for (int step = 0; step < 4000; ++step) {
            // Phases of growth up to 48 names and of shrinking towards none.
            const bool growing = step / 400 % 2 == 0;
            std::string name = "n" + std::to_string(random() % 48);
            const std::string value = std::to_string(step);
            const unsigned action = random() % 4;
            if (!growing && action > 0 && !expected.empty()) {
                name = expected[random() % expected.size()].first;
                EXPECT_TRUE(e->removeAttribute(S(name)));
                expected.erase(expected.begin() + place(expected, name));
            } else if (action == 0 && place(expected, name) < 0) {
                const int at = static_cast<int>(random() % (expected.size() + 1));
                e->insertAttributeAt(at, Attr{S(name), S(value), 0});
                expected.insert(expected.begin() + at, {name, value});
            } else {
                const int at = place(expected, name);
                EXPECT_EQ(e->setAttribute(S(name), S(value)), at >= 0);
                if (at >= 0) expected[static_cast<std::size_t>(at)].second = value;
                else expected.emplace_back(name, value);
            }
            ASSERT_EQ(e->attributeCount(), static_cast<int>(expected.size()));
            EXPECT_EQ(e->attributes()->indexOf(S(name)), place(expected, name));
            const std::string other = "n" + std::to_string(random() % 48);
            EXPECT_EQ(e->attributes()->indexOf(S(other)), place(expected, other));
        }
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(Str(e->attributeAt(static_cast<int>(i))->name), expected[i].first);
            EXPECT_EQ(Str(e->attributeAt(static_cast<int>(i))->value), expected[i].second);
        }
    }
}

TEST(NodeModel, ListsHandleOutOfRangeIndexes) {
    DOMList index;
    DOMNode a(ELEMENT, nullptr), b(ELEMENT, nullptr);
    index.put(5, &a);  // not below count: appends
    EXPECT_EQ(index.count(), 1);
    index.put(0, &b);  // replaces
    EXPECT_EQ(index.at(0), &b);
    index.clear();
    EXPECT_EQ(index.count(), 0);
}

TEST(NodeModel, HundredThousandAttributesStayFast) {
    constexpr int kCount = 100'000;
    DOM dom(S("d"));
    DOMNode* e = dom.createNode(ELEMENT, dom.documentNode());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCount; ++i) EXPECT_FALSE(e->setAttribute(S("a" + std::to_string(i)), S("v")));
    for (int i = kCount - 1; i >= 0; i -= 3) EXPECT_TRUE(e->setAttribute(S("a" + std::to_string(i)), S("w")));
    ASSERT_EQ(e->attributeCount(), kCount);
    EXPECT_TRUE(e->removeAttribute(S("a50000")));
    EXPECT_EQ(e->attributes()->indexOf(S("a50001")), 50000);  // gap closed, index consistent
    EXPECT_EQ(e->attributes()->indexOf(S("a50000")), -1);
    EXPECT_EQ(e->attributes()->indexOf(S("a99999")), kCount - 2);
    EXPECT_FALSE(e->setAttribute(S("a50000"), S("back")));  // appended at the end
    EXPECT_EQ(e->attributes()->indexOf(S("a50000")), kCount - 1);
    // A renamed attribute is found under its new name only, in its place.
    e->attributes()->rename(3, S("renamed"));
    EXPECT_EQ(e->attributes()->indexOf(S("renamed")), 3);
    EXPECT_EQ(e->attributes()->indexOf(S("a3")), -1);
    EXPECT_EQ(e->attributes()->indexOf(S("a4")), 4);

    // The reader goes through the same lookup for every attribute it reads.
    std::string text = "<big";
    for (int i = 0; i < kCount; ++i) text += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    text += " n7=\"again\"/>";
    DOM parsed(S("p"));
    Parse(parsed, text);
    ASSERT_NE(parsed.rootElement(), nullptr);
    EXPECT_EQ(parsed.rootElement()->attributeCount(), kCount);
    EXPECT_EQ(Str(parsed.rootElement()->attributeAt(7)->value), "again");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
}
