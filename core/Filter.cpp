#include "Filter.h"

#include <algorithm>

namespace corvantis {

namespace {

// What visiting a node costs besides the bytes of its texts, so a budget
// also bounds a walk over many small folders.
constexpr std::size_t NodeCost = 16;

}  // namespace

FolderFilter::FolderFilter(const std::vector<FilterTerm>& terms) {
    for (const FilterTerm& term : terms) {
        const bool inAttribute = !term.attribute.empty();
        // An empty word asks nothing of a folder, unless it asks for an attribute.
        if (term.word.empty() && !inAttribute) continue;
        Term made{term.attribute, inAttribute, std::nullopt};
        if (!term.word.empty()) made.word.emplace(term.word, SearchOptions{});
        terms_.push_back(std::move(made));
    }
}

bool FolderFilter::matches(const DOMNode& folder, std::size_t& work) const {
    if (terms_.empty()) return false;
    for (const Term& term : terms_)
        if (!holds(folder, term, work)) return false;
    return true;
}

bool FolderFilter::holds(const DOMNode& folder, const Term& term, std::size_t& work) const {
    // Character data (texts and attribute values) matches a kept reference
    // as it was written.
    const auto in = [&](const StringObject& text, bool characterData = false) {
        work += text.length();
        std::size_t offset = 0;
        std::size_t length = 0;
        return term.word->find(text.view(), 0, offset, length, characterData);
    };
    const int attributes = folder.attributeCount();
    if (term.inAttribute) {
        for (int i = 0; i < attributes; ++i) {
            const Attr* attribute = folder.attributeAt(i);
            if (attribute->name.view() == term.attribute) return !term.word || in(attribute->value, true);
        }
        return false;
    }
    if (in(folder.nodeName())) return true;
    for (int i = 0; i < attributes; ++i) {
        const Attr* attribute = folder.attributeAt(i);
        if (in(attribute->name) || in(attribute->value, true)) return true;
    }
    for (int i = 0, count = folder.childCount(); i < count; ++i) {
        const DOMNode* child = folder.childAt(i);
        const NodeType type = child->nodeType();
        if ((type == TEXT || type == CDATA_SECTION || type == COMMENT) && in(child->nodeValue(), type == TEXT))
            return true;
    }
    return false;
}

FilterWalk::FilterWalk(const DOMNode& top, std::int32_t topDepth, const FolderFilter& filter) : filter_(filter) {
    stack_.push_back({&top, 0, topDepth});
}

bool FilterWalk::run(std::size_t budget, std::vector<FilterRow>& rows) {
    std::size_t done = 0;
    while (!stack_.empty() && done < budget) {
        Frame& frame = stack_.back();
        if (frame.next >= frame.node->childCount()) {
            stack_.pop_back();
            shown_ = std::min(shown_, stack_.size());
            continue;
        }
        const DOMNode* child = frame.node->childAt(frame.next++);
        done += NodeCost;
        if (child->nodeType() != ELEMENT) continue;
        const std::int32_t depth = frame.depth + 1;
        const bool matches = filter_.matches(*child, done);
        if (matches) {
            // The folders above it that have no row yet, from the top down.
            for (std::size_t i = shown_; i < stack_.size(); ++i)
                rows.push_back({stack_[i].node, stack_[i].depth, false});
            rows.push_back({child, depth, true});
            shown_ = stack_.size();
        }
        if (child->childCount() > 0) {
            stack_.push_back({child, 0, depth});
            if (matches) shown_ = stack_.size();
        }
    }
    return finished();
}

}  // namespace corvantis
