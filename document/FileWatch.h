// Notices when another program changes, replaces or removes the open
// document's file, by watching the file and its folder and comparing what
// the file looks like with what it looked like when last read or written
// here. A change is told once; the next report needs another change.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "document/FileIdentity.h"

class Document;

class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(Document& document, QObject* parent = nullptr);

    // Whether the file is no longer as the document knows it (checked now).
    bool changedOnDisk() const;
    // Looks at the file now, as a report from the file system would.
    void check();

signals:
    // The file was changed or replaced (removed false), or removed.
    void changed(bool removed);

private:
    void follow();

    Document& document_;
    QFileSystemWatcher watcher_;
    // Writers save in several steps: the file is looked at once they settle.
    QTimer settle_;
    FileIdentity reported_;
};
