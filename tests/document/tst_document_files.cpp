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
#include "document/SaveAs.h"
#include "document/Selection.h"
#include "support/ScriptedDialogs.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

// A document with its rows, its selection and its file controller, in a
// folder of its own.
struct Files {
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    Document document;
    DocumentTreeModel rows{document};
    Selection selection{rows};
    DocumentFiles files{document, selection, dialogs};

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

}  // namespace

Q_DECLARE_METATYPE(Situation)
Q_DECLARE_METATYPE(Left)

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
    Opening opening;
    failures += QTest::qExec(&opening, argc, argv);
    return failures;
}

#include "tst_document_files.moc"
