// A file system whose calls fail where a test says: for what cannot fail
// for real in a test (root writes anywhere; disks are not full).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <QStringList>
#include <cerrno>

#include "document/FileSystem.h"

// Fails one kind of call, and logs the calls that shape a new file.
class FaultyFileSystem : public FileSystem {
public:
    enum class Fault { None, CreateFile, Fchmod, Write, SyncFolder, Rename };
    Fault fault = Fault::None;
    int code = EIO;
    // Set: files are made and renamed in vain only under this folder.
    QByteArray onlyUnder;
    // Not 0: every link fails with this error (another file system, a file
    // the user may not link).
    int linkError = 0;
    uid_t user = ::geteuid();
    // The size fstat gives every regular file; -1: the real one.
    off_t claimedSize = -1;
    QStringList log;

    int open(const char* path, int flags, mode_t mode) override {
        if (flags & O_CREAT) log << "create " + QString::number(mode, 8);
        return (flags & O_CREAT) && hits(Fault::CreateFile, path) ? fail() : FileSystem::open(path, flags, mode);
    }
    int link(const char* existing, const char* name) override {
        log << "link";
        if (linkError == 0) return FileSystem::link(existing, name);
        errno = linkError;
        return -1;
    }
    int rename(const char* from, const char* to) override {
        return hits(Fault::Rename, to) ? fail() : FileSystem::rename(from, to);
    }
    ssize_t write(int fd, const void* bytes, size_t size) override {
        log << "write";
        return fault == Fault::Write ? fail() : FileSystem::write(fd, bytes, size);
    }
    int fchmod(int fd, mode_t mode) override {
        log << "fchmod " + QString::number(mode, 8);
        return fault == Fault::Fchmod ? fail() : FileSystem::fchmod(fd, mode);
    }
    int fsync(int fd) override {
        struct stat status;
        const bool folder = FileSystem::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        return folder && fault == Fault::SyncFolder ? fail() : FileSystem::fsync(fd);
    }
    // A folder in which no file can be made cannot be written either.
    int access(const char* path, int mode) override {
        return (mode & W_OK) && hits(Fault::CreateFile, path) ? fail() : FileSystem::access(path, mode);
    }
    int fstat(int fd, struct stat* status) override {
        const int result = FileSystem::fstat(fd, status);
        if (result == 0 && claimedSize >= 0 && S_ISREG(status->st_mode)) status->st_size = claimedSize;
        return result;
    }
    uid_t effectiveUser() override { return user; }

private:
    bool hits(Fault call, const char* path) const {
        return fault == call && (onlyUnder.isEmpty() || QByteArray(path).startsWith(onlyUnder + '/'));
    }
    int fail() {
        errno = code;
        return -1;
    }
};
