// The file controller without a window: what each file command asks, what
// it writes and what it leaves, over scripted questions and the file-system
// seam.
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "FaultyFileSystem.h"
#include "document/Commands.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/DocumentTreeModel.h"
#include "document/FileIdentity.h"
#include "document/SaveAs.h"
#include "document/Selection.h"
#include "document/VersionStore.h"
#include "support/ScriptedDialogs.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

// A document with its rows, its selection and its file controller, in a
// folder of its own, keeping versions in another.
struct Files {
    QTemporaryDir folder;
    QTemporaryDir versionFolder;
    VersionStore store{versionFolder.path()};
    ScriptedDialogs dialogs;
    Document document;
    DocumentTreeModel rows{document};
    Selection selection{rows};
    DocumentFiles files{document, selection, dialogs};

    Files() { files.attachVersions(store); }

    QString path(const QString& name) const { return folder.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
        file.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // `name` written from `bytes` and opened with File > Open.
    void open(const QString& name, const QByteArray& bytes = Notes) {
        write(name, bytes);
        dialogs.chooseFile(path(name));
        files.open();
        dialogs.clear();
    }
    // What Save writes now.
    QByteArray written() const {
        const Document::FileBytes bytes = document.fileBytes();
        return QByteArray(bytes.view().data(), static_cast<qsizetype>(bytes.view().size()));
    }
    // One undoable change: the top element gets a new name.
    void change() {
        corvantis::DOMNode* top = document.dom().rootElement();
        const QByteArray name = top->nodeName().equals("Notes") ? "Diary" : "Notes";
        document.push(std::make_unique<RenameElement>(document, top, corvantis::StringObject(name.constData()), "rename"));
    }
    QList<Version> versions(const QString& name = "Diary.XML") const { return store.versions(path(name)); }
    static QByteArray bytesOf(const Version& version) {
        QFile file(version.path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList filesInFolder() const {
        QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        names.removeIf([](const QString& name) { return name.endsWith(".corvantis-lock"); });
        return names;
    }
};

// What a Save meets.
enum class Situation {
    Unchanged,
    UnchangedButChangedByAnotherProgram,
    UnchangedButRemoved,
    Changed,
    ChangedAndChangedByAnotherProgram,
    FolderNotWritable,
    AnotherUsersFile,
    DiskFull,
    FolderSyncFails,
};

// What the file holds afterwards.
enum class Left { Original, Written, Theirs };

// What keeping the replaced file as a version meets.
enum class Keeping {
    Linkable,
    LinkRefused,
    OtherNames,
    NothingChanged,
    VersionsOff,
    NoRoomForACopy,
    RenameFails,
    SaveAsOverAnotherFile,
};

}  // namespace

Q_DECLARE_METATYPE(Situation)
Q_DECLARE_METATYPE(Left)
Q_DECLARE_METATYPE(Keeping)

class SaveRules : public QObject {
    Q_OBJECT
private slots:
    void eachSituationAsksWhatItMustAndLeavesTheFileAsItSays_data() {
        QTest::addColumn<Situation>("situation");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<Left>("left");
        QTest::addColumn<QString>("said");
        using S = Situation;
        QTest::newRow("nothing to save: the file stays as it is")
            << S::Unchanged << QStringList() << true << Left::Original << QString();
        QTest::newRow("nothing changed here, but another program changed the file")
            << S::UnchangedButChangedByAnotherProgram << QStringList{"File Changed"} << true << Left::Written
            << "changed by another program";
        QTest::newRow("nothing changed here, but the file has gone")
            << S::UnchangedButRemoved << QStringList() << true << Left::Written << QString();
        QTest::newRow("a change is written in the program's layout")
            << S::Changed << QStringList() << true << Left::Written << QString();
        QTest::newRow("a change over another program's, kept by Cancel")
            << S::ChangedAndChangedByAnotherProgram << QStringList{"File Changed"} << false << Left::Theirs
            << "changed by another program";
        QTest::newRow("a folder that cannot be written says so first and offers Save As")
            << S::FolderNotWritable << QStringList{"File Error"} << false << Left::Original
            << "Its folder cannot be written: Permission denied";
        QTest::newRow("another user's file: what the new file cannot keep is asked")
            << S::AnotherUsersFile << QStringList{"Save"} << true << Left::Written << "its owner";
        QTest::newRow("a full disk leaves the file whole")
            << S::DiskFull << QStringList{"File Error"} << false << Left::Original
            << "No space left on device";
        QTest::newRow("a folder sync that fails is not a save")
            << S::FolderSyncFails << QStringList{"File Error"} << false << Left::Written << "not confirmed on disk";
    }
    void eachSituationAsksWhatItMustAndLeavesTheFileAsItSays() {
        QFETCH(Situation, situation);
        QFETCH(QStringList, questions);
        QFETCH(bool, saved);
        QFETCH(Left, left);
        QFETCH(QString, said);
        Files f;
        f.open("Diary.XML");
        // Longer than ours: a save over it leaves no trace of it.
        const QByteArray theirs = "<Theirs/>" + QByteArray(6000, ' ') + "<!-- old tail -->";
        FaultyFileSystem system;
        switch (situation) {
            case Situation::Unchanged: break;
            case Situation::UnchangedButChangedByAnotherProgram:
                f.write("Diary.XML", theirs);
                f.dialogs.choose(1);  // Overwrite
                break;
            case Situation::UnchangedButRemoved: QFile::remove(f.path("Diary.XML")); break;
            case Situation::ChangedAndChangedByAnotherProgram:
                f.write("Diary.XML", theirs);
                f.dialogs.choose(0);  // Cancel
                [[fallthrough]];
            case Situation::Changed: f.change(); break;
            case Situation::FolderNotWritable:
                f.change();
                system.fault = FaultyFileSystem::Fault::CreateFile;
                system.code = EACCES;
                system.user = 4343;  // and another user's: still only the folder is told
                f.dialogs.answer(UserQuestions::Answer::No);
                break;
            case Situation::AnotherUsersFile:
                f.change();
                system.user = 4343;
                f.dialogs.answer(UserQuestions::Answer::Yes);
                break;
            case Situation::DiskFull:
                f.change();
                system.fault = FaultyFileSystem::Fault::Write;
                system.code = ENOSPC;
                break;
            case Situation::FolderSyncFails:
                f.change();
                system.fault = FaultyFileSystem::Fault::SyncFolder;
                break;
        }
        const QByteArray expected = left == Left::Original ? Notes : left == Left::Theirs ? theirs : f.written();
        const FileSystem::Replacement seam(system);
        QSignalSpy notes(&f.files, &DocumentFiles::note);
        QCOMPARE(f.files.save(), saved);
        QCOMPARE(f.dialogs.captions(), questions);
        if (!said.isEmpty()) QVERIFY2(f.dialogs.messages.value(0).text.contains(said), qPrintable(f.dialogs.messages.value(0).text));
        QCOMPARE(f.read("Diary.XML"), expected);
        QCOMPARE(f.filesInFolder(), QStringList{"Diary.XML"});
        QCOMPARE(f.document.hasUnsavedChanges(), !saved && situation != Situation::Unchanged);
        QVERIFY(f.dialogs.saveRequests.isEmpty());
        if (situation == Situation::Unchanged) QCOMPARE(notes.size(), 1);
    }

    void aFolderThatCannotBeWrittenOffersSaveAsElsewhere() {
        Files f;
        f.open("Diary.XML");
        f.change();
        FaultyFileSystem system;
        system.fault = FaultyFileSystem::Fault::CreateFile;
        system.code = EACCES;
        const FileSystem::Replacement seam(system);
        f.dialogs.answer(UserQuestions::Answer::Yes);
        f.dialogs.cancelFileDialog();
        QVERIFY(!f.files.save());
        QCOMPARE(f.dialogs.messages[0].buttons, UserQuestions::Buttons::YesNo);
        QCOMPARE(f.dialogs.saveRequests.size(), 1);
        QVERIFY(f.document.hasUnsavedChanges());
    }

    void whatASaveCannotKeepIsAskedOncePerFile() {
        Files f;
        f.open("Diary.XML");
        FaultyFileSystem system;
        system.user = 4343;
        const FileSystem::Replacement seam(system);
        f.change();
        f.dialogs.answer(UserQuestions::Answer::No);  // Save As instead, cancelled
        QVERIFY(!f.files.save());
        QCOMPARE(f.dialogs.saveRequests.size(), 1);
        f.dialogs.answer(UserQuestions::Answer::Yes);
        QVERIFY(f.files.save());
        f.change();
        QVERIFY(f.files.save());
        QCOMPARE(f.dialogs.captions(), QStringList({"Save", "Save"}));
        QCOMPARE(f.read("Diary.XML"), f.written());
    }

    void aReadOnlyDocumentIsRefusedWithItsReason() {
        Files f;
        f.open("Diary.XML");
        f.document.setReadOnly(true);
        QVERIFY(!f.files.save());
        QCOMPARE(f.dialogs.captions(), QStringList{"Read-only"});
        QCOMPARE(f.read("Diary.XML"), Notes);
    }

    void theUnsavedChangesQuestionSavesDropsOrKeeps() {
        for (const auto answer : {UserQuestions::Answer::Yes, UserQuestions::Answer::No, UserQuestions::Answer::Cancel}) {
            Files f;
            f.open("Diary.XML");
            f.change();
            f.dialogs.answer(answer);
            QCOMPARE(f.files.maySetAside(), answer != UserQuestions::Answer::Cancel);
            QCOMPARE(f.dialogs.captions(), QStringList{"Details have changed"});
            QCOMPARE(f.read("Diary.XML"), answer == UserQuestions::Answer::Yes ? f.written() : Notes);
        }
    }
};

// What a file command was asked to do, and what failed.
enum class Command { Open, Save, SaveAs };
enum class Failed { Reading, Writing, Confirming };

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(Failed)
Q_DECLARE_METATYPE(FaultyFileSystem::Fault)

// Every file error says first what could not be done, then the file, then why.
class FileMessages : public QObject {
    Q_OBJECT
private slots:
    void eachFailureSaysWhatFailedOnWhichFileAndWhy_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<FaultyFileSystem::Fault>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<Failed>("failed");
        QTest::addColumn<QString>("reason");
        using F = FaultyFileSystem::Fault;
        QTest::newRow("open a file that is not there")
            << Command::Open << "Missing.XML" << F::None << 0 << Failed::Reading << "No such file or directory";
        QTest::newRow("open a folder") << Command::Open << "Folder.XML" << F::None << 0 << Failed::Reading
                                       << "Is a directory";
        QTest::newRow("save onto a full disk") << Command::Save << "Diary.XML" << F::Write << ENOSPC
                                               << Failed::Writing << "No space left on device";
        QTest::newRow("save into a folder that cannot be written")
            << Command::Save << "Diary.XML" << F::CreateFile << EACCES << Failed::Writing
            << "Its folder cannot be written: Permission denied";
        QTest::newRow("save over a folder") << Command::Save << "Folder.XML" << F::None << 0 << Failed::Writing
                                            << "It is not an ordinary file.";
        QTest::newRow("save as over a file whose backup cannot be made")
            << Command::SaveAs << "Target.XML" << F::None << 0 << Failed::Writing
            << "Its backup Target.BAK could not be made";
        QTest::newRow("save whose folder sync fails") << Command::Save << "Diary.XML" << F::SyncFolder << EIO
                                                      << Failed::Confirming << "Input/output error";
    }
    void eachFailureSaysWhatFailedOnWhichFileAndWhy() {
        QFETCH(Command, command);
        QFETCH(QString, file);
        QFETCH(FaultyFileSystem::Fault, fault);
        QFETCH(int, code);
        QFETCH(Failed, failed);
        QFETCH(QString, reason);
        Files f;
        f.open("Diary.XML");
        QVERIFY(QDir(f.folder.path()).mkdir("Folder.XML"));
        f.write("Target.XML", "precious");
        QVERIFY(QDir(f.folder.path()).mkdir("Target.BAK"));
        if (command == Command::Save && file != "Diary.XML") f.document.saved(f.path(file));
        f.change();
        FaultyFileSystem system;
        system.fault = fault;
        system.code = code;
        const FileSystem::Replacement seam(system);
        switch (command) {
            case Command::Open:
                f.dialogs.chooseFile(f.path(file));
                f.dialogs.answer(UserQuestions::Answer::No);  // drop the change
                f.files.open();
                break;
            case Command::Save: f.files.save(); break;
            case Command::SaveAs:
                f.dialogs.chooseFile(f.path(file));
                f.dialogs.answer(UserQuestions::Answer::Yes);  // replace it
                f.files.saveAs();
                break;
        }
        const QString said = f.dialogs.messages.value(f.dialogs.messages.size() - 1).text;
        QVERIFY2(f.dialogs.showedFileError(f.path(file), reason), qPrintable(said));
        const QString firstLine = said.section('\n', 0, 0);
        QCOMPARE(firstLine.contains("Read"), failed == Failed::Reading);
        QCOMPARE(firstLine.contains("could not write", Qt::CaseInsensitive), failed == Failed::Writing);
        QCOMPARE(firstLine.contains("not confirmed"), failed == Failed::Confirming);
    }
};

class SaveAsNames : public QObject {
    Q_OBJECT
private slots:
    // ".XML" is added only to a name that does not end in ".xml"; the
    // question, the backup and the write concern the name written.
    void theNameWrittenIsTheOneAskedAboutAndBackedUp_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("backup");
        QTest::newRow("no extension") << "Plain" << "Plain.XML" << "Plain.BAK";
        QTest::newRow("upper-case extension") << "Diary.XML" << "Diary.XML" << "Diary.BAK";
        QTest::newRow("lower-case extension") << "diary.xml" << "diary.xml" << "diary.BAK";
        QTest::newRow("mixed-case extension") << "notes.Xml" << "notes.Xml" << "notes.BAK";
        QTest::newRow("another extension") << "list.txt" << "list.txt.XML" << "list.txt.BAK";
    }
    void theNameWrittenIsTheOneAskedAboutAndBackedUp() {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, backup);
        Files f;
        f.open("Source.XML");
        if (typed != written) f.write(typed, "typed");
        f.write(written, "older");
        f.dialogs.chooseFile(f.path(typed));
        f.dialogs.answer(UserQuestions::Answer::Yes);
        QSignalSpy remembered(&f.files, &DocumentFiles::remembered);
        QVERIFY(f.files.saveAs());
        QCOMPARE(f.dialogs.captions(), QStringList({"Confirm Save As", "Backup File Created"}));
        QVERIFY(f.dialogs.messages[0].text.contains(f.path(written)));
        QCOMPARE(f.dialogs.messages[1].text, backup);
        QCOMPARE(f.read(backup), QByteArray("older"));
        QCOMPARE(f.read(written), f.written());
        if (typed != written) QCOMPARE(f.read(typed), QByteArray("typed"));
        QCOMPARE(f.document.fileName(), f.path(written));
        QCOMPARE(remembered.value(0).value(0).toString(), f.path(written));
        QVERIFY(!f.document.hasUnsavedChanges());
    }

    void aFolderNamedLikeAFileDoesNotCount() { QCOMPARE(withXmlExtension("/data/Data.XML/notes"), QString("/data/Data.XML/notes.XML")); }

    void withoutAPossibleBackupTheChosenFileStaysUntouched() {
        Files f;
        f.open("Diary.XML");
        f.write("Target.XML", "precious");
        QVERIFY(QDir(f.folder.path()).mkdir("Target.BAK"));
        f.change();
        f.dialogs.chooseFile(f.path("Target.XML"));
        f.dialogs.answer(UserQuestions::Answer::Yes);
        QVERIFY(!f.files.saveAs());
        QCOMPARE(f.dialogs.captions(), QStringList({"Confirm Save As", "File Error"}));
        QCOMPARE(f.read("Target.XML"), QByteArray("precious"));
        QVERIFY(f.document.hasUnsavedChanges());
        QCOMPARE(f.document.fileName(), f.path("Diary.XML"));
    }

    void afterNewEverySaveAsksForAName() {
        Files f;
        f.files.newDocument();
        f.dialogs.chooseFile(f.path("One"));
        QVERIFY(f.files.save());
        QCOMPARE(f.read("One.XML"), f.written());
        QVERIFY(f.document.isNew());
        f.dialogs.cancelFileDialog();
        QVERIFY(!f.files.save());
        QCOMPARE(f.dialogs.saveRequests.size(), 2);
        QVERIFY2(!f.dialogs.saveRequests[0].askBeforeReplacing, "the program asks itself, about the name it writes");
    }
};

