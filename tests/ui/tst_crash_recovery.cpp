// The whole program in processes of its own: started on a file, typed into,
// autosaved and killed without warning; started again, it offers the work,
// restores it and saves it into the file.
#include <signal.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/Program.h"
#include "app/MainWindow.h"
#include "document/DocumentFiles.h"
#include "document/Autosave.h"
#include "document/Document.h"
#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "support/ScriptedDialogs.h"
#include "tree/DocumentTreeView.h"
#include "widgets/LargeTextEdit.h"
#include "widgets/SettingsStore.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes><Home>garden</Home></Notes>\r\n";

// A run of the program in this process, as the child the test starts.
int runChild(const QString& step, const QString& folder) {
    SettingsStore settings(folder + "/settings.ini");
    ScriptedDialogs dialogs;
    if (step == "restore") dialogs.choose(0);
    Program program(settings, dialogs, folder + "/Diary.XML", Program::Places{folder + "/program/", folder + "/recovery"});
    program.show();
    program.window().startUp();
    if (step == "type") {
        program.autosave().setIntervals(50, 1000);
        QSignalSpy written(&program.autosave(), &Autosave::written);
        DocumentTreeView* tree = program.window().treeView();
        tree->setCurrentIndex(tree->model()->index(2, 0));  // Home
        LargeTextEdit* memo = program.textEditor().frame()->textEdit();
        memo->setCursorPosition(memo->text().size());
        QTest::keyClicks(memo, " roses");
        if (!written.wait(10000)) return 1;
        std::printf("autosaved\n");
        std::fflush(stdout);
        // Killed here.
        QTest::qWait(60000);
        return 2;
    }
    if (!program.document().hasUnsavedChanges() || !program.window().files().save()) return 3;
    return 0;
}

}  // namespace

class CrashRecovery : public QObject {
    Q_OBJECT
private slots:
    void typingSurvivesAKillAndIsSavedAfterRestoring() {
        QTemporaryDir folder;
        QFile file(folder.filePath("Diary.XML"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Notes);
        file.close();

        QProcess typing;
        typing.start(QCoreApplication::applicationFilePath(), {"--child", "type", folder.path()});
        QVERIFY(typing.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += typing.readAllStandardOutput()).contains("autosaved"), 20000);
        ::kill(static_cast<pid_t>(typing.processId()), SIGKILL);
        QVERIFY(typing.waitForFinished());
        QCOMPARE(typing.exitStatus(), QProcess::CrashExit);

        QProcess restoring;
        restoring.start(QCoreApplication::applicationFilePath(), {"--child", "restore", folder.path()});
        QVERIFY(restoring.waitForFinished(30000));
        QCOMPARE(restoring.exitCode(), 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<Home>garden roses</Home>"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--child") return runChild(argv[2], argv[3]);
    CrashRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash_recovery.moc"
