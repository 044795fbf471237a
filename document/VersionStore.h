// Versions: every save that replaces a document's file keeps the file it
// replaces in the per-user data folder, never beside the user's file. Each
// document, named by its path, has a folder of its own ("<file name>-<16
// hex digits of its path's hash>") holding its versions as "<number>.xml",
// the highest number the newest. A version is the replaced file itself,
// linked in just before the save's rename where that is possible (no bytes
// are copied), or a copy otherwise; either way it keeps the file's
// modification time, which is when its content was saved. Each document
// keeps at most 20 versions taking at most 10 times its own size; the oldest
// go first, the newest always stays.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "document/FileError.h"
#include "document/SaveFile.h"

struct Version {
    QString path;
    // When its content was saved.
    QDateTime saved;
    qint64 size = 0;
};

class VersionStore {
public:
    static constexpr int MostVersions = 20;
    static constexpr int MostTimesTheDocument = 10;

    // The user's store sits beside the recovery folder.
    static QString folderBeside(const QString& recoveryFolder);
    explicit VersionStore(QString folder);

    const QString& folder() const { return folder_; }
    // Where the versions of the file `document` are kept.
    QString folderOf(const QString& document) const;
    // The versions of `document`, the newest first.
    QList<Version> versions(const QString& document) const;
    // Keeps `file`, which a save of `document` is about to replace, as its
    // newest version: linked where the file may be linked into the folder
    // and has no other names, copied otherwise. The version's path, or an
    // empty text and `error` saying why it could not be kept.
    QString keep(const QString& document, const QByteArray& file, FileError& error);
    // Removes the versions of `document` beyond the limits for a document of
    // `documentSize` bytes, the oldest first.
    void prune(const QString& document, qint64 documentSize);

    // The folders (elements) of a version; -1 when it cannot be read.
    static qint64 folderCount(const Version& version);

private:
    QString folder_;
};

// The version one save keeps, for saveFileAtomically: made just before the
// rename, removed again when the rename fails, so no later save sees the
// file under a second name.
class SaveVersion : public ReplacedFileKeeper {
public:
    explicit SaveVersion(VersionStore& store) : store_(store) {}

    void keep(const QString& path, const QByteArray& file) override;
    void notReplaced() override;

    // A version was kept and its file replaced.
    bool kept() const { return !version_.isEmpty(); }
    // Why no version could be kept of a file that was there.
    const FileError& problem() const { return problem_; }

private:
    VersionStore& store_;
    QString version_;
    FileError problem_;
};
