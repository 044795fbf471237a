// The rows the node details grids show for a node, and the children the
// editors address. Only a node's own attributes and direct children count:
// comments and processing instructions of descendants are not its details.
#pragma once

#include <QStringList>
#include <vector>

class DocumentText;

namespace corvantis {
class DOMNode;
class StringObject;
}  // namespace corvantis

namespace DetailRows {

// Name and value of every attribute, in list order.
std::vector<QStringList> attributes(const corvantis::DOMNode& node, const DocumentText& text);
// The text of every COMMENT child, in child order.
std::vector<QStringList> comments(const corvantis::DOMNode& node, const DocumentText& text);
// Target and value of every PROCESSING_INSTRUCTION child, in child order.
std::vector<QStringList> processingInstructions(const corvantis::DOMNode& node, const DocumentText& text);

// The COMMENT child with the given 0-based position among the COMMENT
// children, or null.
corvantis::DOMNode* commentAt(const corvantis::DOMNode& node, int ordinal);
// The first PROCESSING_INSTRUCTION child whose target equals `target` byte
// for byte, or null.
corvantis::DOMNode* firstProcessingInstruction(const corvantis::DOMNode& node,
                                               const corvantis::StringObject& target);

}  // namespace DetailRows
