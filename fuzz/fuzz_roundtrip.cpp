// Arbitrary bytes are read, written, read and written again, twice. Nothing
// may crash or trip a sanitizer, every read must leave a sound tree, a deep
// copy of the top-level element must write exactly as the element does, and
// once the writer has put a document into its own form, reading and writing
// it again changes nothing.
#include <cstddef>
#include <cstdint>
#include <memory>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    return 0;
}
