#include "document/InsertedXml.h"

#include <QLocale>
#include <new>

#include "document/Document.h"
#include "document/EncodingLimits.h"
#include "document/FileEncoding.h"
#include "document/FileError.h"

using corvantis::DOMNode;

namespace {

// The declarations that belong to the top of a document only.
bool isDocumentDeclaration(const DOMNode* node) {
    if (node->nodeType() == corvantis::DOCUMENT_TYPE) return node->nodeValue().view().substr(0, 7) == "DOCTYPE";
    return node->nodeType() == corvantis::PROCESSING_INSTRUCTION && node->nodeName().length() == 3 &&
           node->nodeName().findIgnoreCase("xml") == 0;
}

// Out of memory: the file's error, as Open gives it, or the clipboard's.
InsertedXml tooLarge(const QByteArray& bytes, const QString& source, InsertedFrom from) {
    InsertedXml refused;
    if (from == InsertedFrom::File) {
        refused.refusalCaption = "File Error";
        refused.refusal = FileError::ofMemory(source, bytes.size()).message();
    } else {
        refused.refusalCaption = "Paste Error";
        refused.refusal = QString("%1 holds %2, more than there is memory for. Nothing was changed.")
                              .arg(source, QLocale().formattedDataSize(bytes.size(), 1));
    }
    return refused;
}

InsertedXml read(Document& document, const QByteArray& bytes, const QString& source) {
    InsertedXml inserted;
    const DecodedFile file = decodeFile(bytes);
    if (file.content != FileContent::Xml) {
        inserted.refusalCaption = NotXmlCaption;
        inserted.refusal = notXmlMessage(source, file.content) + "\n\nNothing was inserted.";
        return inserted;
    }
    inserted.nodes = document.readFragment(file.text.constData(), static_cast<std::size_t>(file.text.size()),
                                           inserted.error);
    // Only a document's top may hold them, and these nodes go under an element.
    corvantis::NodeList& nodes = *inserted.nodes->childNodes();
    for (int i = nodes.count(); i-- > 0;)
        if (isDocumentDeclaration(nodes.at(i))) delete nodes.takeAt(i);
    const EncodingLimits::Unholdable unholdable = EncodingLimits::unholdable(*inserted.nodes, document.text());
    if (!unholdable.characters.isEmpty()) {
        inserted.nodes.reset();
        inserted.refusalCaption = "Text Error";
        inserted.refusal = document.text().unstorableMessage(unholdable.characters);
    }
    return inserted;
}

}  // namespace

InsertedXml readInsertedXml(Document& document, const QByteArray& bytes, const QString& source, InsertedFrom from) {
    try {
        return read(document, bytes, source);
    } catch (const std::bad_alloc&) {
        return tooLarge(bytes, source, from);
    }
}
