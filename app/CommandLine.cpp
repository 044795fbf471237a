#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

bool asksForHelpOrVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") return false;
        if (argument == "-h" || argument == "-?" || argument == "--help" || argument == "--help-all" ||
            argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

QString startupFileArgument(const QStringList& arguments) {
    QCoreApplication::setApplicationVersion(CORVANTIS_VERSION);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Keeps your notes as one XML document shown as a tree of folders.\n\n"
        "Export without opening a window (HTML and Markdown to standard output unless -o names a file):\n"
        "  corvantis --export html|md|pdf FILE [--folder PATH] [-o OUT]\n"
        "--folder exports only the first folder whose path, as the path panel shows it, is PATH.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "The XML file to open instead of the one opened last.", "[file]");
    parser.process(arguments);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) parser.showHelp(1);
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}
