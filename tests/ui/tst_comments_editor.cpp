#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include "detail_editor_fixture.h"
#include "editors/CommentsEditor.h"

using corvantis::COMMENT;

class CommentsEditorTest : public QObject {
    Q_OBJECT
private slots:
    void listsOnlyTheNodesOwnCommentsInChildOrder();
    void updateRewritesTheCommentWithTheShownNumber();
    void updateWithoutChoosingARowRewritesTheFirstComment();
    void updateWithNoCommentsChangesNothing();
    void addNewAppendsAfterEveryOtherChildAndKeepsTheFields();
    void addNewWithAnEmptyFieldAddsAnEmptyComment();
    void commentTextsXmlDoesNotAllowAreRefused_data();
    void commentTextsXmlDoesNotAllowAreRefused();
    void deleteRemovesTheShownCommentAndResetsTheFields();
};

void CommentsEditorTest::listsOnlyTheNodesOwnCommentsInChildOrder() {
    DetailFixture f("<a><b><!--inner--></b><!--one--><c/><!--two\r\nlines--></a>");
    CommentsEditor editor(f.context, f.root());
    QCOMPARE(editor.windowTitle(), QString("Comments Editor"));
    QVERIFY(!editor.commentsGrid()->hasHeadingRow());
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"one", "two\nlines"}));
    QCOMPARE(editor.numberLabel()->text(), QString("0"));
}

void CommentsEditorTest::updateRewritesTheCommentWithTheShownNumber() {
    DetailFixture f("<a><b/><!--one--><c/><!--two--></a>");
    CommentsEditor editor(f.context, f.root());
    editor.commentsGrid()->setCurrentCell(1, 0);
    QCOMPARE(editor.numberLabel()->text(), QString("1"));
    QCOMPARE(editor.commentField()->toPlainText(), QString("two"));
    editor.commentField()->setPlainText("second\nversion");
    editor.updateEntry();
    QCOMPARE(f.root()->childAt(3)->nodeType(), COMMENT);
    QCOMPARE(bytes(f.root()->childAt(3)->nodeValue()), QByteArray("second\r\nversion"));
    QCOMPARE(bytes(f.root()->childAt(1)->nodeValue()), QByteArray("one"));
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"one", "second\nversion"}));
}

void CommentsEditorTest::updateWithoutChoosingARowRewritesTheFirstComment() {
    DetailFixture f("<a><!--one--><!--two--></a>");
    CommentsEditor editor(f.context, f.root());
    editor.commentField()->setPlainText("typed");
    editor.updateEntry();
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"typed", "two"}));
}

void CommentsEditorTest::updateWithNoCommentsChangesNothing() {
    DetailFixture f("<a><b/></a>");
    CommentsEditor editor(f.context, f.root());
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({""}));
    editor.commentField()->setPlainText("typed");
    emit editor.commentsGrid()->cellClicked(0, 0);
    QCOMPARE(editor.numberLabel()->text(), QString("0"));
    QVERIFY(editor.commentField()->toPlainText().isEmpty());
    editor.commentField()->setPlainText("typed");
    editor.updateEntry();
    QCOMPARE(f.root()->childCount(), 1);
    QVERIFY(!f.changed());
}

void CommentsEditorTest::addNewAppendsAfterEveryOtherChildAndKeepsTheFields() {
    DetailFixture f("<a><!--one--><b/>text</a>");
    CommentsEditor editor(f.context, f.root());
    editor.commentField()->setPlainText("new");
    editor.addNew();
    QCOMPARE(f.root()->childCount(), 4);
    QCOMPARE(f.root()->childAt(3)->nodeType(), COMMENT);
    QCOMPARE(f.root()->childAt(3)->parentNode(), f.root());
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"one", "new"}));
    QCOMPARE(editor.commentField()->toPlainText(), QString("new"));
    QCOMPARE(editor.numberLabel()->text(), QString("0"));
    QVERIFY(f.saved().contains("<!--new-->"));
}

void CommentsEditorTest::addNewWithAnEmptyFieldAddsAnEmptyComment() {
    DetailFixture f("<a><!--one--></a>");
    CommentsEditor editor(f.context, f.root());
    editor.addNew();
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"one", ""}));
}

void CommentsEditorTest::commentTextsXmlDoesNotAllowAreRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ends the comment") << "a --> b";
    QTest::newRow("two hyphens") << "a -- b";
    QTest::newRow("hyphen at the end") << "a -";
}

void CommentsEditorTest::commentTextsXmlDoesNotAllowAreRefused() {
    QFETCH(QString, text);
    DetailFixture f("<a><!--one--></a>");
    CommentsEditor editor(f.context, f.root());
    editor.commentField()->setPlainText(text);
    editor.updateEntry();
    editor.addNew();
    QCOMPARE(f.dialogs.captions(), QStringList({"No Update", "No Update"}));
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"one"}));
    QVERIFY(!f.changed());

    editor.commentField()->setPlainText("- a - b");
    editor.updateEntry();
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"- a - b"}));
}

void CommentsEditorTest::deleteRemovesTheShownCommentAndResetsTheFields() {
    DetailFixture f("<a><!--zero--><!--one--><!--two--></a>");
    CommentsEditor editor(f.context, f.root());
    editor.commentsGrid()->setCurrentCell(1, 0);
    editor.deleteEntry();
    QCOMPARE(rowsOf(editor.commentsGrid()), QStringList({"zero", "two"}));
    QCOMPARE(editor.numberLabel()->text(), QString("0"));
    QVERIFY(editor.commentField()->toPlainText().isEmpty());
    QVERIFY(f.changed());
}

QTEST_MAIN(CommentsEditorTest)
#include "tst_comments_editor.moc"
