#include "document/RecoveryStore.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>
#include <QUuid>

#include "document/SaveFile.h"

QString RecoveryStore::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/recovery";
}

RecoveryStore::RecoveryStore() : RecoveryStore(userFolder()) {}

RecoveryStore::RecoveryStore(QString folder) : folder_(std::move(folder)) {}

QString RecoveryStore::path(const QString& name, const char* extension) const {
    return folder_ + "/" + name + extension;
}

QString RecoveryStore::dataPath(const QString& name) const { return path(name, ".xml"); }

bool RecoveryStore::lock(const QString& name) {
    auto file = std::make_shared<QLockFile>(path(name, ".lock"));
    // The lock of a program that has died on this machine is taken over.
    file->setStaleLockTime(0);
    if (!file->tryLock(0)) return false;
    locks_.append(file);
    locked_.append(name);
    return true;
}

QList<RecoveryEntry> RecoveryStore::takeLeftBehind() {
    QList<RecoveryEntry> entries;
    const QStringList notes = QDir(folder_).entryList({"*.info"}, QDir::Files);
    for (const QString& note : notes) {
        const QString name = note.chopped(5);
        if (locked_.contains(name) || !QFile::exists(dataPath(name)) || !lock(name)) continue;
        QFile file(path(name, ".info"));
        const QJsonObject info =
            file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
        RecoveryEntry entry;
        entry.name = name;
        entry.original = info["original"].toString();
        entry.originalWhenOpened.exists = info["exists"].toBool();
        entry.originalWhenOpened.size = info["size"].toString().toLongLong();
        entry.originalWhenOpened.modified = info["modified"].toString().toLongLong();
        entry.originalWhenOpened.device = info["device"].toString().toULongLong();
        entry.originalWhenOpened.inode = info["inode"].toString().toULongLong();
        entry.savedAt = QDateTime::fromString(info["saved"].toString(), Qt::ISODateWithMs);
        entry.encoding = FileEncoding::fromKey(info["encoding"].toString());
        const int content = info["content"].toInt();
        if (content >= 0 && content <= static_cast<int>(FileContent::BrokenUtf16))
            entry.originalContent = static_cast<FileContent>(content);
        entries.append(entry);
    }
    std::sort(entries.begin(), entries.end(),
              [](const RecoveryEntry& a, const RecoveryEntry& b) { return a.savedAt > b.savedAt; });
    return entries;
}

ReadResult RecoveryStore::read(const RecoveryEntry& entry, QByteArray& bytes, FileError& error) const {
    return readWholeFile(dataPath(entry.name), bytes, error);
}

bool RecoveryStore::originalChanged(const RecoveryEntry& entry) {
    return FileIdentity::of(entry.original) != entry.originalWhenOpened;
}

void RecoveryStore::remove(const RecoveryEntry& entry) {
    clear(entry.name);
    release(entry);
}

void RecoveryStore::clear(const QString& name) {
    // The note first: work without its note is never offered.
    QFile::remove(path(name, ".info"));
    QFile::remove(dataPath(name));
}

void RecoveryStore::release(const RecoveryEntry& entry) {
    const auto at = locked_.indexOf(entry.name);
    if (at < 0) return;
    locks_.at(at)->unlock();
    locks_.removeAt(at);
    locked_.removeAt(at);
}

QString RecoveryStore::claim() {
    if (!QDir().mkpath(folder_)) return QString();
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return lock(name) ? name : QString();
}

bool RecoveryStore::write(const QString& name, std::string_view bytes, const RecoveryEntry& note,
                          const std::atomic<bool>* stop) const {
    // The work first: a note without its work is never offered.
    if (!saveFileAtomically(dataPath(name), bytes, stop) || (stop && *stop)) return false;
    QJsonObject info;
    info["original"] = note.original;
    info["exists"] = note.originalWhenOpened.exists;
    info["size"] = QString::number(note.originalWhenOpened.size);
    info["modified"] = QString::number(note.originalWhenOpened.modified);
    info["device"] = QString::number(note.originalWhenOpened.device);
    info["inode"] = QString::number(note.originalWhenOpened.inode);
    info["saved"] = note.savedAt.toString(Qt::ISODateWithMs);
    if (note.encoding) info["encoding"] = note.encoding->key();
    info["content"] = static_cast<int>(note.originalContent);
    const QByteArray text = QJsonDocument(info).toJson();
    return static_cast<bool>(
        saveFileAtomically(path(name, ".info"), std::string_view(text.constData(), static_cast<std::size_t>(text.size()))));
}
