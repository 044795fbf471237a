// Finding folders, moving them up and down, dragging and dropping them,
// the system clipboard and the recent files, each checked on the document
// as it would be written and on its undo; and one session end to end.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>

#include "document/DocumentSearch.h"
#include "support/ProgramUnderTest.h"
#include "tree/FindBar.h"
#include "tree/XmlClipboard.h"
#include "widgets/DragRunner.h"
#include "widgets/LargeTextEdit.h"

namespace {

const QByteArray Notes =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
    "<Notes><Work>office<Task>call Anna</Task><!--c--><?p q?><Meeting>call Bo</Meeting></Work>"
    "<Home><Garden>roses</Garden></Home></Notes>\r\n";

void openNotes(ProgramUnderTest& program, const QByteArray& bytes = Notes) {
    program.startAndOpen("Notes.XML", bytes);
    program.dialogs.clear();
}

void run(ProgramUnderTest& program, Command command) { program.window().action(command)->trigger(); }

// The document as Save would write it, without its line breaks and indents.
QString written(ProgramUnderTest& program) {
    return QString::fromLatin1(program.written()).remove(QRegularExpression("\r\n *"));
}

FindBar& bar(ProgramUnderTest& program) { return *program.window().findBar(); }

// Types the query into the find bar and lets the search finish.
void findText(ProgramUnderTest& program, const QString& text) {
    QLineEdit* edit = bar(program).FindEdit();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTRY_VERIFY(bar(program).search().isFinished());
    QCoreApplication::processEvents();
}

QString memoSelection(ProgramUnderTest& program) { return program.memo()->selectedText(); }

// Stands in for the desktop's drag loop: moves over the target row at
// `zone` (its upper quarter, middle or lower quarter) and drops there.
class DropScript {
public:
    enum Zone { Top, Middle, Bottom };

    explicit DropScript(ProgramUnderTest& program) : program_(program) {
        setDragRunner([this](QDrag* drag, Qt::DropActions) { return play(drag); });
    }
    ~DropScript() { setDragRunner(nullptr); }

