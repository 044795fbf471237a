#include "document/FileError.h"

#include <QDir>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// A failed read keeps the text users of the program have always seen.
QString headline(FileError::Step step) {
    switch (step) {
        case FileError::Step::Reading:
            return "Can't perform one of the following file operations: Open, Seek, Read, Close.";
        case FileError::Step::Writing: return "Could not write the file; nothing on disk was changed.";
        case FileError::Step::ConfirmingWrite: return "The file was written, but it is not confirmed on disk.";
    }
    return QString();
}

}  // namespace

FileError FileError::writing(const QString& path, const QString& reason, bool cannotWriteHere) {
    return {path, reason, Step::Writing, cannotWriteHere};
}

FileError FileError::ofSystem(const QString& path, int code, Step step) {
    return {path, QString::fromLocal8Bit(std::strerror(code)), step,
            step == Step::Writing && (code == EACCES || code == EPERM || code == EROFS)};
}

FileError FileError::ofUnfaithfulName(const QString& path, Step step) {
    return {path,
            "The name holds bytes that are not valid in the system's encoding (shown as \xEF\xBF\xBD), "
            "so this file cannot be reached by it. Rename the file, or choose another name.",
            step, false};
}

FileError FileError::ofReading(const QString& path, const std::exception& failure) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr;
    return {path,
            memory ? QString("There is not enough memory to read it.") : QString::fromLocal8Bit(failure.what()),
            Step::Reading, false};
}

FileError FileError::ofMemory(const QString& path, qint64 size) {
    return {path,
            QString("There is not enough memory to read its %1. Nothing was changed.")
                .arg(QLocale().formattedDataSize(size, 1)),
            Step::Reading, false};
}

QString FileError::message() const {
    QString text = headline(step);
    if (!path.isEmpty()) text += "\n\n" + QDir::toNativeSeparators(path);
    if (isError()) text += (path.isEmpty() ? "\n\n" : "\n") + reason;
    return text;
}

bool isFaithfulName(const QString& path) { return !path.contains(QChar::ReplacementCharacter); }
