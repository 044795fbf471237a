// Reshaping the notes tree: inserting, deleting, renaming in place, and
// copying, cutting and pasting subtrees, each checked on the tree view and
// on the document as it would be written.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "editing/Textframedocker.h"
#include "support/ProgramUnderTest.h"

using corvantis::DOMNode;

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task><!--c--><Meeting/></Work><Home><Garden/></Home></Notes>\r\n";

void openNotes(ProgramUnderTest& program) {
    program.startAndOpen("Notes.XML", Notes);
    program.dialogs.clear();
}

// Selects the item as a click does, without starting a label edit.
void select(ProgramUnderTest& program, const QString& caption) {
    QTreeWidgetItem* item = program.item(caption);
    QVERIFY2(item, qPrintable(caption));
    program.window().TreeView()->setCurrentItem(item);
    program.window().TreeViewClick();
}

void run(ProgramUnderTest& program, const char* action) { program.window().Action(action)->trigger(); }

// The document as Save would write it, without its line breaks and indents.
QString written(ProgramUnderTest& program) {
    const corvantis::StringObject text = program.window().Document().serialize();
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.length()))
        .remove(QRegularExpression("\r\n *"));
}

QStringList childCaptions(const QTreeWidgetItem* item) {
    QStringList captions;
    for (int i = 0; item && i < item->childCount(); ++i) captions << item->child(i)->text(0);
    return captions;
}

// The label editor the tree view has open, or null.
QLineEdit* labelEditor(ProgramUnderTest& program) {
    for (QLineEdit* edit : program.window().TreeView()->viewport()->findChildren<QLineEdit*>())
        if (edit->isVisible()) return edit;
    return nullptr;
}

void confirmLabel(ProgramUnderTest& program, const QString& typed) {
    QLineEdit* editor = labelEditor(program);
    QVERIFY(editor);
    editor->setText(typed);
    QTest::keyClick(editor, Qt::Key_Return);
    // The tree view takes the confirmed text once the editor is done with the key.
    QCoreApplication::processEvents();
}

}  // namespace

class InsertAndDelete : public QObject {
    Q_OBJECT
private slots:
    void insertsNewFolderWhereAsked_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("workChildren");
        QTest::addColumn<QString>("document");
        QTest::newRow("before") << "BeforePOPMnu" << QStringList{"NewFolder", "Task", "Meeting"}
                                << "<Work>office<NewFolder/><Task>";
        QTest::newRow("edit menu Delete") << "DeleteMnu" << QStringList{"NewFolder", "Task", "Meeting"}
                                          << "<Work>office<NewFolder/><Task>";
        QTest::newRow("at end") << "AtEndMnu" << QStringList{"Task", "Meeting", "NewFolder"} << "<Meeting/><NewFolder/></Work>";
        QTest::newRow("under") << "InsertUnderMnu" << QStringList{"Task", "Meeting"} << "<Task>call<NewFolder/></Task>";
    }
    void insertsNewFolderWhereAsked() {
        QFETCH(QString, action);
        QFETCH(QStringList, workChildren);
        QFETCH(QString, document);
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        run(program, qPrintable(action));
        QCOMPARE(childCaptions(program.item("Work")), workChildren);
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QTreeWidgetItem* added = program.window().TreeView()->currentItem();
        QCOMPARE(added->text(0), QString("NewFolder"));
        QVERIFY(added->parent()->isExpanded());
        // Shown, also under an item that had no children when the tree was built.
        QVERIFY(!program.window().TreeView()->visualItemRect(added).isEmpty());
        QVERIFY(labelEditor(program));
        QCOMPARE(labelEditor(program)->text(), QString("NewFolder"));
        QVERIFY(program.window().DetailsChanged());
    }

    void besideTheTopElementOnlyUnderWorks() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "BeforeMnu");
        run(program, "AtEndPOPMnu");
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(program.window().TreeView()->topLevelItem(0)->childCount(), 1);
        program.item("Work")->setExpanded(false);
        run(program, "UnderPOPMnu");
        QCOMPARE(childCaptions(program.item("Notes")), QStringList({"Work", "Home", "NewFolder"}));
        QVERIFY(program.item("Work")->isExpanded());
        QVERIFY(written(program).endsWith("<NewFolder/></Notes>"));
    }

    void theDocumentNodeCannotBeChanged() {
        ProgramUnderTest program;
        openNotes(program);
        program.window().TreeView()->setCurrentItem(program.window().TreeView()->topLevelItem(0));
        const QString before = written(program);
        for (const char* action : {"BeforeMnu", "AtEndMnu", "UnderMnu", "DeletePOPMnu", "EditNodeNameMnu"})
            run(program, action);
        QVERIFY(!labelEditor(program));
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(written(program), before);
    }

    void deletingRemovesTheWholeSubtree() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, "DeletePOPMnu");
        QVERIFY(!program.item("Work") && !program.item("Task") && !program.item("Meeting"));
        QVERIFY(program.window().DetailsChanged());
        // The details follow the item the tree selected instead.
        QCOMPARE(program.window().CurrentNode(), TVelmorant::NodeOf(program.window().TreeView()->currentItem()));
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(!program.readFile("Notes.XML").contains("Task"));
        QVERIFY(program.readFile("Notes.XML").contains("<Home>"));
    }

    void deletingTheTopElementLeavesTheDocumentNodeAlone() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "DeletePOPMnu");
        QCOMPARE(program.window().TreeView()->topLevelItemCount(), 1);
        QCOMPARE(program.window().TreeView()->topLevelItem(0)->childCount(), 0);
        QVERIFY(!written(program).contains("Notes"));
    }

    void deletingTheMarkedSubtreeDropsTheMark() {
        for (const char* deleted : {"Task", "Work"}) {
            ProgramUnderTest program;
            openNotes(program);
            select(program, "Task");
            run(program, "CutPOPMnu");
            select(program, deleted);
            run(program, "DeletePOPMnu");
            QCOMPARE(program.window().MarkedItem(), nullptr);
            QCOMPARE(program.window().MarkMode(), 0);
            select(program, "Garden");
            const QString before = written(program);
            run(program, "Under3");
            QCOMPARE(written(program), before);
        }
    }

    void textTypedForAnotherNodeSurvivesAnEdit() {
        ProgramUnderTest program;
        openNotes(program);
        program.click(program.item("Garden"));
        program.type(" roses");
        // Moved away with the keyboard: no click stored the text yet.
        program.window().TreeView()->setCurrentItem(program.item("Meeting"));
        run(program, "DeletePOPMnu");
        QVERIFY2(written(program).contains("<Garden> roses</Garden>"), qPrintable(written(program)));
    }

    void toolButtonsPopUpTheirMenusBesideTheWindow() {
        ProgramUnderTest program;
        openNotes(program);
        program.window().Button("SpeedButton1")->click();
        QVERIFY(program.window().InsertPopMenu()->isVisible());
        QCOMPARE(program.window().InsertPopMenu()->pos(), program.window().pos() + QPoint(50, 80));
        program.window().InsertPopMenu()->hide();
        program.window().Button("PasteButton")->click();
        QVERIFY(program.window().PastePopup()->isVisible());
        QCOMPARE(program.window().PastePopup()->pos(), program.window().pos() + QPoint(100, 80));
        program.window().PastePopup()->hide();
    }
};

