// The pools under AddressSanitizer: misuse of pooled memory is reported as
// misuse of memory from malloc is. (Built with the sanitizer only.)
#include <gtest/gtest.h>

#include "core/Pools.h"

#ifdef CORVANTIS_POOL_CHECKED

#include <sanitizer/lsan_interface.h>

#include <cstring>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "core/Dom.h"

using namespace corvantis;
using namespace corvantis::testing;

namespace {

// A string whose storage is a pooled block, with `extra` bytes written past
// the room it has.
void WritePastAPooledString(std::size_t extra) {
    StringObject text("twenty-one bytes long");
    char* storage = const_cast<char*>(text.data());
    std::memset(storage, 'x', text.capacity() + 1 + extra);  // its room and terminator, and more
}

}  // namespace

TEST(PoolCheckDeathTest, WritingPastABlockIsCaughtBeforeItReachesTheNext) {
    auto node = std::make_unique<DOMNode>(ELEMENT, nullptr);
    auto neighbour = std::make_unique<DOMNode>(ELEMENT, nullptr);
    EXPECT_DEATH(std::memset(static_cast<void*>(node.get()), 0, sizeof(DOMNode) + 1), "use-after-poison");
    EXPECT_DEATH(WritePastAPooledString(1), "use-after-poison");
    // A block's bytes beyond what was asked for belong to nobody.
    EXPECT_DEATH(
        {
            auto* block = static_cast<char*>(detail::allocateBlock(41));
            block[41] = 1;
        },
        "use-after-poison");
    WritePastAPooledString(0);
}

TEST(PoolCheckDeathTest, UsingOrFreeingAFreedBlockIsCaught) {
    EXPECT_DEATH(
        {
            DOMNode* node = new DOMNode(ELEMENT, nullptr);
            delete node;
            node->setOccurrence('*');
        },
        "use-after-poison");
    EXPECT_DEATH(
        {
            void* block = detail::allocateBlock(48);
            detail::releaseBlock(block, 48);
            detail::releaseBlock(block, 48);
        },
        "use-after-poison");
}

TEST(PoolCheck, AFreedBlockWaitsBeforeItIsHandedOutAgain) {
    using Pool = detail::FixedPool<64>;
    void* freed = Pool::allocate();
    Pool::release(freed);
    bool reused = false;
    for (int i = 0; i < 1000; ++i) reused |= Pool::allocate() == freed;
    EXPECT_FALSE(reused);
}

// Large strings come from malloc and are held only by pooled nodes: the leak
// checker must see them as reachable while the document lives.
TEST(PoolCheck, MemoryHeldByPooledNodesIsNoLeak) {
    DOM dom(S("doc"));
    Parse(dom, "<root a=\"" + std::string(1000, 'v') + "\">" + std::string(1000, 't') + "</root>");
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
}

#endif
