#include "app/Program.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "app/MainWindow.h"
#include "document/Autosave.h"
#include "document/CrashRecorder.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/RecoveryStore.h"
#include "document/UserQuestions.h"
#include "document/VersionStore.h"
#include "editors/TextEditorWindow.h"

Program::Program(SettingsStore& settings, UserQuestions& dialogs, const QString& startupFile, const Places& places)
    : dialogs_(dialogs),
      document_(std::make_unique<Document>()),
      recovery_(places.recoveryFolder.isEmpty() ? std::make_unique<RecoveryStore>()
                                                : std::make_unique<RecoveryStore>(places.recoveryFolder)),
      autosave_(std::make_unique<Autosave>(*document_, *recovery_)),
      versions_(std::make_unique<VersionStore>(VersionStore::folderBeside(recovery_->folder()))),
      window_(std::make_unique<MainWindow>(settings, dialogs, *document_, places.programFolder)),
      textEditor_(std::make_unique<TextEditorWindow>(settings)) {
    window_->attachTextEditor(textEditor_.get());
    window_->attachRecovery(*recovery_, *autosave_);
    window_->files().attachVersions(*versions_);
    window_->openAtStartup(startupFile);
    QObject::connect(window_.get(), &MainWindow::closed, qApp, &QCoreApplication::quit);
}

Program::~Program() {
    textEditor_.reset();
    window_.reset();
    autosave_.reset();
    recovery_.reset();
#ifndef CORVANTIS_FREE_AT_EXIT
    // Deliberately not freed: the process ends right after this.
    static_cast<void>(document_.release());
#endif
}

void Program::show() {
    announceCrashes();
    window_->show();
    window_->activateWindow();
}

void Program::announceCrashes() {
    const QStringList reports = CrashRecorder::takeNewReports(CrashRecorder::folderBeside(recovery_->folder()));
    if (reports.isEmpty()) return;
    QString text = reports.size() == 1
                       ? QString("Corvantis stopped unexpectedly on %1. A report of what happened was written to:\n")
                             .arg(QLocale().toString(QFileInfo(reports.first()).lastModified(), QLocale::ShortFormat))
                       : QString("Corvantis stopped unexpectedly %1 times. Reports of what happened were written to:\n")
                             .arg(reports.size());
    for (const QString& report : reports) text += "\n" + QDir::toNativeSeparators(report);
    dialogs_.inform(text, "Corvantis Stopped");
}
