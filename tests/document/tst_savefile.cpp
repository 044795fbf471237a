// The save routine against what a file system holds and does: links, modes,
// owners, access lists, names, stale temporary files and failing calls. Links,
// modes and names are real, in a temporary folder; what cannot fail for real
// (root writes anywhere) fails through the file-system seam.
#include <sys/file.h>
#include <sys/xattr.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <functional>

#include "FaultyFileSystem.h"
#include "document/ReadFile.h"
#include "document/SaveFile.h"

namespace {

using Status = SaveOutcome::Status;
using Fault = FaultyFileSystem::Fault;
// Stopped: a save asked to stop before it began.
enum class Action { Save, Stopped, Backup, Inspect };

QByteArray folder;  // of the running row
QByteArray at(const QByteArray& name) { return folder + '/' + name; }

QByteArray contentOf(const QByteArray& name) {
    char buffer[64];
    const int fd = ::open(at(name).constData(), O_RDONLY);
    const ssize_t length = fd < 0 ? -1 : ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return length < 0 ? QByteArray("(none)") : QByteArray(buffer, length);
}

void writeFile(const QByteArray& name, const QByteArray& bytes, mode_t mode = 0644) {
    const int fd = ::open(at(name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
    QVERIFY(::fchmod(fd, mode) == 0 && ::close(fd) == 0);
}

struct stat statusOf(const QByteArray& name) {
    struct stat status {};
    ::lstat(at(name).constData(), &status);
    return status;
}

QByteArray attribute(const char* name) {
    char value[64];
    const ssize_t length = ::getxattr(at("Diary.XML").constData(), name, value, sizeof value);
    return QByteArray(value, std::max<ssize_t>(length, 0));
}

// Owner, user 1234, group and mask may read and write; others nothing.
const QByteArray AccessList = QByteArray::fromHex(
    "02000000 01000600ffffffff 02000600d2040000 04000600ffffffff 10000600ffffffff 20000000ffffffff");

// Everything in the folder, with the content of its files.
QStringList snapshot() {
    QStringList all;
    const QDir dir(QFile::decodeName(folder));
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        all << name + "=" + contentOf(QFile::encodeName(name));
    return all;
}

int heldLock = -1;

struct Case {
    const char* name;
    Action action;
    Status status;
    Fault fault;
    int code;
    std::function<void(FaultyFileSystem&)> prepare;
    std::function<void(const SaveOutcome&)> check;
    QByteArray target = "Diary.XML";
    bool needsRoot = false;  // gives a file away
};

const QList<Case> cases = {
    {"backup replaces a link of its name, not what it points at", Action::Backup, Status::Saved, Fault::None,
     0,
     [](FaultyFileSystem&) {
         writeFile("Other", "other");
         QVERIFY(::symlink("Other", at("Diary.BAK").constData()) == 0);
     },
     [](const SaveOutcome&) {
         QVERIFY(S_ISREG(statusOf("Diary.BAK").st_mode));
         QCOMPARE(contentOf("Diary.BAK") + contentOf("Other"), QByteArray("oldother"));
     }},
    {"backup replaces a link to the file itself", Action::Backup, Status::Saved, Fault::None, 0,
     [](FaultyFileSystem&) { QVERIFY(::symlink("Diary.XML", at("Diary.BAK").constData()) == 0); },
     [](const SaveOutcome&) { QVERIFY(S_ISREG(statusOf("Diary.BAK").st_mode)); }},
    {"backup of a private file is private", Action::Backup, Status::Saved, Fault::None, 0,
     [](FaultyFileSystem&) {
         writeFile("Diary.XML", "old", 0600);
         writeFile("Diary.BAK", "older", 0644);
     },
     [](const SaveOutcome&) { QCOMPARE(statusOf("Diary.BAK").st_mode & 07777, mode_t(0600)); }},
    {"owner, group, mode, access list and attributes are kept", Action::Save, Status::Saved, Fault::None, 0,
     [](FaultyFileSystem&) {
         const QByteArray file = at("Diary.XML");
         QVERIFY(::chown(file.constData(), 4343, 4242) == 0 && ::chmod(file.constData(), 0660) == 0);
         QVERIFY(::setxattr(file.constData(), "user.note", "x", 1, 0) == 0);
         QVERIFY(::setxattr(file.constData(), "system.posix_acl_access", AccessList.constData(),
                            size_t(AccessList.size()), 0) == 0);
     },
     [](const SaveOutcome&) {
         const struct stat status = statusOf("Diary.XML");
         QCOMPARE(QList<uint>({status.st_uid, status.st_gid, status.st_mode & 07777}),
                  QList<uint>({4343, 4242, 0660}));
         QCOMPARE(attribute("user.note"), QByteArray("x"));
         QCOMPARE(attribute("system.posix_acl_access"), AccessList);
     },
     "Diary.XML", true},
    {"a failing fchmod fails the save", Action::Save, Status::Failed, Fault::Fchmod, EIO, nullptr, nullptr},
    {"a read-only file is refused, also to root", Action::Save, Status::Failed, Fault::None, 0,
     [](FaultyFileSystem&) { writeFile("Diary.XML", "old", 0444); },
     [](const SaveOutcome& outcome) { QVERIFY(outcome.error.cannotWriteHere); }},
    {"a link whose target has gone is refused, naming it", Action::Save, Status::Failed, Fault::None, 0,
     [](FaultyFileSystem&) {
         QVERIFY(::unlink(at("Diary.XML").constData()) == 0);
         QVERIFY(::symlink("/unmounted/Diary.XML", at("Diary.XML").constData()) == 0);
     },
     [](const SaveOutcome& outcome) { QVERIFY(outcome.error.reason.contains("/unmounted/Diary.XML")); }},
    {"a folder the user cannot write", Action::Save, Status::Failed, Fault::CreateFile, EACCES, nullptr,
     [](const SaveOutcome& outcome) { QVERIFY(outcome.error.cannotWriteHere); }},
    {"a full disk", Action::Save, Status::Failed, Fault::Write, ENOSPC, nullptr,
     [](const SaveOutcome& outcome) { QVERIFY(outcome.error.reason.contains(std::strerror(ENOSPC))); }},
    {"a save asked to stop leaves the file as it was", Action::Stopped, Status::Failed, Fault::None, 0, nullptr,
     nullptr},
    {"a failing folder sync leaves the save unconfirmed", Action::Save, Status::NotConfirmed,
     Fault::SyncFolder, EIO, nullptr,
     [](const SaveOutcome& outcome) { QCOMPARE(outcome.error.step, FileError::Step::ConfirmingWrite); }},
    {"stale temporary files go; one still written and others' stay", Action::Save, Status::Saved, Fault::None,
     0,
     [](FaultyFileSystem&) {
         writeFile(".corvantis-save-99999999-0.tmp", "crashed");
         writeFile(".corvantis-save-1-0.tmp", "being written");
         writeFile(".Diary.XML.tmp", "someone else's");
         heldLock = ::open(at(".corvantis-save-1-0.tmp").constData(), O_RDONLY);
         QVERIFY(::flock(heldLock, LOCK_EX) == 0);
     },
     [](const SaveOutcome&) {
         ::close(heldLock);
         QCOMPARE(QDir(QFile::decodeName(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  QStringList({".Diary.XML.tmp", ".corvantis-save-1-0.tmp", "Diary.XML"}));
     }},
    {"another user's file with a second name: a new file keeps neither", Action::Inspect, Status::Saved,
     Fault::None, 0,
     [](FaultyFileSystem& system) {
         system.user = 4343;
         QVERIFY(::link(at("Diary.XML").constData(), at("Twin.XML").constData()) == 0);
     },
     nullptr},
    {"a name the system's encoding cannot show is refused, for reading too", Action::Save, Status::Failed,
     Fault::None, 0, [](FaultyFileSystem&) { writeFile("\xFF.XML", "old"); },
     [](const SaveOutcome&) {
         QByteArray bytes;
         FileError error;
         QCOMPARE(readWholeFile(QFile::decodeName(at("\xFF.XML")), bytes, error), ReadResult::CannotOpen);
         QCOMPARE(contentOf("\xFF.XML"), QByteArray("old"));
         ::unlink(at("\xFF.XML").constData());  // beyond what the temporary folder can remove
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
        QTemporaryDir temporary;
        folder = QFile::encodeName(temporary.path());
        writeFile("Diary.XML", "old");
        FaultyFileSystem system;
        system.fault = test.fault;
        system.code = test.code;
        if (test.prepare) test.prepare(system);
        const QStringList before = snapshot();
        const QString target = QFile::decodeName(at(test.target));
        SaveOutcome outcome;
        {
            FileSystem::Replacement seam(system);
            if (test.action == Action::Inspect)
                QCOMPARE(SaveTarget::inspect(target).losses.size(), 2);
            else if (test.action == Action::Save)
                outcome = saveFileAtomically(target, "new");
            else if (const std::atomic<bool> stop{true}; test.action == Action::Stopped)
                outcome = saveFileAtomically(target, "new", &stop);
            else if (SaveAsBackup::make(target, &outcome.error))
                outcome.status = Status::Saved;
        }
        if (test.action == Action::Inspect) return;
        QCOMPARE(outcome.status, test.status);
        if (test.status == Status::Failed) {
            // Nothing changed, nothing left behind, and the user is told why.
            QVERIFY(outcome.error.isError());
            QCOMPARE(snapshot(), before);
        } else if (test.action == Action::Save) {
            // Private when created; its final mode before the first byte.
            QCOMPARE(contentOf("Diary.XML"), QByteArray("new"));
            const QString mode = QString::number(statusOf("Diary.XML").st_mode & 07777, 8);
            QCOMPARE(system.log.mid(0, 3), QStringList({"create 600", "fchmod " + mode, "write"}));
        } else {
            QCOMPARE(contentOf("Diary.BAK"), contentOf("Diary.XML"));
        }
        if (test.check) test.check(outcome);
    }
};

QTEST_GUILESS_MAIN(SaveFileTest)

#include "tst_savefile.moc"