    // Drags `source` with the mouse and drops it on `target`; an empty
    // target ends the drag outside the tree.
    void drag(const QString& source, const QString& target, Zone zone,
              Qt::KeyboardModifiers keys = Qt::NoModifier) {
        target_ = target;
        zone_ = zone;
        keys_ = keys;
        started = false;
        QWidget* viewport = program_.window().treeView()->viewport();
        const QPoint from = program_.rectOf(source).center() + QPoint(20, 0);
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
        // The view takes a first move as the start of a drag, and starts it past the drag distance.
        const QPoint to = from + QPoint(0, 3 * QApplication::startDragDistance());
        for (const QPoint at : {from + QPoint(0, 1), to}) {
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
    }

    bool started = false;
    // Where the view said the folder would go while it was over the target.
    DocumentTreeView::DropPlace shown;

private:
    Qt::DropAction play(QDrag* drag) {
        started = true;
        if (target_.isEmpty()) return Qt::IgnoreAction;
        DocumentTreeView* tree = program_.window().treeView();
        const QRect row = program_.rectOf(target_);
        const int y = zone_ == Top ? row.top() + 1 : zone_ == Bottom ? row.bottom() - 1 : row.center().y();
        const QPointF at(row.left() + 60, y);
        const Qt::DropAction proposed = keys_.testFlag(Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, drag->mimeData(), Qt::LeftButton,
                              keys_);
        QCoreApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::MoveAction | Qt::CopyAction, drag->mimeData(), Qt::LeftButton,
                            keys_);
        QCoreApplication::sendEvent(tree->viewport(), &move);
        shown = tree->dropPlace();
        QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, drag->mimeData(), Qt::LeftButton, keys_);
        drop.setDropAction(proposed);
        QCoreApplication::sendEvent(tree->viewport(), &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    ProgramUnderTest& program_;
    QString target_;
    Zone zone_ = Middle;
    Qt::KeyboardModifiers keys_;
};

void setClipboard(const char* format, const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(format, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace

class Finding : public QObject {
    Q_OBJECT
private slots:
    void findGoesThroughTheMatchesInOrderAndWrapsWithANote() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Notes");
        run(program, Command::Find);
        QVERIFY(bar(program).isVisible());
        findText(program, "CALL");
        // As it is typed: the first match from the selected folder on, its text selected in the frame.
        QCOMPARE(program.currentCaption(), QString("Task"));
        QCOMPARE(memoSelection(program), QString("call"));
        QCOMPARE(bar(program).CountLabel()->text(), QString("1 of 2"));
        QTest::keyClick(bar(program).FindEdit(), Qt::Key_Return);
        QCOMPARE(program.currentCaption(), QString("Meeting"));
        QCOMPARE(bar(program).CountLabel()->text(), QString("2 of 2"));
        QVERIFY(program.window().statusBar()->currentMessage().isEmpty());
        run(program, Command::FindNext);
        QCOMPARE(program.currentCaption(), QString("Task"));
        QVERIFY(program.window().statusBar()->currentMessage().contains("continued from the top"));
        QTest::keyClick(bar(program).FindEdit(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(program.currentCaption(), QString("Meeting"));
        QVERIFY(program.window().statusBar()->currentMessage().contains("continued from the end"));
        // Whole words and case; a change of option searches again.
        findText(program, "Bo");
        QCOMPARE(bar(program).CountLabel()->text(), QString("1 of 1"));
        bar(program).MatchCaseCheck()->setChecked(true);
        findText(program, "bo");
        QCOMPARE(bar(program).CountLabel()->text(), QString("0 of 0"));
        // The find bar hides nothing and changes nothing: the file stays as it was.
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Notes.XML"), Notes);
        QVERIFY(written(program).contains("<Home><Garden>roses</Garden></Home>"));
    }

    void aMatchInAFoldedFolderIsShownAndEscapeReturnsToTheTree() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Notes");
        program.setExpanded("Home", false);
        QVERIFY(!program.shows("Garden"));
        QVERIFY(program.focusTree());
        QTest::keyClick(program.window().treeView(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), bar(program).FindEdit());
        findText(program, "ROSE");
        QCOMPARE(program.currentCaption(), QString("Garden"));
        QCOMPARE(memoSelection(program), QString("rose"));
        QTest::keyClick(bar(program).FindEdit(), Qt::Key_Escape);
        QVERIFY(bar(program).isHidden());
        QCOMPARE(QApplication::focusWidget(), program.window().treeView());
    }

    // A match in a text with references is selected where the frame shows it.
    void aMatchIsFoundAndSelectedInTheCharactersShown() {
        ProgramUnderTest program;
        openNotes(program, "<!DOCTYPE Notes [<!ENTITY nbsp \"&#160;\">]><Notes><Garden>a&nbsp;\r\nCaf&#233;s</Garden></Notes>");
        program.click("Notes");
        run(program, Command::Find);
        findText(program, QString::fromUtf8("CAF\xC3\x89"));
        QCOMPARE(program.currentCaption(), QString("Garden"));
        QCOMPARE(memoSelection(program), QString::fromUtf8("Caf\xC3\xA9"));
        findText(program, "a&nbsp;");
        QCOMPARE(memoSelection(program), QString("a&nbsp;"));
    }

    void aMatchAfterLettersBeyondAsciiIsSelectedExactly() {
        ProgramUnderTest program;
        openNotes(program, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                           "<Notes><Home>caf\xE9 cr\xE8me\r\nroses</Home></Notes>\r\n");
        program.click("Notes");
        run(program, Command::Find);
        findText(program, "ROSE");
        QCOMPARE(memoSelection(program), QString("rose"));
    }

    void textTypedForAFolderGoesInBeforeTheSearchMovesOn() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Garden");
        program.type(" and call");
        run(program, Command::Find);
        findText(program, "call");
        QCOMPARE(bar(program).CountLabel()->text(), QString("3 of 3"));
        QVERIFY(written(program).contains("<Garden>roses and call</Garden>"));
    }
};

class MovingFolders : public QObject {
    Q_OBJECT
private slots:
    void moveUpAndDownSwapElementSiblingsOnly_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<Command>("action");
        QTest::addColumn<QString>("expected");  // empty: refused, nothing changes
        const QString swapped =
            "<Work>office<Meeting>call Bo</Meeting><!--c--><?p q?><Task>call Anna</Task></Work>";
        QTest::newRow("up past a comment") << "Meeting"
                                           << Command::MoveUp << swapped;
        QTest::newRow("down from the pop-up menu") << "Task"
                                                   << Command::MoveDown << swapped;
        QTest::newRow("up at the top") << "Home"
                                       << Command::MoveUp
                                       << "<Notes><Home><Garden>roses</Garden></Home><Work>";
        QTest::newRow("first") << "Task"
                               << Command::MoveUp << QString();
        QTest::newRow("last") << "Meeting"
                              << Command::MoveDown << QString();
        QTest::newRow("top element") << "Notes"
                                     << Command::MoveDown << QString();
    }
    void moveUpAndDownSwapElementSiblingsOnly() {
        QFETCH(QString, folder);
        QFETCH(Command, action);
        QFETCH(QString, expected);
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        program.click(folder);
        run(program, action);
        if (expected.isEmpty()) {
            QCOMPARE(written(program), before);
            QVERIFY(!program.document().history().canUndo());
            return;
        }
        QVERIFY2(written(program).contains(expected), qPrintable(written(program)));
        QCOMPARE(program.currentCaption(), folder);
        program.document().undo();
        QCOMPARE(written(program), before);
    }

    void aFoldedFolderStaysFoldedAsItMoves() {
        ProgramUnderTest program;
        openNotes(program);
        program.setExpanded("Work", false);
        program.click("Home");
        QVERIFY(program.focusTree());
        QTest::keyClick(program.window().treeView(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(program.childCaptions("Notes"), QStringList({"Home", "Work"}));
        QVERIFY(!program.isExpanded("Work"));
        QVERIFY(program.isExpanded("Home"));
    }

    void aDroppedFolderGoesBeforeAfterOrOntoTheTarget_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("zone");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<int>("shownPosition");
        QTest::addColumn<QString>("expected");
        QTest::newRow("before") << "Meeting"
                                << "Task" << int(DropScript::Top) << false << int(corvantis::Before)
                                << "<Work>office<Meeting>call Bo</Meeting><Task>call Anna</Task><!--c-->";
        QTest::newRow("after") << "Task"
                               << "Meeting" << int(DropScript::Bottom) << false << int(corvantis::After)
                               << "<?p q?><Meeting>call Bo</Meeting><Task>call Anna</Task></Work>";
        QTest::newRow("onto") << "Task"
                              << "Garden" << int(DropScript::Middle) << false << int(corvantis::Under)
                              << "<Garden>roses<Task>call Anna</Task></Garden>";
        // The lower edge of an open folder is the place before its first child.
        QTest::newRow("below an open folder")
            << "Garden"
            << "Work" << int(DropScript::Bottom) << false << int(corvantis::Before)
            << "<Work>office<Garden>roses</Garden><Task>";
        QTest::newRow("copy with Ctrl") << "Task"
                                        << "Garden" << int(DropScript::Middle) << true
                                        << int(corvantis::Under) << "<Task>call Anna</Task><!--c-->";
    }
    void aDroppedFolderGoesBeforeAfterOrOntoTheTarget() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(int, zone);
        QFETCH(bool, copy);
        QFETCH(int, shownPosition);
        QFETCH(QString, expected);
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        DropScript script(program);
        program.click(source);
        script.drag(source, target, DropScript::Zone(zone), copy ? Qt::ControlModifier : Qt::NoModifier);
        QVERIFY(script.started);
        QCOMPARE(int(script.shown.position), shownPosition);
        QVERIFY2(written(program).contains(expected), qPrintable(written(program)));
        if (copy) QVERIFY(written(program).contains("<Garden>roses<Task>call Anna</Task></Garden>"));
        QCOMPARE(program.document().history().count(), 1);
        program.document().undo();
        QCOMPARE(written(program), before);
    }

    void dropsTheRulesRefuseChangeNothing() {
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        DropScript script(program);
        program.click("Work");
        script.drag("Work", "Task", DropScript::Middle);  // into its own subtree
        QVERIFY(!script.shown.row.isValid());
        program.click("Home");
        script.drag("Home", "Notes", DropScript::Top);  // beside the top element
        script.drag("Home", "", DropScript::Middle);    // ended outside the tree
        program.click("Garden");
        script.drag("Garden", "Home", DropScript::Middle);  // where it already is
        program.click("Notes");
        script.drag("Notes", "Home", DropScript::Middle);  // the top element stays
        QVERIFY(!script.started);
        QCOMPARE(written(program), before);
        QVERIFY(!program.document().history().canUndo());
    }
};

class SystemClipboard : public QObject {
    Q_OBJECT
private slots:
    void copyAndCutPutTheFoldersXmlOnTheClipboard() {
        ProgramUnderTest program;
        openNotes(program,
                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Notes><K\xFC"
                  "che>x &amp; y</K\xFC"
                  "che></Notes>");
        program.click(
            QString::fromLatin1("K\xFC"
                                "che"));
        run(program, Command::Copy);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->data("application/xml"), QByteArray("<K\xC3\xBC"
                                                           "che>x &amp; y</K\xC3\xBC"
                                                           "che>"));
        QCOMPARE(data->text(), QString::fromUtf8("<K\xC3\xBC"
                                                 "che>x &amp; y</K\xC3\xBC"
                                                 "che>"));
    }

