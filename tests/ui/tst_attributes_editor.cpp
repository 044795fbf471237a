#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/AttributesEditor.h"

class AttributesEditorTest : public QObject {
    Q_OBJECT
private slots:
    void listsAttributesUnderTheirHeadings();
    void theStatusBarExplainsTheControlUnderTheMouse();
    void anElementWithoutAttributesShowsOneEmptyRow();
    void clickingARowFillsTheFieldsWithMultiLineValues();
    void updateReplacesAnExistingValueInPlace();
    void theHighlightedRowIsTheOneTheFieldsShowAndDeleteConcerns();
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
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(editor.windowTitle(), QString("Element Node Attributes Editor"));
    QCOMPARE(editor.attributesGrid()->heading(0), QString("Name"));
    QCOMPARE(editor.attributesGrid()->heading(1), QString("Value"));
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"id=1", "kind=x & y"}));
}

void AttributesEditorTest::theStatusBarExplainsTheControlUnderTheMouse() {
    DetailFixture f("<a/>");
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(editor.attributesGrid()->toolTip(), QString("Click to Select and Edit Attributes"));
    QStatusTipEvent hover(editor.attributesGrid()->statusTip());
    QApplication::sendEvent(editor.attributesGrid(), &hover);
    QCOMPARE(editor.statusBar()->currentMessage(),
             QString("click to edit Attributes or select Edit menu option then Attributes to edit Selected "
                     "attributes"));
}

void AttributesEditorTest::anElementWithoutAttributesShowsOneEmptyRow() {
    DetailFixture f("<a/>");
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"="}));
    editor.nameField()->setText("typed");
    emit editor.attributesGrid()->cellClicked(0, 1);
    QCOMPARE(editor.nameField()->text(), QString());
    QCOMPARE(editor.valueField()->toPlainText(), QString());
}

void AttributesEditorTest::clickingARowFillsTheFieldsWithMultiLineValues() {
    DetailFixture f("<a first=\"1\"/>");
    f.root()->setAttribute("note", "line one\r\nline two");
    AttributesEditor editor(f.context, f.root());
    editor.attributesGrid()->setCurrentCell(1, 0);
    QCOMPARE(editor.nameField()->text(), QString("note"));
    QCOMPARE(editor.valueField()->toPlainText(), QString("line one\nline two"));
}

void AttributesEditorTest::updateReplacesAnExistingValueInPlace() {
    DetailFixture f("<a id=\"1\" kind=\"x\"/>");
    AttributesEditor editor(f.context, f.root());
    editor.nameField()->setText("id");
    editor.valueField()->setPlainText("2");
    editor.updateEntry();
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"id=2", "kind=x"}));
    QVERIFY(f.changed());
}

namespace {

// The highlighted rows of a grid, and what the editor's fields hold.
QString shown(const AttributesEditor& editor) {
    QStringList rows;
    for (const QModelIndex& cell : editor.attributesGrid()->selectionModel()->selectedIndexes())
        rows << QString::number(cell.row());
    return "rows [" + rows.join(",") + "] fields " + editor.nameField()->text() + "=" +
           editor.valueField()->toPlainText() + (editor.deleteButton()->isEnabled() ? " delete" : "");
}

}  // namespace

// After Update the attribute updated stays chosen, after Delete none is;
// Delete is there only for an attribute the name field names.
void AttributesEditorTest::theHighlightedRowIsTheOneTheFieldsShowAndDeleteConcerns() {
    DetailFixture f("<a id=\"1\" kind=\"x\" size=\"3\"/>");
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(shown(editor), QString("rows [] fields ="));
    editor.attributesGrid()->setCurrentCell(1, 0);
    QCOMPARE(shown(editor), QString("rows [1] fields kind=x delete"));
    editor.valueField()->setPlainText("y");
    editor.updateEntry();
    QCOMPARE(shown(editor), QString("rows [1] fields kind=y delete"));
    editor.nameField()->setText("new");
    QCOMPARE(shown(editor), QString("rows [] fields new=y"));
    editor.updateEntry();
    QCOMPARE(shown(editor), QString("rows [3] fields new=y delete"));
    editor.nameField()->setText("id");
    QCOMPARE(shown(editor), QString("rows [0] fields id=y delete"));
    editor.deleteEntry();
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"kind=y", "size=3", "new=y"}));
    QCOMPARE(shown(editor), QString("rows [] fields ="));
    QVERIFY(!editor.deleteItem()->isEnabled());
}

void AttributesEditorTest::updateAddsANameThatDiffersOnlyInCase() {
    DetailFixture f("<a id=\"1\"/>");
    AttributesEditor editor(f.context, f.root());
    editor.nameField()->setText("ID");
    editor.valueField()->setPlainText("2");
    editor.updateEntry();
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"id=1", "ID=2"}));
}

