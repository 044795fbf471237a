// The live filter and find and replace through the main window, as a user
// works with them: the keys, the fields, the tree they change, and undo.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "support/ProgramUnderTest.h"
#include "widgets/LargeTextEdit.h"
#include "tree/FilterBar.h"
#include "tree/ReplaceDialog.h"

namespace {

const QByteArray Notes =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<Notes><Work>office<Task>call Anna</Task><Meeting tag=\"job\">call Bo</Meeting></Work>"
    "<Home><Garden>roses</Garden></Home></Notes>\r\n";

void run(ProgramUnderTest& program, Command command) { program.window().action(command)->trigger(); }

// The rows shown, those shown only for a match below them in brackets.
QStringList shownRows(const ProgramUnderTest& program) {
    QStringList rows;
    const QAbstractItemModel* model = program.window().treeView()->model();
    for (int i = 0; i < model->rowCount(); ++i) {
        const QModelIndex row = model->index(i, 0);
        const QString caption = row.data().toString();
        rows << (row.data(DocumentTreeModel::DimmedRole).toBool() ? "(" + caption + ")" : caption);
    }
    return rows;
}

}  // namespace

class FilterAndReplaceTest : public QObject {
    Q_OBJECT
private slots:
    void theFilterNarrowsTheTreeAsWordsAreTypedAndEscapeBringsItBack() {
        ProgramUnderTest program;
        program.startAndOpen("Notes.xml", Notes);
        program.dialogs.clear();
        QAbstractItemModelTester tester(program.window().treeView()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        program.select("Garden");
        QVERIFY(program.focusTree());
        QTest::keyClick(program.window().treeView(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QLineEdit* field = program.window().filterBar()->FilterEdit();
        const QString top = "(" + program.topCaption() + ")";
        QTRY_VERIFY(field->hasFocus());

        QTest::keyClicks(field, "CALL");
        QCOMPARE(shownRows(program), QStringList({top, "(Notes)", "(Work)", "Task", "Meeting"}));
        // The chosen folder is hidden: the nearest one above it that is shown stands in.
        QCOMPARE(program.currentCaption(), QString("Notes"));
        QTest::keyClicks(field, " bo");
        QCOMPARE(shownRows(program), QStringList({top, "(Notes)", "(Work)", "Meeting"}));
        field->setText("tag=JOB");
        QCOMPARE(shownRows(program), QStringList({top, "(Notes)", "(Work)", "Meeting"}));

        // Editing under the filter, from the keyboard: a new folder is shown
        // where it goes, an undone one goes; nothing else moves.
        QTest::keyClick(field, Qt::Key_Down);
        QVERIFY(program.window().treeView()->hasFocus());
        program.click("Meeting");
        QTest::keyClick(program.window().treeView(), Qt::Key_Insert);
        QTest::keyClick(program.labelEditor(), Qt::Key_Escape);
        QCOMPARE(shownRows(program), QStringList({top, "(Notes)", "(Work)", "Meeting", "NewFolder"}));
        run(program, Command::Undo);
        QCOMPARE(shownRows(program), QStringList({top, "(Notes)", "(Work)", "Meeting"}));
        QCOMPARE(program.currentCaption(), QString("Meeting"));

        // The folder chosen under the filter stays chosen in the full tree.
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(program.window().filterBar()->isHidden());
        QCOMPARE(program.shownCaptions(),
                 QStringList({program.topCaption(), "Notes", "Work", "Task", "Meeting", "Home", "Garden"}));
        QCOMPARE(program.currentCaption(), QString("Meeting"));
        QVERIFY(!program.document().hasUnsavedChanges());
    }

    void replaceAllThroughTheWindowIsOneStepThatUndoes() {
        ProgramUnderTest program;
        program.startAndOpen("Notes.xml", Notes);
        program.dialogs.clear();
        const QByteArray before = program.written();
        run(program, Command::Replace);
        ReplaceDialog& dialog = *program.window().replaceDialog();
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isModal());

        // An expression that is not valid, or that could match nothing, replaces nothing.
        dialog.RegularExpressionCheck()->setChecked(true);
        for (const char* refused : {"(call", "x*"}) {
            dialog.FindEdit()->setText(refused);
            QVERIFY(!dialog.ProblemLabel()->text().isEmpty());
            QVERIFY(!dialog.ReplaceAllButton()->isEnabled());
        }

        // The text frame and the details show the folder's text and values as replaced.
        program.select("Meeting");
        dialog.FindEdit()->setText("call (\\w+)");
        dialog.ReplaceEdit()->setText("ring \\1");
        QVERIFY(dialog.ProblemLabel()->text().isEmpty());
        QTest::mouseClick(dialog.ReplaceAllButton(), Qt::LeftButton);
        QCOMPARE(dialog.ResultLabel()->text(), QString("2 replaced."));
        QVERIFY(program.written().contains("<Task>ring Anna</Task>"));
        QCOMPARE(program.textEditor().frame()->textEdit()->toPlainText(), QString("ring Bo"));
        QVERIFY(program.window().action(Command::Undo)->text().contains(QString::fromUtf8("→")));
        run(program, Command::Undo);
        QCOMPARE(program.written(), before);

        // Replace: the first press shows a match, the next replaces it and shows the next.
        dialog.RegularExpressionCheck()->setChecked(false);
        dialog.FindEdit()->setText("o");
        dialog.ReplaceEdit()->setText(" ");
        program.select("Home");
        QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
        QCOMPARE(program.currentCaption(), QString("Home"));
        QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
        QVERIFY(dialog.ResultLabel()->text().startsWith("1 skipped"));
        QCOMPARE(program.currentCaption(), QString("Garden"));
        QTest::mouseClick(dialog.ReplaceButton(), Qt::LeftButton);
        QVERIFY(program.written().contains("<Garden>r ses</Garden>"));
    }
};

QTEST_MAIN(FilterAndReplaceTest)
#include "tst_filter_and_replace.moc"
