// The program's file commands and their questions: New, Open (from the
// menu, File > Recent, the command line and at start-up), Save, Save As,
// reading the file again after another program changed it, bringing back
// work a program left unsaved, and the versions every save keeps. Every
// rule about the document's file lives here; the windows only start these
// commands. The questions go through UserQuestions, the writes through the
// one save routine, and the file's bytes come from the Document.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <string_view>

#include "core/StringObject.h"
#include "document/FileEncoding.h"
#include "document/SaveAs.h"

class Autosave;
class Document;
class FileGuard;
struct FileError;
class RecoveryStore;
class SaveVersion;
class Selection;
class UserQuestions;
struct Version;
class VersionStore;

class DocumentFiles : public QObject {
    Q_OBJECT
public:
    DocumentFiles(Document& document, Selection& selection, UserQuestions& questions, QObject* parent = nullptr);

    // Where unsaved work is kept; without it nothing is offered at start-up.
    void attachRecovery(RecoveryStore& store, Autosave& autosave);
    // Where the files saves replace are kept; without it none are.
    void attachVersions(VersionStore& store) { versions_ = &store; }

    // What the program opens when it starts.
    struct StartUp {
        // Named on the command line: opened, and reported when it cannot be.
        QString namedFile;
        // The file of the last session, opened when `openRemembered` says
        // so; one that has gone gives the New document without a word.
        QString rememberedFile;
        bool openRemembered = true;
    };
    // Offers work left unsaved first; otherwise opens what `start` names,
    // or makes the New document.
    void startUp(const StartUp& start);

    // Each command first asks whether to save unsaved changes.
    void newDocument();
    void open();
    // A file of File > Recent; one that has gone is reported and forgotten.
    void openRecent(const QString& file);
    // Writes the document to its file; true when it is on disk. A document
    // without a file goes to Save As; one without changes whose file is as
    // it was saved is not written again.
    bool save();
    bool saveAs();
    // Save As for text that is not the document (the source viewer's),
    // with the same naming, question and backup.
    SaveAsResult saveTextAs(std::string_view bytes);
    // The unsaved-changes question before the document goes (closing, New,
    // Open): true when it may go, saved or dropped by the user's choice.
    bool maySetAside();
    // Reads the document's file again, keeping the selected folder where it
    // still exists; the history starts anew.
    void reload();

    const Document& document() const { return document_; }
    // Where a file dialog about the document starts.
    QString dialogFolder() const;

    // "Keep Versions": every Save and Save As that replaces a file keeps
    // that file as a version (on unless turned off). A version that cannot
    // be kept never stops the save; the user is told once.
    void setKeepVersions(bool keep) { keepVersions_ = keep; }
    // The versions of the document's file, the newest first.
    QList<Version> versions() const;
    // Why the file the last save of the document's file replaced could not
    // be kept; empty when it was.
    QString versionProblem() const;
    // The version's XML as the document holds text, for the source viewer;
    // false (the user told why) when it cannot be read.
    bool versionText(const Version& version, corvantis::StringObject& text);
    // Makes the version the document, under the document's own file and
    // name and marked changed, once the unsaved-changes question allows:
    // the next Save writes it, and the file it replaces becomes a version.
    bool restoreVersion(const Version& version);

signals:
    // `file` was opened or saved under a new name: the next start opens it,
    // and it heads File > Recent.
    void remembered(const QString& file);
    // A file of File > Recent has gone.
    void recentGone(const QString& file);
    // A line for the status bar.
    void note(const QString& text);
    // The document's versions may be others now.
    void versionsChanged();

private:
    void makeNew();
    void openChosen(const QString& file);
    // Makes `bytes` the document of `file`, once the file is claimed (false:
    // the user cancelled because another program holds it).
    bool openBytes(const QString& file, QByteArray bytes, const ByteSurvey& survey, const QString& documentName);
    // Makes `bytes`, read from `source`, the document of its own file and
    // name, as read-only as it was, keeping the selected folder where it
    // still exists; false (the user told why) when they could not be read.
    bool readInPlace(const QByteArray& bytes, const QString& source, const ByteSurvey& survey = {});
    // What keeps the version of the file a save is about to replace; none
    // while versions are not kept.
    std::unique_ptr<SaveVersion> versionForSave() const;
    // After a save of `file`, `size` bytes, that wrote its new file: older
    // versions pruned, or the user told once why none could be kept.
    void versionDone(const QString& file, qint64 size, const SaveVersion& version);
    // A save that cannot go where it was meant to: why, and Save As offered.
    bool offerSaveAs(const FileError& error);
    // The user agreed to what the new file cannot keep of the old one, or
    // chose Save As (which ran) or cancelled: false.
    bool acceptLosses(const QString& file, const QStringList& losses, bool& savedElsewhere);

    Document& document_;
    Selection& selection_;
    UserQuestions& questions_;
    FileGuard* guard_;
    // The file whose save the user was told what a save cannot keep of it.
    QString lossesToldFor_;
    VersionStore* versions_ = nullptr;
    bool keepVersions_ = true;
    // The file whose last save could keep no version, and why.
    QString versionProblemFile_;
    QString versionProblem_;
};
