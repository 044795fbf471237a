// Insert From File and Save To Show Source: a subtree exchanged with XML text.
#include <QTest>

#include "source_fixture.h"
#include "widgets/LargeTextEdit.h"

using corvantis::DOMNode;

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task></Work><Home/></Notes>\r\n";

// A file as the program writes it: the New document saved as Part.XML.
QByteArray partWrittenByTheProgram(SourceProgram& source) {
    SourceProgram writer;
    writer.start();
    writer.saveDocumentAs("Part.XML");
    const QByteArray part = writer.program.readFile("Part.XML");
    source.program.writeFile("Part.XML", part);
    return part;
}

QStringList kindsOfChildren(const DOMNode* node) {
    QStringList kinds;
    for (int i = 0; i < node->childCount(); ++i) {
        const DOMNode* child = node->childAt(i);
        kinds << QString::number(child->nodeType()) + ":" + QString::fromLatin1(bytesOf(child->nodeName()));
    }
    return kinds;
}

DOMNode* nodeOf(SourceProgram& source, const QString& caption) { return source.program.nodeOf(caption); }

}  // namespace

class SaveToShowSource : public QObject {
    Q_OBJECT
private slots:
    void showsExactlyThatElementsPartOfTheSavedFile() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        // What Save writes.
        const QByteArray saved = source.program.written();
        source.select("Notes");
        source.saveToShowSource();
        QVERIFY(source.viewer().isVisible());
        source.saveViewerAs("Top.XML");
        const QByteArray top = source.program.readFile("Top.XML");
        QVERIFY(top.startsWith("\r\n <Notes>"));
        QVERIFY(!top.contains("<?xml"));
        QVERIFY2(saved.endsWith(top), top.constData());
        QVERIFY(!source.document().hasUnsavedChanges());
    }

    void aDeeperElementIsShownAsAFileOfItsOwn() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        source.select("Work");
        source.saveToShowSource();
        source.saveViewerAs("Work.XML");
        // Indented as the top element of a file, not as deep as in the document.
        QCOMPARE(source.program.readFile("Work.XML"), QByteArray("\r\n <Work>office<Task>call</Task></Work>"));
    }

    void theDocumentNodeAndNoSelectionTakeNeitherCommand() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        source.program.writeFile("Leaf.XML", "<Leaf/>");
        source.program.selectNone();
        source.saveToShowSource();
        source.insertFromFile("Leaf.XML");
        source.program.clickTop();
        source.saveToShowSource();
        source.insertFromFile("Leaf.XML");
        QVERIFY(!source.viewer().isVisible());
        QVERIFY(source.dialogs().openRequests.isEmpty());
        QVERIFY(!source.document().hasUnsavedChanges());
    }
};

class InsertFromFile : public QObject {
    Q_OBJECT
private slots:
    void cancellingChangesNothing() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        const QByteArray before = bytesOf(source.document().dom().serialize());
        source.select("Home");
        source.cancelInsertFromFile();
        const UserQuestions::FileRequest request = source.dialogs().openRequests.value(0);
        QCOMPARE(request.title, QString("Enter Velmora FileName"));
        QCOMPARE(request.filter, QString("Velmora files (*.XML)|*.XML|All Files (*.*)|*.*"));
        QCOMPARE(request.fileName, source.program.pathOf("Diary.XML"));
        QVERIFY(!source.document().hasUnsavedChanges());
        QCOMPARE(bytesOf(source.document().dom().serialize()), before);
    }

    void aFileWrittenByTheProgramGoesUnderTheSelectedElement() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        const QByteArray part = partWrittenByTheProgram(source);
        source.select("Home");
        source.insertFromFile("Part.XML");
        QVERIFY(source.dialogs().messages.isEmpty());
        DOMNode* home = nodeOf(source, "Home");
        // The file's declaration stays out; the reader keeps no blank-only
        // text, so the line break after it brings no text node.
        QCOMPARE(kindsOfChildren(home), QStringList({"1:NewDocument"}));
        QCOMPARE(source.children("Home"), QStringList({"NewDocument"}));
        QCOMPARE(source.children("NewDocument"), QStringList({"NewFolder"}));
        // Renumbered: the inserted elements' paths start with Home's.
        QCOMPARE(bytesOf(nodeOf(source, "NewFolder")->path()), QByteArray("Notes/Home/NewDocument/NewFolder"));
        // Home stays selected and shows the text the file brought.
        QCOMPARE(source.program.currentNode(), home);
        QCOMPARE(source.program.memo()->toPlainText(),
                 source.document().text().toMultiLineText(home->getText(0)));
        QVERIFY(source.document().hasUnsavedChanges());
        // The document keeps its own file, and Save writes there.
        QCOMPARE(source.document().fileName(), source.program.pathOf("Diary.XML"));
        QVERIFY(source.window().files().save());
        const QByteArray saved = source.program.readFile("Diary.XML");
        QCOMPARE(saved.count("<?xml"), 1);
        QCOMPARE(source.program.readFile("Part.XML"), part);
    }

    void insertingTwiceAddsTheContentsTwiceInOrder() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        partWrittenByTheProgram(source);
        source.select("Work");
        source.insertFromFile("Part.XML");
        source.select("Work");
        source.insertFromFile("Part.XML");
        QCOMPARE(source.children("Work"), QStringList({"Task", "NewDocument", "NewDocument"}));
        QCOMPARE(kindsOfChildren(nodeOf(source, "Work")),
                 QStringList({"3:", "1:Task", "1:NewDocument", "1:NewDocument"}));
    }

    void aFileWithTooManyEndTagsStaysInsideTheSelectedElement() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        source.program.writeFile("Broken.XML", "<A/></B></C><D/>");
        source.select("Work");
        source.insertFromFile("Broken.XML");
        QCOMPARE(source.children("Work"), QStringList({"Task", "A"}));
        QCOMPARE(source.children(source.program.topCaption()), QStringList({"Notes"}));
        QCOMPARE(source.children("Notes"), QStringList({"Work", "Home"}));
        QVERIFY(!source.program.shows("D"));
        QCOMPARE(source.dialogs().captions(), QStringList({"Insert Error"}));
        QVERIFY(source.document().hasUnsavedChanges());
    }

    void aFileThatIsNotXmlIsRefusedWithAMessage() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        source.program.writeFile("Junk.XML", QByteArray("<<a <b x='1\0\xFF<!--<![CDATA[</\0>&#;&", 29));
        source.select("Home");
        source.insertFromFile("Junk.XML");
        QCOMPARE(source.dialogs().captions(), QStringList({"Not an XML Document"}));
        QVERIFY(!source.document().hasUnsavedChanges());
        QCOMPARE(source.children("Notes"), QStringList({"Work", "Home"}));
        QVERIFY(source.window().files().save());
        QVERIFY(source.program.readFile("Diary.XML").startsWith("<?xml"));
    }

    void aMissingFileIsReportedAndChangesNothing() {
        SourceProgram source;
        source.open("Diary.XML", Notes);
        const QByteArray before = bytesOf(source.document().dom().serialize());
        source.select("Home");
        source.insertFromFile("Missing.XML");
        QCOMPARE(source.dialogs().captions(), QStringList({"File Error"}));
        QVERIFY(source.dialogs().showedFileError(source.program.pathOf("Missing.XML"), "No such file or directory"));
        QVERIFY(!source.document().hasUnsavedChanges());
        QCOMPARE(bytesOf(source.document().dom().serialize()), before);
    }

};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        SaveToShowSource test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        InsertFromFile test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_insert_from_file.moc"
