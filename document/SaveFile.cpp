#include "document/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using Writer = std::function<bool(int fd, QString* error)>;

QString describe(const QString& step, const QString& path, int error) {
    return QString("%1 %2: %3").arg(step, path, QString::fromLocal8Bit(std::strerror(error)));
}

bool writeAll(int fd, const char* bytes, std::size_t length, const QString& path, QString* error) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            if (error) *error = describe("Cannot write", path, errno);
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// Writes a temporary file beside `path` with `writer`, syncs it and renames
// it over `path`. Every step is checked; on failure the temporary file goes
// and `path` is untouched.
bool replaceAtomically(const QString& requestedPath, const Writer& writer, QString* error) {
    // Replace what a link points at, not the link itself.
    const QFileInfo requested(requestedPath);
    const QString path = requested.isSymLink() && requested.exists() ? requested.canonicalFilePath() : requestedPath;
    const QFileInfo target(path);
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(target.absolutePath());

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(QDir(target.absolutePath()).filePath(
            QString(".%1.%2-%3.tmp").arg(target.fileName()).arg(::getpid()).arg(attempt)));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        if (error) *error = describe("Cannot create a file in", target.absolutePath(), errno);
        return false;
    }
    auto fail = [&](const QString& reason) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporary.constData());
        if (error) *error = reason;
        return false;
    };
    struct stat existing;
    if (::stat(finalName.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(fd, existing.st_mode & 07777);  // keep the file's permissions; a failure only loses those
    if (!writer(fd, error)) return fail(error ? *error : QString());
    if (::fsync(fd) != 0) return fail(describe("Cannot sync", path, errno));
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(describe("Cannot close", path, errno));
    if (::rename(temporary.constData(), finalName.constData()) != 0)
        return fail(describe("Cannot replace", path, errno));
    // Make the rename itself durable; the new file is complete either way.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace

bool saveFileAtomically(const QString& path, std::string_view bytes, QString* error) {
    return replaceAtomically(
        path, [&](int fd, QString* err) { return writeAll(fd, bytes.data(), bytes.size(), path, err); }, error);
}

QString SaveAsBackup::backupName(const QString& chosenPath) {
    return QFileInfo(chosenPath).completeBaseName() + ".BAK";
}

QString SaveAsBackup::backupPath(const QString& chosenPath) {
    return QFileInfo(chosenPath).absoluteDir().filePath(backupName(chosenPath));
}

bool SaveAsBackup::make(const QString& chosenPath, QString* error) {
    const QByteArray source = QFile::encodeName(chosenPath);
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (error) *error = describe("Cannot read", chosenPath, errno);
        return false;
    }
    const bool made = replaceAtomically(
        backupPath(chosenPath),
        [&](int out, QString* err) {
            char buffer[1 << 16];
            for (;;) {
                const ssize_t got = ::read(in, buffer, sizeof buffer);
                if (got == 0) return true;
                if (got < 0) {
                    if (errno == EINTR) continue;
                    if (err) *err = describe("Cannot read", chosenPath, errno);
                    return false;
                }
                if (!writeAll(out, buffer, static_cast<std::size_t>(got), backupPath(chosenPath), err))
                    return false;
            }
        },
        error);
    ::close(in);
    return made;
}

QString withXmlExtension(const QString& name) {
    return name.contains(".XML", Qt::CaseSensitive) ? name : name + ".XML";
}
