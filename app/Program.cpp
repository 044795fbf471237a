#include "app/Program.h"

#include <QApplication>

#include "app/Treeorganizer.h"
#include "document/Document.h"
#include "editors/Texteditor.h"

Program::Program(SettingsStore& settings, UserDialogs& dialogs, const QString& startupFile)
    : document_(std::make_unique<Document>()),
      window_(std::make_unique<TVelmorant>(settings, dialogs, *document_)),
      textEditor_(std::make_unique<TTT>(settings)) {
    window_->AttachTextEditor(textEditor_.get());
    window_->OpenAtStartup(startupFile);
    QObject::connect(window_.get(), &TVelmorant::Closed, qApp, &QCoreApplication::quit);
}

Program::~Program() {
    textEditor_.reset();
    window_.reset();
#ifndef CORVANTIS_FREE_AT_EXIT
    // Deliberately not freed: the process ends right after this.
    static_cast<void>(document_.release());
#endif
}

void Program::show() {
    window_->show();
    window_->activateWindow();
}
