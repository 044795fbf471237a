// A record of every crash: a process that stops on a fatal signal, a stack
// overflow, Qt's fatal message or an exception nothing catches leaves a
// report beside the recovery folder, and the next start announces it once.
// The crashes are made in child processes: this test program started again
// with --crash-child, a trigger the program itself does not have.
#include <signal.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>
#include <thread>

#include "app/Program.h"
#include "document/CrashRecorder.h"
#include "support/ScriptedDialogs.h"
#include "widgets/SettingsStore.h"

namespace {

const char CrashChild[] = "--crash-child";

[[gnu::noinline]] int deeper(volatile int* depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(*depth);
    ++*depth;
    // Always true; the compiler cannot know it, so the recursion stays.
    if (*depth > 0) return deeper(depth) + frame[0];
    return frame[0];
}

// Crashes the way `kind` says, with reports going to `folder`.
int crashChild(const QString& kind, const QString& folder) {
    // No core files from these deliberate crashes.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    CrashRecorder::install(folder, "test-version");
    if (kind == "segv") {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    } else if (kind == "stack") {
        volatile int depth = 1;
        return deeper(&depth);
    } else if (kind == "qfatal") {
        qFatal("the toolkit gave up");
    } else if (kind == "thread") {
        std::thread worker([] { throw std::runtime_error("the worker gave up"); });
        worker.join();
    }
    return 0;
}

struct Crash {
    QProcess::ExitStatus status;
    QStringList reports;  // paths of the new reports
};

Crash runCrashChild(const QString& kind, const QString& folder) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {CrashChild, kind, folder});
    child.waitForFinished(60000);
    const QDir fresh(folder + "/new");
    QStringList reports;
    for (const QString& name : fresh.entryList({"crash-*.txt"}, QDir::Files)) reports << fresh.filePath(name);
    return {child.exitStatus(), reports};
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

}  // namespace

class CrashRecord : public QObject {
    Q_OBJECT

private slots:
    void eachWayOfStoppingLeavesAReport_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("signal");
        QTest::newRow("invalid memory access")
            << "segv"
            << "Cause: SIGSEGV (invalid memory access) at address 0x0" << true;
        QTest::newRow("stack overflow") << "stack"
                                        << "Cause: SIGSEGV (invalid memory access) at address 0x" << true;
        QTest::newRow("Qt's fatal message") << "qfatal"
                                            << "Cause: a fatal message from Qt: the toolkit gave up" << false;
        QTest::newRow("exception escaping a thread")
            << "thread"
            << "Cause: an exception nothing caught: the worker gave up" << false;
    }
    void eachWayOfStoppingLeavesAReport() {
        QFETCH(QString, kind);
        QFETCH(QString, cause);
        QFETCH(bool, signal);
        if (signal && !CrashRecorder::recordsSignals())
            QSKIP("The sanitizer handles fatal signals in this build.");
        QTemporaryDir folder;
        const Crash crash = runCrashChild(kind, folder.filePath("crashes"));
        QCOMPARE(crash.status, QProcess::CrashExit);
        QCOMPARE(crash.reports.size(), 1);
        const QStringList lines = readAll(crash.reports.first()).split('\n');
        QVERIFY(lines.size() > 6);
        QCOMPARE(lines.at(0), QString("Corvantis test-version stopped unexpectedly."));
        QVERIFY2(lines.at(1).startsWith(cause), qPrintable(lines.at(1)));
        QVERIFY(lines.at(2).startsWith("Time: 20"));
        QVERIFY(lines.at(3).startsWith("Process: "));
        QCOMPARE(lines.at(4), QString("Backtrace:"));
        QVERIFY(!lines.at(5).isEmpty());
    }

    void theNextStartAnnouncesTheReportOnce() {
        QTemporaryDir folder;
        const Crash crash = runCrashChild("thread", folder.filePath("crashes"));
        QCOMPARE(crash.reports.size(), 1);
        const QString kept = folder.filePath("crashes/" + QFileInfo(crash.reports.first()).fileName());

        SettingsStore settings(folder.filePath("settings.ini"));
        for (int start = 0; start < 2; ++start) {
            ScriptedDialogs dialogs;
            Program program(settings, dialogs, QString(),
                            Program::Places{folder.filePath("program/"), folder.filePath("recovery")});
            program.show();
            if (start == 0) {
                QCOMPARE(dialogs.captions(), QStringList{"Corvantis Stopped"});
                QVERIFY(dialogs.messages.first().text.startsWith("Corvantis stopped unexpectedly on "));
                QVERIFY2(dialogs.messages.first().text.contains(QDir::toNativeSeparators(kept)),
                         qPrintable(dialogs.messages.first().text));
                QVERIFY(readAll(kept).startsWith("Corvantis test-version stopped unexpectedly."));
            } else {
                QVERIFY(!dialogs.captions().contains("Corvantis Stopped"));
            }
        }
    }

    void severalCrashesAreAnnouncedTogetherOldestFirst() {
        QTemporaryDir folder;
        QDir().mkpath(folder.filePath("crashes/new"));
        for (const char* name : {"crash-20261208-101500-7.txt", "crash-20261207-235959-9.txt"}) {
            QFile report(folder.filePath(QString("crashes/new/") + name));
            QVERIFY(report.open(QIODevice::WriteOnly));
        }
        const QStringList taken = CrashRecorder::takeNewReports(folder.filePath("crashes"));
        QCOMPARE(taken, (QStringList{folder.filePath("crashes/crash-20261207-235959-9.txt"),
                                     folder.filePath("crashes/crash-20261208-101500-7.txt")}));
        QVERIFY(CrashRecorder::takeNewReports(folder.filePath("crashes")).isEmpty());
    }

    // Installed by the program's own entry point, with its reports beside
    // the user's recovery folder.
    void theProgramRecordsASignalSentToIt() {
        if (!CrashRecorder::recordsSignals()) QSKIP("The sanitizer handles fatal signals in this build.");
        QTemporaryDir home;
        QFile notes(home.filePath("notes.xml"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("<Notes><Home/></Notes>");
        notes.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(CORVANTIS_PROGRAM, {notes.fileName()});
        QVERIFY(program.waitForStarted());
        // The file is locked once it has been opened: the program is running.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.filePath(".notes.xml.corvantis-lock")), 30000);
        ::kill(static_cast<pid_t>(program.processId()), SIGSEGV);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);

        const QDir fresh(home.filePath("data/Velmora/Corvantis an XML Editor/crashes/new"));
        const QStringList reports = fresh.entryList({"crash-*.txt"}, QDir::Files);
        QCOMPARE(reports.size(), 1);
        const QString report = readAll(fresh.filePath(reports.first()));
        QVERIFY(report.startsWith(
            "Corvantis 0.9 stopped unexpectedly.\nCause: SIGSEGV (invalid memory access), sent by process "));
        QVERIFY(program.readAllStandardError().contains("A report is in " +
                                                        QFile::encodeName(fresh.filePath(reports.first()))));
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == CrashChild) {
        QCoreApplication app(argc, argv);
        return crashChild(argv[2], argv[3]);
    }
    QApplication app(argc, argv);
    CrashRecord test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash_record.moc"
