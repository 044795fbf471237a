#include "editors/DetailRows.h"

#include "core/Dom.h"
#include "document/DocumentText.h"
#include "document/ShownData.h"

using corvantis::DOMNode;

namespace DetailRows {

std::vector<QStringList> attributes(const DOMNode& node, const DocumentText& text) {
    std::vector<QStringList> rows;
    const int count = node.attributeCount();
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const corvantis::Attr* attribute = node.attributeAt(i);
        rows.push_back({text.toText(attribute->name), ShownData(attribute->value).text()});
    }
    return rows;
}

std::vector<QStringList> comments(const DOMNode& node, const DocumentText& text) {
    std::vector<QStringList> rows;
    for (int i = 0; i < node.childCount(); ++i) {
        const DOMNode* child = node.childAt(i);
        if (child->nodeType() == corvantis::COMMENT)
            rows.push_back({text.toMultiLineText(child->nodeValue())});
    }
    return rows;
}

std::vector<QStringList> processingInstructions(const DOMNode& node, const DocumentText& text) {
    std::vector<QStringList> rows;
    for (int i = 0; i < node.childCount(); ++i) {
        const DOMNode* child = node.childAt(i);
        if (child->nodeType() == corvantis::PROCESSING_INSTRUCTION)
            rows.push_back({text.toText(child->nodeName()), text.toMultiLineText(child->nodeValue())});
    }
    return rows;
}

DOMNode* commentAt(const DOMNode& node, int ordinal) {
    int seen = 0;
    for (int i = 0; i < node.childCount(); ++i) {
        DOMNode* child = node.childAt(i);
        if (child->nodeType() != corvantis::COMMENT) continue;
        if (seen == ordinal) return child;
        ++seen;
    }
    return nullptr;
}

DOMNode* firstProcessingInstruction(const DOMNode& node, const corvantis::StringObject& target) {
    for (int i = 0; i < node.childCount(); ++i) {
        DOMNode* child = node.childAt(i);
        if (child->nodeType() == corvantis::PROCESSING_INSTRUCTION && child->nodeName() == target)
            return child;
    }
    return nullptr;
}

}  // namespace DetailRows
