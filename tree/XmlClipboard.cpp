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

ClipboardXml xmlFromClipboard(QByteArray& bytes) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return ClipboardXml::Nothing;
    if (data->hasFormat(XmlFormat)) {
        bytes = data->data(XmlFormat);
    } else if (data->hasText()) {
        const QString text = data->text();
        if (text.size() > ClipboardLimit) return ClipboardXml::TooLarge;
        bytes = withoutDeclaration(text).toUtf8();
    }
    if (bytes.size() > ClipboardLimit) return ClipboardXml::TooLarge;
    return bytes.trimmed().isEmpty() ? ClipboardXml::Nothing : ClipboardXml::Read;
}
