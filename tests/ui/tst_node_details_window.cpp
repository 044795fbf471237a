#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/AttributesEditor.h"
#include "editors/CommentsEditor.h"
#include "widgets/DetailStringGrid.h"
#include "editors/ProcessingInstructionEditor.h"
#include "editors/NodeDetailsWindow.h"

using corvantis::DOMNode;

class XMLFormTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheDetailsOfAnElement();
    void anElementWithoutDetailsShowsOneEmptyRowInEachGrid();
    void theDocumentNodeShowsItsInstructionsButNoAttributes();
    void noNodeShowsEmptyGrids();
    void editAttributesOpensForElementsOnly();
    void editCommentsAndEditPIOpenForTheDocumentNode();
    void anAttributeAddedInTheEditorShowsAfterItCloses();
    void headingsAreRewrittenOnRequest();
    void gridsFollowTheWindowAndTheDraggedColumnBorder();
    void aClosedWindowDoesNotStoreItsFirstResizeWhenShownAgain();
};

void XMLFormTest::showsTheDetailsOfAnElement() {
    DetailFixture f("<a id=\"1\" kind=\"x\"><!--note\r\ntwo--><b><!--inner--><?inner x?></b><?app go?></a>");
    NodeDetailsWindow xml(f.context);
    xml.showNode(f.root());
    QCOMPARE(xml.windowTitle(), QString("XML Attributes, Comments, Processing Instructions"));
    QCOMPARE(xml.attributesGrid()->heading(0), QString("Name"));
    QCOMPARE(rowsOf(xml.attributesGrid()), QStringList({"id=1", "kind=x"}));
    QCOMPARE(rowsOf(xml.commentsGrid()), QStringList({"note\ntwo"}));
    QCOMPARE(xml.instructionsGrid()->heading(0), QString("PI Target"));
    QCOMPARE(rowsOf(xml.instructionsGrid()), QStringList({"app=go"}));
}

void XMLFormTest::anElementWithoutDetailsShowsOneEmptyRowInEachGrid() {
    DetailFixture f("<a id=\"1\"><!--c--><b/></a>");
    NodeDetailsWindow xml(f.context);
    xml.showNode(f.root());
    xml.showNode(f.root()->childAt(1));
    QCOMPARE(rowsOf(xml.attributesGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.commentsGrid()), QStringList({""}));
    QCOMPARE(rowsOf(xml.instructionsGrid()), QStringList({"="}));
}

void XMLFormTest::theDocumentNodeShowsItsInstructionsButNoAttributes() {
    DetailFixture f("<?xml version = \"1.0\" encoding=\"ISO-8859-1\"?><!--top--><a id=\"1\"/>");
    NodeDetailsWindow xml(f.context);
    xml.showNode(f.root());
    xml.showNode(f.documentNode());
    QCOMPARE(rowsOf(xml.attributesGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.commentsGrid()), QStringList({"top"}));
    QCOMPARE(rowsOf(xml.instructionsGrid()), QStringList({"xml=version = \"1.0\" encoding=\"ISO-8859-1\""}));
}

void XMLFormTest::noNodeShowsEmptyGrids() {
    DetailFixture f("<a id=\"1\"><!--c--><?p v?></a>");
    NodeDetailsWindow xml(f.context);
    xml.showNode(f.root());
    xml.showNode(nullptr);
    QCOMPARE(rowsOf(xml.attributesGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.commentsGrid()), QStringList({""}));
    QCOMPARE(rowsOf(xml.instructionsGrid()), QStringList({"="}));
    xml.showNode(f.root());
    xml.clearDetails();
    QCOMPARE(rowsOf(xml.instructionsGrid()), QStringList({"="}));
    QCOMPARE(xml.instructionsGrid()->heading(1), QString("PI Value"));
}

