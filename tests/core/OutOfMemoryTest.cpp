// Running out of memory: the allocation seam itself, and what the model
// guarantees when an allocation fails. Each operation that changes the tree
// is run with its first, second, third … allocation failing until it runs
// through: every failure must throw std::bad_alloc and leave the document
// sound, exactly as it was, and holding no block of the failed attempt.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "checks/DomChecks.h"
#include "core/AllocationLimit.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

// Long enough for storage of its own, outside the small-block pools.
const std::string kLongText(300, 'L');

std::string WideTag() {
    std::string tag = "<wide";
    for (int i = 0; i < 20; ++i) tag += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return tag + "/>";
}

// Every kind of node, attributes past the size that indexes them, texts in
// small blocks and in storage of their own, references to decode.
const std::string kDocument = "<?xml version=\"1.0\"?>\r\n<!-- organiser -->\r\n<root a=\"1\" b=\"x &amp; y\">"
                              "text &lt;here&gt;<work state=\"open\">" + kLongText + "</work>" + WideTag() +
                              "<deep><d><d><d>a text of more than fifteen bytes</d></d></d></deep>"
                              "<![CDATA[raw < bytes]]><?pi some data?><empty/></root>\r\n";

void MakeLongString() { StringObject made(kLongText); }

DOMNode* Find(const DOM& dom, std::string_view name) {
    for (const DOMNode* node : checks::elementsBelow(dom.documentNode()))
        if (node->nodeName().view() == name) return const_cast<DOMNode*>(node);
    return nullptr;
}

// Runs `operation` on a fresh renumbered document read from `xml`, with its
// n-th allocation failing, for each allocation it makes. Returns how many
// it makes.
template <typename Operation>
std::size_t EveryFailureLeavesTheDocumentAsItWas(const std::string& xml, Operation operation) {
    const auto fresh = [&xml] {
        auto dom = std::make_unique<DOM>(S("doc"));
        Parse(*dom, xml);
        dom->renumberElements();
        return dom;
    };
    std::size_t allocations = 0;
    {
        const std::unique_ptr<DOM> dom = fresh();
        AllocationLimit counting;
        operation(*dom);
        allocations = counting.allocations();
    }
    for (std::size_t n = 1; n <= allocations; ++n) {
        const std::unique_ptr<DOM> dom = fresh();
        const std::string before = checks::fingerprint(dom->documentNode());
        const Attempt attempt = WithAllocationFailing(n, [&] { operation(*dom); });
        const std::string problem = checks::treeProblem(*dom);
        const bool asItWas = checks::fingerprint(dom->documentNode()) == before;
        EXPECT_TRUE(attempt.threw && attempt.blocksHeld == 0 && asItWas && problem.empty())
            << "allocation " << n << " of " << allocations << " failed: " << (attempt.threw ? "" : "no throw; ")
            << attempt.blocksHeld << " blocks held; " << (asItWas ? "" : "the document changed; ") << problem;
        if (::testing::Test::HasFailure()) break;
    }
    return allocations;
}

}  // namespace

// ---- The seam ----

TEST(AllocationLimit, CountsWhatTheModelTakesAndGivesBack) {
    AllocationLimit counting;
    {
        DOM dom(S("doc"));
        Parse(dom, kDocument);
        EXPECT_GT(counting.allocations(), 20u);
        EXPECT_GT(counting.bytes(), kDocument.size());
        EXPECT_GT(counting.blocksHeld(), 20);
    }
    EXPECT_EQ(counting.blocksHeld(), 0);
    EXPECT_EQ(counting.refusals(), 0u);
}

TEST(AllocationLimit, AByteBudgetRefusesWhatWouldPassIt) {
    std::size_t needed = 0;
    {
        AllocationLimit counting;
        DOM dom(S("doc"));
        Parse(dom, kDocument);
        needed = counting.bytes();
    }
    {
        AllocationLimit limit = AllocationLimit::ofBytes(needed);
        DOM dom(S("doc"));
        EXPECT_NO_THROW(Parse(dom, kDocument));
    }
    AllocationLimit limit = AllocationLimit::ofBytes(needed - 1);
    DOM dom(S("doc"));
    EXPECT_THROW(Parse(dom, kDocument), std::bad_alloc);
    EXPECT_EQ(limit.refusals(), 1u);
}

TEST(AllocationLimit, LimitsNestAndHoldOnlyOnTheirOwnThread) {
    AllocationLimit outer;
    {
        AllocationLimit inner = AllocationLimit::failingAt(1);
        EXPECT_THROW(MakeLongString(), std::bad_alloc);
        EXPECT_NO_THROW(MakeLongString());  // only the first one fails
        std::thread other([] { EXPECT_NO_THROW(MakeLongString()); });
        other.join();
        EXPECT_EQ(inner.allocations(), 2u);
    }
    MakeLongString();
    EXPECT_EQ(outer.allocations(), 3u);
    EXPECT_EQ(outer.refusals(), 0u);
    EXPECT_EQ(outer.blocksHeld(), 0);
}

