// Save As, as the document and the source viewer's text both take it. The
// user chooses a name; ".XML" is added unless the name already ends in
// ".xml" (in any case), and everything after concerns that final name: the
// program (not the dialog, which knows only the name typed) asks before
// replacing a file of that name, keeps it first as its ".BAK" backup beside
// it, never replaces it without one, and writes the bytes through the one
// save routine.
#pragma once

#include <QString>
#include <string_view>

#include "document/UserQuestions.h"

class Document;
class ReplacedFileKeeper;
class UserQuestions;

struct SaveAsResult {
    enum class Status {
        Cancelled,
        // The user has been told why; nothing was replaced.
        Failed,
        Saved,
        // Written, but not confirmed on disk; the user has been told.
        NotConfirmed,
    };
    Status status = Status::Cancelled;
    // The name written (Saved, NotConfirmed).
    QString name;

    bool written() const { return status == Status::Saved || status == Status::NotConfirmed; }
};

// The name Save As writes for the name chosen.
QString withXmlExtension(const QString& name);

// A file replaced goes to `keeper` just before it is (besides its backup).
SaveAsResult saveAs(UserQuestions& questions, const QString& startFolder, std::string_view bytes,
                    ReplacedFileKeeper* keeper = nullptr);

// Where a file dialog about `document` starts: its file's folder, or the
// user's documents folder (the home folder when there is none) while it has
// no file.
QString fileDialogFolder(const Document& document);
// The dialog that chooses an XML file to read: it proposes the document's
// own file, none for a new document.
UserQuestions::FileRequest openFileRequest(const Document& document);
