// Corvantis: a personal organiser that keeps notes as one XML document shown
// as a tree of folders.
#include <QCoreApplication>
#include <exception>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "document/ExportCommandLine.h"
#include "widgets/SettingsStore.h"
#include "widgets/UserDialogs.h"

int main(int argc, char** argv) {
    if (asksForHelpOrVersion(argc, argv)) {
        // Answered on the terminal before anything needs a display.
        CorvantisApplication::nameApplication();
        QCoreApplication terminal(argc, argv);
        startupFileArgument(QCoreApplication::arguments());
        return 0;
    }
    // An export needs no windows, and so no display.
    if (asksForExport(argc, argv)) return runExportCommandLine(argc, argv);
    QtUserDialogs dialogs;
    CorvantisApplication application(argc, argv, dialogs);
    // The program ends with its main window, not with the last tool window.
    application.setQuitOnLastWindowClosed(false);
    // Lets the desktop match the windows to the desktop entry and its icon.
    application.setDesktopFileName("io.github.corvantis.Corvantis");
    const QString startupFile = startupFileArgument(application.arguments());
    try {
        SettingsStore settings;
        Program program(settings, dialogs, startupFile);
        program.show();
        return application.exec();
    } catch (const std::exception& error) {
        application.showException(error.what());
    } catch (...) {
        application.showException("An unknown error stopped the program.");
    }
    return 0;
}
