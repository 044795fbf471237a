// Arbitrary bytes are read, written, read and written again, twice. Nothing
// may crash or trip a sanitizer, every read must leave a sound tree, a deep
// copy of the top-level element must write exactly as the element does, and
// once the writer has put a document into its own form, reading and writing
// it again changes nothing. The bytes are read once more with one of the
// read's allocations failing (which one follows from the bytes): the read
// must throw and leave the document empty. No block of the model may be
// left over at the end.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string_view>

#include "core/AllocationLimit.h"
#include "core/Dom.h"
#include "Require.h"

namespace {

using namespace corvantis;
using corvantis::fuzz::require;

// Reads `bytes` into a fresh document, checks it and returns its text.
StringObject readAndWrite(DOM& dom, const char* bytes, std::size_t length) {
    const int result = dom.parse(bytes, length);
    require(result == 1 || (result == 0 && dom.error().code == DOMError::TooManyEndTags),
            "a read stopped without saying why");
    fuzz::requireSound(dom, 1);
    return dom.serialize();
}

void checkCopyWritesAlike(DOM& dom) {
    const DOMNode* root = dom.rootElement();
    if (root == nullptr) {
        return;
    }
    const std::unique_ptr<DOMNode> copy(dom.copySubtree(root));
    require(checks::fingerprint(copy.get()) == checks::fingerprint(root), "a copy differs from its source");
    require(dom.serialize(copy.get()) == dom.serialize(root), "a copy writes differently from its source");
}

void checkReadRunningOutOfMemory(const char* bytes, std::size_t length) {
    std::size_t allocations = 0;
    {
        DOM dom("Corvantis");
        const AllocationLimit counting;
        dom.parse(bytes, length);
        allocations = counting.allocations();
    }
    if (allocations == 0) return;
    const std::size_t failing = 1 + std::hash<std::string_view>()(std::string_view(bytes, length)) % allocations;
    DOM dom("Corvantis");
    bool threw = false;
    {
        const AllocationLimit limit = AllocationLimit::failingAt(failing);
        try {
            dom.parse(bytes, length);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        require(limit.blocksHeld() == 0, "a read that ran out of memory left blocks behind");
    }
    require(threw, "a read went on after an allocation failed");
    require(dom.documentNode()->childCount() == 0, "a read that ran out of memory left nodes behind");
    fuzz::requireSound(dom, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Pooled blocks are no malloc chunks: the leak checker cannot see them.
    const AllocationLimit counting;
    {
        DOM first("Corvantis");
        const StringObject firstText = readAndWrite(first, reinterpret_cast<const char*>(data), size);
        checkCopyWritesAlike(first);
        first.renumberElements();
        fuzz::requireSound(first, 0);

        DOM second("Corvantis");
        const StringObject secondText = readAndWrite(second, firstText.data(), firstText.length());
        DOM third("Corvantis");
        const StringObject thirdText = readAndWrite(third, secondText.data(), secondText.length());
        require(thirdText == secondText, "a saved document reads back as another one");

        checkReadRunningOutOfMemory(reinterpret_cast<const char*>(data), size);
    }
    require(counting.blocksHeld() == 0, "a block of the model was never given back");
    return 0;
}
