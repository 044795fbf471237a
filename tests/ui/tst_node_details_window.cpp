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
    xml.ShowNode(f.root());
    QCOMPARE(xml.windowTitle(), QString("XML Attributes, Comments, Processing Instructions"));
    QCOMPARE(xml.AttribStringGrid()->heading(0), QString("Name"));
    QCOMPARE(rowsOf(xml.AttribStringGrid()), QStringList({"id=1", "kind=x"}));
    QCOMPARE(rowsOf(xml.CommentStringGrid()), QStringList({"note\ntwo"}));
    QCOMPARE(xml.PIStringGrid()->heading(0), QString("PI Target"));
    QCOMPARE(rowsOf(xml.PIStringGrid()), QStringList({"app=go"}));
}

void XMLFormTest::anElementWithoutDetailsShowsOneEmptyRowInEachGrid() {
    DetailFixture f("<a id=\"1\"><!--c--><b/></a>");
    NodeDetailsWindow xml(f.context);
    xml.ShowNode(f.root());
    xml.ShowNode(f.root()->childAt(1));
    QCOMPARE(rowsOf(xml.AttribStringGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.CommentStringGrid()), QStringList({""}));
    QCOMPARE(rowsOf(xml.PIStringGrid()), QStringList({"="}));
}

void XMLFormTest::theDocumentNodeShowsItsInstructionsButNoAttributes() {
    DetailFixture f("<?xml version = \"1.0\" encoding=\"ISO-8859-1\"?><!--top--><a id=\"1\"/>");
    NodeDetailsWindow xml(f.context);
    xml.ShowNode(f.root());
    xml.ShowNode(f.documentNode());
    QCOMPARE(rowsOf(xml.AttribStringGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.CommentStringGrid()), QStringList({"top"}));
    QCOMPARE(rowsOf(xml.PIStringGrid()), QStringList({"xml=version = \"1.0\" encoding=\"ISO-8859-1\""}));
}

void XMLFormTest::noNodeShowsEmptyGrids() {
    DetailFixture f("<a id=\"1\"><!--c--><?p v?></a>");
    NodeDetailsWindow xml(f.context);
    xml.ShowNode(f.root());
    xml.ShowNode(nullptr);
    QCOMPARE(rowsOf(xml.AttribStringGrid()), QStringList({"="}));
    QCOMPARE(rowsOf(xml.CommentStringGrid()), QStringList({""}));
    QCOMPARE(rowsOf(xml.PIStringGrid()), QStringList({"="}));
    xml.ShowNode(f.root());
    xml.ClearDetails();
    QCOMPARE(rowsOf(xml.PIStringGrid()), QStringList({"="}));
    QCOMPARE(xml.PIStringGrid()->heading(1), QString("PI Value"));
}

void XMLFormTest::editAttributesOpensForElementsOnly() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    QSignalSpy closed(&xml, &NodeDetailsWindow::EditorClosed);
    xml.AttribBitBtnClick();  // nothing selected
    f.selection.select(f.documentNode());
    xml.AttribBitBtnClick();
    QCOMPARE(closed.count(), 0);

    f.selection.select(f.root());
    whenOpened<AttributesEditor>([&](AttributesEditor* editor) { QCOMPARE(editor->EditedNode(), f.root()); });
    xml.AttribBitBtnClick();
    QCOMPARE(closed.count(), 1);
}

void XMLFormTest::editCommentsAndEditPIOpenForTheDocumentNode() {
    DetailFixture f("<?xml version=\"1.0\"?><a/>");
    f.selection.select(f.documentNode());
    NodeDetailsWindow xml(f.context);
    QSignalSpy closed(&xml, &NodeDetailsWindow::EditorClosed);
    whenOpened<CommentsEditor>([&](CommentsEditor* editor) {
        editor->CommentMemo()->setPlainText("about the file");
        editor->AddNewBitBtnClick();
    });
    xml.CommentBitBtnClick();
    whenOpened<ProcessingInstructionEditor>(
        [&](ProcessingInstructionEditor* editor) { QCOMPARE(editor->EditedNode(), f.documentNode()); });
    xml.PIBitBtnClick();
    QCOMPARE(closed.count(), 2);
    QVERIFY(f.saved().contains("<!--about the file-->"));

    f.selection.select(nullptr);
    xml.CommentBitBtnClick();
    xml.PIBitBtnClick();
    QCOMPARE(closed.count(), 2);
}

void XMLFormTest::anAttributeAddedInTheEditorShowsAfterItCloses() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    f.selection.select(f.root());
    whenOpened<AttributesEditor>([](AttributesEditor* editor) {
        editor->AttribNameEdit()->setText("id");
        editor->AttribNameMemo()->setPlainText("7");
        editor->UpdateBitBtnClick();
    });
    xml.AttribBitBtnClick();
    QCOMPARE(rowsOf(xml.AttribStringGrid()), QStringList({"id=7"}));
    QVERIFY(f.changed());
}

void XMLFormTest::headingsAreRewrittenOnRequest() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    xml.AttribStringGrid()->setHeadings({"x", "y"});
    xml.PIStringGrid()->setHeadings({"x", "y"});
    xml.WriteGridHeadings();
    QCOMPARE(xml.AttribStringGrid()->heading(1), QString("Value"));
    QCOMPARE(xml.PIStringGrid()->heading(0), QString("PI Target"));
}

void XMLFormTest::gridsFollowTheWindowAndTheDraggedColumnBorder() {
    DetailFixture f("<a/>");
    NodeDetailsWindow xml(f.context);
    xml.show();
    QVERIFY(QTest::qWaitForWindowExposed(&xml));
    xml.resize(420, 360);
    QTRY_COMPARE(xml.XMLPanel()->width(), 420);
    const int panel = xml.XMLPanel()->width();
    QCOMPARE(xml.AttribStringGrid()->columnWidth(1), panel - 96 - 25);
    QCOMPARE(xml.PIStringGrid()->columnWidth(1), panel - 94 - 25);
    QCOMPARE(xml.CommentStringGrid()->columnWidth(0), xml.CommentStringGrid()->width() - 25);

    DetailStringGrid* grid = xml.AttribStringGrid();
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
    xml.Close1Click();
    QVERIFY(!xml.isVisible());
    QCOMPARE(xml.ResizeCount(), 0);
}

QTEST_MAIN(XMLFormTest)
#include "tst_node_details_window.moc"
