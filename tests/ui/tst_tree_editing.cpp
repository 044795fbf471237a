// Reshaping the notes tree: inserting, deleting, renaming in place, and
// copying, cutting and pasting subtrees, each checked on the tree view and
// on the document as it would be written.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include "editors/Textframedocker.h"
#include "support/ProgramUnderTest.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                         "<Notes><Work>office<Task>call</Task><!--c--><Meeting/></Work><Home><Garden/></Home></Notes>\r\n";

void openNotes(ProgramUnderTest& program) {
    program.startAndOpen("Notes.XML", Notes);
    program.dialogs.clear();
}

// Selects the row and shows its details, without starting a label edit.
void select(ProgramUnderTest& program, const QString& caption) {
    QVERIFY2(program.shows(caption), qPrintable(caption));
    program.select(caption);
    program.window().TreeViewClick();
}

void run(ProgramUnderTest& program, const char* action) { program.window().Action(action)->trigger(); }

// The document as Save would write it, without its line breaks and indents.
QString written(ProgramUnderTest& program) {
    const corvantis::StringObject text = program.window().document().dom().serialize();
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
        QCOMPARE(program.childCaptions("Work"), workChildren);
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QCOMPARE(program.currentCaption(), QString("NewFolder"));
        QCOMPARE(program.currentNode()->parentNode(), program.nodeOf(action == "InsertUnderMnu" ? "Task" : "Work"));
        // Shown, also under a row that had no children when the tree was built.
        QVERIFY(!program.rectOf("NewFolder").isEmpty());
        QVERIFY(program.labelEditor());
        QCOMPARE(program.labelEditor()->text(), QString("NewFolder"));
        QVERIFY(program.window().DetailsChanged());
    }

    void besideTheTopElementOnlyUnderWorks() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "BeforeMnu");
        run(program, "AtEndPOPMnu");
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(program.childCaptions(program.topCaption()), QStringList{"Notes"});
        program.setExpanded("Work", false);
        run(program, "UnderPOPMnu");
        QCOMPARE(program.childCaptions("Notes"), QStringList({"Work", "Home", "NewFolder"}));
        QVERIFY(program.isExpanded("Work"));
        QVERIFY(written(program).endsWith("<NewFolder/></Notes>"));
    }

    void theDocumentNodeCannotBeChanged() {
        ProgramUnderTest program;
        openNotes(program);
        program.selectTop();
        const QString before = written(program);
        for (const char* action : {"BeforeMnu", "AtEndMnu", "UnderMnu", "DeletePOPMnu", "EditNodeNameMnu"})
            run(program, action);
        QVERIFY(!program.labelEditor());
        QVERIFY(!program.window().DetailsChanged());
        QCOMPARE(written(program), before);
    }

    void deletingRemovesTheWholeSubtree() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, "DeletePOPMnu");
        QVERIFY(!program.shows("Work") && !program.shows("Task") && !program.shows("Meeting"));
        QVERIFY(program.window().DetailsChanged());
        // The details follow the item the tree selected instead.
        QCOMPARE(program.window().CurrentNode(), program.currentNode());
        QVERIFY(program.window().SaveMnuClick());
        QVERIFY(!program.readFile("Notes.XML").contains("Task"));
        QVERIFY(program.readFile("Notes.XML").contains("<Home>"));
    }

    void deletingTheTopElementLeavesTheDocumentNodeAlone() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "DeletePOPMnu");
        QCOMPARE(program.shownCaptions(), QStringList{program.topCaption()});
        QVERIFY(!written(program).contains("Notes"));
    }

    void aFolderInsertedUnderGoesAfterTheTextTypedForItsTarget() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Home");
        program.type("h");
        run(program, "UnderMnu");
        QVERIFY2(written(program).contains("<Home>h<Garden/><NewFolder/></Home>"),
                 qPrintable(written(program)));
    }

    void deletingTheMarkedSubtreeDropsTheMark() {
        for (const char* deleted : {"Task", "Work"}) {
            ProgramUnderTest program;
            openNotes(program);
            select(program, "Task");
            run(program, "CutPOPMnu");
            select(program, deleted);
            run(program, "DeletePOPMnu");
            QCOMPARE(program.markedCaption(), QString());
            QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::None);
            // With nothing marked, Paste takes the copy Cut put on the clipboard.
            select(program, "Garden");
            run(program, "Under3");
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
            QVERIFY(program.shows(name));
            QVERIFY2(written(program).contains("<" + name + ">office"), qPrintable(written(program)));
            QVERIFY(program.window().DetailsChanged());
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
        run(program, "EditNodeNameMnu");
        confirmLabel(program, name);
        QVERIFY(program.dialogs.messages.isEmpty());
        QVERIFY(program.written().contains(bytes));
    }

    void theNewNameShowsInThePathsBelow() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Task");
        select(program, "Work");
        run(program, "EditNodeNameMnu");
        confirmLabel(program, "Job");
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Notes/Job"));
        program.click("Task");
        QCOMPARE(program.textEditor().TT()->PathLabel()->text(), QString("Notes/Job/Task"));
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
        run(program, "InsertAtEndMnu");
        confirmLabel(program, typed);
        QCOMPARE(program.dialogs.messages.size(), 1);
        QCOMPARE(program.dialogs.messages[0].text, QString("Not Valid Name"));
        QCOMPARE(program.dialogs.messages[0].caption, QString("Velmora"));
        QCOMPARE(program.childCaptions("Work"), QStringList({"Task", "Meeting", "NewFolder"}));
        QCOMPARE(program.currentCaption(), QString("NewFolder"));
        QVERIFY(written(program).contains("<NewFolder/>"));
        QVERIFY(program.window().DetailsChanged());
    }

    void cancellingTheEditChangesNothing() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Home");
        run(program, "EditNodeNameMnu");
        program.labelEditor()->setText("Garage");
        QTest::keyClick(program.labelEditor(), Qt::Key_Escape);
        QVERIFY(program.shows("Home"));
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void textTypedForTheCurrentNodeStaysWithIt() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type(" roses");
        program.select("Home");
        run(program, "EditNodeNameMnu");
        QCOMPARE(program.window().CurrentNode(), program.nodeOf("Home"));
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
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::Cut);
        select(program, target);
        run(program, qPrintable(action));
        QVERIFY2(written(program).contains(document), qPrintable(written(program)));
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::None);
        QCOMPARE(program.markedCaption(), QString());
        QVERIFY(program.isExpanded("Home") && !program.rectOf("Garden").isEmpty());
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
        QCOMPARE(program.markedCaption(), QString("Work"));
        select(program, "Garden");
        run(program, "PasteUnderMnu");
        QVERIFY(written(program).contains("<Garden><Work>office"));
    }

    void aCopyCanGoUnderItself() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Work");
        run(program, "Copy1");
        QCOMPARE(program.imagesOf("Work"), std::make_pair(4, 5));
        run(program, "Under3");
        QVERIFY2(written(program).contains("<Meeting/><Work>office<Task>call</Task><!--c--><Meeting/></Work></Work>"),
                 qPrintable(written(program)));
        // The rebuilt tree has no mark: every item shows the normal images.
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::None);
        QCOMPARE(program.imagesOf("Work"), std::make_pair(0, 2));
    }

    void theTopElementAndTheDocumentNodeCannotBeMarked() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "CopyPOPMnu");
        program.window().Button("SpeedButton5")->click();
        program.selectTop();
        run(program, "CutPOPMnu");
        QCOMPARE(program.markedCaption(), QString());
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
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::Copy);
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
        QCOMPARE(program.markedCaption(), QString("Home"));
        QCOMPARE(program.imagesOf("Home"), std::make_pair(6, 7));
        QCOMPARE(program.imagesOf("Task"), std::make_pair(0, 2));
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(program.window().SaveMnuClick());
        QCOMPARE(written(program), unchanged);
        const corvantis::StringObject text = program.window().document().dom().serialize();
        QCOMPARE(program.readFile("Notes.XML"), QByteArray(text.data(), static_cast<qsizetype>(text.length())));
        // Saving ended the cut.
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::None);
    }

    void onlyAnInsertBeforeKeepsACut() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Garden");
        run(program, "CutPOPMnu");
        select(program, "Task");
        run(program, "BeforeMnu");
        QTest::keyClick(program.labelEditor(), Qt::Key_Escape);
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::Cut);
        select(program, "Task");
        run(program, "UnderMnu");
        QCOMPARE(program.window().MarkMode(), TreeCommands::Mark::None);
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
        QTest::keyClick(program.window().TreeView(), Qt::Key_Delete);
        QVERIFY(!program.shows("Task"));
        QCOMPARE(program.window().Action("UndoMnu")->text(), QString("Undo Delete Folder 'Work'"));
        QTest::keySequence(program.window().TreeView(), QKeySequence("Ctrl+Z"));
        QCOMPARE(written(program), before);
        QCOMPARE(program.currentCaption(), QString("Work"));
        QCOMPARE(program.window().CurrentNode(), program.nodeOf("Work"));
        QVERIFY(!program.window().DetailsChanged());
        QTest::keySequence(program.window().TreeView(), QKeySequence("Ctrl+Y"));
        QVERIFY(!program.shows("Work"));
    }

    void aMovePasteAndItsUndo() {
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        select(program, "Task");
        run(program, "Cot1");
        select(program, "Garden");
        run(program, "Under3");
        QVERIFY(written(program).contains("<Garden><Task>call</Task></Garden>"));
        run(program, "UndoMnu");
        QCOMPARE(written(program), before);
        QCOMPARE(program.childCaptions("Work"), QStringList({"Task", "Meeting"}));
        run(program, "RedoMnu");
        QCOMPARE(program.childCaptions("Garden"), QStringList({"Task"}));
    }

    void undoingToTheSavedStateClosesWithoutAPrompt() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type("roses");
        run(program, "UndoMnu");  // the typing, as one step
        QCOMPARE(program.memo()->toPlainText(), QString());
        QVERIFY(!program.window().DetailsChanged());
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
        QVERIFY(!program.window().DetailsChanged());
        run(program, "RedoMnu");
        QCOMPARE(stored(), text.left(static_cast<qsizetype>(middle)) + "new " + text.mid(static_cast<qsizetype>(middle)));
        QCOMPARE(program.memo()->cursorPosition(), middle);
    }

    void newWithUnsavedChangesAsksFirst() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Home");
        run(program, "DeletePOPMnu");
        program.window().NewMnuClick();  // unanswered: Cancel
        QCOMPARE(program.dialogs.captions(), QStringList{"Details have changed"});
        QVERIFY(program.shows("Notes"));
        program.dialogs.answer(UserDialogs::Answer::No);
        program.window().NewMnuClick();
        QVERIFY(program.shows("NewDocument"));
        QVERIFY(!program.window().DetailsChanged());
        QVERIFY(!program.window().Action("UndoMnu")->isEnabled());
        // The file was never touched.
        QVERIFY(program.readFile("Notes.XML").contains("<Home>"));
    }

    void anEmptiedDocumentTakesANewTopElement() {
        ProgramUnderTest program;
        openNotes(program);
        select(program, "Notes");
        run(program, "DeletePOPMnu");
        program.selectTop();
        run(program, "UnderMnu");
        QCOMPARE(program.childCaptions(program.topCaption()), QStringList{"NewFolder"});
        run(program, "UnderMnu");  // not a second one
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
