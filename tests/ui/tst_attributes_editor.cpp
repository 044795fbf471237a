#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/Attributeseditor.h"

class AttributesEditorTest : public QObject {
    Q_OBJECT
private slots:
    void listsAttributesUnderTheirHeadings();
    void theStatusBarExplainsTheControlUnderTheMouse();
    void anElementWithoutAttributesShowsOneEmptyRow();
    void clickingARowFillsTheFieldsWithMultiLineValues();
    void updateReplacesAnExistingValueInPlace();
    void updateAddsANameThatDiffersOnlyInCase();
    void updateStoresLineBreaksAsLineFeedsAndAcceptsAnEmptyValue();
    void updateRefusesInvalidNames_data();
    void updateRefusesInvalidNames();
    void aValueTakesAnyCharacterANameOnlyTheEncodingsLetters();
    void typedReferencesAreCharactersAndKeptOnesStay();
    void deleteRemovesByTypedNameAndANameNotThereChangesNothing();
    void resizingFitsTheValueColumnAndStoresFromTheSecondResize();
};

void AttributesEditorTest::listsAttributesUnderTheirHeadings() {
    DetailFixture f("<a id=\"1\" kind=\"x &amp; y\"/>");
    TAttribForm editor(f.context, f.root());
    QCOMPARE(editor.windowTitle(), QString("Element Node Attribributes Editor"));
    QCOMPARE(editor.AttribStringGrid()->heading(0), QString("Name"));
    QCOMPARE(editor.AttribStringGrid()->heading(1), QString("Value"));
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"id=1", "kind=x & y"}));
}

void AttributesEditorTest::theStatusBarExplainsTheControlUnderTheMouse() {
    DetailFixture f("<a/>");
    TAttribForm editor(f.context, f.root());
    QCOMPARE(editor.AttribStringGrid()->toolTip(), QString("Click to Select and Edit Attributes"));
    QStatusTipEvent hover(editor.AttribStringGrid()->statusTip());
    QApplication::sendEvent(editor.AttribStringGrid(), &hover);
    QCOMPARE(editor.statusBar()->currentMessage(),
             QString("click to edit Attributes or select Edit menu option then Attributes to edit Selected "
                     "attributes"));
}

void AttributesEditorTest::anElementWithoutAttributesShowsOneEmptyRow() {
    DetailFixture f("<a/>");
    TAttribForm editor(f.context, f.root());
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"="}));
    editor.AttribNameEdit()->setText("typed");
    emit editor.AttribStringGrid()->cellClicked(0, 1);
    QCOMPARE(editor.AttribNameEdit()->text(), QString());
    QCOMPARE(editor.AttribNameMemo()->toPlainText(), QString());
}

void AttributesEditorTest::clickingARowFillsTheFieldsWithMultiLineValues() {
    DetailFixture f("<a first=\"1\"/>");
    f.root()->setAttribute("note", "line one\r\nline two");
    TAttribForm editor(f.context, f.root());
    editor.AttribStringGrid()->setCurrentCell(1, 0);
    QCOMPARE(editor.AttribNameEdit()->text(), QString("note"));
    QCOMPARE(editor.AttribNameMemo()->toPlainText(), QString("line one\nline two"));
}

void AttributesEditorTest::updateReplacesAnExistingValueInPlace() {
    DetailFixture f("<a id=\"1\" kind=\"x\"/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribNameEdit()->setText("id");
    editor.AttribNameMemo()->setPlainText("2");
    editor.UpdateBitBtnClick();
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"id=2", "kind=x"}));
    QVERIFY(editor.AttribNameEdit()->text().isEmpty());
    QVERIFY(editor.AttribNameMemo()->toPlainText().isEmpty());
    QVERIFY(f.changed());
}

void AttributesEditorTest::updateAddsANameThatDiffersOnlyInCase() {
    DetailFixture f("<a id=\"1\"/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribNameEdit()->setText("ID");
    editor.AttribNameMemo()->setPlainText("2");
    editor.UpdateBitBtnClick();
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"id=1", "ID=2"}));
}

void AttributesEditorTest::updateStoresLineBreaksAsLineFeedsAndAcceptsAnEmptyValue() {
    DetailFixture f("<a/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribNameEdit()->setText("note");
    editor.AttribNameMemo()->setPlainText("one\ntwo");
    editor.UpdateBitBtnClick();
    editor.AttribNameEdit()->setText("empty");
    editor.UpdateBitBtnClick();
    QCOMPARE(f.root()->attributeCount(), 2);
    QCOMPARE(bytes(f.root()->attributeAt(0)->value), QByteArray("one\ntwo"));
    QCOMPARE(bytes(f.root()->attributeAt(1)->value), QByteArray());
    QVERIFY(f.dialogs.messages.isEmpty());
}

void AttributesEditorTest::updateRefusesInvalidNames_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << "";
    QTest::newRow("digit first") << "1st";
    QTest::newRow("blank inside") << "my name";
    QTest::newRow("blank after") << "name ";
    QTest::newRow("dash") << QString::fromUtf8("n\u2014");
}

