// Reshaping the notes tree: inserting, deleting, renaming in place, and
// copying, cutting and pasting subtrees, each checked on the tree view and
// on the document as it would be written.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "editors/TextFrame.h"
#include "support/ProgramUnderTest.h"
#include "tree/DocumentTreeView.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task><!--c--><Meeting/></Work><Home><Garden/></Home></Notes>\r\n";

void openNotes(ProgramUnderTest& program) {
    program.startAndOpen("Notes.XML", Notes);
    program.dialogs.clear();
}

// Selects the row, without starting a label edit; the details follow it.
void select(ProgramUnderTest& program, const QString& caption) {
    QVERIFY2(program.shows(caption), qPrintable(caption));
    program.select(caption);
}

void run(ProgramUnderTest& program, Command command) { program.window().action(command)->trigger(); }

// The document as Save would write it, without its line breaks and indents.
QString written(ProgramUnderTest& program) {
    const corvantis::StringObject text = program.document().dom().serialize();
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.length()))
        .remove(QRegularExpression("\r\n *"));
}

void confirmLabel(ProgramUnderTest& program, const QString& typed) {
    QLineEdit* editor = program.labelEditor();
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
        QTest::addColumn<Command>("action");
        QTest::addColumn<QStringList>("workChildren");
        QTest::addColumn<QString>("document");
        QTest::newRow("before") << Command::AddBefore << QStringList{"NewFolder", "Task", "Meeting"}
                                << "<Work>office<NewFolder/><Task>";
        QTest::newRow("edit menu Delete") << Command::EditMenuDelete << QStringList{"NewFolder", "Task", "Meeting"}
                                          << "<Work>office<NewFolder/><Task>";
        QTest::newRow("at end") << Command::AddAtEnd << QStringList{"Task", "Meeting", "NewFolder"} << "<Meeting/><NewFolder/></Work>";
        QTest::newRow("under") << Command::AddUnder << QStringList{"Task", "Meeting"} << "<Task>call<NewFolder/></Task>";
    }
    void insertsNewFolderWhereAsked() {
        QFETCH(Command, action);
        QFETCH(QStringList, workChildren);
        QFETCH(QString, document);
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        run(program, action);
        QCOMPARE(program.childCaptions("Work"), workChildren);
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QCOMPARE(program.currentCaption(), QString("NewFolder"));
        QCOMPARE(program.currentNode()->parentNode(), program.nodeOf(action == Command::AddUnder ? "Task" : "Work"));
        // Shown, also under a row that had no children when the tree was built.
        QVERIFY(!program.rectOf("NewFolder").isEmpty());
        QVERIFY(program.labelEditor());
        QCOMPARE(program.labelEditor()->text(), QString("NewFolder"));
        QVERIFY(program.document().hasUnsavedChanges());
    }

    void besideTheTopElementOnlyUnderWorks() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, Command::AddBefore);
        run(program, Command::AddAtEnd);
        QVERIFY(!program.document().hasUnsavedChanges());
        QCOMPARE(program.childCaptions(program.topCaption()), QStringList{"Notes"});
        program.setExpanded("Work", false);
        run(program, Command::AddUnder);
        QCOMPARE(program.childCaptions("Notes"), QStringList({"Work", "Home", "NewFolder"}));
        QVERIFY(program.isExpanded("Work"));
        QVERIFY(written(program).endsWith("<NewFolder/></Notes>"));
    }

    void theDocumentNodeCannotBeChanged() {
        ProgramUnderTest program;
        openNotes(program);
        program.selectTop();
        const QString before = written(program);
        for (const Command action : {Command::AddBefore, Command::AddAtEnd, Command::AddUnder, Command::DeleteFolder, Command::EditNodeName})
            run(program, action);
        QVERIFY(!program.labelEditor());
        QVERIFY(!program.document().hasUnsavedChanges());
        QCOMPARE(written(program), before);
    }

    void deletingRemovesTheWholeSubtree() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, Command::DeleteFolder);
        QVERIFY(!program.shows("Work") && !program.shows("Task") && !program.shows("Meeting"));
        QVERIFY(program.document().hasUnsavedChanges());
        // The details follow the item the tree selected instead.
        QCOMPARE(program.window().selection().currentNode(), program.currentNode());
        QVERIFY(program.window().files().save());
        QVERIFY(!program.readFile("Notes.XML").contains("Task"));
        QVERIFY(program.readFile("Notes.XML").contains("<Home>"));
    }

    void deletingTheTopElementLeavesTheDocumentNodeAlone() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, Command::DeleteFolder);
        QCOMPARE(program.shownCaptions(), QStringList{program.topCaption()});
        QVERIFY(!written(program).contains("Notes"));
    }

    void aFolderInsertedUnderGoesAfterTheTextTypedForItsTarget() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Home");
        program.type("h");
        run(program, Command::AddUnder);
        QVERIFY2(written(program).contains("<Home>h<Garden/><NewFolder/></Home>"),
                 qPrintable(written(program)));
    }

    void deletingTheMarkedSubtreeDropsTheMark() {
        for (const char* deleted : {"Task", "Work"}) {
            ProgramUnderTest program;
            openNotes(program);
            select(program, "Task");
            run(program, Command::CutTree);
            select(program, deleted);
            run(program, Command::DeleteFolder);
            QCOMPARE(program.markedCaption(), QString());
            QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::None);
            // With nothing marked, Paste takes the copy Cut put on the clipboard.
            select(program, "Garden");
            run(program, Command::PasteUnder);
            QVERIFY(written(program).contains("<Garden><Task>call</Task></Garden>"));
        }
    }

    void textTypedForAnotherNodeSurvivesAnEdit() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type(" roses");
        // Moved away with the keyboard: no click stored the text yet.
        program.select("Meeting");
        run(program, Command::DeleteFolder);
        QVERIFY2(written(program).contains("<Garden> roses</Garden>"), qPrintable(written(program)));
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
            run(program, Command::EditNodeName);
            confirmLabel(program, name);
            QVERIFY(program.shows(name));
            QVERIFY2(written(program).contains("<" + name + ">office"), qPrintable(written(program)));
            QVERIFY(program.document().hasUnsavedChanges());
            QCOMPARE(program.dialogs.messages.size(), 0);
        }
    }

    // In the user's language: the letters of ISO-8859-1, or of any script in UTF-8.
    void aNameInTheUsersLanguageIsStoredInTheDocumentsEncoding_data() {
        QTest::addColumn<QByteArray>("declaration");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ISO-8859-1") << QByteArray("ISO-8859-1")
                                    << QString::fromUtf8(
                                           "K\xC3\xBC"
                                           "che")
                                    << QByteArray(
                                           "<K\xFC"
                                           "che/>");
        QTest::newRow("UTF-8") << QByteArray("UTF-8")
                               << QString::fromUtf8("\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F")
                               << QByteArray("<\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F/>");
    }
    void aNameInTheUsersLanguageIsStoredInTheDocumentsEncoding() {
        QFETCH(QByteArray, declaration);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        ProgramUnderTest program;
        program.startAndOpen(
            "Notes.XML", "<?xml version=\"1.0\" encoding=\"" + declaration + "\"?><Notes><Home/></Notes>");
        select(program, "Home");
        run(program, Command::EditNodeName);
        confirmLabel(program, name);
        QVERIFY(program.dialogs.messages.isEmpty());
        QVERIFY(program.written().contains(bytes));
    }

    void theNewNameShowsInThePathsBelow() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        select(program, "Work");
        run(program, Command::EditNodeName);
        confirmLabel(program, "Job");
        QCOMPARE(program.textEditor().frame()->pathLabel()->text(), QString("Notes/Job"));
        program.click("Task");
        QCOMPARE(program.textEditor().frame()->pathLabel()->text(), QString("Notes/Job/Task"));
    }

    void anInvalidNameIsRefusedAndTheLabelRestored_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("digit first") << "2day";
        QTest::newRow("space") << "two words";
        QTest::newRow("times sign") << QString::fromLatin1(
            "a\xD7"
            "b");
        QTest::newRow("not in the encoding") << QString::fromUtf8("\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F");
        QTest::newRow("empty") << "";
    }
    void anInvalidNameIsRefusedAndTheLabelRestored() {
        QFETCH(QString, typed);
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        run(program, Command::AddAtEnd);
        confirmLabel(program, typed);
        QCOMPARE(program.dialogs.messages.size(), 1);
        QCOMPARE(program.dialogs.messages[0].text, QString("Not Valid Name"));
        QCOMPARE(program.dialogs.messages[0].caption, QString("Velmora"));
        QCOMPARE(program.childCaptions("Work"), QStringList({"Task", "Meeting", "NewFolder"}));
        QCOMPARE(program.currentCaption(), QString("NewFolder"));
        QVERIFY(written(program).contains("<NewFolder/>"));
        QVERIFY(program.document().hasUnsavedChanges());
    }

    void cancellingTheEditChangesNothing() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Home");
        run(program, Command::EditNodeName);
        program.labelEditor()->setText("Garage");
        QTest::keyClick(program.labelEditor(), Qt::Key_Escape);
        QVERIFY(program.shows("Home"));
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void textTypedForTheCurrentNodeStaysWithIt() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type(" roses");
        program.select("Home");
        run(program, Command::EditNodeName);
        QCOMPARE(program.window().selection().currentNode(), program.nodeOf("Home"));
        confirmLabel(program, "House");
        QVERIFY2(written(program).contains("<House><Garden> roses</Garden></House>"), qPrintable(written(program)));
    }

    void aLongNameScrollsSidewaysInsteadOfShrinking() {
        ProgramUnderTest program;
        const QByteArray longName(200, 'L');
        program.startAndOpen("notes.xml", "<Notes>" + QByteArray("<Short/>").repeated(300) + "<" + longName + "/></Notes>");
        DocumentTreeView* tree = program.window().treeView();
        const auto shownWhole = [tree] {
            return tree->columnWidth(0) >= tree->sizeHintForIndex(tree->currentIndex()).width();
        };
        // Far below the rows first shown.
        program.select(longName);
        tree->scrollTo(tree->currentIndex());
        QVERIFY(shownWhole());
        QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
        // Renamed longer still.
        program.select("Short");
        run(program, Command::EditNodeName);
        confirmLabel(program, longName + "_and_more");
        QVERIFY(shownWhole());
    }
};

