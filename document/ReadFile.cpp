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
        // Straight into the array while the file is as long as it was;
        // anything beyond (a file that grew, no regular file) through a buffer.
        if (regular) read.resize(static_cast<qsizetype>(status.st_size));
        qsizetype length = 0;
        char buffer[1 << 16];
        for (;;) {
            const bool direct = length < read.size();
            const ssize_t got =
                direct ? system.read(fd, read.data() + length, static_cast<std::size_t>(read.size() - length))
                       : system.read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                error = FileError::ofSystem(path, errno);
                system.close(fd);
                return ReadResult::CannotRead;
            }
            if (!direct) read.append(buffer, static_cast<qsizetype>(got));
            length += got;
        }
        read.truncate(length);
    } catch (const std::bad_alloc&) {
        system.close(fd);
        error = FileError::ofMemory(path, regular ? static_cast<qint64>(status.st_size) : read.size());
        return ReadResult::CannotRead;
    }
    system.close(fd);
    bytes = std::move(read);
    return ReadResult::Read;
}
