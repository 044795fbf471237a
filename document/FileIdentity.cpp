#include "document/FileIdentity.h"

#include <sys/stat.h>

#include <QFile>

FileIdentity FileIdentity::of(const QString& path) {
    FileIdentity identity;
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0) return identity;
    identity.exists = true;
    identity.size = status.st_size;
    identity.modified = static_cast<qint64>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    return identity;
}