void AttributesEditorTest::updateRefusesInvalidNames() {
    QFETCH(QString, name);
    DetailFixture f("<a id=\"1\"/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribNameEdit()->setText(name);
    editor.AttribNameMemo()->setPlainText("v");
    editor.UpdateBitBtnClick();
    QCOMPARE(f.lastCaption(), QString("Name Error"));
    QCOMPARE(f.lastMessage(), QString("Not a Valid XML Name:"));
    QCOMPARE(f.root()->attributeCount(), 1);
    QCOMPARE(editor.AttribNameEdit()->text(), name);
    QCOMPARE(editor.AttribNameMemo()->toPlainText(), QString("v"));
    QVERIFY(!f.changed());
}

// An ISO-8859-1 file holds a character it has no byte for as a reference,
// which an attribute value can be and a name cannot.
void AttributesEditorTest::aValueTakesAnyCharacterANameOnlyTheEncodingsLetters() {
    DetailFixture f("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribNameEdit()->setText(QString::fromUtf8("pr\u20ACis"));
    editor.AttribNameMemo()->setPlainText("5");
    editor.UpdateBitBtnClick();
    QCOMPARE(f.lastCaption(), QString("Name Error"));
    QVERIFY(!f.changed());
    editor.AttribNameEdit()->setText(QString::fromUtf8("pr\u00E9is"));
    editor.AttribNameMemo()->setPlainText(QString::fromUtf8("5 \u20AC\n\u00E9"));
    editor.UpdateBitBtnClick();
    QVERIFY(f.saved().endsWith("<a pr\xE9is=\"5 &#x20AC;&#10;\xE9\"/>"));
}

// "&nbsp;" typed is six characters; the one the file brought stays a
// reference while the user edits around it.
void AttributesEditorTest::typedReferencesAreCharactersAndKeptOnesStay() {
    DetailFixture f("<!DOCTYPE a [<!ENTITY nbsp \"&#160;\">]><a v=\"x&nbsp;y\"/>");
    TAttribForm editor(f.context, f.root());
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"v=x&nbsp;y"}));
    emit editor.AttribStringGrid()->cellClicked(0, 1);
    QCOMPARE(editor.AttribNameMemo()->toPlainText(), QString("x&nbsp;y"));
    QTextCursor cursor = editor.AttribNameMemo()->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(" &nbsp;");
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText("&#65;");
    editor.UpdateBitBtnClick();
    QVERIFY(f.saved().endsWith("<a v=\"&amp;#65;x&nbsp;y &amp;nbsp;\"/>"));
}

void AttributesEditorTest::deleteRemovesByTypedNameAndANameNotThereChangesNothing() {
    DetailFixture f("<a id=\"1\" kind=\"x\" size=\"3\"/>");
    TAttribForm editor(f.context, f.root());
    editor.AttribStringGrid()->setCurrentCell(2, 0);  // the selection plays no part
    editor.AttribNameEdit()->setText("kind");
    editor.DeleteBitBtnClick();
    QCOMPARE(rowsOf(editor.AttribStringGrid()), QStringList({"id=1", "size=3"}));
    QVERIFY(editor.AttribNameEdit()->text().isEmpty());

    f.document.saved("Notes.XML");
    editor.DeleteBitBtnClick();  // the field was emptied: nothing to remove
    QCOMPARE(f.root()->attributeCount(), 2);
    QVERIFY(!f.changed());
}

void AttributesEditorTest::resizingFitsTheValueColumnAndStoresFromTheSecondResize() {
    DetailFixture f("<a id=\"1\"/>");
    TAttribForm editor(f.context, f.root());
    QCOMPARE(editor.pos(), QPoint(85, 15));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(!f.settings.contains("AttribEdit_Width"));
    const int before = editor.ResizeCount();
    editor.resize(500, 400);
    QCOMPARE(editor.ResizeCount(), before + 1);
    DetailStringGrid* grid = editor.AttribStringGrid();
    QCOMPARE(grid->columnWidth(1), grid->width() - grid->columnWidth(0) - 25);
    QCOMPARE(f.settings.readInt("AttribEdit_Width", -1), 500);

    grid->setColumnWidth(0, 60);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(grid->columnWidth(1), grid->width() - 60 - 25);
}

QTEST_MAIN(AttributesEditorTest)
#include "tst_attributes_editor.moc"
