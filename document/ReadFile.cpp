#include "document/ReadFile.h"

#include <fcntl.h>
#include <sys/mman.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <utility>

#include "document/FileSystem.h"

namespace {

// Small enough that a slice just read is still in the cache when surveyed.
constexpr std::size_t SliceBytes = std::size_t{256} << 10;

// Fresh pages are costly to touch one by one, and a large file's bytes
// touch tens of thousands of them; huge ones, where the system has them,
// are many times cheaper. Asked for the whole huge pages within the array
// (which, that large, has pages of its own): only a request.
void preferHugePages(char* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    const auto start = (reinterpret_cast<std::uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(hugePage - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

ReadResult readWholeFile(const QString& path, QByteArray& bytes, FileError& error, ByteSurvey* survey) {
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
    ByteSurvey surveyed;
    try {
        // Straight into the array while the file is as long as it was;
        // anything beyond (a file that grew, no regular file) through a buffer.
        if (regular) {
            read.resize(static_cast<qsizetype>(status.st_size));
            preferHugePages(read.data(), static_cast<std::size_t>(read.size()));
        }
        qsizetype length = 0;
        char buffer[1 << 16];
        for (;;) {
            const bool direct = length < read.size();
            const ssize_t got =
                direct ? system.read(fd, read.data() + length,
                                     std::min(static_cast<std::size_t>(read.size() - length), SliceBytes))
                       : system.read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0) {
                if (errno == EINTR) continue;
                error = FileError::ofSystem(path, errno);
                system.close(fd);
                return ReadResult::CannotRead;
            }
            if (!direct) read.append(buffer, static_cast<qsizetype>(got));
            if (survey) surveyed.add(read.constData() + length, static_cast<std::size_t>(got));
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
    if (survey) *survey = surveyed;
    return ReadResult::Read;
}
