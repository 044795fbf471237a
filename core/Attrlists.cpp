#include "Attrlists.h"

#include <algorithm>
#include <cstdint>

#include "Dom.h"

namespace corvantis {

NodeList::~NodeList() {
    for (DOMNode* node : nodes_) delete node;
}

void NodeList::prepend(DOMNode* node) {
    nodes_.insert(nodes_.begin(), node);
    textCount_ += isText(node);
}

int NodeList::indexOf(const DOMNode* node) const noexcept {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i] == node) return static_cast<int>(i);
    return -1;
}

void NodeList::insertAt(int index, DOMNode* node) {
    if (index < 0) index = 0;
    if (index >= count())
        nodes_.push_back(node);
    else
        nodes_.insert(nodes_.begin() + index, node);
    textCount_ += isText(node);
}

void NodeList::insertAt(int index, const std::vector<DOMNode*>& nodes) {
    const auto at = nodes_.begin() + std::clamp(index, 0, count());
    nodes_.insert(at, nodes.begin(), nodes.end());
    for (const DOMNode* node : nodes) textCount_ += isText(node);
}

void NodeList::erase(int first, int end) {
    first = std::clamp(first, 0, count());
    end = std::clamp(end, first, count());
    for (int i = first; i < end; ++i) textCount_ -= isText(nodes_[static_cast<std::size_t>(i)]);
    nodes_.erase(nodes_.begin() + first, nodes_.begin() + end);
}

DOMNode* NodeList::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    DOMNode* node = nodes_[static_cast<std::size_t>(index)];
    nodes_.erase(nodes_.begin() + index);
    textCount_ -= isText(node);
    return node;
}

// Open-addressing table of positions into the attribute vector, keyed by name.
class AttributeList::Index {
public:
    // Sized for `expected` entries (at least those there are), so a list
    // reserved ahead is indexed once.
    template <typename Items>
    Index(const Items& items, std::size_t expected) {
        std::size_t size = 64;
        while (size < std::max(items.size(), expected) * 2) size *= 2;
        slots_.assign(size, Slot{-1, 0});
        for (std::size_t i = 0; i < items.size(); ++i) add(items, static_cast<int>(i));
    }
    bool needsRebuild(std::size_t count) const { return count * 2 > slots_.size(); }
    template <typename Items>
    int find(const Items& items, const StringObject& name) const {
        const std::size_t h = hash(name);
        const auto check = static_cast<std::uint32_t>(h >> 32);
        for (std::size_t s = h & mask();; s = (s + 1) & mask()) {
            const Slot& slot = slots_[s];
            if (slot.index < 0) return -1;
            // The stored hash bits spare most visits to the attribute itself.
            if (slot.check == check && items[static_cast<std::size_t>(slot.index)].name.equals(name))
                return slot.index;
        }
    }
    template <typename Items>
    void add(const Items& items, int index) {
        const std::size_t h = hash(items[static_cast<std::size_t>(index)].name);
        std::size_t s = h & mask();
        while (slots_[s].index >= 0) s = (s + 1) & mask();
        slots_[s] = Slot{index, static_cast<std::uint32_t>(h >> 32)};
    }

private:
    struct Slot {
        int index;
        std::uint32_t check;
    };
    std::size_t mask() const { return slots_.size() - 1; }
    static std::size_t hash(const StringObject& name) {
        std::uint64_t h = 1469598103934665603ull;
        const char* d = name.data();
        for (std::size_t i = 0; i < name.length(); ++i) h = (h ^ static_cast<unsigned char>(d[i])) * 1099511628211ull;
        // Names that differ only in their last bytes differ little in the
        // low bits of the product: mix the high bits down.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }
    std::vector<Slot> slots_;
};

namespace {
// Below this many attributes a straight scan is faster than hashing.
constexpr std::size_t indexThreshold = 16;
}  // namespace

AttributeList::AttributeList() = default;
AttributeList::~AttributeList() = default;

void AttributeList::rebuildIndex() const { index_ = std::make_unique<Index>(items_, items_.capacity()); }

int AttributeList::indexOf(const StringObject& name) const {
    if (items_.size() < indexThreshold) {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].name.equals(name)) return static_cast<int>(i);
        return -1;
    }
    if (!index_) rebuildIndex();
    return index_->find(items_, name);
}

bool AttributeList::set(StringObject name, StringObject value, std::uint8_t flag) {
    const int existing = indexOf(name);
    if (existing >= 0) {
        items_[static_cast<std::size_t>(existing)].value = std::move(value);
        return true;
    }
    items_.push_back(Attr{std::move(name), std::move(value), flag});
    if (index_) {
        if (index_->needsRebuild(items_.size()))
            rebuildIndex();
        else
            index_->add(items_, count() - 1);
    }
    return false;
}

bool AttributeList::remove(const StringObject& name) {
    const int i = indexOf(name);
    if (i < 0) return false;
    items_.erase(items_.begin() + i);
    index_.reset();  // positions moved; rebuilt on the next lookup that needs it
    return true;
}

void AttributeList::insertAt(int index, const Attr& attribute) {
    const auto at = static_cast<std::size_t>(std::clamp(index, 0, count()));
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), attribute);
    index_.reset();  // positions moved
}

void AttributeList::rename(int index, StringObject name) {
    if (index < 0 || index >= count()) return;
    items_[static_cast<std::size_t>(index)].name = std::move(name);
    index_.reset();  // the name is filed under its old hash
}

void DOMList::addChunk() { chunks_.emplace_back(chunkMask + 1); }

void DOMList::put(int index, DOMNode* node) {
    if (index >= 0 && index < count()) {
        const auto i = static_cast<std::size_t>(index);
        chunks_[i >> chunkBits][i & chunkMask] = node;
    } else {
        append(node);
    }
}

}  // namespace corvantis
