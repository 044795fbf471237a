// Exporting from the command line, without windows and without a display:
//
//   corvantis --export html|md|pdf FILE [--folder PATH] [-o OUT]
//
// HTML and Markdown go to standard output unless -o names a file; PDF needs
// -o. --folder exports the first folder in document order whose path, as
// the path panel shows it, is PATH; without it the whole document. An
// existing OUT is replaced as Save replaces a file.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "document/Export.h"

struct ExportRequest {
    ExportFormat format = ExportFormat::Html;
    QString file;
    std::optional<QString> folder;
    // Empty: standard output.
    QString output;
};

// The exit statuses.
enum ExportStatus : int { ExportDone = 0, ExportFailed = 1, ExportUsageError = 2 };

// One of the arguments (before a "--") is --export or --export=…: the
// program exports and shows no window.
bool asksForExport(int argc, const char* const* argv);

// The request `arguments` (the program's name first) make; none, and the
// reason in `error`, when they make none.
std::optional<ExportRequest> parseExportArguments(const QStringList& arguments, QString& error);

// Makes the application object this needs (on the offscreen platform for
// PDF, so no display is needed), carries out the export and returns the
// exit status. What went wrong is one line on standard error.
int runExportCommandLine(int argc, char** argv);