    void pasteWithNothingMarkedTakesTheClipboardsXml_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("clipboard");
        QTest::addColumn<Command>("action");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text, declaration left out")
            << QByteArray("text/plain") << QByteArray("<?xml version=\"1.0\"?>\n<Caf\xC3\xA9>x</Caf\xC3\xA9>")
            << Command::PasteUnder << QString::fromLatin1("<Garden>roses<Caf\xE9>x</Caf\xE9></Garden>");
        QTest::newRow("XML in its declared encoding")
            << QByteArray("application/xml")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><\xC9t\xE9/><!--n-->") << Command::PasteBefore
            << QString::fromLatin1("<Home><\xC9t\xE9/><!--n--><Garden>");
        QTest::newRow("from another window, at the end")
            << QByteArray("application/xml") << QByteArray("<Clip a=\"1\"><In/></Clip>") << Command::PasteAtEnd
            << "</Work><Home><Garden>roses</Garden><Clip a=\"1\"><In/></Clip></Home>";
    }
    void pasteWithNothingMarkedTakesTheClipboardsXml() {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, clipboard);
        QFETCH(Command, action);
        QFETCH(QString, expected);
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        setClipboard(format, clipboard);
        program.click("Garden");
        run(program, action);
        QVERIFY2(written(program).contains(expected), qPrintable(written(program)));
        QVERIFY(program.dialogs.messages.isEmpty());
        program.document().undo();
        QCOMPARE(written(program), before);
    }

    void clipboardTextThatCannotBePastedChangesNothing() {
        ProgramUnderTest program;
        openNotes(program);
        const QString before = written(program);
        program.click("Garden");
        setClipboard("text/plain", "<K\xE2\x82\xAC/>");  // the euro sign is not ISO-8859-1
        run(program, Command::PasteUnder);
        setClipboard("application/xml", QByteArray(ClipboardLimit + 1, ' '));
        run(program, Command::PasteUnder);
        QCOMPARE(program.dialogs.captions(), QStringList({"Text Error", "Paste Error"}));
        QCOMPARE(written(program), before);
    }
};

