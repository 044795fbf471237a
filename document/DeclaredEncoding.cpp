#include "document/DeclaredEncoding.h"

#include "document/Document.h"
#include "document/EncodingLimits.h"

namespace {

bool namesUtf16(const QString& name) {
    return name.isEmpty() || name.startsWith("UTF-16", Qt::CaseInsensitive) ||
           name.startsWith("UTF16", Qt::CaseInsensitive);
}

// What keeps `to` from holding the document's text, said for a message box;
// empty when nothing does. `newData` goes in with the rest.
QString unconvertibleMessage(const Document& document, const DocumentText& to, const QString& newData) {
    const EncodingLimits::Unholdable found = EncodingLimits::unholdable(*document.documentNode(), to);
    QString characters = found.characters;
    for (const QChar c : to.unstorableCharacters(newData))
        if (!characters.contains(c)) characters += c;
    if (characters.isEmpty()) return QString();
    QString where;
    if (const corvantis::DOMNode* node = found.firstNode) {
        if (node->nodeType() != corvantis::ELEMENT) node = node->parentNode();
        const QString path = node ? document.text().toText(node->path()) : QString();
        if (!path.isEmpty()) where = QString(" (the first in %1)").arg(path);
    }
    return QString(
               "This document cannot be stored as %1, which cannot hold these characters: %2%3\n"
               "A folder's text or an attribute value keeps such a character as a character reference; a "
               "name, a comment, a processing instruction or a CDATA section cannot.\n"
               "Remove them before you declare encoding=\"%1\".")
        .arg(to.encodingName(), characters, where);
}

}  // namespace

DeclaredEncoding declaredEncoding(const Document& document, const QString& oldData, const QString& newData) {
    DeclaredEncoding result;
    const QString name = DocumentText::encodingNamedIn(newData);
    if (name.compare(DocumentText::encodingNamedIn(oldData), Qt::CaseInsensitive) == 0) return result;
    const FileEncoding& current = document.fileEncoding();
    if (current.isUtf16() && namesUtf16(name)) return result;

    const std::optional<DocumentText::Encoding> named =
        name.isEmpty() ? DocumentText::Encoding::Utf8 : DocumentText::encodingNamed(name);
    if (!named) {
        result.refusal = QString(
                             "This document can be stored as ISO-8859-1 or UTF-8, not as %1.\n"
                             "Declare encoding=\"ISO-8859-1\" or encoding=\"UTF-8\".")
                             .arg(name);
        return result;
    }
    FileEncoding wanted;
    wanted.text = DocumentText(*named);
    // A UTF-8 mark stays with UTF-8; ISO-8859-1 has none.
    wanted.byteOrderMark =
        !current.isUtf16() && current.byteOrderMark && *named == DocumentText::Encoding::Utf8;
    if (wanted == current) return result;
    result.refusal = unconvertibleMessage(document, wanted.text, newData);
    if (result.refusal.isEmpty()) result.convertTo = wanted;
    return result;
}
