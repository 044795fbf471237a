#include "Attrlists.h"

#include "Dom.h"

namespace corvantis {

NodeList::~NodeList() {
    for (DOMNode* node : nodes_) delete node;
}

DOMNode* NodeList::at(int index) const noexcept {
    if (index < 0 || index >= count()) return nullptr;
    return nodes_[static_cast<std::size_t>(index)];
}

int NodeList::indexOf(const DOMNode* node) const noexcept {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i] == node) return static_cast<int>(i);
    return -1;
}

void NodeList::insertAt(int index, DOMNode* node) {
    if (index < 0) index = 0;
    if (index >= count()) {
        nodes_.push_back(node);
        return;
    }
    nodes_.insert(nodes_.begin() + index, node);
}

DOMNode* NodeList::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    DOMNode* node = nodes_[static_cast<std::size_t>(index)];
    nodes_.erase(nodes_.begin() + index);
    return node;
}

// Open-addressing table of positions into the attribute vector, keyed by name.
class AttributeList::Index {
public:
    template <typename Items>
    explicit Index(const Items& items) {
        std::size_t size = 64;
        while (size < items.size() * 2) size *= 2;
        slots_.assign(size, -1);
        for (std::size_t i = 0; i < items.size(); ++i) add(items, static_cast<int>(i));
    }
    bool needsRebuild(std::size_t count) const { return count * 2 > slots_.size(); }
    template <typename Items>
    int find(const Items& items, const StringObject& name) const {
        for (std::size_t s = hash(name) & mask();; s = (s + 1) & mask()) {
            const int i = slots_[s];
            if (i < 0) return -1;
            if (items[static_cast<std::size_t>(i)].name.equals(name)) return i;
        }
    }
    template <typename Items>
    void add(const Items& items, int index) {
        std::size_t s = hash(items[static_cast<std::size_t>(index)].name) & mask();
        while (slots_[s] >= 0) s = (s + 1) & mask();
        slots_[s] = index;
    }

private:
    std::size_t mask() const { return slots_.size() - 1; }
    static std::size_t hash(const StringObject& name) {
        std::size_t h = 1469598103934665603ull;
        const char* d = name.data();
        for (std::size_t i = 0; i < name.length(); ++i) h = (h ^ static_cast<unsigned char>(d[i])) * 1099511628211ull;
        return h;
    }
    std::vector<int> slots_;
};

namespace {
// Below this many attributes a straight scan is faster than hashing.
constexpr std::size_t indexThreshold = 16;
}  // namespace

AttributeList::AttributeList() = default;
AttributeList::~AttributeList() = default;

Attr* AttributeList::at(int index) noexcept {
    if (index < 0 || index >= count()) return nullptr;
    return &items_[static_cast<std::size_t>(index)];
}

const Attr* AttributeList::at(int index) const noexcept {
    if (index < 0 || index >= count()) return nullptr;
    return &items_[static_cast<std::size_t>(index)];
}

void AttributeList::rebuildIndex() const { index_ = std::make_unique<Index>(items_); }

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

DOMNode* DOMList::at(int index) const noexcept {
    if (index < 0 || index >= count()) return nullptr;
    return items_[static_cast<std::size_t>(index)];
}

void DOMList::put(int index, DOMNode* node) {
    if (index >= 0 && index < count())
        items_[static_cast<std::size_t>(index)] = node;
    else
        items_.push_back(node);
}

}  // namespace corvantis
