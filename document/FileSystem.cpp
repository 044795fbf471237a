#include "document/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

FileSystem& realCalls() {
    static FileSystem real;
    return real;
}

FileSystem* inUse = nullptr;

}  // namespace

int FileSystem::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int FileSystem::close(int fd) { return ::close(fd); }
ssize_t FileSystem::read(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }
ssize_t FileSystem::write(int fd, const void* bytes, size_t size) { return ::write(fd, bytes, size); }
int FileSystem::fsync(int fd) { return ::fsync(fd); }
int FileSystem::fstat(int fd, struct stat* status) { return ::fstat(fd, status); }
int FileSystem::stat(const char* path, struct stat* status) { return ::stat(path, status); }
int FileSystem::lstat(const char* path, struct stat* status) { return ::lstat(path, status); }
int FileSystem::access(const char* path, int mode) { return ::access(path, mode); }
ssize_t FileSystem::readlink(const char* path, char* target, size_t size) {
    return ::readlink(path, target, size);
}
int FileSystem::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int FileSystem::futimens(int fd, const struct timespec times[2]) { return ::futimens(fd, times); }
int FileSystem::fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int FileSystem::rename(const char* from, const char* to) { return ::rename(from, to); }
int FileSystem::link(const char* existing, const char* name) { return ::link(existing, name); }
int FileSystem::unlink(const char* path) { return ::unlink(path); }
int FileSystem::flock(int fd, int operation) { return ::flock(fd, operation); }
ssize_t FileSystem::listxattr(const char* path, char* names, size_t size) {
    return ::listxattr(path, names, size);
}
ssize_t FileSystem::getxattr(const char* path, const char* name, void* value, size_t size) {
    return ::getxattr(path, name, value, size);
}
ssize_t FileSystem::fgetxattr(int fd, const char* name, void* value, size_t size) {
    return ::fgetxattr(fd, name, value, size);
}
int FileSystem::fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
    return ::fsetxattr(fd, name, value, size, flags);
}
uid_t FileSystem::effectiveUser() { return ::geteuid(); }

bool FileSystem::mayGiveGroup(gid_t group) {
    if (effectiveUser() == 0 || ::getegid() == group) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == group) return true;
    return false;
}

FileSystem& FileSystem::current() { return inUse ? *inUse : realCalls(); }

FileSystem::Replacement::Replacement(FileSystem& replacement) : previous_(inUse) { inUse = &replacement; }

FileSystem::Replacement::~Replacement() { inUse = previous_; }
