#include "document/ReadFile.h"

#include <fcntl.h>

#include <QFile>
#include <cerrno>
#include <new>
#include <utility>

#include "document/FileSystem.h"

ReadResult readWholeFile(const QString& path, QByteArray& bytes, FileError& error) {
    if (!isFaithfulName(path)) {
        error = FileError::ofUnfaithfulName(path, FileError::Step::Reading);
        return ReadResult::CannotOpen;
    }
    FileSystem& system = FileSystem::current();
    const int fd =
        path.isEmpty() ? -1 : system.open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = FileError::ofSystem(path, path.isEmpty() ? ENOENT : errno);
        return ReadResult::CannotOpen;
    }
    struct stat status;
    const bool regular = system.fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    QByteArray read;
    try {
        if (regular) read.reserve(static_cast<qsizetype>(status.st_size));
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = system.read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                error = FileError::ofSystem(path, errno);
                system.close(fd);
                return ReadResult::CannotRead;
            }
            read.append(buffer, static_cast<qsizetype>(got));
        }
    } catch (const std::bad_alloc&) {
        system.close(fd);
        error = FileError::ofMemory(path, regular ? static_cast<qint64>(status.st_size) : read.size());
        return ReadResult::CannotRead;
    }
    system.close(fd);
    bytes = std::move(read);
    return ReadResult::Read;
}