class CopyCutPaste : public QObject {
    Q_OBJECT
private slots:
    void cutAndPasteMovesTheSubtree_data() {
        QTest::addColumn<QString>("mark");
        QTest::addColumn<QString>("target");
        QTest::addColumn<Command>("action");
        QTest::addColumn<QString>("document");
        QTest::newRow("under elsewhere") << "Task" << "Garden" << Command::PasteUnder
                                         << "<Notes><Work>office<!--c--><Meeting/></Work><Home><Garden><Task>call</Task></Garden></Home></Notes>";
        QTest::newRow("before preceding sibling") << "Meeting" << "Task" << Command::PasteBefore
                                                  << "<Notes><Work>office<Meeting/><Task>call</Task><!--c--></Work>";
        QTest::newRow("at end beside a sibling") << "Task" << "Meeting" << Command::PasteAtEnd
                                                 << "<Notes><Work>office<!--c--><Meeting/><Task>call</Task></Work>";
    }
    void cutAndPasteMovesTheSubtree() {
        QFETCH(QString, mark);
        QFETCH(QString, target);
        QFETCH(Command, action);
        QFETCH(QString, document);
        ProgramUnderTest program;
        openNotes(program);
        select(program, mark);
        run(program, Command::Cut);
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::Cut);
        select(program, target);
        run(program, action);
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::None);
        QCOMPARE(program.markedCaption(), QString());
        QVERIFY(program.isExpanded("Home") && !program.rectOf("Garden").isEmpty());
        QVERIFY(program.document().hasUnsavedChanges());
    }

    void aCutCannotGoIntoItself() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, Command::CutTree);
        const QString before = written(program);
        for (const char* target : {"Work", "Task"}) {
            select(program, target);
            run(program, Command::PasteUnder);
            run(program, Command::PasteBefore);
        }
        QCOMPARE(program.dialogs.captions(), QStringList({"Paste Error", "Paste Error", "Paste Error", "Paste Error"}));
        QCOMPARE(program.dialogs.messages[0].text, QString("Can not PASTE into CUT tree"));
        QCOMPARE(written(program), before);
        QCOMPARE(program.markedCaption(), QString("Work"));
        select(program, "Garden");
        run(program, Command::PasteUnder);
        QVERIFY(written(program).contains("<Garden><Work>office"));
    }

    void aCopyCanGoUnderItself() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, Command::Copy);
        QCOMPARE(program.imagesOf("Work"), std::make_pair(4, 5));
        run(program, Command::PasteUnder);
        QVERIFY2(written(program).contains("<Meeting/><Work>office<Task>call</Task><!--c--><Meeting/></Work></Work>"),
                 qPrintable(written(program)));
        // The rebuilt tree has no mark: every item shows the normal images.
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::None);
        QCOMPARE(program.imagesOf("Work"), std::make_pair(0, 2));
    }

    void theTopElementAndTheDocumentNodeCannotBeMarked() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, Command::CopyTree);
        program.window().action(Command::Cut)->trigger();
        program.selectTop();
        run(program, Command::CutTree);
        QCOMPARE(program.markedCaption(), QString());
    }

    void besideTheTopElementOnlyPasteUnderWorks() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Garden");
        program.window().action(Command::Copy)->trigger();
        select(program, "Notes");
        run(program, Command::PasteBefore);
        run(program, Command::PasteAtEnd);
        QVERIFY(!program.document().hasUnsavedChanges());
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::Copy);
        run(program, Command::PasteUnder);
        QVERIFY(written(program).endsWith("<Garden/></Notes>"));
    }

    void marksChangeNothingSavedAndANewMarkReplacesTheOld() {
        ProgramUnderTest program;
        openNotes(program);
        const QString unchanged = written(program);
        select(program, "Task");
        run(program, Command::Copy);
        select(program, "Home");
        run(program, Command::Cut);
        QCOMPARE(program.markedCaption(), QString("Home"));
        QCOMPARE(program.imagesOf("Home"), std::make_pair(6, 7));
        QCOMPARE(program.imagesOf("Task"), std::make_pair(0, 2));
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(program.window().files().save());
        QCOMPARE(written(program), unchanged);
        // Nothing to save: the file is left exactly as it was.
        QCOMPARE(program.readFile("Notes.XML"), Notes);
        // Saving ended the cut.
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::None);
    }

    void onlyAnInsertBeforeKeepsACut() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Garden");
        run(program, Command::CutTree);
        select(program, "Task");
        run(program, Command::AddBefore);
        QTest::keyClick(program.labelEditor(), Qt::Key_Escape);
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::Cut);
        select(program, "Task");
        run(program, Command::AddUnder);
        QCOMPARE(program.window().treeView()->documentModel()->mark(), DocumentTreeModel::Mark::None);
    }
};

