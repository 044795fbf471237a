#include "document/FileLock.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

FileLock::FileLock() = default;

FileLock::~FileLock() = default;

QString FileLock::lockPathOf(const QString& path) {
    const QFileInfo file(path);
    return file.absolutePath() + "/." + file.fileName() + ".corvantis-lock";
}

FileLock::Result FileLock::lock(const QString& path) {
    release();
    auto lock = std::make_unique<QLockFile>(lockPathOf(path));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        lock_ = std::move(lock);
        return Result::Locked;
    }
    if (lock->error() != QLockFile::LockFailedError) return Result::NotLockable;
    qint64 pid = 0;
    QString host, application;
    holder_ = lock->getLockInfo(&pid, &host, &application)
                  ? QString("process %1 on %2").arg(pid).arg(host.isEmpty() ? QString("this computer") : host)
                  : QString("a program that cannot be told");
    return Result::HeldElsewhere;
}

FileLock::Result FileLock::takeOver(const QString& path) {
    release();
    QFile::remove(lockPathOf(path));
    return lock(path);
}

void FileLock::release() {
    lock_.reset();
    holder_.clear();
}
