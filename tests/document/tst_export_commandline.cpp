// `corvantis --export html|md|pdf FILE [--folder PATH] [-o OUT]` run as a
// user runs it, with no display: what it writes, where, and the exit
// status and message when it cannot.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include "document/Document.h"
#include "document/Export.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work due=\"Friday\">office &lt;b&gt;\r\nsecond line<Task>call</Task></Work>"
                         "<Home><K\xFC" "che>Kr\xE4uter</K\xFC" "che></Home></Notes>\r\n";

struct Run {
    int status = -1;
    QByteArray output;
    QByteArray errors;
};

// The program with no display of any kind to open.
Run runProgram(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(CORVANTIS_PROGRAM, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytes(const ExportText& text) {
    return QByteArray(text.view().data(), static_cast<qsizetype>(text.view().size()));
}

}  // namespace

class ExportCommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        notes_ = folder_.filePath("notes.xml");
        QFile file(notes_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Notes);
        document_.load(Notes, notes_, notes_);
    }

    void htmlGoesToStandardOutput() {
        const Run run = runProgram({"--export", "html", notes_});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.output, bytes(htmlExport(document_, nullptr)));
        QVERIFY(run.output.contains("<h3>K\xC3\xBC" "che</h3>"));
        QCOMPARE(run.errors, QByteArray());
    }

    void aFolderGoesToAFileThatIsReplaced() {
        const QString out = folder_.filePath("kitchen.md");
        {
            QFile old(out);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(10000, 'x'));
        }
        const Run run = runProgram({"--export=md", notes_, "--folder", QString::fromUtf8("Notes/Home/Küche"), "-o", out});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.output, QByteArray());
        QCOMPARE(contents(out), QByteArray("# K\xC3\xBC" "che\n\nKr\xC3\xA4uter\n\n"));
    }

    void pdfIsPrintedWithoutADisplay() {
        const QString out = folder_.filePath("notes.pdf");
        const Run run = runProgram({"--export", "pdf", notes_, "-o", out});
        QCOMPARE(run.errors, QByteArray());
        QCOMPARE(run.status, 0);
        QVERIFY(contents(out).startsWith("%PDF-"));
    }

    void whatCannotBeDoneIsToldInOneLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString notes = folder_.filePath("notes.xml");
        const QString binary = folder_.filePath("binary.xml");
        QFile file(binary);
        if (file.open(QIODevice::WriteOnly)) file.write(QByteArray("\x7F" "ELF\0\0\0", 7));
        QTest::newRow("a file that is not there") << QStringList{"--export", "html", folder_.filePath("gone.xml")} << 1
                                                  << "cannot read";
        QTest::newRow("a file that is no XML") << QStringList{"--export", "md", binary} << 1 << "not an XML document";
        QTest::newRow("a path that names no folder") << QStringList{"--export", "md", notes, "--folder", "Notes/Car"}
                                                     << 1 << "no folder has the path \"Notes/Car\"";
        QTest::newRow("an output in a folder that is not there")
            << QStringList{"--export", "html", notes, "-o", folder_.filePath("none/out.html")} << 1 << "cannot write";
        QTest::newRow("an unknown format") << QStringList{"--export", "docx", notes} << 2 << "unknown export format";
        QTest::newRow("no file") << QStringList{"--export", "html"} << 2 << "name the file";
        QTest::newRow("two files") << QStringList{"--export", "html", notes, notes} << 2 << "only one file";
        QTest::newRow("PDF without a file to write") << QStringList{"--export", "pdf", notes} << 2 << "-o";
        QTest::newRow("an unknown option") << QStringList{"--export", "html", notes, "--colour"} << 2 << "colour";
    }

    void whatCannotBeDoneIsToldInOneLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run run = runProgram(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.output, QByteArray());
        const QList<QByteArray> lines = run.errors.trimmed().split('\n');
        QVERIFY2(lines.first().startsWith("corvantis: ") && QString::fromLocal8Bit(lines.first()).contains(message),
                 run.errors.constData());
        // A usage error adds the usage; anything else is one line.
        QCOMPARE(lines.size(), status == 2 ? 2 : 1);
    }

private:
    QTemporaryDir folder_;
    QString notes_;
    Document document_;
};

QTEST_GUILESS_MAIN(ExportCommandLineTest)
#include "tst_export_commandline.moc"