class Recent : public QObject {
    Q_OBJECT
private slots:
    void theLastEightDocumentsAreListedAndAGoneOneIsTakenOff() {
        ProgramUnderTest program;
        program.start();
        for (int i = 1; i <= 9; ++i) {
            const QString name = QString("n%1.XML").arg(i);
            program.writeFile(name, QString("<N%1/>").arg(i).toLatin1());
            program.dialogs.chooseFile(program.pathOf(name));
            run(program, Command::Open);
        }
        program.restart();
        QMenu* recent = program.window().menu(Menu::Recent);
        QCOMPARE(recent->actions().size(), 8);
        QVERIFY(recent->actions().first()->text().endsWith("/n9.XML"));
        QVERIFY(recent->actions().last()->text().endsWith("/n2.XML"));
        // Chosen again, a file goes first.
        recent->actions().at(2)->trigger();
        QCOMPARE(program.topCaption(), program.pathOf("n7.XML"));
        QVERIFY(recent->actions().first()->text().endsWith("/n7.XML"));
        QFile::remove(program.pathOf("n8.XML"));
        recent->actions().at(2)->trigger();
        QCOMPARE(program.dialogs.captions(), QStringList({"File Error"}));
        QCOMPARE(program.topCaption(), program.pathOf("n7.XML"));
        QCOMPARE(recent->actions().size(), 7);
    }

    void aPathIsShownAsItIs() {
        ProgramUnderTest program;
        program.startAndOpen("R&D %1.XML", "<N/>");
        QVERIFY(program.window().menu(Menu::Recent)->actions().first()->iconText().endsWith("/R&D %1.XML"));
    }
};

class EndToEnd : public QObject {
    Q_OBJECT
private slots:
    // Find a folder by a word of its text, move it up, save, open again.
    void findMoveUpSaveAndReopen() {
        ProgramUnderTest program;
        openNotes(program);
        program.click("Notes");
        QVERIFY(program.focusTree());
        QTest::keyClick(program.window().treeView(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "bo");
        QTRY_COMPARE(program.currentCaption(), QString("Meeting"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(program.window().treeView(), Qt::Key_Up, Qt::AltModifier);
        QTest::keyClick(program.window().treeView(), Qt::Key_S, Qt::ControlModifier);
        program.restart();
        QCOMPARE(program.childCaptions("Work"), QStringList({"Meeting", "Task"}));
        QVERIFY(program.readFile("Notes.XML").contains("<Work>office<Meeting>call Bo</Meeting>"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    Finding finding;
    failures += QTest::qExec(&finding, argc, argv);
    MovingFolders moving;
    failures += QTest::qExec(&moving, argc, argv);
    SystemClipboard clipboard;
    failures += QTest::qExec(&clipboard, argc, argv);
    Recent recent;
    failures += QTest::qExec(&recent, argc, argv);
    EndToEnd endToEnd;
    failures += QTest::qExec(&endToEnd, argc, argv);
    return failures;
}

#include "tst_find_and_arrange.moc"
