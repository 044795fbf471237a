// The node details window inside the program: what a click shows, and how
// the editors opened from it change the document and the window.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/AttributesEditor.h"
#include "editors/CommentsEditor.h"
#include "editors/ProcessingInstructionEditor.h"
#include "editors/NodeDetailsWindow.h"
#include "support/ProgramUnderTest.h"

namespace {

const QByteArray Notes =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<Notes><Work due=\"Monday\" owner=\"me\">office<!--urgent--><?todo first?></Work>"
    "<Home/></Notes>\r\n";

void openNotes(ProgramUnderTest& program) {
    program.startAndOpen("Notes.XML", Notes);
    program.dialogs.clear();
}

}  // namespace

class XMLFormInProgramTest : public QObject {
    Q_OBJECT
private slots:
    void clickingAnElementShowsItsDetails();
    void editorChangesShowAtOnceAndSurviveSaveAndReopen();
    void textTypedBeforeOpeningAnEditorStaysWithItsNode();
};

void XMLFormInProgramTest::clickingAnElementShowsItsDetails() {
    ProgramUnderTest program;
    openNotes(program);
    program.click("Work");
    NodeDetailsWindow* xml = program.window().detailsWindow();
    QCOMPARE(rowsOf(xml->attributesGrid()), QStringList({"due=Monday", "owner=me"}));
    QCOMPARE(rowsOf(xml->commentsGrid()), QStringList({"urgent"}));
    QCOMPARE(rowsOf(xml->instructionsGrid()), QStringList({"todo=first"}));
    program.click("Home");
    QCOMPARE(rowsOf(xml->attributesGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml->commentsGrid()), QStringList({""}));
}

void XMLFormInProgramTest::editorChangesShowAtOnceAndSurviveSaveAndReopen() {
    ProgramUnderTest program;
    openNotes(program);
    program.click("Work");
    NodeDetailsWindow* xml = program.window().detailsWindow();
    whenOpened<AttributesEditor>([](AttributesEditor* editor) {
        editor->nameField()->setText("owner");
        editor->valueField()->setPlainText("you");
        editor->updateEntry();
    });
    xml->editAttributes();
    QCOMPARE(rowsOf(xml->attributesGrid()), QStringList({"due=Monday", "owner=you"}));
    whenOpened<CommentsEditor>([](CommentsEditor* editor) {
        editor->commentField()->setPlainText("call back\nsoon");
        editor->addNew();
    });
    xml->editComments();
    whenOpened<ProcessingInstructionEditor>([](ProcessingInstructionEditor* editor) {
        editor->targetField()->setText("todo");
        editor->deleteEntry();
    });
    xml->editInstructions();
    QCOMPARE(rowsOf(xml->commentsGrid()), QStringList({"urgent", "call back\nsoon"}));
    QCOMPARE(rowsOf(xml->instructionsGrid()), QStringList({"="}));

    QVERIFY(program.window().files().save());
    const QByteArray saved = program.readFile("Notes.XML");
    QVERIFY2(saved.contains("owner=\"you\""), saved.constData());
    QVERIFY2(saved.contains("<!--call back\r\nsoon-->"), saved.constData());
    QVERIFY2(!saved.contains("todo"), saved.constData());

    program.restart();
    program.dialogs.chooseFile(program.pathOf("Notes.XML"));
    program.window().files().open();
    program.click("Work");
    QCOMPARE(rowsOf(program.window().detailsWindow()->attributesGrid()), QStringList({"due=Monday", "owner=you"}));
}

void XMLFormInProgramTest::textTypedBeforeOpeningAnEditorStaysWithItsNode() {
    ProgramUnderTest program;
    openNotes(program);
    program.click("Home");
    program.type("garden");
    whenOpened<CommentsEditor>([](CommentsEditor* editor) {
        editor->commentField()->setPlainText("weekend");
        editor->addNew();
    });
    program.window().detailsWindow()->editComments();
    program.click("Work");
    QVERIFY(program.window().files().save());
    const QByteArray saved = program.readFile("Notes.XML");
    QVERIFY2(saved.contains("garden"), saved.constData());
    QVERIFY2(saved.indexOf("garden") > saved.indexOf("<Home"), saved.constData());
    QVERIFY2(saved.contains("<!--weekend-->"), saved.constData());
}

QTEST_MAIN(XMLFormInProgramTest)
#include "tst_node_details_in_program.moc"
