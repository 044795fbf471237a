// The commands of the Options and Help menus that are the main window's own:
// the options kept in the settings store, forgetting the windows'
// places, View Source, the About box and the help page.
#pragma once

#include <QObject>
#include <QString>

class Document;
class SettingsStore;
class SourceViewer;
class UserQuestions;
class QWidget;

class OptionCommands : public QObject {
    Q_OBJECT
public:
    OptionCommands(SettingsStore& settings, UserQuestions& dialogs, Document& document, SourceViewer& viewer,
                   const QString& programFolder, QWidget* window);

    // "Use As XML Editor": the details window and View Source are offered.
    bool usesXmlEditor() const;
    void setUseAsXmlEditor(bool use);
    // "Remember File Name": the next start opens the file of this session.
    bool remembersFileName() const;
    void setRememberFileName(bool remember);
    // "Keep Versions": every save keeps the file it replaces.
    bool keepsVersions() const;
    void setKeepVersions(bool keep);
    // The next start puts every window at its first place; the places the
    // windows store until then are forgotten too when the program ends.
    void resetPositions();
    bool positionsReset() const { return positionsReset_; }
    // The whole document as XML in the source viewer.
    void viewSource();
    void about();
    void help();

signals:
    void xmlEditorChanged(bool use);
    void keepVersionsChanged(bool keep);

private:
    SettingsStore& settings_;
    UserQuestions& dialogs_;
    Document& document_;
    SourceViewer& viewer_;
    QString programFolder_;
    QWidget* window_;
    bool positionsReset_ = false;
};