class UndoRedo : public QObject {
    Q_OBJECT
private slots:
    void deleteThenCtrlZRestoresTheSubtreeAndItsSelection() {
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        program.click("Work");
        QVERIFY(program.focusTree());
        QTest::keyClick(program.window().treeView(), Qt::Key_Delete);
        QVERIFY(!program.shows("Task"));
        QCOMPARE(program.window().action(Command::Undo)->text(), QString("&Undo Delete Folder 'Work'"));
        QTest::keySequence(program.window().treeView(), QKeySequence("Ctrl+Z"));
        QCOMPARE(written(program), before);
        QCOMPARE(program.currentCaption(), QString("Work"));
        QCOMPARE(program.window().selection().currentNode(), program.nodeOf("Work"));
        QVERIFY(!program.document().hasUnsavedChanges());
        QTest::keySequence(program.window().treeView(), QKeySequence("Ctrl+Y"));
        QVERIFY(!program.shows("Work"));
    }

    void aMovePasteAndItsUndo() {
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        select(program, "Task");
        run(program, Command::Cut);
        select(program, "Garden");
        run(program, Command::PasteUnder);
        QVERIFY(written(program).contains("<Garden><Task>call</Task></Garden>"));
        run(program, Command::Undo);
        QCOMPARE(written(program), before);
        QCOMPARE(program.childCaptions("Work"), QStringList({"Task", "Meeting"}));
        run(program, Command::Redo);
        QCOMPARE(program.childCaptions("Garden"), QStringList({"Task"}));
    }

