#include "document/InsertedXml.h"

#include "document/Document.h"
#include "document/EncodingLimits.h"
#include "document/FileEncoding.h"

using corvantis::DOMNode;

namespace {

// The declarations that belong to the top of a document only.
bool isDocumentDeclaration(const DOMNode* node) {
    if (node->nodeType() == corvantis::DOCUMENT_TYPE) return node->nodeValue().view().substr(0, 7) == "DOCTYPE";
    return node->nodeType() == corvantis::PROCESSING_INSTRUCTION && node->nodeName().length() == 3 &&
           node->nodeName().findIgnoreCase("xml") == 0;
}

}  // namespace

InsertedXml readInsertedXml(Document& document, const QByteArray& bytes, const QString& source) {
    InsertedXml inserted;
    const DecodedFile file = decodeFile(bytes);
    if (file.content != FileContent::Xml) {
        inserted.refusalCaption = NotXmlCaption;
        inserted.refusal = notXmlMessage(source, file.content) + "\n\nNothing was inserted.";
        return inserted;
    }
    inserted.nodes = document.dom().parseFragment(file.text.constData(), static_cast<std::size_t>(file.text.size()));
    inserted.error = document.dom().error();
    // Only a document's top may hold them, and these nodes go under an element.
    DOMNode* top = inserted.nodes.get();
    for (DOMNode* node : top->childNodes()->takeAll()) {
        if (isDocumentDeclaration(node))
            delete node;
        else
            top->appendChild(node);
    }
    const EncodingLimits::Unholdable unholdable = EncodingLimits::unholdable(*top, document.text());
    if (!unholdable.characters.isEmpty()) {
        inserted.nodes.reset();
        inserted.refusalCaption = "Text Error";
        inserted.refusal = document.text().unstorableMessage(unholdable.characters);
    }
    return inserted;
}
