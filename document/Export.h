// Taking notes out of the program: a folder with everything below it, or
// the whole document, as one self-contained HTML page, as CommonMark
// Markdown, or as PDF printed from the same HTML.
//
// Each folder becomes a heading by its depth below the exported folder
// (h1…h6, deeper folders as h6 with their depth in a small marker), followed
// by its attributes as a short list and its texts as paragraphs whose line
// breaks are kept. Headings never nest, so the output grows with the
// document alone, however deep it is. Comments and processing instructions
// are left out. Every character of the document is written as text:
// nothing in a note can become markup, a script or a link.
//
// The output is UTF-8 whatever the document's encoding; every text is read
// through the document's own conversion (DocumentText).
#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/SaveFile.h"

class Document;
class QPagedPaintDevice;
class QTextDocument;
namespace corvantis {
class DOMNode;
}

enum class ExportFormat { Html, Markdown, Pdf };

// The first folder in document order whose path, as the path panel shows
// it (the names from the top element down joined by "/", empty names left
// out), is `path`; none when no folder has it.
const corvantis::DOMNode* folderWithPath(const Document& document, const QString& path);

// The export's title: the exported folder's name, for the whole document
// its top element's.
QString exportTitle(const Document& document, const corvantis::DOMNode* top);

// "html", "md" or "pdf" (any case); none for another name.
std::optional<ExportFormat> exportFormatNamed(const QString& name);
// The usual file name extension, without the dot.
QString exportFileExtension(ExportFormat format);

// The bytes of an export, in one block that grows without being copied
// (a large one is extended where it lies).
class ExportText {
public:
    ExportText() = default;
    ExportText(ExportText&& other) noexcept;
    ExportText& operator=(ExportText&& other) noexcept;
    ExportText(const ExportText&) = delete;
    ExportText& operator=(const ExportText&) = delete;
    ~ExportText();

    std::string_view view() const { return {data_, size_}; }

private:
    friend class ExportSink;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// `top` is an element (the folder exported with everything below it) or
// null for the whole document.
ExportText htmlExport(const Document& document, const corvantis::DOMNode* top);
ExportText markdownExport(const Document& document, const corvantis::DOMNode* top);
// The HTML export laid out for paper, as Print and the PDF export print it.
// Needs a QGuiApplication (fonts); one on the offscreen platform will do.
std::unique_ptr<QTextDocument> printableExport(const Document& document, const corvantis::DOMNode* top);
// Prints `pages` (printableExport) on the device's pages, sized as a browser
// prints the HTML page whatever the device's resolution.
void printExportPages(QTextDocument& pages, QPagedPaintDevice& device);
// The PDF export's pages: A4, portrait, 18 mm margins.
QPageLayout pdfExportLayout();
// The PDF file's bytes, on pages of `layout`. Needs a QGuiApplication as above.
QByteArray pdfExport(const Document& document, const corvantis::DOMNode* top,
                     const QPageLayout& layout = pdfExportLayout());

// Writes the export as the file `path` through the program's save routine,
// so an existing file there is replaced as Save replaces one; a file Save
// would refuse to replace is refused here too (the outcome's error says
// why).
// A PDF is laid out on pages of `pdfLayout`.
SaveOutcome exportToFile(const Document& document, const corvantis::DOMNode* top, ExportFormat format,
                         const QString& path, const QPageLayout& pdfLayout = pdfExportLayout());
