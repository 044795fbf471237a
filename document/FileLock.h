// One editor per file: while a document is open, the program holds a lock
// beside its file (".<name>.corvantis-lock"). The lock of a program that
// has died on this machine is taken over; a live one is reported with who
// holds it.
#pragma once

#include <memory>

#include <QString>

class QLockFile;

class FileLock {
public:
    enum class Result {
        Locked,        // this program holds the file now
        HeldElsewhere, // another program holds it: see holder()
        NotLockable,   // the folder takes no lock file (read-only medium, no rights)
    };

    FileLock();
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks `path`, letting go of the file held before.
    Result lock(const QString& path);
    // Takes the lock from whoever holds it.
    Result takeOver(const QString& path);
    void release();

    // Who holds the file lock() found held: "process 123 on host", or that
    // it cannot be told.
    const QString& holder() const { return holder_; }
    static QString lockPathOf(const QString& path);

private:
    std::unique_ptr<QLockFile> lock_;
    QString holder_;
};
