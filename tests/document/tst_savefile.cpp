// The save routine against what a file system holds and does: links, modes,
// owners, access lists, names, stale temporary files and failing calls. Links,
// modes and names are real, in a temporary folder; what cannot fail for real
// (root writes anywhere) fails through the file-system seam.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "FaultyFileSystem.h"
#include "document/ReadFile.h"
#include "document/SaveFile.h"

namespace {

enum class Action { Save, Backup, Inspect };

struct Case {
    const char* name;
    std::function<void(const QDir&, FaultyFileSystem&)> prepare;
    Action action;
    SaveOutcome::Status status;
    std::function<void(const QDir&, const SaveOutcome&)> check;
    QByteArray target = "Diary.XML";
    // Gives a file away, which only root may.
    bool needsRoot = false;
};

using Status = SaveOutcome::Status;
using Fault = FaultyFileSystem::Fault;

QByteArray pathIn(const QDir& dir, const QByteArray& name) { return QFile::encodeName(dir.path()) + '/' + name; }

QByteArray contentOf(const QDir& dir, const QByteArray& name) {
    const int fd = ::open(pathIn(dir, name).constData(), O_RDONLY);
    char buffer[256];
    const ssize_t length = fd < 0 ? -1 : ::read(fd, buffer, sizeof buffer);
    if (fd >= 0) ::close(fd);
    return length < 0 ? QByteArray("(none)") : QByteArray(buffer, length);
}

void write(const QDir& dir, const QByteArray& name, const QByteArray& bytes, mode_t mode = 0644) {
    const int fd = ::open(pathIn(dir, name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fchmod(fd, mode) == 0);
    ::close(fd);
}

struct stat statusOf(const QDir& dir, const QByteArray& name) {
    struct stat status {};
    ::lstat(pathIn(dir, name).constData(), &status);
    return status;
}

// Everything in the folder, with the content of its files.
QStringList snapshot(const QDir& dir) {
    QStringList all;
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        all << name + "=" + contentOf(dir, QFile::encodeName(name));
    return all;
}

// An access list: owner rw, user 1234 rw, group rw, mask rw, others nothing.
QByteArray accessList() {
    QByteArray acl;
    const auto add = [&acl](quint32 value, int bytes) { acl.append(reinterpret_cast<const char*>(&value), bytes); };
    add(2, 4);
    const quint32 entries[][2] = {{0x01, ~0u}, {0x02, 1234}, {0x04, ~0u}, {0x10, ~0u}, {0x20, ~0u}};
    for (const auto& entry : entries) {
        add(entry[0], 2);
        add(entry[0] == 0x20 ? 0 : 6, 2);
        add(entry[1], 4);
    }
    return acl;
}

QByteArray attribute(const QDir& dir, const char* name) {
    char value[256];
    const ssize_t length = ::getxattr(pathIn(dir, "Diary.XML").constData(), name, value, sizeof value);
    return length < 0 ? QByteArray() : QByteArray(value, length);
}

int heldLock = -1;

const QList<Case> cases = {
    {"backup replaces a link of its name and does not follow it",
     [](const QDir& dir, FaultyFileSystem&) {
         write(dir, "Other", "other");
         QVERIFY(::symlink("Other", pathIn(dir, "Diary.BAK").constData()) == 0);
     },
     Action::Backup, Status::Saved,
     [](const QDir& dir, const SaveOutcome&) {
         QVERIFY(S_ISREG(statusOf(dir, "Diary.BAK").st_mode));
         QCOMPARE(contentOf(dir, "Diary.BAK"), QByteArray("old"));
         QCOMPARE(contentOf(dir, "Other"), QByteArray("other"));
     }},
    {"backup replaces a link to the file itself",
     [](const QDir& dir, FaultyFileSystem&) { QVERIFY(::symlink("Diary.XML", pathIn(dir, "Diary.BAK").constData()) == 0); },
     Action::Backup, Status::Saved,
     [](const QDir& dir, const SaveOutcome&) {
         QVERIFY(S_ISREG(statusOf(dir, "Diary.BAK").st_mode));
         QCOMPARE(contentOf(dir, "Diary.BAK"), QByteArray("old"));
     }},
    {"backup of a private file is private",
     [](const QDir& dir, FaultyFileSystem&) {
         write(dir, "Diary.XML", "old", 0600);
         write(dir, "Diary.BAK", "older", 0644);
     },
     Action::Backup, Status::Saved,
     [](const QDir& dir, const SaveOutcome&) {
         QCOMPARE(statusOf(dir, "Diary.BAK").st_mode & 07777, mode_t(0600));
         QCOMPARE(contentOf(dir, "Diary.BAK"), QByteArray("old"));
     }},
    {"owner, group, mode, access list and attributes are kept",
     [](const QDir& dir, FaultyFileSystem&) {
         const QByteArray file = pathIn(dir, "Diary.XML");
         QVERIFY(::chown(file.constData(), 4343, 4242) == 0 && ::chmod(file.constData(), 0660) == 0);
         QVERIFY(::setxattr(file.constData(), "user.note", "x", 1, 0) == 0);
         QVERIFY(::setxattr(file.constData(), "system.posix_acl_access", accessList().constData(),
                            size_t(accessList().size()), 0) == 0);
     },
     Action::Save, Status::Saved,
     [](const QDir& dir, const SaveOutcome&) {
         const struct stat status = statusOf(dir, "Diary.XML");
         QCOMPARE(status.st_uid, uid_t(4343));
         QCOMPARE(status.st_gid, gid_t(4242));
         QCOMPARE(status.st_mode & 07777, mode_t(0660));
         QCOMPARE(attribute(dir, "user.note"), QByteArray("x"));
         QCOMPARE(attribute(dir, "system.posix_acl_access"), accessList());
     },
     "Diary.XML", true},
    {"the temporary file is private until its mode is set, before any byte is written",
     [](const QDir& dir, FaultyFileSystem&) { write(dir, "Diary.XML", "old", 0640); }, Action::Save, Status::Saved,
     nullptr},
    {"a failing fchmod fails the save",
     [](const QDir&, FaultyFileSystem& system) { system.fault = Fault::Fchmod; }, Action::Save, Status::Failed, nullptr},
    {"a read-only file is refused, also to root",
     [](const QDir& dir, FaultyFileSystem&) { write(dir, "Diary.XML", "old", 0444); }, Action::Save, Status::Failed,
     [](const QDir&, const SaveOutcome& outcome) { QVERIFY(outcome.error.cannotWriteHere); }},
    {"a link whose target has gone is refused, naming it",
     [](const QDir& dir, FaultyFileSystem&) {
         QVERIFY(QFile::remove(dir.filePath("Diary.XML")));
         QVERIFY(::symlink("/unmounted/Diary.XML", pathIn(dir, "Diary.XML").constData()) == 0);
     },
     Action::Save, Status::Failed,
     [](const QDir&, const SaveOutcome& outcome) { QVERIFY(outcome.error.reason.contains("/unmounted/Diary.XML")); }},
    {"a folder the user cannot write",
     [](const QDir&, FaultyFileSystem& system) {
         system.fault = Fault::CreateFile;
         system.code = EACCES;
     },
     Action::Save, Status::Failed, [](const QDir&, const SaveOutcome& outcome) { QVERIFY(outcome.error.cannotWriteHere); }},
    {"a full disk while writing",
     [](const QDir&, FaultyFileSystem& system) {
         system.fault = Fault::Write;
         system.code = ENOSPC;
     },
     Action::Save, Status::Failed,
     [](const QDir&, const SaveOutcome& outcome) {
         QVERIFY(outcome.error.whileWriting);
         QCOMPARE(outcome.error.reason, QString("No space left on device"));
     }},
    {"a failing folder sync leaves the save unconfirmed",
     [](const QDir&, FaultyFileSystem& system) { system.fault = Fault::SyncFolder; }, Action::Save, Status::NotConfirmed,
     [](const QDir& dir, const SaveOutcome& outcome) {
         QVERIFY(outcome.error.reason.contains("not confirmed on disk"));
         QCOMPARE(contentOf(dir, "Diary.XML"), QByteArray("new"));
     }},
    {"stale temporary files go, one still written and others' stay",
     [](const QDir& dir, FaultyFileSystem&) {
         write(dir, ".corvantis-save-99999999-0.tmp", "crashed");
         write(dir, ".corvantis-save-1-0.tmp", "being written");
         write(dir, ".Diary.XML.tmp", "someone else's");
         heldLock = ::open(pathIn(dir, ".corvantis-save-1-0.tmp").constData(), O_RDONLY);
         QVERIFY(::flock(heldLock, LOCK_EX) == 0);
     },
     Action::Save, Status::Saved,
     [](const QDir& dir, const SaveOutcome&) {
         ::close(heldLock);
         QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  QStringList({".Diary.XML.tmp", ".corvantis-save-1-0.tmp", "Diary.XML"}));
     }},
    {"another user's file with a second name: what a new file cannot keep is told",
     [](const QDir& dir, FaultyFileSystem& system) {
         system.user = 4343;
         QVERIFY(::link(pathIn(dir, "Diary.XML").constData(), pathIn(dir, "Twin.XML").constData()) == 0);
     },
     Action::Inspect, Status::Failed, nullptr},
    {"a name the system's encoding cannot show is refused, for reading too",
     [](const QDir& dir, FaultyFileSystem&) { write(dir, "\xFF.XML", "old"); }, Action::Save, Status::Failed,
     [](const QDir& dir, const SaveOutcome&) {
         QCOMPARE(contentOf(dir, "\xFF.XML"), QByteArray("old"));
         QByteArray bytes;
         FileError error;
         QCOMPARE(readWholeFile(QFile::decodeName(pathIn(dir, "\xFF.XML")), bytes, error), ReadResult::CannotOpen);
         ::unlink(pathIn(dir, "\xFF.XML").constData());  // a name the temporary folder cannot remove
     },
     "\xFF.XML"},
};

}  // namespace

