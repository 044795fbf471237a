// Save As, as the main window and the source viewer both offer it. The user
// chooses a name; ".XML" is appended unless the name holds it (exact case),
// and everything after concerns that final name: the program (not the
// dialog, which knows only the name typed) asks before replacing a file of
// that name, keeps it first as its ".BAK" backup beside it, never replaces it
// without one, and writes the bytes atomically.
#pragma once

#include <QString>
#include <string_view>

class Document;
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
};

SaveAsResult saveAsWithBackup(UserQuestions& dialogs, const QString& startFolder,
                              std::string_view bytes);

// Where a file dialog about `document` starts: its file's folder, or the
// user's documents folder while it has no file.
QString fileDialogFolder(const Document& document);