void AttributesEditorTest::updateStoresLineBreaksAsLineFeedsAndAcceptsAnEmptyValue() {
    DetailFixture f("<a/>");
    AttributesEditor editor(f.context, f.root());
    editor.nameField()->setText("note");
    editor.valueField()->setPlainText("one\ntwo");
    editor.updateEntry();
    editor.nameField()->setText("empty");
    editor.valueField()->clear();
    editor.updateEntry();
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
    AttributesEditor editor(f.context, f.root());
    editor.nameField()->setText(name);
    editor.valueField()->setPlainText("v");
    editor.updateEntry();
    QCOMPARE(f.lastCaption(), QString("Name Error"));
    QCOMPARE(f.lastMessage(), QString("Not a Valid XML Name: \"%1\"").arg(name));
    QCOMPARE(f.root()->attributeCount(), 1);
    QCOMPARE(editor.nameField()->text(), name);
    QCOMPARE(editor.valueField()->toPlainText(), QString("v"));
    QVERIFY(!f.changed());
}

// An ISO-8859-1 file holds a character it has no byte for as a reference,
// which an attribute value can be and a name cannot.
void AttributesEditorTest::aValueTakesAnyCharacterANameOnlyTheEncodingsLetters() {
    DetailFixture f("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>");
    AttributesEditor editor(f.context, f.root());
    editor.nameField()->setText(QString::fromUtf8("pr\u20ACis"));
    editor.valueField()->setPlainText("5");
    editor.updateEntry();
    QCOMPARE(f.lastCaption(), QString("Name Error"));
    QVERIFY(!f.changed());
    editor.nameField()->setText(QString::fromUtf8("pr\u00E9is"));
    editor.valueField()->setPlainText(QString::fromUtf8("5 \u20AC\n\u00E9"));
    editor.updateEntry();
    QVERIFY(f.saved().endsWith("<a pr\xE9is=\"5 &#x20AC;&#10;\xE9\"/>"));
}

// "&nbsp;" typed is six characters; the one the file brought stays a
// reference while the user edits around it.
void AttributesEditorTest::typedReferencesAreCharactersAndKeptOnesStay() {
    DetailFixture f("<!DOCTYPE a [<!ENTITY nbsp \"&#160;\">]><a v=\"x&nbsp;y\"/>");
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"v=x&nbsp;y"}));
    emit editor.attributesGrid()->cellClicked(0, 1);
    QCOMPARE(editor.valueField()->toPlainText(), QString("x&nbsp;y"));
    QTextCursor cursor = editor.valueField()->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(" &nbsp;");
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText("&#65;");
    editor.updateEntry();
    QVERIFY(f.saved().endsWith("<a v=\"&amp;#65;x&nbsp;y &amp;nbsp;\"/>"));
}

void AttributesEditorTest::deleteRemovesByTypedNameAndANameNotThereChangesNothing() {
    DetailFixture f("<a id=\"1\" kind=\"x\" size=\"3\"/>");
    AttributesEditor editor(f.context, f.root());
    editor.attributesGrid()->setCurrentCell(2, 0);
    editor.nameField()->setText("kind");
    editor.deleteEntry();
    QCOMPARE(rowsOf(editor.attributesGrid()), QStringList({"id=1", "size=3"}));
    QVERIFY(editor.nameField()->text().isEmpty());

    f.document.saved("Notes.XML");
    editor.nameField()->setText("kind");
    editor.deleteEntry();  // no longer there: nothing to remove
    QCOMPARE(f.root()->attributeCount(), 2);
    QVERIFY(!f.changed());
}

void AttributesEditorTest::resizingFitsTheValueColumnAndStoresFromTheSecondResize() {
    DetailFixture f("<a id=\"1\"/>");
    AttributesEditor editor(f.context, f.root());
    QCOMPARE(editor.pos(), QPoint(85, 15));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(!f.settings.contains("AttribEdit_Width"));
    const int before = editor.resizeCount();
    editor.resize(500, 400);
    QCOMPARE(editor.resizeCount(), before + 1);
    DetailStringGrid* grid = editor.attributesGrid();
    QCOMPARE(grid->columnWidth(1), grid->width() - grid->columnWidth(0) - 25);
    QCOMPARE(f.settings.readInt("AttribEdit_Width", -1), 500);

    grid->setColumnWidth(0, 60);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(grid->columnWidth(1), grid->width() - 60 - 25);
}

QTEST_MAIN(AttributesEditorTest)
#include "tst_attributes_editor.moc"
