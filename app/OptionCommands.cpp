#include "app/OptionCommands.h"

#include "app/AboutBox.h"
#include "app/Shell.h"
#include "document/Document.h"
#include "document/UserQuestions.h"
#include "editors/SourceViewer.h"
#include "widgets/SettingsStore.h"
#include "widgets/WindowPlacement.h"

OptionCommands::OptionCommands(SettingsStore& settings, UserQuestions& dialogs, Document& document,
                               SourceViewer& viewer, const QString& programFolder, QWidget* window)
    : QObject(window),
      settings_(settings),
      dialogs_(dialogs),
      document_(document),
      viewer_(viewer),
      programFolder_(programFolder),
      window_(window) {}

bool OptionCommands::usesXmlEditor() const { return settings_.readBool("UseAsXML", false); }

void OptionCommands::setUseAsXmlEditor(bool use) {
    settings_.writeBool("UseAsXML", use);
    emit xmlEditorChanged(use);
}

bool OptionCommands::remembersFileName() const { return settings_.readBool("RememberFileName", true); }

void OptionCommands::setRememberFileName(bool remember) { settings_.writeBool("RememberFileName", remember); }

bool OptionCommands::keepsVersions() const { return settings_.readBool("KeepVersions", true); }

void OptionCommands::setKeepVersions(bool keep) {
    settings_.writeBool("KeepVersions", keep);
    emit keepVersionsChanged(keep);
}

void OptionCommands::resetPositions() {
    positionsReset_ = true;
    forgetStoredPlacements(settings_);
}

void OptionCommands::viewSource() {
    if (!document_.commitPendingEdits()) return;
    viewer_.showText([this] { return document_.dom().serialize(document_.documentNode()); });
}

void OptionCommands::about() {
    AboutBox about(window_);
    about.exec();
}

void OptionCommands::help() {
    switch (RunProgram(programFolder_ + "CorvantisHelp.htm")) {
        case RunResult::Opened: break;
        case RunResult::Missing: dialogs_.inform("CorvantisHelp.htm is missing from program path", "File Error"); break;
        case RunResult::NoProgram:
            dialogs_.inform("CorvantisHelp.htm cannot be shown: the desktop has no web browser or other program "
                            "that opens it.",
                            "Help Error");
            break;
    }
}
