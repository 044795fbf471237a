// Work survives crashes and outside changes: changes go to a recovery file,
// never to the document's own file; work left behind is offered at the next
// start; changes other programs make to the open file are noticed; and a
// file has one editor at a time.
#include <QDir>
#include <QLockFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

#include "document/Autosave.h"
#include "document/FileIdentity.h"
#include "document/FileLock.h"
#include "document/RecoveryStore.h"
#include "support/ProgramUnderTest.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home>garden</Home></Notes>\r\n";

QStringList recoveryFiles(const ProgramUnderTest& program) {
    return QDir(program.recoveryFolder()).entryList({"*.xml"}, QDir::Files);
}

// Types into Home and waits until the autosave has written it.
void typeAndAutosave(ProgramUnderTest& program, const QString& text) {
    program.autosave().setIntervals(10, 1000);
    QSignalSpy written(&program.autosave(), &Autosave::written);
    program.click("Home");
    program.type(text);
    QVERIFY(written.wait(5000));
    QCOMPARE(written.last().at(0).toBool(), true);
}

}  // namespace

class Recovery : public QObject {
    Q_OBJECT
private slots:
    void changesGoToARecoveryFileNeverToTheDocumentsOwnUntilSave() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        typeAndAutosave(program, " roses");
        QCOMPARE(recoveryFiles(program).size(), 1);
        QFile recovered(program.autosave().recoveryFile());
        QVERIFY(recovered.open(QIODevice::ReadOnly));
        QVERIFY(recovered.readAll().contains("garden roses"));
        QCOMPARE(program.readFile("Diary.XML"), Notes);
        QVERIFY(program.window().files().save());
        QVERIFY(recoveryFiles(program).isEmpty());
    }

    void workLeftBehindIsRestoredExactlyAtTheNextStart() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        typeAndAutosave(program, " roses");
        const QByteArray kept = program.written();
        program.dialogs.clear();
        program.dialogs.choose(0);  // Restore
        program.restart();
        QCOMPARE(program.dialogs.captions(), QStringList{"Unsaved Changes"});
        QVERIFY(program.dialogs.messages[0].text.contains(program.pathOf("Diary.XML")));
        QCOMPARE(program.written(), kept);
        QCOMPARE(program.document().fileName(), program.pathOf("Diary.XML"));
        QVERIFY(program.document().hasUnsavedChanges());
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("garden roses"));
        QVERIFY(recoveryFiles(program).isEmpty());
    }

    // Recovery files keep the file's text: ISO-8859-1, with a character it
    // cannot hold as a reference, as the version before kept its own (which
    // held references as they were written).
    void workOfAnISO88591DocumentIsRestoredWhicheverVersionKeptIt() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        typeAndAutosave(program, QString::fromUtf8(" \xE2\x98\xBA"));
        QFile recovered(program.autosave().recoveryFile());
        QVERIFY(recovered.open(QIODevice::ReadOnly));
        QVERIFY(recovered.readAll().contains("garden &#x263A;"));
        QVERIFY(program.window().files().save());
        {
            RecoveryStore older(program.recoveryFolder());
            RecoveryEntry note;
            note.original = program.pathOf("Diary.XML");
            note.originalWhenOpened = FileIdentity::of(note.original);
            note.savedAt = QDateTime::currentDateTime();
            note.encoding = FileEncoding::fromKey("ISO-8859-1");
            QVERIFY(older.write(older.claim(), "<Notes><Home>caf\xE9 &#233;&amp;#65;</Home></Notes>", note));
        }
        program.dialogs.clear();
        program.dialogs.choose(0);  // Restore
        program.restart();
        QCOMPARE(program.dialogs.captions(), QStringList{"Unsaved Changes"});
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("caf\xC3\xA9 \xC3\xA9&#65;"));
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("<Home>caf\xE9 \xE9&amp;#65;</Home>"));
    }

    void laterKeepsTheWorkAndDiscardDeletesIt() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        typeAndAutosave(program, " roses");
        // The original changes meanwhile: the offer says so.
        program.writeFile("Diary.XML", Notes + "<!-- theirs -->");
        program.dialogs.clear();
        program.dialogs.choose(2);  // Later
        program.restart();
        QVERIFY(program.dialogs.messages[0].text.contains("changed"));
        QCOMPARE(recoveryFiles(program).size(), 1);
        QVERIFY(!program.document().hasUnsavedChanges());
        program.dialogs.choose(1);  // Discard
        program.restart();
        QVERIFY(recoveryFiles(program).isEmpty());
        program.restart();
        QCOMPARE(program.dialogs.captions().count("Unsaved Changes"), 2);
    }

    void droppingTheChangesAtCloseDropsTheRecoveryFileAndEndingLeavesNoLock() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        typeAndAutosave(program, " roses");
        program.dialogs.answer(UserQuestions::Answer::No);
        QVERIFY(program.close());
        QVERIFY(recoveryFiles(program).isEmpty());
        program.end();
        QVERIFY(!QFile::exists(FileLock::lockPathOf(program.pathOf("Diary.XML"))));
        QVERIFY(QDir(program.recoveryFolder()).entryList({"*.lock"}, QDir::Files | QDir::Hidden).isEmpty());
    }
};

