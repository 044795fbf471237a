// The one way the program writes a file: the bytes go to a temporary file in
// the target's folder, which gets the target's owner, group, mode and
// extended attributes (its access list among them) before a byte is written,
// is flushed, synced and checked at every step and only then renamed over
// the target. Until that rename the previous file is untouched; a failure
// leaves it as it was and removes the temporary file. Temporary files that a
// crashed run left behind go with the next save in their folder.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <string_view>

#include "document/FileError.h"

struct SaveOutcome {
    enum class Status {
        Saved,
        // The file is in place, but the system did not confirm its folder
        // entry is on disk: a crash could still lose it.
        NotConfirmed,
        // Nothing changed: the target is as it was.
        Failed,
    };
    Status status = Status::Failed;
    // Why it is not Saved.
    FileError error;

    explicit operator bool() const { return status == Status::Saved; }
};

// What a save over `path` meets before anything is written.
struct SaveTarget {
    QString path;
    // Set when saving there is refused: a folder that cannot be written, a
    // read-only file, a link whose target has gone, something other than an
    // ordinary file, a name that does not stand for the file's own bytes.
    FileError refusal;
    // What the new file that replaces the old one cannot keep (another
    // user's ownership, a group the user is not in, other hard links), one
    // line each.
    QStringList losses;

    static SaveTarget inspect(const QString& path);
};

// Keeps the file a save replaces elsewhere. The save calls it once its new
// file is complete, just before the rename that replaces the old one, so
// whatever fails earlier leaves nothing kept; a rename that fails then takes
// back what was kept. Keeping may fail: the save goes on regardless.
class ReplacedFileKeeper {
public:
    virtual ~ReplacedFileKeeper() = default;
    // The save of `path` is about to replace `file` (the file itself, a
    // link resolved).
    virtual void keep(const QString& path, const QByteArray& file) = 0;
    // The rename failed: `file` stays where it was.
    virtual void notReplaced() = 0;
};

// Writes `bytes` as the file `path`; a link there keeps pointing at the file
// it names, which is the one replaced. Once `stop` is set the save fails as
// soon as it can (a write of a few MiB, or a sync, under way ends first),
// the target as it was: a write that is no longer wanted need not be waited for.
SaveOutcome saveFileAtomically(const QString& path, std::string_view bytes,
                               const std::atomic<bool>* stop = nullptr);
// The same over a target inspected just before (and asked about); a file it
// replaces goes to `keeper` first.
SaveOutcome saveFileAtomically(const SaveTarget& target, std::string_view bytes,
                               ReplacedFileKeeper* keeper = nullptr);

// Copies the ordinary file `source` as `destination`, atomically, with the
// file's own mode, group, attributes and modification time: a file of that
// name (or a link, which is not followed) is replaced only once the copy is
// complete.
SaveOutcome copyFileAtomically(const QString& source, const QString& destination);

// Save As keeps the file it replaces: "Diary.XML" in any folder is backed up
// as "Diary.BAK" beside it (the name without folder and extension + ".BAK").
struct SaveAsBackup {
    // The backup's name alone, as the "Backup File Created" message shows it.
    static QString backupName(const QString& chosenPath);
    // The backup's full path: beside the chosen file.
    static QString backupPath(const QString& chosenPath);
    // Copies the chosen file to its backup path (copyFileAtomically). False
    // when it could not be made; the chosen file must then not be replaced.
    static bool make(const QString& chosenPath, FileError* error = nullptr);
};