class Rename : public QObject {
    Q_OBJECT
private slots:
    void aValidNameIsStoredAsTyped() {
        for (const QString name : {"Meeting_2", "a:b"}) {
            ProgramUnderTest program;
            openNotes(program);
            select(program, "Work");
            run(program, "EditNodeNamePOPMnu");
            confirmLabel(program, name);
            QVERIFY(program.item(name));
            QVERIFY2(written(program).contains("<" + name + ">office"), qPrintable(written(program)));
            QVERIFY(program.window().DetailsChanged());
            QCOMPARE(program.dialogs.messages.size(), 0);
        }
    }

    void theNewNameShowsInThePathsBelow() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        select(program, "Work");
        run(program, "EditNodeNameMnu");
        confirmLabel(program, "Job");
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Notes/Job"));
        program.click(program.item("Task"));
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Notes/Job/Task"));
    }

    void anInvalidNameIsRefusedAndTheLabelRestored_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("digit first") << "2day";
        QTest::newRow("space") << "two words";
        QTest::newRow("accented") << QString::fromLatin1("caf\xE9");
        QTest::newRow("empty") << "";
    }
    void anInvalidNameIsRefusedAndTheLabelRestored() {
        QFETCH(QString, typed);
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        run(program, "InsertAtEndMnu");
        confirmLabel(program, typed);
        QCOMPARE(program.dialogs.messages.size(), 1);
        QCOMPARE(program.dialogs.messages[0].text, QString("Not Valid Name"));
        QCOMPARE(program.dialogs.messages[0].caption, QString("Velmora"));
        QCOMPARE(childCaptions(program.item("Work")), QStringList({"Task", "Meeting", "NewFolder"}));
        QCOMPARE(program.window().TreeView()->currentItem(), program.item("NewFolder"));
        QVERIFY(written(program).contains("<NewFolder/>"));
        QVERIFY(program.window().DetailsChanged());
    }

    void cancellingTheEditChangesNothing() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Home");
        run(program, "EditNodeNameMnu");
        labelEditor(program)->setText("Garage");
        QTest::keyClick(labelEditor(program), Qt::Key_Escape);
        QVERIFY(program.item("Home"));
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void textTypedForTheCurrentNodeStaysWithIt() {
        ProgramUnderTest program;
        openNotes(program);
        program.click(program.item("Garden"));
        program.type(" roses");
        program.window().TreeView()->setCurrentItem(program.item("Home"));
        run(program, "EditNodeNameMnu");
        QCOMPARE(program.window().CurrentNode(), TVelmorant::NodeOf(program.item("Home")));
        confirmLabel(program, "House");
        QVERIFY2(written(program).contains("<House><Garden> roses</Garden></House>"), qPrintable(written(program)));
    }
};

