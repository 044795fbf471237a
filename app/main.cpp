// Corvantis: a personal organiser that keeps notes as one XML document shown
// as a tree of folders.
#include <QCoreApplication>
#include <exception>
#include <optional>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DisplayStart.h"
#include "app/HugePageStart.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/UserDialogs.h"
#include "document/CrashRecorder.h"
#include "document/RecoveryStore.h"
#include "document/ExportCommandLine.h"
#include "widgets/SettingsStore.h"

int main(int argc, char** argv) {
    restartWithHugePages(argv);
    // First, so that a crash anywhere after this leaves a report.
    CorvantisApplication::nameApplication();
    CrashRecorder::install(CrashRecorder::folderBeside(RecoveryStore::userFolder()), CORVANTIS_VERSION);
    if (asksForHelpOrVersion(argc, argv)) {
        // Answered on the terminal before anything needs a display.
        QCoreApplication terminal(argc, argv);
        startupFileArgument(QCoreApplication::arguments());
        return 0;
    }
    // An export needs no windows, and so no display.
    if (asksForExport(argc, argv)) return runExportCommandLine(argc, argv);
    UserDialogs dialogs;
    std::optional<DisplayStart> starting(std::in_place, argc, argv);
    CorvantisApplication application(argc, argv, dialogs);
    starting.reset();
    // The program ends with its main window, not with the last tool window.
    application.setQuitOnLastWindowClosed(false);
    // Lets the desktop match the windows to the desktop entry and its icon.
    application.setDesktopFileName("io.github.corvantis.Corvantis");
    const QString startupFile = startupFileArgument(application.arguments());
    try {
        SettingsStore settings;
        Program program(settings, dialogs, startupFile);
        dialogs.setMainWindow(&program.window());
        program.show();
        return application.exec();
    } catch (const std::exception& error) {
        application.showException(error.what());
    } catch (...) {
        application.showException("An unknown error stopped the program.");
    }
    return 0;
}
