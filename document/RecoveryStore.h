// Recovery files: unsaved work kept while a document is open, in the
// per-user data folder, never beside the user's file. Each holds the
// document's file text (FileEncoding::toFileText: its characters in the
// file's 8-bit encoding, without a byte-order mark) ("<name>.xml") and a
// note of whose work it is
// ("<name>.info": the original's path, what the original looked like when
// it was opened, when the work was written). The program that writes a
// recovery file holds its lock ("<name>.lock") for as long as it runs, so
// only the files of a program that ended without saving are offered.
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "document/FileEncoding.h"
#include "document/FileIdentity.h"
#include "document/ReadFile.h"

class QLockFile;

struct RecoveryEntry {
    QString name;  // without extension, in the store's folder
    QString original;
    FileIdentity originalWhenOpened;
    QDateTime savedAt;
    // How the work's bytes read and the original stores them; none in notes
    // of older versions.
    std::optional<FileEncoding> encoding;
    // What the original held: a file that is no XML stays one Save asks about.
    FileContent originalContent = FileContent::Xml;
};

class RecoveryStore {
public:
    // The user's own store, in userFolder().
    RecoveryStore();
    explicit RecoveryStore(QString folder);

    // The user's data folder's "recovery"; the application's names must be set.
    static QString userFolder();
    const QString& folder() const { return folder_; }
    QString dataPath(const QString& name) const;

    // The recovery files no running program holds, the newest first. Each
    // one returned stays locked by this process until it is released or
    // removed, so two programs starting at once do not both offer it.
    QList<RecoveryEntry> takeLeftBehind();
    // The work's bytes, as readWholeFile reads a file.
    ReadResult read(const RecoveryEntry& entry, QByteArray& bytes, FileError& error) const;
    // Whether the original file is no longer as it was when the work began.
    static bool originalChanged(const RecoveryEntry& entry);
    void remove(const RecoveryEntry& entry);
    // Leaves the entry for a later start.
    void release(const RecoveryEntry& entry);

    // A new recovery file for this process, locked from now on; empty when
    // the folder cannot be used.
    QString claim();
    // Removes the work and its note, keeping the lock: the name stays this
    // process's for the next write.
    void clear(const QString& name);
    // Writes the work and its note through the save routine; false when
    // either could not be written, or `stop` was set before both were.
    bool write(const QString& name, std::string_view bytes, const RecoveryEntry& note,
               const std::atomic<bool>* stop = nullptr) const;

private:
    QString path(const QString& name, const char* extension) const;
    bool lock(const QString& name);

    QString folder_;
    QList<std::shared_ptr<QLockFile>> locks_;
    QStringList locked_;
};
