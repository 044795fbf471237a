#include "document/SaveFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "document/FileSystem.h"

namespace {

using Writer = std::function<bool(int fd, FileError& error)>;

// What the new file takes over from the one it replaces.
struct Keep {
    mode_t mode = 0;
    // Owner and group to give the new file; otherwise it keeps the ones it
    // was created with.
    bool ownership = false;
    uid_t owner = 0;
    gid_t group = 0;
    // The file whose extended attributes are copied; empty for none.
    QByteArray attributesOf;
};

const char TemporaryPrefix[] = ".corvantis-save-";
const char TemporarySuffix[] = ".tmp";
const char NotOrdinary[] = "It is not an ordinary file.";

QString systemReason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

SaveOutcome failed(const FileError& error) { return {SaveOutcome::Status::Failed, error}; }

// ".corvantis-save-<pid>-<n>.tmp"
bool isTemporaryName(const char* name) {
    const std::size_t prefix = sizeof TemporaryPrefix - 1, suffix = sizeof TemporarySuffix - 1;
    const std::size_t length = std::strlen(name);
    if (length <= prefix + suffix || std::strncmp(name, TemporaryPrefix, prefix) != 0 ||
        std::strcmp(name + length - suffix, TemporarySuffix) != 0)
        return false;
    int dashes = 0;
    bool digitBefore = false;
    for (const char* c = name + prefix; c != name + length - suffix; ++c) {
        if (*c == '-' && digitBefore) {
            ++dashes;
            digitBefore = false;
        } else if (*c >= '0' && *c <= '9') {
            digitBefore = true;
        } else {
            return false;
        }
    }
    return dashes == 1 && digitBefore;
}

// A writer holds a lock on its temporary file until the file is renamed away
// or the writer's process ends, so a file of ours that can be locked is one a
// crashed run left behind.
void removeStaleTemporaries(const QByteArray& folder) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return;
    FileSystem& system = FileSystem::current();
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name)) continue;
        const QByteArray path = folder + '/' + entry->d_name;
        const int fd = system.open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat status;
        if (system.fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1 &&
            status.st_uid == system.effectiveUser() && system.flock(fd, LOCK_EX | LOCK_NB) == 0)
            system.unlink(path.constData());
        system.close(fd);
    }
    ::closedir(dir);
}

mode_t creationMask() {
    QFile status("/proc/self/status");
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:"))
                return static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
    }
    // Older kernels do not show it; reading it means setting it.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

Keep keepForNewFile() { return {static_cast<mode_t>(0666 & ~creationMask()), false, 0, 0, QByteArray()}; }

Keep keepOf(const struct stat& status, const QByteArray& path) {
    return {static_cast<mode_t>(status.st_mode & 07777), true, status.st_uid, status.st_gid, path};
}

// Writes in slices of this size, so that a save asked to stop does not
// first write everything.
constexpr std::size_t StopSlice = std::size_t(8) << 20;

