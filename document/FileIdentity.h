// What a file looked like at one moment: enough to tell later that another
// program has changed, replaced or removed it.
#pragma once

#include <QString>
#include <QtGlobal>

struct FileIdentity {
    bool exists = false;
    qint64 size = 0;
    // Nanoseconds since the epoch.
    qint64 modified = 0;
    // The file itself: a file saved anew under the same name is another one.
    quint64 device = 0;
    quint64 inode = 0;

    static FileIdentity of(const QString& path);

    friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
        return a.exists == b.exists && (!a.exists || (a.size == b.size && a.modified == b.modified &&
                                                      a.device == b.device && a.inode == b.inode));
    }
    friend bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
};