class Versions : public QObject {
    Q_OBJECT
private slots:
    void eachSaveKeepsTheFileItReplaces_data() {
        QTest::addColumn<Keeping>("keeping");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("versions");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("told");
        using K = Keeping;
        QTest::newRow("the replaced file is linked in, not copied") << K::Linkable << true << 1 << true << false;
        QTest::newRow("a link refused: a copy") << K::LinkRefused << true << 1 << false << false;
        QTest::newRow("a file with other names is copied: it may change through them")
            << K::OtherNames << true << 1 << false << false;
        QTest::newRow("a save that writes nothing keeps nothing") << K::NothingChanged << true << 0 << false << false;
        QTest::newRow("Keep Versions off") << K::VersionsOff << true << 0 << false << false;
        QTest::newRow("no room for a copy: saved all the same, and told once")
            << K::NoRoomForACopy << true << 0 << false << true;
        QTest::newRow("a rename that fails takes the link back") << K::RenameFails << false << 0 << false << false;
        QTest::newRow("Save As over another file keeps it besides its backup")
            << K::SaveAsOverAnotherFile << true << 1 << true << false;
    }
    void eachSaveKeepsTheFileItReplaces() {
        QFETCH(Keeping, keeping);
        QFETCH(bool, saved);
        QFETCH(int, versions);
        QFETCH(bool, linked);
        QFETCH(bool, told);
        Files f;
        const bool saveAs = keeping == Keeping::SaveAsOverAnotherFile;
        const QString replaced = saveAs ? "Target.XML" : "Diary.XML";
        const QByteArray old = saveAs ? QByteArray("<Older/>") : Notes;
        f.write(replaced, old);
        // Long ago: the version keeps when its content was saved.
        const QDateTime savedBefore(QDate(2020, 5, 1), QTime(9, 30), Qt::UTC);
        QFile file(f.path(replaced));
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(savedBefore, QFileDevice::FileModificationTime));
        file.close();
        const FileIdentity before = FileIdentity::of(f.path(replaced));
        if (saveAs) f.write("Diary.XML", Notes);
        f.dialogs.chooseFile(f.path("Diary.XML"));
        f.files.open();
        if (keeping != Keeping::NothingChanged) f.change();
        FaultyFileSystem system;
        switch (keeping) {
            case Keeping::LinkRefused: system.linkError = EXDEV; break;
            case Keeping::OtherNames:
                QCOMPARE(::link(qPrintable(f.path(replaced)), qPrintable(f.path("Elsewhere.XML"))), 0);
                f.dialogs.answer(UserQuestions::Answer::Yes);  // the other names keep the old content
                break;
            case Keeping::VersionsOff: f.files.setKeepVersions(false); break;
            case Keeping::NoRoomForACopy:
                system.linkError = EXDEV;
                system.fault = FaultyFileSystem::Fault::CreateFile;
                system.code = ENOSPC;
                system.onlyUnder = QFile::encodeName(f.versionFolder.path());
                break;
            case Keeping::RenameFails:
                system.fault = FaultyFileSystem::Fault::Rename;
                system.onlyUnder = QFile::encodeName(f.folder.path());
                break;
            case Keeping::SaveAsOverAnotherFile:
                f.dialogs.chooseFile(f.path(replaced));
                f.dialogs.answer(UserQuestions::Answer::Yes);
                break;
            default: break;
        }
        const FileSystem::Replacement seam(system);
        QSignalSpy notes(&f.files, &DocumentFiles::note);
        QCOMPARE(saveAs ? f.files.saveAs() : f.files.save(), saved);
        QCOMPARE(f.read(replaced), saved && keeping != Keeping::NothingChanged ? f.written() : old);
        const QList<Version> kept = f.versions(replaced);
        QCOMPARE(kept.size(), versions);
        // Nothing else there: no copy half made, no link left behind.
        QCOMPARE(QDir(f.store.folderOf(f.path(replaced))).entryList(QDir::Files | QDir::Hidden).size(), versions);
        if (versions == 1) {
            QCOMPARE(Files::bytesOf(kept[0]), old);
            QCOMPARE(kept[0].saved, savedBefore);
            QCOMPARE(FileIdentity::of(kept[0].path).inode == before.inode, linked);
        }
        if (saveAs) QCOMPARE(f.read("Target.BAK"), old);
        const auto toldOfVersions = [&notes] {
            int told = 0;
            for (const QList<QVariant>& note : notes) told += note.value(0).toString().contains("could not be kept as a version");
            return told;
        };
        QCOMPARE(toldOfVersions(), told ? 1 : 0);
        QCOMPARE(f.files.versionProblem().contains("No space left on device"), told);
        if (told) {
            f.change();
            QVERIFY(f.files.save());
            QCOMPARE(toldOfVersions(), 1);
        }
    }

    // Versions as large as the document: the size limit comes first.
    void eachSavePrunesTheOldestVersionsBeyondTheLimits() {
        Files f;
        f.open("Diary.XML");
        QByteArray previous;
        for (int save = 0; save < VersionStore::MostTimesTheDocument + 2; ++save) {
            previous = f.read("Diary.XML");
            f.change();
            QVERIFY(f.files.save());
        }
        const QList<Version> kept = f.versions();
        QCOMPARE(kept.size(), VersionStore::MostTimesTheDocument);
        QCOMPARE(Files::bytesOf(kept.first()), previous);
    }

    // Sizes from the newest version to the oldest.
    void pruningGoesFromTheOldestUntilBothLimitsHold_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<int>("documentSize");
        QTest::addColumn<int>("left");
        QTest::newRow("more than twenty") << QList<int>(VersionStore::MostVersions + 3, 10) << 100
                                          << VersionStore::MostVersions;
        QTest::newRow("more than ten times the document") << QList<int>{30, 30, 30, 30, 1} << 10 << 3;
        QTest::newRow("the newest stays, however large") << QList<int>{500, 5} << 10 << 1;
        QTest::newRow("within both") << QList<int>{10, 10} << 10 << 2;
    }
    void pruningGoesFromTheOldestUntilBothLimitsHold() {
        QFETCH(QList<int>, sizes);
        QFETCH(int, documentSize);
        QFETCH(int, left);
        QTemporaryDir folder;
        VersionStore store(folder.path());
        const QString document = folder.filePath("Diary.XML");
        QVERIFY(QDir().mkpath(store.folderOf(document)));
        for (int i = 0; i < sizes.size(); ++i) {
            QFile version(store.folderOf(document) + QString("/%1.xml").arg(sizes.size() - i, 6, 10, QChar('0')));
            QVERIFY(version.open(QIODevice::WriteOnly));
            version.write(QByteArray(sizes[i], 'x'));
        }
        store.prune(document, documentSize);
        const QList<Version> kept = store.versions(document);
        QCOMPARE(kept.size(), left);
        QVERIFY(kept.first().path.endsWith(QString("%1.xml").arg(sizes.size(), 6, 10, QChar('0'))));
    }

    void restoringMakesTheVersionTheChangedDocumentAndTheNextSaveKeepsWhatItReplaces() {
        Files f;
        f.open("Diary.XML");
        const QByteArray original = f.written();
        f.change();
        QVERIFY(f.files.save());
        const QByteArray firstSave = f.read("Diary.XML");
        f.change();
        const QByteArray typed = f.written();
        const QString documentName = f.document.text().toText(f.document.documentNode()->nodeName());
        const Version version = f.versions().first();
        f.dialogs.answer(UserQuestions::Answer::Cancel);
        QVERIFY(!f.files.restoreVersion(version));
        QCOMPARE(f.written(), typed);
        f.dialogs.answer(UserQuestions::Answer::No);
        QVERIFY(f.files.restoreVersion(version));
        QCOMPARE(f.dialogs.captions(), QStringList({"Details have changed", "Details have changed"}));
        QCOMPARE(f.written(), original);
        QVERIFY(f.document.hasUnsavedChanges());
        QCOMPARE(f.document.fileName(), f.path("Diary.XML"));
        QCOMPARE(f.document.text().toText(f.document.documentNode()->nodeName()), documentName);
        QVERIFY(f.files.save());
        QCOMPARE(f.read("Diary.XML"), original);
        QCOMPARE(Files::bytesOf(f.versions().first()), firstSave);
        QCOMPARE(f.versions().size(), 2);
    }

    void theFoldersOfAVersionAreItsElements() {
        QTemporaryDir folder;
        QFile file(folder.filePath("000001.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><!DOCTYPE Notes><Notes a=\"x>y\"><!-- <Not/> --><Work><![CDATA[<No>]]>"
                   "<?pi <no/>?></Work><Home/></Notes>");
        file.close();
        QCOMPARE(VersionStore::folderCount(Version{file.fileName(), QDateTime(), 0}), 3);
    }
};

