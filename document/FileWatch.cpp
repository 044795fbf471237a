#include "document/FileWatch.h"

#include <QFileInfo>

#include "document/Document.h"

FileWatch::FileWatch(Document& document, QObject* parent) : QObject(parent), document_(document) {
    settle_.setSingleShot(true);
    settle_.setInterval(200);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::check);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    connect(&document_, &Document::fileSet, this, &FileWatch::follow);
    follow();
}

void FileWatch::follow() {
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    reported_ = document_.fileIdentity();
    if (document_.isNew()) return;
    const QString path = document_.fileName();
    // The folder too: a file replaced by renaming another over it is a new
    // file, which a watch on the old one does not see.
    watcher_.addPath(QFileInfo(path).absolutePath());
    if (QFileInfo::exists(path)) watcher_.addPath(path);
}

bool FileWatch::changedOnDisk() const {
    return !document_.isNew() && FileIdentity::of(document_.fileName()) != document_.fileIdentity();
}

void FileWatch::check() {
    if (document_.isNew()) return;
    const QString path = document_.fileName();
    const FileIdentity now = FileIdentity::of(path);
    // A replaced file is watched anew.
    if (now.exists && !watcher_.files().contains(path)) watcher_.addPath(path);
    if (now == reported_) return;
    reported_ = now;
    if (now != document_.fileIdentity()) emit changed(!now.exists);
}
