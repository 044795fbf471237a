#include "app/ExportCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

#include "document/Document.h"
#include "document/Export.h"
#include "document/SaveAs.h"
#include "document/Selection.h"
#include "document/UserQuestions.h"

using corvantis::DOMNode;

namespace {

const char* const FileTypes = "HTML (*.html)|*.html|Markdown (*.md)|*.md|PDF (*.pdf)|*.pdf";

QString formatName(ExportFormat format) {
    switch (format) {
        case ExportFormat::Html: return "HTML";
        case ExportFormat::Markdown: return "Markdown";
        case ExportFormat::Pdf: return "PDF";
    }
    return QString();
}

}  // namespace

ExportCommands::ExportCommands(Document& document, Selection& selection, UserQuestions& dialogs, QObject* parent)
    : QObject(parent), document_(document), selection_(selection), dialogs_(dialogs) {}

const DOMNode* ExportCommands::exportedFolder() const {
    const DOMNode* current = selection_.currentNode();
    return current && current->nodeType() == corvantis::ELEMENT ? current : nullptr;
}

QString ExportCommands::nameOf(const DOMNode* top) const {
    return top ? QString("'%1'").arg(exportTitle(document_, top)) : tr("the whole document");
}

void ExportCommands::exportSelection() {
    if (!document_.commitPendingEdits()) return;
    const QString proposed = exportTitle(document_, exportedFolder()) + "." + exportFileExtension(ExportFormat::Html);
    UserQuestions::FileRequest request{tr("Export"), FileTypes, proposed, fileDialogFolder(document_)};
    // Asked below, about the name with its extension.
    request.askBeforeReplacing = false;
    request.addChosenExtension = true;
    const QString name = dialogs_.saveFileName(request);
    if (name.isEmpty()) return;
    const QString shownName = QDir::toNativeSeparators(name);
    const std::optional<ExportFormat> format = exportFormatNamed(QFileInfo(name).suffix());
    if (!format) {
        dialogs_.inform(tr("%1 is not exported: its name ends in none of .html (HTML), .md (Markdown) and .pdf (PDF), "
                           "which say what to write.")
                            .arg(shownName),
                        tr("Export"));
        return;
    }
    if (QFileInfo::exists(name) &&
        dialogs_.message(tr("%1 already exists.\nDo you want to replace it?").arg(shownName), tr("Confirm Export"),
                         UserQuestions::Buttons::YesNo) != UserQuestions::Answer::Yes)
        return;
    const DOMNode* top = exportedFolder();
    const SaveOutcome outcome = exportToFile(document_, top, *format, name);
    if (outcome.status != SaveOutcome::Status::Saved) dialogs_.showFileError(outcome.error);
    if (outcome.status != SaveOutcome::Status::Failed)
        emit note(tr("Exported %1 as %2 to %3").arg(nameOf(top), formatName(*format), shownName));
}

void ExportCommands::print() {
    if (!document_.commitPendingEdits()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(exportTitle(document_, exportedFolder()));
    if (!dialogs_.setUpPrinter(printer)) return;
    const DOMNode* top = exportedFolder();
    // Printed to a file: written through the save routine, as every file
    // the program writes, on the pages the dialog chose.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        const QString name = printer.outputFileName();
        const SaveOutcome outcome = exportToFile(document_, top, ExportFormat::Pdf, name, printer.pageLayout());
        if (outcome.status != SaveOutcome::Status::Saved) dialogs_.showFileError(outcome.error);
        if (outcome.status != SaveOutcome::Status::Failed)
            emit note(tr("Printed %1 to %2").arg(nameOf(top), QDir::toNativeSeparators(name)));
        return;
    }
    printExportPages(*printableExport(document_, top), printer);
    if (printer.printerState() == QPrinter::Error)
        dialogs_.inform(tr("%1 could not be printed: the printer refused it.").arg(nameOf(top)), tr("Print"));
    else
        emit note(tr("Printed %1").arg(nameOf(top)));
}

void ExportCommands::printPreview() {
    if (!document_.commitPendingEdits()) return;
    QPrinter printer(QPrinter::HighResolution);
    const DOMNode* top = exportedFolder();
    printer.setDocName(exportTitle(document_, top));
    // The preview keeps its own pages while it is open.
    const std::unique_ptr<QTextDocument> pages = printableExport(document_, top);
    dialogs_.previewPrint(printer, [&pages](QPrinter* shown) { printExportPages(*pages, *shown); });
}
