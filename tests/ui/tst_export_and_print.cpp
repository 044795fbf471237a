// File > Export…, Print… and Print Preview… through the window: the
// selected folder, or the whole document from its top row, written as the
// file type its name says, or printed on the printer the dialog sets up.
#include <QFile>
#include <QStatusBar>
#include <QTest>

#include "document/Export.h"
#include "support/ProgramUnderTest.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office <b>&amp;</b> k\xFC"
                         "che<Task>call</Task></Work><Home>garden</Home></Notes>\r\n";

QByteArray bytes(const ExportText& text) {
    return QByteArray(text.view().data(), static_cast<qsizetype>(text.view().size()));
}

bool isPdfWithPages(const QByteArray& file) { return file.startsWith("%PDF-") && file.contains("/Type /Page"); }

}  // namespace

class ExportAndPrintTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheSelectedFolderAsTheChosenNameSays() {
        ProgramUnderTest program;
        program.startAndOpen("Notes.xml", Notes);
        program.select("Work");
        program.dialogs.chooseFile(program.pathOf("work.md"));
        program.window().action(Command::Export)->trigger();
        QCOMPARE(program.dialogs.saveRequests.last().fileName, "Work.html");
        QCOMPARE(program.readFile("work.md"), bytes(markdownExport(program.document(), program.nodeOf("Work"))));
        QVERIFY(program.window().statusBar()->currentMessage().contains(program.pathOf("work.md")));

        // From the top row: the whole document, and a file there is replaced
        // only when the user agrees.
        program.selectTop();
        program.writeFile("all.html", "mine");
        program.dialogs.chooseFile(program.pathOf("all.html"));
        program.dialogs.answer(UserQuestions::Answer::No);
        program.window().action(Command::Export)->trigger();
        QCOMPARE(program.dialogs.captions().last(), "Confirm Export");
        QCOMPARE(program.readFile("all.html"), "mine");
        program.dialogs.chooseFile(program.pathOf("all.html"));
        program.dialogs.answer(UserQuestions::Answer::Yes);
        program.window().action(Command::Export)->trigger();
        QCOMPARE(program.readFile("all.html"), bytes(htmlExport(program.document(), nullptr)));
        QVERIFY(!program.document().hasUnsavedChanges());
    }

    void anExportThatCannotBeWrittenSaysWhyAndANameWithoutAFileTypeIsRefused() {
        ProgramUnderTest program;
        program.startAndOpen("Notes.xml", Notes);
        program.selectTop();
        const QString unwritable = program.pathOf("gone/notes.pdf");
        program.dialogs.chooseFile(unwritable);
        program.window().action(Command::Export)->trigger();
        QVERIFY(program.dialogs.showedFileError(unwritable, ""));
        program.dialogs.chooseFile(program.pathOf("notes.txt"));
        program.window().action(Command::Export)->trigger();
        QCOMPARE(program.dialogs.captions().last(), "Export");
        QVERIFY(!QFile::exists(program.pathOf("notes.txt")));
    }

    void printAndItsPreviewDrawTheExportedPagesOnThePrinterSetUp() {
        ProgramUnderTest program;
        program.startAndOpen("Notes.xml", Notes);
        program.select("Home");
        program.window().action(Command::Print)->trigger();
        QCOMPARE(program.dialogs.printDialogs, 1);
        QVERIFY(program.dialogs.messages.isEmpty());

        program.dialogs.printTo(program.pathOf("printed.pdf"));
        program.window().action(Command::Print)->trigger();
        QVERIFY(isPdfWithPages(program.readFile("printed.pdf")));
        QVERIFY(program.window().statusBar()->currentMessage().contains("'Home'"));

        // Printed to a file, it is written as Save writes: a file without a write bit stays.
        program.writeFile("kept.pdf", "kept");
        QFile::setPermissions(program.pathOf("kept.pdf"), QFileDevice::ReadOwner);
        program.dialogs.printTo(program.pathOf("kept.pdf"));
        program.window().action(Command::Print)->trigger();
        QCOMPARE(program.readFile("kept.pdf"), QByteArray("kept"));
        QCOMPARE(program.dialogs.messages.size(), 1);

        program.dialogs.printTo(program.pathOf("previewed.pdf"));
        program.window().action(Command::PrintPreview)->trigger();
        QCOMPARE(program.dialogs.previews, 1);
        QVERIFY(isPdfWithPages(program.readFile("previewed.pdf")));
    }
};

QTEST_MAIN(ExportAndPrintTest)
#include "tst_export_and_print.moc"
