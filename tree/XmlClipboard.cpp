#include "tree/XmlClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "document/Document.h"
#include "document/DocumentText.h"

namespace {

const char* const XmlFormat = "application/xml";

// Drops a byte order mark, leading blanks and an XML declaration.
QString withoutDeclaration(const QString& xml) {
    qsizetype start = 0;
    while (start < xml.size() && (xml.at(start).isSpace() || xml.at(start) == QChar(0xFEFF))) ++start;
    if (xml.mid(start, 5) == "<?xml" && start + 5 < xml.size() &&
        (xml.at(start + 5).isSpace() || xml.at(start + 5) == '?')) {
        const qsizetype end = xml.indexOf("?>", start);
        start = end < 0 ? xml.size() : end + 2;
    }
    return xml.mid(start);
}

}  // namespace

void putOnClipboard(const Document& document, const corvantis::DOMNode* node) {
    QString xml = document.text().toText(document.dom().serialize(node));
    // The writer starts a folder on a line of its own; here it starts at once.
    qsizetype start = 0;
    while (start < xml.size() && xml.at(start).isSpace()) ++start;
    xml.remove(0, start);
    auto* data = new QMimeData;
    data->setData(XmlFormat, xml.toUtf8());
    data->setText(QString(xml).replace("\r\n", "\n"));
    QGuiApplication::clipboard()->setMimeData(data);
}

ClipboardXml xmlFromClipboard(const DocumentText& text, corvantis::StringObject& bytes, QString& unstorable) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return ClipboardXml::Nothing;
    QString xml;
    if (data->hasFormat(XmlFormat)) {
        const QByteArray raw = data->data(XmlFormat);
        if (raw.size() > ClipboardLimit) return ClipboardXml::TooLarge;
        // In the encoding its declaration names, else UTF-8 where it is valid UTF-8.
        xml = DocumentText::forFile(raw.constData(), static_cast<std::size_t>(raw.size()))
                  .toText(corvantis::StringObject(raw.constData(), static_cast<std::size_t>(raw.size())));
    } else if (data->hasText()) {
        xml = data->text();
        if (xml.size() > ClipboardLimit) return ClipboardXml::TooLarge;
    }
    xml = withoutDeclaration(xml);
    if (xml.trimmed().isEmpty()) return ClipboardXml::Nothing;
    if (!text.toBytes(xml, bytes)) {
        unstorable = xml;
        return ClipboardXml::Unstorable;
    }
    return ClipboardXml::Read;
}