class CopyCutPaste : public QObject {
    Q_OBJECT
private slots:
    void cutAndPasteMovesTheSubtree_data() {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("document");
        QTest::newRow("under elsewhere") << "Task" << "Garden" << "Under3"
                                         << "<Notes><Work>office<!--c--><Meeting/></Work><Home><Garden><Task>call</Task></Garden></Home></Notes>";
        QTest::newRow("before preceding sibling") << "Meeting" << "Task" << "Before2"
                                                  << "<Notes><Work>office<Meeting/><Task>call</Task><!--c--></Work>";
        QTest::newRow("at end beside a sibling") << "Task" << "Meeting" << "PasteAtEndMnu"
                                                 << "<Notes><Work>office<!--c--><Meeting/><Task>call</Task></Work>";
    }
    void cutAndPasteMovesTheSubtree() {
        QFETCH(QString, mark);
        QFETCH(QString, target);
        QFETCH(QString, action);
        QFETCH(QString, document);
        ProgramUnderTest program;
        openNotes(program);
        select(program, mark);
        run(program, "Cot1");
        QCOMPARE(program.window().MarkMode(), 4);
        select(program, target);
        run(program, qPrintable(action));
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QCOMPARE(program.window().MarkMode(), 0);
        QCOMPARE(program.window().MarkedItem(), nullptr);
        QVERIFY(program.item("Garden")->parent()->isExpanded());
        QVERIFY(program.window().DetailsChanged());
    }

    void aCutCannotGoIntoItself() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, "CutPOPMnu");
        const QString before = written(program);
        for (const char* target : {"Work", "Task"}) {
            select(program, target);
            run(program, "Under2");
            run(program, "Before3");
        }
        QCOMPARE(program.dialogs.captions(), QStringList({"Paste Error", "Paste Error", "Paste Error", "Paste Error"}));
        QCOMPARE(program.dialogs.messages[0].text, QString("Can not PASTE into CUT tree"));
        QCOMPARE(written(program), before);
        QCOMPARE(program.window().MarkedItem(), program.item("Work"));
        select(program, "Garden");
        run(program, "PasteUnderMnu");
        QVERIFY(written(program).contains("<Garden><Work>office"));
    }

    void aCopyCanGoUnderItself() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, "Copy1");
        QCOMPARE(program.window().TreeViewGetImageIndex(program.item("Work")), std::make_pair(4, 5));
        run(program, "Under3");
        QVERIFY2(written(program).contains("<Meeting/><Work>office<Task>call</Task><!--c--><Meeting/></Work></Work>"),
                 qPrintable(written(program)));
        // The rebuilt tree has no mark: every item shows the normal images.
        QCOMPARE(program.window().MarkMode(), 0);
        QCOMPARE(program.window().TreeViewGetImageIndex(program.item("Work")), std::make_pair(0, 2));
    }

    void theTopElementAndTheDocumentNodeCannotBeMarked() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "CopyPOPMnu");
        program.window().Button("SpeedButton5")->click();
        program.window().TreeView()->setCurrentItem(program.window().TreeView()->topLevelItem(0));
        run(program, "CutPOPMnu");
        QCOMPARE(program.window().MarkedItem(), nullptr);
    }

    void besideTheTopElementOnlyPasteUnderWorks() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Garden");
        program.window().Button("SpeedButton4")->click();
        select(program, "Notes");
        run(program, "Before2");
        run(program, "AtEnd3");
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(program.window().MarkMode(), 5);
        run(program, "Under2");
        QVERIFY(written(program).endsWith("<Garden/></Notes>"));
    }

    void marksChangeNothingSavedAndANewMarkReplacesTheOld() {
        ProgramUnderTest program;
        openNotes(program);
        const QString unchanged = written(program);
        select(program, "Task");
        run(program, "Copy1");
        select(program, "Home");
        run(program, "Cot1");
        QCOMPARE(program.window().MarkedItem(), program.item("Home"));
        QCOMPARE(program.window().TreeViewGetImageIndex(program.item("Home")), std::make_pair(6, 7));
        QCOMPARE(program.window().TreeViewGetImageIndex(program.item("Task")), std::make_pair(0, 2));
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(program.window().SaveMnuClick());
        QCOMPARE(written(program), unchanged);
        const corvantis::StringObject text = program.window().Document().serialize();
        QCOMPARE(program.readFile("Notes.XML"), QByteArray(text.data(), static_cast<qsizetype>(text.length())));
        // Saving ended the cut.
        QCOMPARE(program.window().MarkMode(), 0);
    }

    void onlyAnInsertBeforeKeepsACut() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Garden");
        run(program, "CutPOPMnu");
        select(program, "Task");
        run(program, "BeforeMnu");
        QTest::keyClick(labelEditor(program), Qt::Key_Escape);
        QCOMPARE(program.window().MarkMode(), 4);
        select(program, "Task");
        run(program, "UnderMnu");
        QCOMPARE(program.window().MarkMode(), 0);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    InsertAndDelete insertAndDelete;
    failures += QTest::qExec(&insertAndDelete, argc, argv);
    Rename rename;
    failures += QTest::qExec(&rename, argc, argv);
    CopyCutPaste copyCutPaste;
    failures += QTest::qExec(&copyCutPaste, argc, argv);
    return failures;
}

#include "tst_tree_editing.moc"
