// A record of every crash. Once installed, a fatal signal (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, SIGABRT), a fatal message of the toolkit, or an exception
// that nothing catches writes a short report (what stopped the program, the
// version, the time, a backtrace) into the crashes folder, and the program
// then ends as it would have without it. The reports wait in the folder's
// "new" subfolder until the next start takes them to announce them once.
//
// The handlers are process-wide and use only calls that are safe in a signal
// handler; everything they need is prepared by install(). Builds with the
// address sanitizer leave the signals to the sanitizer's own handlers.
#pragma once

#include <QString>
#include <QStringList>

class CrashRecorder {
public:
    // Call once, first thing in main(): `folder` is where reports go (made
    // when the first one is written), `version` the program's.
    static void install(const QString& folder, const char* version);
    // Whether this build records fatal signals itself.
    static bool recordsSignals();

    // The crashes folder that belongs beside a recovery folder.
    static QString folderBeside(const QString& recoveryFolder);
    // Reports written since the last call, moved out of "new" into the folder
    // itself, oldest first: each one is taken by one start only.
    static QStringList takeNewReports(const QString& folder);
};
