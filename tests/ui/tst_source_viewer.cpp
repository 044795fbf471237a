// The source viewer: what it shows, and its Save As with the backup rule.
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include "source_fixture.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

void setViewerText(SourceProgram& source, const QString& text) {
    source.viewer().textField()->setPlainText(text);
}

}  // namespace

class WhatTheViewerShows : public QObject {
    Q_OBJECT
private slots:
    void viewSourceOfNewShowsExactlyWhatSaveWrites() {
        SourceProgram source;
        source.start();
        source.viewSource();
        QVERIFY(source.viewer().isVisible());
        source.saveViewerAs("Shown.XML");
        QVERIFY(source.saveDocumentAs("Saved.XML"));
        QCOMPARE(source.program.readFile("Shown.XML"), source.program.readFile("Saved.XML"));
    }

    void typedTextIsSavedByteForByteAndTheDocumentStaysAsItWas() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        source.viewSource();
        setViewerText(source, QString::fromLatin1("<A>caf\xE9\xA0" "and tab\t</A>\n\n  <B/>"));
        source.saveViewerAs("Typed.XML");
        QCOMPARE(source.program.readFile("Typed.XML"), QByteArray("<A>caf\xE9\xA0" "and tab\t</A>\r\n\r\n  <B/>"));
        QVERIFY(!source.document().hasUnsavedChanges());
        QCOMPARE(source.program.readFile("Diary.XML"), Notes);
    }

    void utf8DocumentsAreShownAndSavedInUtf8() {
        SourceProgram source;
        source.open("Utf.XML", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R>\xC3\xA9t\xC3\xA9</R>");
        source.viewSource();
        QVERIFY(source.viewer().textField()->toPlainText().contains(QString::fromUtf8("<R>\xC3\xA9t\xC3\xA9</R>")));
        source.saveViewerAs("Copy.XML");
        QCOMPARE(source.program.readFile("Copy.XML"), bytesOf(source.document().dom().serialize()));
    }

    // The viewer shows the file's text: in an ISO-8859-1 file a character it
    // cannot hold is a reference.
    void anISO88591DocumentIsShownAsItsFileHoldsIt() {
        SourceProgram source;
        source.open("Diary.XML", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>caf\xE9 &#x263A;</R>");
        source.viewSource();
        QVERIFY(source.viewer().textField()->toPlainText().contains(QString::fromUtf8("<R>caf\xC3\xA9 &#x263A;</R>")));
        source.saveViewerAs("Copy.XML");
        // What Save writes, byte for byte.
        const Document::FileBytes saved = source.document().fileBytes();
        QCOMPARE(source.program.readFile("Copy.XML"),
                 QByteArray(saved.view().data(), static_cast<qsizetype>(saved.view().size())));
    }

    void aCharacterTheEncodingCannotHoldIsRefusedBeforeAnythingIsWritten() {
        SourceProgram source;
        source.start();
        setViewerText(source, QString::fromUtf8("<A>\xE2\x82\xAC</A>"));  // the euro sign is not Latin-1
        source.saveViewerAs("Euro.XML");
        QCOMPARE(source.dialogs().captions(), QStringList({"Text Error"}));
        QVERIFY(source.dialogs().saveRequests.isEmpty());
        QVERIFY(!QFile::exists(source.program.pathOf("Euro.XML")));
    }
};

class ViewerSaveAs : public QObject {
    Q_OBJECT
private slots:
    void aNameWithoutExtensionGetsXml() {
        SourceProgram source;
        source.start();
        setViewerText(source, "<notes/>");
        source.saveViewerAs("notes");
        const UserQuestions::FileRequest request = source.dialogs().saveRequests.value(0);
        QCOMPARE(request.title, QString("Enter Corvantis FileName"));
        QCOMPARE(request.filter, QString("Corvantis files (*.XML)|*.XML|All Files (*.*)|*.*"));
        QCOMPARE(request.fileName, QString());
        QCOMPARE(filesIn(source.program.folder()), QStringList({"notes.XML"}));
        QCOMPARE(source.program.readFile("notes.XML"), QByteArray("<notes/>"));
        QVERIFY(source.dialogs().messages.isEmpty());
    }

    void cancellingWritesNothing() {
        SourceProgram source;
        source.start();
        source.dialogs().cancelFileDialog();
        source.viewer().saveTextAs();
        QCOMPARE(filesIn(source.program.folder()), QStringList());
        QVERIFY(source.dialogs().messages.isEmpty());
    }

    void anExistingFileIsKeptAsItsBackup() {
        SourceProgram source;
        source.start();
        source.program.writeFile("diary.XML", "old diary");
        setViewerText(source, "<new/>");
        source.dialogs().answer(UserQuestions::Answer::Yes);
        source.saveViewerAs("diary.XML");
        QCOMPARE(source.dialogs().captions(), QStringList({"Confirm Save As", "Backup File Created"}));
        QCOMPARE(source.dialogs().messages[1].text, QString("diary.BAK"));
        QCOMPARE(filesIn(source.program.folder()), QStringList({"diary.BAK", "diary.XML"}));
        QCOMPARE(source.program.readFile("diary.BAK"), QByteArray("old diary"));
        QCOMPARE(source.program.readFile("diary.XML"), QByteArray("<new/>"));
    }

    void aLowerCaseXmlNameIsTheFileWrittenAndBackedUp() {
        SourceProgram source;
        source.start();
        source.program.writeFile("diary.xml", "old diary");
        setViewerText(source, "<new/>");
        source.dialogs().answer(UserQuestions::Answer::Yes);
        source.saveViewerAs("diary.xml");
        QCOMPARE(source.dialogs().captions(), QStringList({"Confirm Save As", "Backup File Created"}));
        QCOMPARE(filesIn(source.program.folder()), QStringList({"diary.BAK", "diary.xml"}));
        QCOMPARE(source.program.readFile("diary.BAK"), QByteArray("old diary"));
        QCOMPARE(source.program.readFile("diary.xml"), QByteArray("<new/>"));
    }

    void anEmptyViewerMakesAnEmptyFile() {
        SourceProgram source;
        source.start();
        source.saveViewerAs("Empty.XML");
        QVERIFY(QFile::exists(source.program.pathOf("Empty.XML")));
        QCOMPARE(source.program.readFile("Empty.XML"), QByteArray());
    }

    // Open, both Save As and Insert From File, cancelled: each dialog starts
    // in the document's folder, or the user's documents for a new document
    // (their home while it has no documents folder).
    void everyFileDialogStartsInTheDocumentsFolder() {
        SourceProgram source;
        source.start();
        const auto startFolders = [&source](const QString& element) {
            source.dialogs().clear();
            source.window().files().open();
            source.window().files().saveAs();
            source.viewer().saveTextAs();
            source.select(element);
            source.cancelInsertFromFile();
            QStringList folders;
            for (const auto& request : source.dialogs().openRequests + source.dialogs().saveRequests)
                folders << request.folder;
            return folders;
        };
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(startFolders("NewFolder"), QStringList(4, QFileInfo(documents).isDir() ? documents : QDir::homePath()));
        source.program.writeFile("Diary.XML", Notes);
        source.dialogs().chooseFile(source.program.pathOf("Diary.XML"));
        source.window().files().open();
        QCOMPARE(startFolders("Work"), QStringList(4, source.program.folder()));
    }

    void aChosenFileThatCannotBeBackedUpIsNotReplaced() {
        SourceProgram source;
        source.start();
        // A folder cannot be copied to a backup.
        QDir(source.program.folder()).mkdir("Folder.XML");
        setViewerText(source, "<new/>");
        source.saveViewerAs("Folder.XML");
        QVERIFY(source.dialogs().showedFileError(source.program.pathOf("Folder.XML"), "not an ordinary file"));
        QVERIFY(QFileInfo(source.program.pathOf("Folder.XML")).isDir());
        QVERIFY(!QFile::exists(source.program.pathOf("Folder.BAK")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        WhatTheViewerShows test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ViewerSaveAs test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_source_viewer.moc"
