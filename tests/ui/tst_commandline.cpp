// `corvantis FILE`: the named file is opened at start-up instead of the
// remembered one; one that cannot be read gives the file error and the New
// document; one that is no XML opens with a warning.
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "document/Document.h"
#include "document/FileEncoding.h"
#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "support/ScriptedDialogs.h"
#include "tree/DocumentTreeView.h"
#include "widgets/SettingsStore.h"

namespace {


// The windows as the entry point builds them, started with a file named on
// the command line.
class StartedWithFile {
public:
    StartedWithFile() : settings_(folder_.filePath("MyBusiness.ini")) {}
    ~StartedWithFile() { stop(); }

    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(folder_.filePath(name));
        if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write test file");
        file.write(bytes);
        return file.fileName();
    }
    void start(const QString& namedFile) {
        stop();
        document_ = std::make_unique<Document>();
        window_ = std::make_unique<MainWindow>(settings_, dialogs, *document_, folder_.filePath("program/"));
        textEditor_ = std::make_unique<TextEditorWindow>(settings_);
        window_->attachTextEditor(textEditor_.get());
        window_->openAtStartup(namedFile);
        window_->show();
        window_->startUp();
    }
    void stop() {
        textEditor_.reset();
        window_.reset();
        document_.reset();
    }

    SettingsStore& settings() { return settings_; }
    MainWindow& window() { return *window_; }
    Document& document() { return *document_; }
    QString topCaption() const { return window_->treeView()->model()->index(0, 0).data().toString(); }
    QString fileNameLabel() const { return textEditor_->frame()->fileNameLabel()->text(); }
    ScriptedDialogs dialogs;

private:
    QTemporaryDir folder_;
    SettingsStore settings_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TextEditorWindow> textEditor_;
};

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void theNamedFileIsTakenAsAnAbsolutePath() {
        QCOMPARE(startupFileArgument({"corvantis"}), QString());
        QCOMPARE(startupFileArgument({"corvantis", "notes.xml"}), QDir::current().absoluteFilePath("notes.xml"));
        QCOMPARE(startupFileArgument({"corvantis", "/data/notes.xml"}), QString("/data/notes.xml"));
        QCOMPARE(startupFileArgument({"corvantis", "--", "-notes.xml"}), QDir::current().absoluteFilePath("-notes.xml"));
    }

    void theNamedFileOpensInsteadOfTheRememberedOneAndIsRememberedInstead() {
        StartedWithFile program;
        const QString remembered = program.write("remembered.xml", "<Remembered><Old/></Remembered>");
        const QString named = program.write("named.xml", "<Named><Shopping/></Named>");
        program.start(QString());
        program.settings().writeText("MyFileName", remembered);

        program.start(named);
        QCOMPARE(program.topCaption(), named);
        QCOMPARE(program.fileNameLabel(), named);
        QCOMPARE(program.document().fileName(), named);
        QAbstractItemModel* rows = program.window().treeView()->model();
        QCOMPARE(rows->match(rows->index(0, 0), Qt::DisplayRole, "Shopping", -1, Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
        QVERIFY(program.dialogs.messages.isEmpty());
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(!program.document().isNew());
        // Opened from the command line as from File > Open, it is the file the next start opens.
        QCOMPARE(program.settings().readText("MyFileName", QString()), named);
        program.start(QString());
        QCOMPARE(program.topCaption(), named);
    }

    void theNamedFileOpensAlsoWhenFileNamesAreNotRemembered() {
        StartedWithFile program;
        const QString named = program.write("named.xml", "<Named/>");
        program.start(QString());
        program.settings().writeBool("RememberFileName", false);
        program.start(named);
        QCOMPARE(program.topCaption(), named);
    }

    void aFileThatCannotBeReadGivesTheFileErrorAndTheNewDocument() {
        StartedWithFile program;
        const QString missing = program.write("gone.xml", "<Gone/>") + ".missing";
        program.start(missing);
        QCOMPARE(program.dialogs.messages.size(), 1);
        QVERIFY(program.dialogs.showedFileError(missing, "No such file or directory"));
        QCOMPARE(program.topCaption(), QString("My FileName"));
        QCOMPARE(program.fileNameLabel(), QString("No File Opened"));
        QVERIFY(program.document().isNew());
    }

    void aNamedFileThatIsNoXmlOpensWithAWarning() {
        StartedWithFile program;
        const QString named = program.write("program.xml", QByteArray("\x7F" "ELF\x02\0\0<", 8));
        program.start(named);
        QCOMPARE(program.dialogs.captions(), QStringList{NotXmlCaption});
        QCOMPARE(program.document().fileName(), named);
    }

    // Without any display to open: the answer needs none.
    void helpAndVersionAnswerWithoutADisplay() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(name);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        for (const auto& [argument, answer] :
             {std::pair{"--version", "0.9"}, std::pair{"--help", "Usage:"}}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(CORVANTIS_PROGRAM, {argument});
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QVERIFY2(program.readAllStandardOutput().contains(answer), argument);
        }
    }

    // Started where no window can be shown, as over a remote shell: one line
    // says why, and the program ends with status 1, without a core dump or a
    // crash report.
    void withoutADisplayTheProgramSaysSoAndEnds_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("said");
        QTest::newRow("no display named") << QString() << "corvantis: there is no display to show the windows on (DISPLAY is not set).\n";
        // A display number no server answers on.
        QTest::newRow("a display that cannot be opened")
            << ":4093" << "corvantis: the display \":4093\" cannot be opened to show the windows on.\n";
    }
    void withoutADisplayTheProgramSaysSoAndEnds() {
        QFETCH(QString, display);
        QFETCH(QString, said);
        if (!display.isEmpty() && QFile::exists("/tmp/.X11-unix/X4093")) QSKIP("A display server runs on :4093.");
        QTemporaryDir home;
        const QString notes = home.filePath("notes.xml");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        if (!display.isEmpty()) environment.insert("DISPLAY", display);
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(CORVANTIS_PROGRAM, {notes});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()), said);
        QVERIFY(!QFileInfo::exists(home.filePath("data/Velmora/Corvantis an XML Editor/crashes")));
        QVERIFY(!QFileInfo::exists(notes));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
