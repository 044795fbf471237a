#include "document/VersionStore.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "document/FileEncoding.h"
#include "document/FileSystem.h"
#include "document/ReadFile.h"

namespace {

const int NameDigits = 6;

// The number of a version's file name ("000012.xml"); -1 for other files.
qint64 numberOf(const QString& name) {
    if (!name.endsWith(".xml") || name.size() <= 4) return -1;
    bool number = false;
    const qint64 value = name.chopped(4).toLongLong(&number);
    return number && value >= 0 && name.at(0).isDigit() ? value : -1;
}

QString nameOf(qint64 number) { return QString("%1.xml").arg(number, NameDigits, 10, QChar('0')); }

// The versions in `folder`, with their numbers, the newest first.
QList<std::pair<qint64, Version>> numberedVersions(const QString& folder) {
    QList<std::pair<qint64, Version>> found;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
        const qint64 number = numberOf(file.fileName());
        if (number >= 0) found.append({number, Version{file.filePath(), file.lastModified(), file.size()}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    return found;
}

// Makes `folder` for the user alone: versions hold the user's notes.
bool makePrivateFolder(const QString& folder, FileError& error) {
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) == 0) return true;
    const int code = errno;
    if (code == EEXIST && QFileInfo(folder).isDir()) return true;
    error = FileError::ofSystem(folder, code == EEXIST ? ENOTDIR : code);
    return false;
}

// Past the first `end` from `at`, or the end of the text.
std::size_t skipPast(std::string_view text, std::size_t at, std::string_view end) {
    const std::size_t found = text.find(end, at);
    return found == std::string_view::npos ? text.size() : found + end.size();
}

// The start tags of XML text: every "<" that does not open an end tag, a
// comment, a CDATA section, a declaration or a processing instruction (the
// last three may hold "<" of their own).
qint64 countStartTags(std::string_view text) {
    qint64 count = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        const std::string_view rest = text.substr(at + 1);
        if (rest.substr(0, 3) == "!--")
            at = skipPast(text, at + 4, "-->");
        else if (rest.substr(0, 8) == "![CDATA[")
            at = skipPast(text, at + 9, "]]>");
        else if (!rest.empty() && rest.front() == '?')
            at = skipPast(text, at + 2, "?>");
        else {
            count += !rest.empty() && rest.front() != '/' && rest.front() != '!';
            ++at;
        }
    }
    return count;
}

}  // namespace

QString VersionStore::folderBeside(const QString& recoveryFolder) {
    return QFileInfo(recoveryFolder).dir().filePath("versions");
}

VersionStore::VersionStore(QString folder) : folder_(std::move(folder)) {}

QString VersionStore::folderOf(const QString& document) const {
    const QString path = QDir::cleanPath(QFileInfo(document).absoluteFilePath());
    // The name for whoever looks into the folder, the hash to tell apart
    // documents of the same name.
    QString name = QFileInfo(path).fileName().left(40);
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != '.' && c != '-' && c != '_') c = '_';
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256);
    return folder_ + "/" + name + "-" + QString::fromLatin1(hash.toHex().left(16));
}

QList<Version> VersionStore::versions(const QString& document) const {
    QList<Version> versions;
    for (const auto& [number, version] : numberedVersions(folderOf(document))) versions.append(version);
    return versions;
}

QString VersionStore::keep(const QString& document, const QByteArray& file, FileError& error) {
    const QString folder = folderOf(document);
    if (!QFileInfo(folder).isDir()) {
        QDir().mkpath(QFileInfo(folder_).path());
        if (!makePrivateFolder(folder_, error) || !makePrivateFolder(folder, error)) return QString();
    }
    FileSystem& system = FileSystem::current();
    struct stat status;
    if (system.stat(file.constData(), &status) != 0) {
        error = FileError::ofSystem(QFile::decodeName(file), errno);
        return QString();
    }
    const QList<std::pair<qint64, Version>> existing = numberedVersions(folder);
    qint64 number = existing.isEmpty() ? 1 : existing.first().first + 1;
    // A file with other names may still be changed through them; a version
    // must stay as it was.
    if (status.st_nlink == 1) {
        for (;; ++number) {
            const QString version = folder + "/" + nameOf(number);
            if (system.link(file.constData(), QFile::encodeName(version).constData()) == 0) return version;
            // Another folder's file system, a file the user may not link, too many links: a copy.
            if (errno != EEXIST) break;
        }
    }
    while (QFileInfo::exists(folder + "/" + nameOf(number))) ++number;
    const QString version = folder + "/" + nameOf(number);
    const SaveOutcome copied = copyFileAtomically(QFile::decodeName(file), version);
    if (copied.status == SaveOutcome::Status::Failed) {
        error = copied.error;
        return QString();
    }
    return version;
}

void VersionStore::prune(const QString& document, qint64 documentSize) {
    qint64 total = 0;
    int kept = 0;
    for (const auto& [number, version] : numberedVersions(folderOf(document))) {
        total += version.size;
        if (kept == 0 || (kept < MostVersions && total <= MostTimesTheDocument * documentSize))
            ++kept;
        else
            FileSystem::current().unlink(QFile::encodeName(version.path).constData());
    }
}

qint64 VersionStore::folderCount(const Version& version) {
    QByteArray bytes;
    FileError error;
    if (readWholeFile(version.path, bytes, error) != ReadResult::Read) return -1;
    const DecodedFile decoded = decodeFile(bytes);
    return countStartTags(std::string_view(decoded.text.constData(), static_cast<std::size_t>(decoded.text.size())));
}

void SaveVersion::keep(const QString& path, const QByteArray& file) { version_ = store_.keep(path, file, problem_); }

void SaveVersion::notReplaced() {
    if (!version_.isEmpty()) FileSystem::current().unlink(QFile::encodeName(version_).constData());
    version_.clear();
    problem_ = FileError();
}