class SaveFileTest : public QObject {
    Q_OBJECT
private slots:
    void faults_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < cases.size(); ++i) QTest::newRow(cases[i].name) << i;
    }

    void faults() {
        QFETCH(int, row);
        const Case& test = cases[row];
        if (test.needsRoot && ::geteuid() != 0) QSKIP("only root may give a file away");
        QTemporaryDir folder;
        const QDir dir(folder.path());
        write(dir, "Diary.XML", "old");
        FaultyFileSystem system;
        test.prepare(dir, system);
        if (QTest::currentTestFailed()) return;
        const QStringList before = snapshot(dir);
        const QString target = QFile::decodeName(pathIn(dir, test.target));
        SaveOutcome outcome;
        {
            FileSystem::Replacement seam(system);
            if (test.action == Action::Inspect) {
                QCOMPARE(SaveTarget::inspect(target).losses.size(), 2);
                return;
            }
            if (test.action == Action::Save) outcome = saveFileAtomically(target, "new");
            else if (SaveAsBackup::make(target, &outcome.error)) outcome.status = Status::Saved;
        }
        QCOMPARE(outcome.status, test.status);
        // A failure changes nothing and leaves nothing behind.
        if (test.status == Status::Failed) {
            QVERIFY(outcome.error.isError());
            QCOMPARE(snapshot(dir), before);
        }
        if (test.check) test.check(dir, outcome);
        // Private when created; its final mode before the first byte.
        if (test.action == Action::Save && test.status != Status::Failed) {
            const QString mode = QString::number(statusOf(dir, "Diary.XML").st_mode & 07777, 8);
            QCOMPARE(system.log.mid(0, 3), QStringList({"create 600", "fchmod " + mode, "write"}));
        }
    }
};

QTEST_GUILESS_MAIN(SaveFileTest)

#include "tst_savefile.moc"
