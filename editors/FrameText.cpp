#include "editors/FrameText.h"

#include <cstring>
#include <memory>
#include <algorithm>
#include <string>

#include "core/CharacterData.h"
#include "widgets/HugePages.h"

using corvantis::DataPiece;
using corvantis::DataPieces;
using corvantis::KeptMark;

namespace {

bool holdsZero(std::string_view bytes) { return std::memchr(bytes.data(), KeptMark, bytes.size()) != nullptr; }

}  // namespace

FrameText::FrameText(const corvantis::StringObject& data) {
    if (!holdsZero(data.view())) {
        auto shared = std::make_shared<const corvantis::StringObject>(data);
        shown_ = SharedBytes(shared, shared->view());
        return;
    }
    auto shown = std::make_shared<std::string>();
    shown->reserve(data.length());
    DataPieces pieces(data.view());
    DataPiece piece;
    while (pieces.next(piece)) {
        if (piece.kept) kept_.push_back({shown->size(), piece.text.size()});
        shown->append(piece.text);
    }
    shown_ = SharedBytes(shown, *shown);
}

void FrameText::follow(const LargeText::Change& change) {
    if (kept_.empty()) return;
    const std::size_t end = change.from + change.removed;
    std::vector<Kept> kept;
    for (const Kept& k : kept_) {
        // Touched: bytes of it removed, or bytes put in inside it.
        const bool touched = change.removed > 0 ? k.start < end && change.from < k.start + k.length
                                                : k.start < change.from && change.from < k.start + k.length;
        if (touched) continue;
        kept.push_back(k.start < change.from ? k : Kept{k.start + change.inserted - change.removed, k.length});
    }
    kept_ = std::move(kept);
}

corvantis::StringObject FrameText::data(const LargeText& field) const {
    corvantis::StringObject data;
    data.reserve(field.size());
    preferHugePages(data.data(), data.capacity());
    // Characters, each zero byte held as two.
    const auto characters = [&](std::size_t from, std::size_t to) {
        for (std::string_view part : field.parts(from, to)) {
            for (const char* zero; (zero = static_cast<const char*>(std::memchr(part.data(), KeptMark, part.size())));) {
                const auto upTo = static_cast<std::size_t>(zero - part.data()) + 1;
                data.append(part.substr(0, upTo));
                data.append(KeptMark);
                part.remove_prefix(upTo);
            }
            data.append(part);
        }
    };
    std::size_t done = 0;
    for (const Kept& k : kept_) {
        // Followed, so untouched: still the reference as it was written.
        characters(done, k.start);
        data.append(KeptMark);
        data.append(field.bytes(k.start, k.start + k.length));
        done = k.start + k.length;
    }
    characters(done, field.size());
    return data;
}

std::size_t FrameText::shownOffset(std::string_view data, std::size_t offset) {
    offset = std::min(offset, data.size());
    if (!holdsZero(data.substr(0, offset))) return offset;
    const char* const begin = data.data();
    DataPieces pieces(data);
    DataPiece piece;
    std::size_t shown = 0;
    for (const char* start = begin; pieces.next(piece); start = pieces.position()) {
        const auto from = static_cast<std::size_t>(start - begin);
        const auto to = static_cast<std::size_t>(pieces.position() - begin);
        if (offset < to) {
            // A kept reference shows after its mark; a doubled zero as one.
            if (piece.kept) return shown + (offset > from ? offset - from - 1 : 0);
            return shown + (piece.text.data() == start ? offset - from : 0);
        }
        shown += piece.text.size();
    }
    return shown;
}
