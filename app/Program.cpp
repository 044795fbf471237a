#include "app/Program.h"

#include <QApplication>

#include "app/MainWindow.h"
#include "document/Autosave.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/RecoveryStore.h"
#include "document/VersionStore.h"
#include "editors/TextEditorWindow.h"

Program::Program(SettingsStore& settings, UserQuestions& dialogs, const QString& startupFile, const Places& places)
    : document_(std::make_unique<Document>()),
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
    window_->show();
    window_->activateWindow();
}