class Opening : public QObject {
    Q_OBJECT
private slots:
    void startUpOpensTheNamedOrTheRememberedFile_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("there");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<bool>("opened");
        QTest::newRow("named") << true << true << QStringList() << true;
        QTest::newRow("named but missing") << true << false << QStringList{"File Error"} << false;
        QTest::newRow("remembered") << false << true << QStringList() << true;
        QTest::newRow("remembered but gone: silently new") << false << false << QStringList() << false;
    }
    void startUpOpensTheNamedOrTheRememberedFile() {
        QFETCH(bool, named);
        QFETCH(bool, there);
        QFETCH(QStringList, questions);
        QFETCH(bool, opened);
        Files f;
        if (there) f.write("Diary.XML", Notes);
        QSignalSpy remembered(&f.files, &DocumentFiles::remembered);
        DocumentFiles::StartUp start;
        (named ? start.namedFile : start.rememberedFile) = f.path("Diary.XML");
        f.files.startUp(start);
        QCOMPARE(f.dialogs.captions(), questions);
        QCOMPARE(f.document.isNew(), !opened);
        // The file opened, named or remembered, is the one the next start opens.
        QCOMPARE(remembered.size(), opened ? 1 : 0);
        QCOMPARE(f.selection.currentNode(), f.document.documentNode());
    }

    void aRecentFileThatHasGoneIsReportedAndForgotten() {
        Files f;
        QSignalSpy gone(&f.files, &DocumentFiles::recentGone);
        f.files.openRecent(f.path("Gone.XML"));
        QCOMPARE(f.dialogs.captions(), QStringList{"File Error"});
        QCOMPARE(gone.size(), 1);
    }

    void openingAMissingFileKeepsTheDocumentAndItsFile() {
        Files f;
        f.open("Diary.XML");
        f.dialogs.chooseFile(f.path("Missing.XML"));
        f.files.open();
        QVERIFY(f.dialogs.showedFileError(f.path("Missing.XML"), "No such file or directory"));
        QCOMPARE(f.document.fileName(), f.path("Diary.XML"));
        QVERIFY(f.document.dom().rootElement());
    }

    void readingTheFileAgainKeepsAReadOnlyDocumentReadOnly() {
        Files f;
        f.open("Diary.XML");
        f.document.setReadOnly(true);  // another Corvantis holds the file
        f.files.reload();
        QVERIFY(f.document.isReadOnly());
    }

    void readingTheFileAgainKeepsTheSelectedFolder() {
        Files f;
        f.open("Diary.XML");
        f.selection.select(f.document.dom().rootElement()->childAt(0)->childAt(1));  // Task
        f.write("Diary.XML", "<Notes><Work>new<Task>again</Task></Work></Notes>");
        f.files.reload();
        QCOMPARE(f.selection.currentNode()->getText(0).view(), std::string_view("again"));
        QVERIFY(!f.document.hasUnsavedChanges());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int failures = 0;
    SaveRules saveRules;
    failures += QTest::qExec(&saveRules, argc, argv);
    FileMessages fileMessages;
    failures += QTest::qExec(&fileMessages, argc, argv);
    SaveAsNames saveAsNames;
    failures += QTest::qExec(&saveAsNames, argc, argv);
    Versions versions;
    failures += QTest::qExec(&versions, argc, argv);
    Opening opening;
    failures += QTest::qExec(&opening, argc, argv);
    return failures;
}

#include "tst_document_files.moc"
