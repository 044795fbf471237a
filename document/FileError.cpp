#include "document/FileError.h"

#include <QDir>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <new>

FileError FileError::ofSystem(const QString& path, int code, bool whileWriting) {
    FileError error;
    error.path = path;
    error.reason = QString::fromLocal8Bit(std::strerror(code));
    error.whileWriting = whileWriting;
    error.cannotWriteHere = code == EACCES || code == EPERM || code == EROFS;
    return error;
}

FileError FileError::ofUnfaithfulName(const QString& path) {
    return {path,
            "The name holds bytes that are not valid in the system's encoding (shown as \xEF\xBF\xBD), "
            "so this file cannot be reached by it. Rename the file, or choose another name.",
            false, false};
}

FileError FileError::ofReading(const QString& path, const std::exception& failure) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr;
    return {
        path,
        memory ? QString("There is not enough memory to read it.") : QString::fromLocal8Bit(failure.what()),
        false, false};
}

FileError FileError::ofMemory(const QString& path, qint64 size) {
    return {path,
            QString("There is not enough memory to read its %1. Nothing was changed.")
                .arg(QLocale().formattedDataSize(size, 1)),
            false, false};
}

QString FileError::message() const {
    QString text = "Can't perform one of the following file operations: Open, Seek, Read, Close.";
    if (!path.isEmpty()) text += "\n\n" + QDir::toNativeSeparators(path);
    if (isError())
        text += (path.isEmpty() ? "\n\n" : "\n") + (whileWriting ? "Writing failed: " + reason : reason);
    return text;
}

bool isFaithfulName(const QString& path) { return !path.contains(QChar::ReplacementCharacter); }
