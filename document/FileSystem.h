// The system calls that reading and saving files rest on, behind one
// interface, so that tests can make any of them fail (a full disk, a folder
// the user may not write, a sync the device refuses) even where the real
// system would not. Every call follows its POSIX namesake: -1 (or false)
// with errno set on failure.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int open(const char* path, int flags, mode_t mode = 0);
    virtual int close(int fd);
    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t write(int fd, const void* bytes, size_t size);
    virtual int fsync(int fd);
    virtual int fstat(int fd, struct stat* status);
    virtual int stat(const char* path, struct stat* status);
    virtual int lstat(const char* path, struct stat* status);
    virtual int access(const char* path, int mode);
    virtual ssize_t readlink(const char* path, char* target, size_t size);
    virtual int fchmod(int fd, mode_t mode);
    virtual int futimens(int fd, const struct timespec times[2]);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    virtual int rename(const char* from, const char* to);
    virtual int link(const char* existing, const char* name);
    virtual int unlink(const char* path);
    virtual int flock(int fd, int operation);
    virtual ssize_t listxattr(const char* path, char* names, size_t size);
    virtual ssize_t getxattr(const char* path, const char* name, void* value, size_t size);
    virtual ssize_t fgetxattr(int fd, const char* name, void* value, size_t size);
    virtual int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags);
    virtual uid_t effectiveUser();
    // Whether a file of this user may be given `group`: root, or a member.
    virtual bool mayGiveGroup(gid_t group);

    // The calls in use: the real ones unless a test put others in place.
    static FileSystem& current();

    // Puts `replacement` in place for its own lifetime.
    class Replacement {
    public:
        explicit Replacement(FileSystem& replacement);
        ~Replacement();
        Replacement(const Replacement&) = delete;
        Replacement& operator=(const Replacement&) = delete;

    private:
        FileSystem* previous_;
    };
};
