#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/ProcessingInstructionEditor.h"

using corvantis::PROCESSING_INSTRUCTION;

class PIEditorTest : public QObject {
    Q_OBJECT
private slots:
    void aNodeWithoutInstructionsShowsItsHeadingsAndOneEmptyRow();
    void editsTheDocumentLevelInstructions();
    void updateChangesOnlyTheFirstInstructionWithTheTarget();
    void updateAppendsATargetThatDiffersOnlyInCase();
    void updateRefusesInvalidTargets_data();
    void updateRefusesInvalidTargets();
    void updateRefusesEmptyValuesAndValuesEndingTheInstruction_data();
    void updateRefusesEmptyValuesAndValuesEndingTheInstruction();
    void theTargetXmlBelongsToTheDeclarationAlone_data();
    void theTargetXmlBelongsToTheDeclarationAlone();
    void deleteRemovesTheFirstInstructionWithTheTypedTarget();
    void deleteOfAnUnknownOrEmptyTargetChangesNothing();
};

void PIEditorTest::aNodeWithoutInstructionsShowsItsHeadingsAndOneEmptyRow() {
    DetailFixture f("<a><b/></a>");
    ProcessingInstructionEditor editor(f.context, f.root());
    QCOMPARE(editor.windowTitle(), QString("Processing Instructions Editor"));
    QCOMPARE(editor.instructionsGrid()->heading(0), QString("PI Target"));
    QCOMPARE(editor.instructionsGrid()->heading(1), QString("PI Value"));
    QCOMPARE(rowsOf(editor.instructionsGrid()), QStringList({"="}));
}

