// The program's file commands and their questions: New, Open (from the
// menu, File > Recent, the command line and at start-up), Save, Save As,
// reading the file again after another program changed it, and bringing
// back work a program left unsaved. Every rule about the document's file
// lives here; the windows only start these commands. The questions go
// through UserQuestions, the writes through the one save routine, and the
// file's bytes come from the Document.
#pragma once

#include <QObject>
#include <QString>
#include <string_view>

#include "document/SaveAs.h"

class Autosave;
class Document;
class FileGuard;
struct FileError;
class RecoveryStore;
class Selection;
class UserQuestions;

class DocumentFiles : public QObject {
    Q_OBJECT
public:
    DocumentFiles(Document& document, Selection& selection, UserQuestions& questions, QObject* parent = nullptr);

    // Where unsaved work is kept; without it nothing is offered at start-up.
    void attachRecovery(RecoveryStore& store, Autosave& autosave);

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

    // Where a file dialog about the document starts.
    QString dialogFolder() const;

signals:
    // `file` was opened or saved under a new name: the next start opens it,
    // and it heads File > Recent.
    void remembered(const QString& file);
    // A file of File > Recent has gone.
    void recentGone(const QString& file);
    // A line for the status bar.
    void note(const QString& text);

private:
    void makeNew();
    void openChosen(const QString& file);
    // Makes `bytes` the document of `file`, once the file is claimed (false:
    // the user cancelled because another program holds it).
    bool openBytes(const QString& file, const QByteArray& bytes, const QString& documentName);
    // Makes `bytes`, read from `source`, the document of its own file and
    // name, as read-only as it was, keeping the selected folder where it
    // still exists; false (the user told why) when they could not be read.
    bool readInPlace(const QByteArray& bytes, const QString& source);
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
};
