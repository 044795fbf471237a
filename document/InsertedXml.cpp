#include "document/InsertedXml.h"

#include "document/Document.h"
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
    QByteArray text = file.text;
    if (file.encoding.text.encoding() != document.text().encoding()) {
        const QString characters = file.encoding.text.toText(std::string_view(text.constData(), text.size()));
        corvantis::StringObject converted;
        if (!document.text().toBytes(characters, converted)) {
            inserted.refusalCaption = "Text Error";
            inserted.refusal = document.text().unstorableMessage(characters);
            return inserted;
        }
        text = QByteArray(converted.data(), static_cast<qsizetype>(converted.length()));
    }
    inserted.nodes = document.readFragment(text.constData(), static_cast<std::size_t>(text.size()), inserted.error);
    // Only a document's top may hold them, and these nodes go under an element.
    DOMNode* top = inserted.nodes.get();
    for (DOMNode* node : top->childNodes()->takeAll()) {
        if (isDocumentDeclaration(node))
            delete node;
        else
            top->appendChild(node);
    }
    return inserted;
}