class OutsideChanges : public QObject {
    Q_OBJECT
private slots:
    void anUnchangedDocumentIsReadAgainKeepingTheSelection() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        program.click("Task");
        program.writeFile("Diary.XML", "<Notes><Work><Task>call back</Task></Work><New/></Notes>");
        QTRY_VERIFY(program.shows("New"));
        QCOMPARE(program.currentCaption(), QString("Task"));
        QCOMPARE(program.memo()->toPlainText(), QString("call back"));
        QVERIFY(program.window().statusBar()->currentMessage().contains("read again"));
        QVERIFY(!program.document().hasUnsavedChanges());
    }

    void unsavedChangesAskAndEachAnswerDoesWhatItSays() {
        for (int answer : {0, 1, 2}) {  // Keep Mine, Reload Theirs, Save As
            ProgramUnderTest program;
            program.startAndOpen("Diary.XML", Notes);
            program.click("Home");
            program.type(" mine");
            program.document().commitPendingEdits();
            program.dialogs.clear();
            program.dialogs.choose(answer);
            program.writeFile("Diary.XML", "<Notes><Home>theirs</Home></Notes>");
            QTRY_COMPARE(program.dialogs.captions(), QStringList{"File Changed"});
            if (answer == 0) {
                QVERIFY(!program.window().files().save());  // asks once more; unanswered: not written
                QCOMPARE(program.readFile("Diary.XML"), QByteArray("<Notes><Home>theirs</Home></Notes>"));
                program.dialogs.choose(1);
                QVERIFY(program.window().files().save());
                QVERIFY(program.readFile("Diary.XML").contains("garden mine"));
            } else if (answer == 1) {
                QVERIFY(program.written().contains("theirs"));
                QVERIFY(!program.document().hasUnsavedChanges());
            } else {
                QCOMPARE(program.dialogs.saveRequests.size(), 1);
            }
        }
    }

    void aRemovedFileIsReportedAndSaveWritesItAgain() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Notes);
        QVERIFY(QFile::remove(program.pathOf("Diary.XML")));
        QTRY_COMPARE(program.dialogs.captions(), QStringList{"File Removed"});
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), program.written());
    }
};

class OneEditor : public QObject {
    Q_OBJECT
private slots:
    void aFileHeldElsewhereOpensReadOnlyOrIsTakenOver() {
        ProgramUnderTest program;
        program.writeFile("Diary.XML", Notes);
        QLockFile other(FileLock::lockPathOf(program.pathOf("Diary.XML")));
        QVERIFY(other.tryLock(0));
        program.start();
        program.dialogs.clear();
        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.dialogs.choose(2);  // Cancel
        program.window().files().open();
        QCOMPARE(program.dialogs.captions(), QStringList{"File In Use"});
        QVERIFY(program.shows("NewDocument"));

        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.dialogs.choose(0);  // Read-only
        program.window().files().open();
        QVERIFY(program.shows("Work"));
        program.select("Work");
        program.window().action(Command::DeleteFolder)->trigger();
        QVERIFY(program.shows("Work"));
        QVERIFY(!program.window().files().save());
        QCOMPARE(program.dialogs.captions().last(), QString("Read-only"));

        program.dialogs.chooseFile(program.pathOf("Diary.XML"));
        program.dialogs.choose(1);  // Take over
        program.window().files().open();
        program.select("Work");
        program.window().action(Command::DeleteFolder)->trigger();
        QVERIFY(program.window().files().save());
        QVERIFY(!program.readFile("Diary.XML").contains("Work"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Recovery files go to the test's own folders, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    Recovery recovery;
    failures += QTest::qExec(&recovery, argc, argv);
    OutsideChanges outside;
    failures += QTest::qExec(&outside, argc, argv);
    OneEditor oneEditor;
    failures += QTest::qExec(&oneEditor, argc, argv);
    return failures;
}

#include "tst_recovery.moc"