bool writeAll(int fd, const char* bytes, std::size_t length, const QString& shown, FileError& error,
              const std::atomic<bool>* stop = nullptr) {
    FileSystem& system = FileSystem::current();
    // Also asked once all is written: the sync that follows may take long.
    for (;;) {
        if (stop && *stop) {
            error = FileError::writing(shown, "The write was stopped before it was complete.");
            return false;
        }
        if (length == 0) return true;
        const ssize_t written = system.write(fd, bytes, stop ? std::min(length, StopSlice) : length);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = FileError::ofSystem(shown, errno, FileError::Step::Writing);
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
}

bool keepOwnership(int fd, const Keep& keep, const QString& shown, FileError& error) {
    FileSystem& system = FileSystem::current();
    struct stat created;
    if (system.fstat(fd, &created) != 0) {
        error = FileError::ofSystem(shown, errno, FileError::Step::Writing);
        return false;
    }
    if (!keep.ownership) return true;
    // Only root may give a file away; a group can be given by its members.
    // What cannot be kept was told before the save (SaveTarget::losses).
    const uid_t owner =
        keep.owner != created.st_uid && system.effectiveUser() == 0 ? keep.owner : static_cast<uid_t>(-1);
    const gid_t group =
        keep.group != created.st_gid && system.mayGiveGroup(keep.group) ? keep.group : static_cast<gid_t>(-1);
    if (owner == static_cast<uid_t>(-1) && group == static_cast<gid_t>(-1)) return true;
    if (system.fchown(fd, owner, group) == 0) return true;
    error = FileError::writing(shown, "The file's owner and group cannot be kept: " + systemReason(errno));
    return false;
}

bool copyAttributes(const QByteArray& source, int fd, const QString& shown, FileError& error) {
    if (source.isEmpty()) return true;
    FileSystem& system = FileSystem::current();
    const auto cannotKeep = [&](const char* name, int code) {
        error = FileError::writing(
            shown, QString("The file's extended attribute %1 cannot be kept: %2").arg(name, systemReason(code)));
        return false;
    };
    ssize_t size = system.listxattr(source.constData(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP ? true : cannotKeep("list", errno);
    QByteArray names(size, '\0');
    size = system.listxattr(source.constData(), names.data(), static_cast<size_t>(names.size()));
    if (size < 0) return cannotKeep("list", errno);
    for (const char* name = names.constData(); name < names.constData() + size;
         name += std::strlen(name) + 1) {
        const ssize_t length = system.getxattr(source.constData(), name, nullptr, 0);
        if (length < 0) {
            if (errno == ENODATA) continue;
            return cannotKeep(name, errno);
        }
        QByteArray value(length, '\0');
        const ssize_t got =
            system.getxattr(source.constData(), name, value.data(), static_cast<size_t>(value.size()));
        if (got < 0) return cannotKeep(name, errno);
        value.truncate(got);
        if (system.fsetxattr(fd, name, value.constData(), static_cast<size_t>(value.size()), 0) == 0)
            continue;
        const int code = errno;
        // A label the system gives every new file (a security context) may
        // not be set by the user, but is there already.
        QByteArray present(value.size() + 1, '\0');
        const ssize_t has = system.fgetxattr(fd, name, present.data(), static_cast<size_t>(present.size()));
        if (has != value.size() || present.left(has) != value) return cannotKeep(name, code);
    }
    return true;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

// Writes a temporary file beside `target` with `writer` and renames it over
// `target` (the entry itself, whatever it is), giving the file it replaces
// to `keeper` first. `shown` names the file in messages.
SaveOutcome replaceAtomically(const QString& shown, const QByteArray& target, const Keep& keep,
                              const Writer& writer, ReplacedFileKeeper* keeper = nullptr) {
    FileSystem& system = FileSystem::current();
    const QByteArray folder = folderOf(target);
    removeStaleTemporaries(folder);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = folder + '/' + TemporaryPrefix + QByteArray::number(::getpid()) + '-' +
                    QByteArray::number(attempt) + TemporarySuffix;
        // Private from the start: no one else can open it before its mode is set.
        fd = system.open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failed(FileError::ofSystem(shown, errno, FileError::Step::Writing));
    // Marks the file as being written, for removeStaleTemporaries.
    system.flock(fd, LOCK_EX | LOCK_NB);

    const auto fail = [&](const FileError& error) {
        if (fd >= 0) system.close(fd);
        system.unlink(temporary.constData());
        return failed(error);
    };
    FileError error;
    if (!keepOwnership(fd, keep, shown, error)) return fail(error);
    if (system.fchmod(fd, keep.mode) != 0) return fail(FileError::ofSystem(shown, errno, FileError::Step::Writing));
    if (!copyAttributes(keep.attributesOf, fd, shown, error)) return fail(error);
    if (!writer(fd, error)) return fail(error);
    if (system.fsync(fd) != 0) return fail(FileError::ofSystem(shown, errno, FileError::Step::Writing));
    const int closed = system.close(fd);
    fd = -1;
    if (closed != 0) return fail(FileError::ofSystem(shown, errno, FileError::Step::Writing));
    if (keeper) keeper->keep(shown, target);
    if (system.rename(temporary.constData(), target.constData()) != 0) {
        const int code = errno;
        if (keeper) keeper->notReplaced();
        return fail(FileError::ofSystem(shown, code, FileError::Step::Writing));
    }

    // The rename itself is durable only once the folder is synced. A file
    // system that cannot sync folders has nothing more to confirm.
    const int dir = system.open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int synced = dir >= 0 ? system.fsync(dir) : -1;
    const int code = errno;
    if (dir >= 0) system.close(dir);
    if (synced != 0 && code != EINVAL)
        return {SaveOutcome::Status::NotConfirmed,
                {shown, "Syncing its folder failed: " + systemReason(code) + ". The document stays marked as changed.",
                 FileError::Step::ConfirmingWrite, false}};
    return {SaveOutcome::Status::Saved, FileError()};
}

QString linkTarget(const QByteArray& link) {
    char target[PATH_MAX];
    const ssize_t length = FileSystem::current().readlink(link.constData(), target, sizeof target);
    return length < 0 ? QString("?") : QFile::decodeName(QByteArray(target, length));
}

QString userName(uid_t user) {
    const passwd* entry = ::getpwuid(user);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(user);
}

QString groupName(gid_t group) {
    const struct group* entry = ::getgrgid(group);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(group);
}

}  // namespace

SaveTarget SaveTarget::inspect(const QString& path) {
    SaveTarget target;
    target.path = path;
    if (!isFaithfulName(path)) {
        target.refusal = FileError::ofUnfaithfulName(path, FileError::Step::Writing);
        return target;
    }
    FileSystem& system = FileSystem::current();
    const QByteArray name = QFile::encodeName(path);
    // Said first: nothing else about the file matters while no file can be
    // made beside it (a missing folder shows when it is written).
    const QByteArray folder = folderOf(name);
    if (system.access(folder.constData(), W_OK) != 0 && errno != ENOENT) {
        target.refusal = FileError::writing(path, "Its folder cannot be written: " + systemReason(errno) + ".", true);
        return target;
    }
    struct stat entry, status;
    // Nothing there: a new file (a missing folder shows when it is written).
    if (system.lstat(name.constData(), &entry) != 0) return target;
    if (system.stat(name.constData(), &status) != 0) {
        const int code = errno;
        // A new file would take the link's place, and the edits would not
        // reach the file the link stands for (on a drive not mounted, say).
        target.refusal = FileError::writing(
            path, QString("It is a link to %1, which %2.")
                      .arg(linkTarget(name), code == ENOENT ? QString("does not exist (is its drive mounted?)")
                                                            : "cannot be reached: " + systemReason(code)));
        return target;
    }
    if (!S_ISREG(status.st_mode)) {
        target.refusal = FileError::writing(path, NotOrdinary);
        return target;
    }
    // The user's own protection, which the rename would go around (and root
    // would ignore).
    if ((status.st_mode & 0222) == 0) {
        target.refusal =
            FileError::writing(path, "The file is read-only: its permissions allow no one to write it.", true);
        return target;
    }
    const uid_t user = system.effectiveUser();
    if (status.st_uid != user && user != 0)
        target.losses << QString("its owner, %1 (the new file would be yours)").arg(userName(status.st_uid));
    if (!system.mayGiveGroup(status.st_gid))
        target.losses
            << QString("its group, %1, which you are not a member of").arg(groupName(status.st_gid));
    if (status.st_nlink > 1)
        target.losses << QString("its other names (hard links): %1 more would keep the old content")
                             .arg(status.st_nlink - 1);
    return target;
}

namespace {

SaveOutcome saveInspected(const SaveTarget& check, std::string_view bytes, ReplacedFileKeeper* keeper,
                          const std::atomic<bool>* stop) {
    if (check.refusal.isError()) return failed(check.refusal);
    const QString& path = check.path;
    FileSystem& system = FileSystem::current();
    QByteArray target = QFile::encodeName(path);
    Keep keep = keepForNewFile();
    struct stat entry, status;
    const bool replacing = system.lstat(target.constData(), &entry) == 0 && system.stat(target.constData(), &status) == 0;
    if (replacing) {
        // Replace what a link points at, not the link itself.
        if (S_ISLNK(entry.st_mode)) {
            char* resolved = ::realpath(target.constData(), nullptr);
            if (!resolved) return failed(FileError::ofSystem(path, errno, FileError::Step::Writing));
            target = resolved;
            std::free(resolved);
        }
        keep = keepOf(status, target);
    }
    return replaceAtomically(
        path, target, keep,
        [&](int fd, FileError& error) { return writeAll(fd, bytes.data(), bytes.size(), path, error, stop); },
        replacing ? keeper : nullptr);
}

}  // namespace

SaveOutcome saveFileAtomically(const QString& path, std::string_view bytes, const std::atomic<bool>* stop) {
    return saveInspected(SaveTarget::inspect(path), bytes, nullptr, stop);
}

SaveOutcome saveFileAtomically(const SaveTarget& check, std::string_view bytes, ReplacedFileKeeper* keeper) {
    return saveInspected(check, bytes, keeper, nullptr);
}

SaveOutcome copyFileAtomically(const QString& source, const QString& destination) {
    if (!isFaithfulName(source)) return failed(FileError::ofUnfaithfulName(source, FileError::Step::Writing));
    FileSystem& system = FileSystem::current();
    const QByteArray name = QFile::encodeName(source);
    const int in = system.open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failed(FileError::ofSystem(source, errno, FileError::Step::Writing));
    struct stat status;
    const bool statted = system.fstat(in, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        const FileError why = !statted ? FileError::ofSystem(source, errno, FileError::Step::Writing)
                                       : FileError::writing(source, NotOrdinary);
        system.close(in);
        return failed(why);
    }
    const SaveOutcome copied = replaceAtomically(
        destination, QFile::encodeName(destination), keepOf(status, name), [&](int out, FileError& error) {
            char buffer[1 << 16];
            for (;;) {
                const ssize_t got = system.read(in, buffer, sizeof buffer);
                if (got == 0) break;
                if (got < 0) {
                    if (errno == EINTR) continue;
                    error = FileError::ofSystem(source, errno, FileError::Step::Writing);
                    return false;
                }
                if (!writeAll(out, buffer, static_cast<std::size_t>(got), destination, error)) return false;
            }
            // A copy of a file as it was: when it was last written is part of that.
            const struct timespec times[2] = {status.st_atim, status.st_mtim};
            if (system.futimens(out, times) == 0) return true;
            error = FileError::ofSystem(destination, errno, FileError::Step::Writing);
            return false;
        });
    system.close(in);
    return copied;
}

QString SaveAsBackup::backupName(const QString& chosenPath) {
    return QFileInfo(chosenPath).completeBaseName() + ".BAK";
}

QString SaveAsBackup::backupPath(const QString& chosenPath) {
    return QFileInfo(chosenPath).absoluteDir().filePath(backupName(chosenPath));
}

bool SaveAsBackup::make(const QString& chosenPath, FileError* error) {
    const auto report = [error](const FileError& why) {
        if (error) *error = why;
        return false;
    };
    const QString backup = backupPath(chosenPath);
    if (backup == QFileInfo(chosenPath).absoluteFilePath())
        return report(FileError::writing(chosenPath, "Its backup would take its own name; choose another name."));
    const SaveOutcome made = copyFileAtomically(chosenPath, backup);
    if (made.status != SaveOutcome::Status::Saved) return report(made.error);
    return true;
}