// ---- Reading ----

TEST(OutOfMemory, AReadThatFailsLeavesNoneOfItsNodes) {
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas("", [](DOM& dom) { Parse(dom, kDocument); }), 0u);
    // Into an element of a document, as Insert From File reads.
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas(kDocument, [](DOM& dom) { Parse(dom, kDocument, Find(dom, "work")); }),
              0u);
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas(
                  kDocument, [](DOM& dom) { std::unique_ptr<DOMNode> read = dom.parseFragment(kDocument.data(), kDocument.size()); }),
              0u);
}

// Open reads a file beside the document it replaces, which stays as it was
// until the read is complete.
TEST(OutOfMemory, AWholeDocumentIsReadBesideTheOpenOne) {
    DOM dom(S("doc"));
    Parse(dom, "<open><folder/></open>");
    const std::string open = checks::fingerprint(dom.documentNode());
    DOM::Tree tree = dom.readTree(kDocument.data(), kDocument.size(), S("read"));
    EXPECT_EQ(checks::fingerprint(dom.documentNode()), open);
    EXPECT_EQ(dom.elementIndex().count(), 2);
    const std::string read = checks::fingerprint(tree.documentNode.get());
    dom.adopt(std::move(tree));
    EXPECT_EQ(checks::fingerprint(dom.documentNode()), read);
    EXPECT_EQ(Str(dom.documentNode()->nodeName()), "read");
    EXPECT_EQ(checks::treeProblem(dom, 1), "");
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas(
                  kDocument, [](DOM& dom) { DOM::Tree read = dom.readTree(kDocument.data(), kDocument.size(), S("r")); }),
              0u);
}

TEST(OutOfMemory, ADocumentMadeUnderALimitGoesWithoutLeavingABlock) {
    AllocationLimit counting;
    {
        auto dom = std::make_unique<DOM>(S("doc"));
        Parse(*dom, kDocument);
        dom->reset();
        EXPECT_THROW(
            {
                AllocationLimit limit = AllocationLimit::ofBytes(200);
                Parse(*dom, kDocument);
            },
            std::bad_alloc);
    }
    EXPECT_EQ(counting.blocksHeld(), 0);
}

// ---- Changing the tree ----

TEST(OutOfMemory, ATreeOperationThatFailsChangesNothing) {
    const auto points = [](auto operation) { return EveryFailureLeavesTheDocumentAsItWas(kDocument, operation); };
    EXPECT_GT(points([](DOM& dom) { std::unique_ptr<DOMNode> copy(dom.copySubtree(dom.rootElement())); }), 0u);
    // A copy put in place, and a new folder, as the commands make them.
    const auto placeNew = [](DOM& dom, std::unique_ptr<DOMNode> node, const DOMNode* target) {
        dom.attach(node.get(), dom.placeFor(target, Under));
        node.release();
    };
    EXPECT_GT(points([&](DOM& dom) {
                  placeNew(dom, std::unique_ptr<DOMNode>(dom.copySubtree(Find(dom, "empty"))), Find(dom, "work"));
              }),
              0u);
    EXPECT_GT(points([&](DOM& dom) { placeNew(dom, std::make_unique<DOMNode>(ELEMENT, &dom), Find(dom, "wide")); }),
              0u);
    EXPECT_GT(points([](DOM& dom) { dom.createNode(COMMENT, Find(dom, "empty")); }), 0u);
    EXPECT_GT(points([](DOM& dom) { Find(dom, "empty")->setText(S(kLongText)); }), 0u);
    EXPECT_GT(points([](DOM& dom) { Find(dom, "wide")->setAttribute(S("an attribute of its own"), S("v")); }), 0u);
    EXPECT_GT(points([](DOM& dom) { Find(dom, "empty")->insertAttributeAt(0, Attr{S("first"), S("1"), 0}); }), 0u);
    EXPECT_GT(points([](DOM& dom) { dom.reset(); }), 0u);
}

TEST(OutOfMemory, NodesMovedBetweenParentsAllArriveOrNoneLeaves) {
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas(kDocument,
                                                   [](DOM& dom) {
                                                       DOMNode* root = dom.rootElement();
                                                       dom.moveChildren(root, 0, 3, Find(dom, "empty"), 0);
                                                   }),
              0u);
    EXPECT_GT(EveryFailureLeavesTheDocumentAsItWas(kDocument,
                                                   [](DOM& dom) {
                                                       DOMNode* deep = Find(dom, "deep");
                                                       const NodePlace from = dom.detach(deep);
                                                       try {
                                                           // "work" holds one child: a second needs room.
                                                           dom.attach(deep, dom.placeFor(Find(dom, "work"), Under));
                                                       } catch (...) {
                                                           dom.attach(deep, from);  // back where it was: room is there
                                                           throw;
                                                       }
                                                   }),
              0u);
}