void XMLFormTest::editAttributesOpensForElementsOnly() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    QSignalSpy closed(&xml, &NodeDetailsWindow::editorClosed);
    xml.editAttributes();  // nothing selected
    f.selection.select(f.documentNode());
    xml.editAttributes();
    QCOMPARE(closed.count(), 0);

    f.selection.select(f.root());
    whenOpened<AttributesEditor>([&](AttributesEditor* editor) { QCOMPARE(editor->editedNode(), f.root()); });
    xml.editAttributes();
    QCOMPARE(closed.count(), 1);
}

void XMLFormTest::editCommentsAndEditPIOpenForTheDocumentNode() {
    DetailFixture f("<?xml version=\"1.0\"?><a/>");
    f.selection.select(f.documentNode());
    NodeDetailsWindow xml(f.context);
    QSignalSpy closed(&xml, &NodeDetailsWindow::editorClosed);
    whenOpened<CommentsEditor>([&](CommentsEditor* editor) {
        editor->commentField()->setPlainText("about the file");
        editor->addNew();
    });
    xml.editComments();
    whenOpened<ProcessingInstructionEditor>(
        [&](ProcessingInstructionEditor* editor) { QCOMPARE(editor->editedNode(), f.documentNode()); });
    xml.editInstructions();
    QCOMPARE(closed.count(), 2);
    QVERIFY(f.saved().contains("<!--about the file-->"));

    f.selection.select(nullptr);
    xml.editComments();
    xml.editInstructions();
    QCOMPARE(closed.count(), 2);
}

void XMLFormTest::anAttributeAddedInTheEditorShowsAfterItCloses() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    f.selection.select(f.root());
    whenOpened<AttributesEditor>([](AttributesEditor* editor) {
        editor->nameField()->setText("id");
        editor->valueField()->setPlainText("7");
        editor->updateEntry();
    });
    xml.editAttributes();
    QCOMPARE(rowsOf(xml.attributesGrid()), QStringList({"id=7"}));
    QVERIFY(f.changed());
}

void XMLFormTest::headingsAreRewrittenOnRequest() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    xml.attributesGrid()->setHeadings({"x", "y"});
    xml.instructionsGrid()->setHeadings({"x", "y"});
    xml.writeGridHeadings();
    QCOMPARE(xml.attributesGrid()->heading(1), QString("Value"));
    QCOMPARE(xml.instructionsGrid()->heading(0), QString("PI Target"));
}

void XMLFormTest::gridsFollowTheWindowAndTheDraggedColumnBorder() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    xml.show();
    QVERIFY(QTest::qWaitForWindowExposed(&xml));
    xml.resize(420, 360);
    QTRY_COMPARE(xml.panel()->width(), 420);
    const int panel = xml.panel()->width();
    QCOMPARE(xml.attributesGrid()->columnWidth(1), panel - 96 - 25);
    QCOMPARE(xml.instructionsGrid()->columnWidth(1), panel - 94 - 25);
    QCOMPARE(xml.commentsGrid()->columnWidth(0), xml.commentsGrid()->width() - 25);

    DetailStringGrid* grid = xml.attributesGrid();
    grid->setColumnWidth(0, 50);
    QTest::mouseRelease(grid->horizontalHeader(), Qt::LeftButton, {}, QPoint(50, 5));
    QCOMPARE(grid->columnWidth(1), grid->width() - 50 - 25);
}

void XMLFormTest::aClosedWindowDoesNotStoreItsFirstResizeWhenShownAgain() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    QCOMPARE(xml.pos(), QPoint(370, 240));
    xml.show();
    QVERIFY(QTest::qWaitForWindowExposed(&xml));
    xml.resize(300, 300);
    QCOMPARE(f.settings.readInt("XMLForm_Width", -1), 300);
    xml.hideWindow();
    QVERIFY(!xml.isVisible());
    QCOMPARE(xml.resizeCount(), 0);
}

QTEST_MAIN(XMLFormTest)
#include "tst_node_details_window.moc"
