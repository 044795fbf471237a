// Running out of memory: the allocation seam.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <thread>

#include "TestSupport.h"
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

TEST(AllocationLimit, TheNewestLimitDecidesAndOnlyOnItsOwnThread) {
    AllocationLimit outer;
    {
        AllocationLimit inner = AllocationLimit::failingAt(1);
        EXPECT_THROW(MakeLongString(), std::bad_alloc);
        EXPECT_NO_THROW(MakeLongString());  // only the first one fails
        std::thread other([] { EXPECT_NO_THROW(MakeLongString()); });
        other.join();
    }
    EXPECT_EQ(outer.allocations(), 0u);
    MakeLongString();
    EXPECT_EQ(outer.allocations(), 1u);
}