void PIEditorTest::editsTheDocumentLevelInstructions() {
    DetailFixture f("<?xml version=\"1.0\"?><a><?inner x?></a>");
    ProcessingInstructionEditor editor(f.context, f.documentNode());
    QCOMPARE(rowsOf(editor.instructionsGrid()), QStringList({"xml=version=\"1.0\""}));
    editor.instructionsGrid()->setCurrentCell(0, 1);
    QCOMPARE(editor.targetField()->text(), QString("xml"));
    editor.valueField()->setPlainText("version=\"1.0\" encoding=\"ISO-8859-1\"");
    editor.updateEntry();
    QVERIFY(f.saved().startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
}

void PIEditorTest::updateChangesOnlyTheFirstInstructionWithTheTarget() {
    DetailFixture f("<a><?app one?><b/><?app two?></a>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.targetField()->setText("app");
    editor.valueField()->setPlainText("new\nvalue");
    editor.updateEntry();
    QCOMPARE(bytes(f.root()->childAt(0)->nodeValue()), QByteArray("new\r\nvalue"));
    QCOMPARE(bytes(f.root()->childAt(2)->nodeValue()), QByteArray("two"));
    QCOMPARE(editor.valueField()->toPlainText(), QString("new\nvalue"));
    QCOMPARE(editor.instructionsGrid()->currentRow(), 0);
    QVERIFY(f.changed());
}

void PIEditorTest::updateAppendsATargetThatDiffersOnlyInCase() {
    DetailFixture f("<a><?xsl one?><b/></a>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.targetField()->setText("Xsl");
    editor.valueField()->setPlainText("two");
    editor.updateEntry();
    QCOMPARE(f.root()->childCount(), 3);
    QCOMPARE(f.root()->childAt(2)->nodeType(), PROCESSING_INSTRUCTION);
    QCOMPARE(f.root()->childAt(2)->parentNode(), f.root());
    QCOMPARE(rowsOf(editor.instructionsGrid()), QStringList({"xsl=one", "Xsl=two"}));
}

void PIEditorTest::updateRefusesInvalidTargets_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("empty") << "";
    QTest::newRow("digit first") << "9lives";
    QTest::newRow("blank inside") << "my app";
}

void PIEditorTest::updateRefusesInvalidTargets() {
    QFETCH(QString, target);
    DetailFixture f("<a/>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.targetField()->setText(target);
    editor.valueField()->setPlainText("value");
    editor.updateEntry();
    QCOMPARE(f.lastCaption(), QString("Target Error"));
    QCOMPARE(f.lastMessage(), QString("Not a Valid Processing Instruction Target: \"%1\"").arg(target));
    QCOMPARE(f.root()->childCount(), 0);
    QCOMPARE(editor.targetField()->text(), target);
}

void PIEditorTest::updateRefusesEmptyValuesAndValuesEndingTheInstruction_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("ends the instruction") << "a ?> b";
    QTest::newRow("long, ends the instruction") << QString(90, 'x') + "?>";
}

void PIEditorTest::updateRefusesEmptyValuesAndValuesEndingTheInstruction() {
    QFETCH(QString, value);
    DetailFixture f("<a/>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.targetField()->setText("app");
    editor.valueField()->setPlainText(value);
    editor.updateEntry();
    QCOMPARE(f.lastCaption(), QString("Value Error"));
    const QString shown = value.size() > 80 ? value.left(80) + QChar(0x2026) : value;
    QCOMPARE(f.lastMessage(), QString("Not a Valid Processing Instruction Value: \"%1\"").arg(shown));
    QCOMPARE(f.root()->childCount(), 0);
    QVERIFY(!f.changed());
}

void PIEditorTest::theTargetXmlBelongsToTheDeclarationAlone_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("onTheDocument");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("saved");  // empty: refused
    QTest::newRow("xml in an element") << QByteArray("<a/>") << false << "xml" << QByteArray();
    QTest::newRow("Xml in an element") << QByteArray("<a/>") << false << "Xml" << QByteArray();
    QTest::newRow("XML at the top") << QByteArray("<?xml v?><a/>") << true << "XML" << QByteArray();
    QTest::newRow("a name that only begins with xml") << QByteArray("<a/>") << false << "xml-stylesheet"
                                                      << QByteArray("\r\n <a><?xml-stylesheet new?>");
    QTest::newRow("a declaration made first") << QByteArray("<!--c--><a/>") << true << "xml"
                                              << QByteArray("<?xml new?>\r\n <!--c-->");
    QTest::newRow("the declaration after the document's text") << QByteArray("x<?xml v?><a/>") << true << "xml"
                                                               << QByteArray("x<?xml new?>");
}

void PIEditorTest::theTargetXmlBelongsToTheDeclarationAlone() {
    QFETCH(QByteArray, xml);
    QFETCH(bool, onTheDocument);
    QFETCH(QString, target);
    QFETCH(QByteArray, saved);
    DetailFixture f(xml.constData());
    ProcessingInstructionEditor editor(f.context, onTheDocument ? f.documentNode() : f.root());
    editor.targetField()->setText(target);
    editor.valueField()->setPlainText("new");
    editor.updateEntry();
    QCOMPARE(f.lastCaption(), saved.isEmpty() ? QString("Target Error") : QString());
    QCOMPARE(f.changed(), !saved.isEmpty());
    QVERIFY2(f.saved().startsWith(saved), f.saved().constData());
}

void PIEditorTest::deleteRemovesTheFirstInstructionWithTheTypedTarget() {
    DetailFixture f("<a><?app one?><?app two?></a>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.instructionsGrid()->setCurrentCell(1, 0);
    QCOMPARE(editor.valueField()->toPlainText(), QString("two"));
    editor.deleteEntry();
    QCOMPARE(rowsOf(editor.instructionsGrid()), QStringList({"app=two"}));
    QVERIFY(f.changed());
}

void PIEditorTest::deleteOfAnUnknownOrEmptyTargetChangesNothing() {
    DetailFixture f("<a><?app one?></a>");
    ProcessingInstructionEditor editor(f.context, f.root());
    editor.targetField()->setText("other");
    editor.deleteEntry();
    QCOMPARE(editor.targetField()->text(), QString("other"));
    editor.targetField()->clear();
    editor.deleteEntry();
    QCOMPARE(f.root()->childCount(), 1);
    QVERIFY(!f.changed());
    QVERIFY(f.dialogs.messages.isEmpty());
}

QTEST_MAIN(PIEditorTest)
#include "tst_pieditor.moc"
