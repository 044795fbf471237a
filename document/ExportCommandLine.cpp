#include "document/ExportCommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <exception>
#include <memory>

#include "document/Document.h"
#include "document/FileEncoding.h"
#include "document/ReadFile.h"

namespace {

const char* const Usage = "Usage: corvantis --export html|md|pdf FILE [--folder PATH] [-o OUT]";

void sayError(const QString& line) {
    std::fprintf(stderr, "corvantis: %s\n", line.toLocal8Bit().constData());
}

int usageError(const QString& reason) {
    sayError(reason);
    std::fprintf(stderr, "%s\n", Usage);
    return ExportUsageError;
}

int failed(const QString& reason) {
    sayError(reason);
    return ExportFailed;
}

// The file's reason on one line.
QString oneLine(QString text) { return text.replace('\n', ' ').simplified(); }

bool writeToStandardOutput(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

int exportDocument(const ExportRequest& request) {
    QByteArray bytes;
    FileError error;
    if (readWholeFile(request.file, bytes, error) != ReadResult::Read)
        return failed(QString("cannot read %1: %2").arg(request.file, oneLine(error.reason)));
    Document document;
    try {
        document.load(bytes, request.file, request.file);
    } catch (const std::exception& failure) {
        return failed(QString("cannot read %1: %2")
                          .arg(request.file, oneLine(FileError::ofReading(request.file, failure).reason)));
    }
    if (document.fileContent() != FileContent::Xml)
        return failed(oneLine(notXmlMessage(request.file, document.fileContent())));
    const corvantis::DOMNode* top = nullptr;
    if (request.folder) {
        top = folderWithPath(document, *request.folder);
        if (!top) return failed(QString("no folder has the path \"%1\" in %2").arg(*request.folder, request.file));
    }
    if (request.output.isEmpty()) {
        const ExportText text = request.format == ExportFormat::Html ? htmlExport(document, top)
                                                                      : markdownExport(document, top);
        return writeToStandardOutput(text.view()) ? ExportDone : failed("cannot write to standard output");
    }
    const SaveOutcome outcome = exportToFile(document, top, request.format, request.output);
    if (outcome.status == SaveOutcome::Status::Saved) return ExportDone;
    if (outcome.status == SaveOutcome::Status::NotConfirmed)
        return failed(QString("%1 was written, but the system did not confirm it is on disk: %2")
                          .arg(request.output, oneLine(outcome.error.reason)));
    return failed(QString("cannot write %1: %2").arg(request.output, oneLine(outcome.error.reason)));
}

}  // namespace

bool asksForExport(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") return false;
        if (argument == "--export" || argument.startsWith("--export=")) return true;
    }
    return false;
}

std::optional<ExportRequest> parseExportArguments(const QStringList& arguments, QString& error) {
    QCommandLineParser parser;
    const QCommandLineOption format("export", "", "format");
    const QCommandLineOption folder("folder", "", "path");
    const QCommandLineOption output(QStringList{"o", "output"}, "", "file");
    parser.addOptions({format, folder, output});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    ExportRequest request;
    const std::optional<ExportFormat> named = exportFormatNamed(parser.value(format));
    if (!named) {
        error = QString("unknown export format \"%1\": choose html, md or pdf").arg(parser.value(format));
        return std::nullopt;
    }
    request.format = *named;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        error = files.isEmpty() ? QString("name the file to export") : QString("name only one file to export");
        return std::nullopt;
    }
    request.file = QFileInfo(files.first()).absoluteFilePath();
    if (parser.isSet(folder)) request.folder = parser.value(folder);
    if (parser.isSet(output)) {
        if (parser.value(output).isEmpty()) {
            error = "the output file's name is empty";
            return std::nullopt;
        }
        request.output = QFileInfo(parser.value(output)).absoluteFilePath();
    }
    if (request.format == ExportFormat::Pdf && request.output.isEmpty()) {
        error = "PDF goes to a file: name it with -o";
        return std::nullopt;
    }
    return request;
}

int runExportCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<ExportRequest> request = parseExportArguments(arguments, error);
    if (!request) return usageError(error);
    // Standard error says what went wrong, in one line; Qt's notes about a
    // desktop that is not there (no runtime folder, no display) are no news.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) sayError(oneLine(message));
    });
    // Printing to PDF needs fonts, which come with a GUI application; the
    // offscreen platform gives one without a display.
    std::unique_ptr<QCoreApplication> application;
    if (request->format == ExportFormat::Pdf) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    try {
        return exportDocument(*request);
    } catch (const std::exception& failure) {
        return failed(oneLine(QString::fromLocal8Bit(failure.what())));
    }
}
