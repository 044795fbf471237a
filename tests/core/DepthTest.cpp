// A million levels of nesting through the reader, renumbering,
// copying, writing and destruction, none of which may recurse.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "checks/DomChecks.h"
#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

constexpr int kDepth = 1'000'000;

// Appends a chain of `depth` elements named "a" under `parent`; returns the top.
DOMNode* AppendChain(DOM* owner, DOMNode* parent, int depth) {
    DOMNode* top = nullptr;
    for (int i = 0; i < depth; ++i) {
        auto* node = new DOMNode(ELEMENT, owner);
        node->setNodeName(S("a"));
        parent->appendChild(node);
        if (top == nullptr) top = node;
        parent = node;
    }
    return top;
}

int ChainLength(const DOMNode* top) {
    int length = 0;
    for (; top != nullptr; top = top->childAt(0)) ++length;
    return length;
}

}  // namespace

TEST(Depth, ReaderBuildsAndDestroysAMillionLevels) {
    std::string text;
    text.reserve(3 * kDepth + 4);
    for (int i = 0; i < kDepth; ++i) text += "<a>";
    text += "</a>";  // also lets the last "<a>" be read: it needs three bytes after "<"
    {
        DOM dom(S("d"));
        ASSERT_EQ(Parse(dom, text), 1);
        ASSERT_EQ(dom.elementIndex().count(), kDepth);
        const DOMNode* deepest = dom.elementIndex().at(kDepth - 1);
        EXPECT_EQ(deepest->pathDepth(), kDepth);
        EXPECT_EQ(deepest->childCount(), 0);
        const StringObject path = deepest->path();
        EXPECT_EQ(path.length(), 2u * kDepth - 1);
        EXPECT_EQ(std::string(path.view().substr(0, 4)), "a/a/");
        EXPECT_EQ(ChainLength(dom.rootElement()), kDepth);
        dom.renumberElements();
        EXPECT_EQ(checks::treeProblem(dom, 0, false), "");
        dom.reset();  // destroys the whole chain
        EXPECT_EQ(dom.documentNode()->childCount(), 0);
        ASSERT_EQ(Parse(dom, text), 1);
    }  // and the DOM's destructor destroys another one
}

TEST(Depth, RenumberCopyPasteAndDeleteAMillionLevels) {
    DOM dom(S("d"));
    DOMNode* top = AppendChain(&dom, dom.documentNode(), kDepth);
    dom.renumberElements();
    EXPECT_EQ(checks::treeProblem(dom, 0, false), "");
    const DOMNode* deepest = dom.elementIndex().at(kDepth - 1);
    EXPECT_EQ(deepest->elementNumber(), kDepth - 1);
    EXPECT_EQ(deepest->pathDepth(), kDepth);

    {
        std::unique_ptr<DOMNode> copy(dom.copySubtree(top));
        EXPECT_EQ(ChainLength(copy.get()), kDepth);
    }  // an unplaced deep copy destroyed on its own

    DOMNode* pasted = PasteCopy(dom, top->childAt(0), top, Under);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(ChainLength(pasted), kDepth - 1);
    EXPECT_EQ(dom.elementIndex().count(), 2 * kDepth - 1);
    EXPECT_TRUE(DeleteNode(dom, pasted));
    EXPECT_EQ(dom.elementIndex().count(), kDepth);
    EXPECT_TRUE(DeleteNode(dom, top));
    EXPECT_EQ(dom.elementIndex().count(), 0);

    // A chain that belongs to no document at all.
    std::unique_ptr<DOMNode> loose(new DOMNode(ELEMENT, nullptr));
    AppendChain(nullptr, loose.get(), kDepth);
}

TEST(Depth, WriteAndReadBackAMillionLevels) {
    DOM dom(S("d"));
    AppendChain(&dom, dom.documentNode(), kDepth);
    const StringObject written = dom.serialize();
    std::size_t expectedLength = 0;
    for (int i = 0; i < kDepth; ++i) {
        const std::size_t indent = Indent(5 * i).size();
        expectedLength += (i + 1 == kDepth) ? 2 + indent + 4 : (2 + indent + 3) + (2 + indent + 4);
    }
    EXPECT_EQ(written.length(), expectedLength);
    const std::string_view view = written.view();
    EXPECT_EQ(std::string(view.substr(0, 17)), "\r\n <a>\r\n      <a>");
    EXPECT_EQ(std::string(view.substr(view.size() - 7)), "\r\n </a>");

    DOM reread(S("r"));
    ASSERT_EQ(Parse(reread, view), 1);
    EXPECT_EQ(reread.elementIndex().count(), kDepth);
    EXPECT_TRUE(reread.serialize() == written);
}
