// Files stay what they are through the whole program: UTF-16 is saved back
// as UTF-16, a file that is no XML is opened with a warning and replaced only
// when the user says so, Insert From File brings in text in the document's
// encoding without a second declaration, the editors refuse what no XML
// file may hold, and a newly declared encoding is the one the file is saved in.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include "../document/Utf16Text.h"
#include "detail_editor_fixture.h"
#include "document/Autosave.h"
#include "editors/CommentsEditor.h"
#include "editors/ProcessingInstructionEditor.h"
#include "editors/SourceViewer.h"
#include "editors/NodeDetailsWindow.h"
#include "document/Commands.h"
#include "support/ProgramUnderTest.h"
#include "widgets/LargeTextEdit.h"

namespace {

// The writer's own layout, so an unchanged save gives the same text.
QString asWritten(const QByteArray& utf8) {
    corvantis::DOM dom("f");
    dom.parse(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    return QString::fromUtf8(bytes(dom.serialize()));
}

void saveViewerAs(ProgramUnderTest& program, const QString& name) {
    program.window().action(Command::ViewSource)->trigger();
    program.dialogs.chooseFile(program.pathOf(name));
    program.window().sourceViewer()->saveTextAs();
}

// Gives the declaration `data` in the processing-instruction editor of the
// top row.
void declare(ProgramUnderTest& program, const QString& data) {
    program.clickTop();
    whenOpened<ProcessingInstructionEditor>([data](ProcessingInstructionEditor* editor) {
        editor->targetField()->setText("xml");
        editor->valueField()->setPlainText(data);
        editor->updateEntry();
    });
    program.window().detailsWindow()->editInstructions();
}

const QByteArray Latin1Notes = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Notes><Home>caf\xE9</Home></Notes>";

}  // namespace

class FaithfulFiles : public QObject {
    Q_OBJECT
private slots:
    void typingKeepsEveryByteOfTheTextItDidNotTouch() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                          "<Notes><Home>one\ntwo\r\ncaf\xE9</Home></Notes>\r\n");
        program.click("Home");
        program.type("\nfour");
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("<Home>one\ntwo\r\ncaf\xE9\r\nfour</Home>"));
    }

    void utf16IsSavedBackAsUtf16_data() {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<bool>("mark");
        QTest::newRow("UTF-16LE with a mark") << false << true;
        QTest::newRow("UTF-16BE with a mark") << true << true;
        QTest::newRow("UTF-16LE") << false << false;
        QTest::newRow("UTF-16BE") << true << false;
    }

    void utf16IsSavedBackAsUtf16() {
        QFETCH(bool, bigEndian);
        QFETCH(bool, mark);
        const QString text = asWritten("<?xml version=\"1.0\" encoding=\"UTF-16\"?><Notes><Home>caf\xC3\xA9 \xE2\x82\xAC</Home></Notes>");
        const QByteArray file = utf16(text, bigEndian, mark);
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", file);
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), file);
        saveViewerAs(program, "Copy.XML");
        QCOMPARE(program.readFile("Copy.XML"), file);

        // Typed work kept for recovery comes back, and is saved, as UTF-16.
        program.autosave().setIntervals(10, 1000);
        QSignalSpy written(&program.autosave(), &Autosave::written);
        program.click("Home");
        program.type(QString::fromUtf8(" \xE2\x9C\x93"));
        QVERIFY(written.wait(5000));
        program.dialogs.choose(0);  // Restore
        program.restart();
        QVERIFY(program.window().files().save());
        QString edited = text;
        edited.replace(QString::fromUtf8("\xE2\x82\xAC"), QString::fromUtf8("\xE2\x82\xAC \xE2\x9C\x93"));
        QCOMPARE(program.readFile("Diary.XML"), utf16(edited, bigEndian, mark));
    }

    void aFileThatIsNoXmlIsReplacedOnlyWhenTheUserSaysSo_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("warned");
        QTest::newRow("program") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\0<a>", 14) << true;
        QTest::newRow("plain text") << QByteArray("milk, eggs\r\n") << true;
        QTest::newRow("broken UTF-16") << QByteArray("\xFF\xFE<\0a\0\x00\xDC", 8) << true;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void aFileThatIsNoXmlIsReplacedOnlyWhenTheUserSaysSo() {
        QFETCH(QByteArray, file);
        QFETCH(bool, warned);
        const QStringList warning = warned ? QStringList{NotXmlCaption} : QStringList();
        ProgramUnderTest program;
        program.startAndOpen("Data.XML", file);
        QCOMPARE(program.dialogs.captions(), warning);
        program.dialogs.clear();
        program.restart();  // the start-up load of the remembered file
        QCOMPARE(program.dialogs.captions(), warning);
        program.dialogs.clear();

        // A change to save: a comment under the document node.
        auto comment = std::make_unique<corvantis::DOMNode>(corvantis::COMMENT, nullptr);
        comment->setNodeValue("kept");
        corvantis::DOMNode* top = program.document().documentNode();
        QVERIFY(program.document().push(
            std::make_unique<PlaceSubtree>(program.document(), std::move(comment), corvantis::NodePlace{top, top->childCount()}, "comment")));
        if (warned) {
            // Unanswered, the question keeps the file; the first answer, No, is the default.
            QVERIFY(!program.window().files().save());
            QCOMPARE(program.dialogs.messages.value(0).answers.value(0), QString("No"));
            QCOMPARE(program.readFile("Data.XML"), file);
            program.dialogs.choose(1);  // Yes
        }
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Data.XML"), program.written());
        program.dialogs.clear();
        QVERIFY(program.window().files().save());
        QVERIFY(program.dialogs.messages.isEmpty());
    }

    void insertFromFileBringsTextInTheDocumentsEncodingAsOneStep() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Latin1Notes);
        const QByteArray latin1 = program.written();
        program.writeFile("Part.XML", utf16(QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                                              "<!DOCTYPE Part><Part>cr\xC3\xA8me</Part>"),
                                            false, true));
        program.writeFile("Euro.XML", "<Price><!--5 \xE2\x82\xAC--></Price>");  // no reference can stand there
        program.click("Home");
        program.dialogs.chooseFile(program.pathOf("Euro.XML"));
        program.window().action(Command::InsertFromFile)->trigger();
        program.dialogs.chooseFile(program.pathOf("Part.XML"));
        program.window().action(Command::InsertFromFile)->trigger();
        QCOMPARE(program.dialogs.captions(), QStringList{"Text Error"});
        QVERIFY(program.window().files().save());
        const QByteArray saved = program.readFile("Diary.XML");
        QCOMPARE(saved.count("<?xml"), 1);
        QVERIFY(!saved.contains("DOCTYPE"));
        QVERIFY2(saved.contains("<Part>cr\xE8me</Part>"), saved.constData());
        program.window().action(Command::Undo)->trigger();
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), latin1);
    }

    // The text frame and the details show what an XML reader reads; what is
    // typed is written so that it reads back as typed, and a reference the
    // file brought stays where the user did not touch it.
    void textIsShownAndTypedAsAnXmlReaderReadsIt() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                          "<!DOCTYPE Notes [<!ENTITY nbsp \"&#160;\">]>\r\n"
                                          "<Notes><Home a=\"&#x263A;&#9;&nbsp;\">Caf&#233; &#x263A; &amp;#65; &nbsp;!</Home></Notes>");
        program.window().action(Command::UseAsXmlEditor)->trigger();
        program.click("Home");
        QCOMPARE(program.memo()->toPlainText(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x98\xBA &#65; &nbsp;!"));
        QCOMPARE(program.window().detailsWindow()->attributesGrid()->cell(1, 0), QString::fromUtf8("\xE2\x98\xBA\t&nbsp;"));
        program.memo()->setCursorPosition(0);
        QTest::keyClicks(program.memo(), "&#66; ");
        program.type("&nbsp;");
        program.click("Notes");
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains(
            "<Home a=\"&#x263A;&#9;&nbsp;\">&amp;#66; Caf\xE9 &#x263A; &amp;#65; &nbsp;!&amp;nbsp;</Home>"));
    }

    void editorsRefuseWhatXmlDoesNotAllow() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Latin1Notes);
        program.dialogs.clear();
        program.window().action(Command::UseAsXmlEditor)->trigger();
        program.click("Home");
        whenOpened<CommentsEditor>([](CommentsEditor* editor) {
            editor->commentField()->setPlainText("milk -- eggs");
            editor->addNew();
        });
        program.window().detailsWindow()->editComments();
        whenOpened<ProcessingInstructionEditor>([](ProcessingInstructionEditor* editor) {
            editor->targetField()->setText("XmL");
            editor->valueField()->setPlainText("version=\"1.0\"");
            editor->updateEntry();
        });
        program.window().detailsWindow()->editInstructions();
        QCOMPARE(program.dialogs.captions(), QStringList({"No Update", "Target Error"}));
        QVERIFY(!program.document().hasUnsavedChanges());
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), Latin1Notes);
    }

    void aNewlyDeclaredEncodingIsTheOneTheFileIsSavedIn() {
        ProgramUnderTest program;
        program.startAndOpen("Diary.XML", Latin1Notes);
        const QByteArray latin1 = program.written();
        program.window().action(Command::UseAsXmlEditor)->trigger();
        declare(program, "version=\"1.0\" encoding=\"UTF-8\"");
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), QString::fromLatin1(latin1).replace("ISO-8859-1", "UTF-8").toUtf8());

        // What ISO-8859-1 cannot hold in a text it holds as a reference; in a
        // comment it keeps the document in UTF-8.
        program.click("Home");
        program.type(QString::fromUtf8(" \xE2\x82\xAC"));
        program.dialogs.clear();
        declare(program, "version=\"1.0\" encoding=\"ISO-8859-1\"");
        QVERIFY(program.dialogs.captions().isEmpty());
        QVERIFY(program.window().files().save());
        QVERIFY(program.readFile("Diary.XML").contains("caf\xE9 &#x20AC;</Home>"));
        program.click("Home");
        whenOpened<CommentsEditor>([](CommentsEditor* editor) {
            editor->commentField()->setPlainText(QString::fromUtf8("\xE2\x82\xAC"));
            editor->addNew();
        });
        program.window().detailsWindow()->editComments();
        QCOMPARE(program.dialogs.captions(), QStringList{"Text Error"});

        program.window().action(Command::Undo)->trigger();
        program.window().action(Command::Undo)->trigger();
        program.window().action(Command::Undo)->trigger();
        QVERIFY(program.window().files().save());
        QCOMPARE(program.readFile("Diary.XML"), latin1);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    FaithfulFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faithful_files.moc"