    void undoingToTheSavedStateClosesWithoutAPrompt() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type("roses");
        run(program, Command::Undo);  // the typing, as one step
        QCOMPARE(program.memo()->toPlainText(), QString());
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(program.close());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void typingInALargeTextIsTakenBackAsOneStepWhereItWasTyped() {
        QByteArray text;
        for (int line = 0; text.size() < (3 << 20); ++line) text += "line " + QByteArray::number(line) + " of the notes\r\n";
        text += QByteArray(100000, 'x');
        ProgramUnderTest program;
        program.startAndOpen("Notes.XML", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes><Big>" + text +
                                              "</Big><Home/></Notes>\r\n");
        program.click("Big");
        const auto stored = [&program] { return QByteArray::fromStdString(std::string(program.nodeOf("Big")->getText(0).view())); };
        const std::size_t middle = static_cast<std::size_t>(text.indexOf("line 70000 "));
        program.memo()->setCursorPosition(middle);
        QTest::keyClicks(program.memo(), "new ");
        QTest::keyClick(program.memo(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stored(), text);
        QVERIFY(program.memo()->text().equals(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))));
        QCOMPARE(program.memo()->cursorPosition(), middle);
        QVERIFY(!program.document().hasUnsavedChanges());
        run(program, Command::Redo);
        QCOMPARE(stored(), text.left(static_cast<qsizetype>(middle)) + "new " + text.mid(static_cast<qsizetype>(middle)));
        QCOMPARE(program.memo()->cursorPosition(), middle);
    }

    void newWithUnsavedChangesAsksFirst() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Home");
        run(program, Command::DeleteFolder);
        program.window().files().newDocument();  // unanswered: Cancel
        QCOMPARE(program.dialogs.captions(), QStringList{"Details have changed"});
        QVERIFY(program.shows("Notes"));
        program.dialogs.answer(UserQuestions::Answer::No);
        program.window().files().newDocument();
        QVERIFY(program.shows("NewDocument"));
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(!program.window().action(Command::Undo)->isEnabled());
        // The file was never touched.
        QVERIFY(program.readFile("Notes.XML").contains("<Home>"));
    }

    void anEmptiedDocumentTakesANewTopElement() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, Command::DeleteFolder);
        program.selectTop();
        run(program, Command::AddUnder);
        QCOMPARE(program.childCaptions(program.topCaption()), QStringList{"NewFolder"});
        run(program, Command::AddUnder);  // not a second one
        QCOMPARE(program.childCaptions(program.topCaption()), QStringList{"NewFolder"});
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
    UndoRedo undoRedo;
    failures += QTest::qExec(&undoRedo, argc, argv);
    return failures;
}

#include "tst_tree_editing.moc"
