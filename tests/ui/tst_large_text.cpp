// The field made for large text, as the text frame and the source viewer
// use it: the bytes it holds and gives back, the blocks long lines are cut
// into, and editing with the keys, the mouse, an input method and an
// assistive tool.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "widgets/LargeText.h"
#include "widgets/LargeTextEdit.h"
#include "widgets/TextBlocks.h"

namespace {

QByteArray bytesOf(const LargeText& text) {
    const std::string bytes = text.bytes();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

SharedBytes shared(const QByteArray& bytes) {
    return SharedBytes::copyOf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// Words without a break, with now and then one too long to wrap at a blank.
QByteArray longLine(int bytes, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray line;
    while (line.size() < bytes) {
        const int length = random.bounded(20) == 0 ? 3000 : 1 + random.bounded(9);
        line += QByteArray(length, static_cast<char>('a' + random.bounded(26)));
        line += ' ';
    }
    return line;
}

// A field on screen, so that its rows have a width.
class Field {
public:
    explicit Field(const QByteArray& bytes, QSize size = {300, 200}) {
        field.resize(size);
        field.show();
        field.activateWindow();
        field.setFocus();
        if (!QTest::qWaitForWindowExposed(&field)) qWarning("the field was not shown");
        field.setBytes(shared(bytes));
    }
    QByteArray bytes() const { return bytesOf(field.text()); }
    // The caret's place in the viewport.
    QRect caret() const {
        return field.inputMethodQuery(Qt::ImCursorRectangle).toRect().translated(-field.viewport()->pos());
    }
    void click(QPoint at) { QTest::mouseClick(field.viewport(), Qt::LeftButton, {}, at); }

    LargeTextEdit field;
};

}  // namespace

class TheText : public QObject {
    Q_OBJECT
private slots:
    void everyByteNotEditedComesBackAsItWas() {
        QByteArray bytes;
        for (int i = 0; i < 30000; ++i)
            bytes += "<line n=\"" + QByteArray::number(i) + "\"/>" + (i % 2 ? "\r\n" : "\n");
        // A byte that is no UTF-8 stays as it is.
        bytes += "caf\xC3\xA9 \xFF last";
        LargeText text;
        text.setBytes(shared(bytes));
        QVERIFY(text.equals(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
        QCOMPARE(text.text(text.size() - 9, text.size()), QString::fromUtf8("\xC3\xA9 \xEF\xBF\xBD last"));
        const auto at = [&bytes](const char* what) { return static_cast<std::size_t>(bytes.indexOf(what)); };
        // Across many lines, and typed on at the same place.
        text.replace(at("<line n=\"3\"") + 2, at("<line n=\"29998\"") + 3, "x\r\ny");
        text.replace(at("<line n=\"3\"") + 6, at("<line n=\"3\"") + 6, "z");
        const QByteArray head = bytes.left(bytes.indexOf("<line n=\"3\""));
        const QByteArray tail = bytes.mid(bytes.indexOf("<line n=\"29999\""));
        QCOMPARE(bytesOf(text), head + "<lx\r\nyzne n=\"29998\"/>\n" + tail);
        QCOMPARE(text.text(head.size(), head.size() + 10), QString("<lx\nyzne "));
        text.replace(0, text.size(), "");
        QVERIFY(text.isEmpty());
    }

    void charactersAndBreaksAreSteppedOverWhole() {
        LargeText text;
        // a, CR LF, é (2 bytes), 😀 (4 bytes, 2 UTF-16 units), a stray byte.
        text.setBytes(shared("a\r\n\xC3\xA9\xF0\x9F\x98\x80\xFF"));
        std::vector<std::size_t> places{0};
        while (places.back() < text.size()) places.push_back(text.nextCharacter(places.back()));
        QCOMPARE(places, (std::vector<std::size_t>{0, 1, 3, 5, 9, 10}));
        for (std::size_t i = places.size() - 1; i > 0; --i) QCOMPARE(text.previousCharacter(places[i]), places[i - 1]);
        QCOMPARE(text.unitsBetween(0, text.size()), std::size_t{7});
        QCOMPARE(text.offsetAfterUnits(0, 4), std::size_t{5});
        QCOMPARE(text.offsetAfterUnits(0, 6), std::size_t{9});
    }

    void longLinesAreCutIntoShortBlocksThatFollowEveryEdit() {
        LargeText text;
        text.setBytes(shared(longLine(300000, 1) + "\r\nshort\r\n" + longLine(100000, 2)));
        TextBlocks blocks(text);
        // The blocks make up the text, none too long, and each knows its neighbours.
        std::size_t start = 0;
        for (TextBlocks::Block block = blocks.at(0);; block = blocks.after(block)) {
            QCOMPARE(block.start, start);
            QVERIFY(block.end - block.start <= TextBlocks::MaxBytes);
            QVERIFY(blocks.at(block.end) == block || !block.broken());
            if (block.start > 0) QVERIFY(blocks.after(blocks.before(block)) == block);
            if (block.last) break;
            start = block.next;
        }
        QCOMPARE(start, blocks.at(text.size()).start);
        // After each edit the blocks are those of the text worked out afresh.
        QRandomGenerator random(7);
        for (int edit = 0; edit < 300; ++edit) {
            const std::size_t from = random.bounded(static_cast<quint32>(text.size()));
            const std::size_t to = std::min(text.size(), from + random.bounded(static_cast<quint32>(2 * TextBlocks::MaxBytes / 3)));
            const char* inserted[] = {"", "x", " ", "word ", "\r\n", "a\nb", "\xC3\xA9"};
            text.replace(from, edit % 3 ? from : to, inserted[random.bounded(7)]);
            const TextBlocks fresh(text);
            for (int probe = 0; probe < 4; ++probe) {
                const std::size_t offset = probe == 0 ? from : random.bounded(static_cast<quint32>(text.size() + 1));
                QVERIFY2(blocks.at(offset) == fresh.at(offset), qPrintable(QString("edit %1").arg(edit)));
            }
        }
        // A whole new text: nothing worked out for the old one is kept.
        blocks.at(text.size() / 2);
        text.setBytes(shared(longLine(50000, 9)));
        const TextBlocks fresh(text);
        for (const std::size_t offset : {std::size_t{0}, text.size() / 3, text.size()})
            QVERIFY(blocks.at(offset) == fresh.at(offset));
    }
};

class TheField : public QObject {
    Q_OBJECT
private slots:
    void keysAndTheClipboardEditAsInAnyTextField() {
        Field shown("ab\r\ncd\r\nef");
        LargeTextEdit& field = shown.field;
        field.setCursorPosition(5);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClick(&field, Qt::Key_Home);
        QTest::keyClick(&field, Qt::Key_Backspace);  // joins the line to the one above
        QTest::keyClicks(&field, "X\tY");
        QTest::keyClick(&field, Qt::Key_Return);
        QTest::keyClick(&field, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&field, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(field.selectedText(), QString("d\ne"));
        QTest::keyClick(&field, Qt::Key_Delete);
        // Every break typed is CR LF, every other stays as it was.
        QCOMPARE(shown.bytes(), QByteArray("abX\tY\r\nf"));
        QTest::keyClick(&field, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("abX\tY\n"));
        QTest::keyClick(&field, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(shown.bytes(), QByteArray("fabX\tY\r\n"));
        QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(field.selectedText(), QString("fabX\tY\n"));
    }

    void aReadOnlyFieldSelectsAndCopiesButTakesNoEdit() {
        Field shown("kept as it is");
        shown.field.setReadOnly(true);
        QTest::keyClicks(&shown.field, "typed");
        QTest::keyClick(&shown.field, Qt::Key_Delete);
        QTest::keyClick(&shown.field, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClick(&shown.field, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("kept as it is"));
        QTest::keyClick(&shown.field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(shown.bytes(), QByteArray("kept as it is"));
    }

    void longLinesWrapAtTheWidthAndTheKeysFollowTheRows() {
        const QByteArray words = "one two three four five six seven eight nine ten eleven twelve thirteen fourteen";
        Field shown(words + "\r\n" + words, {160, 300});
        LargeTextEdit& field = shown.field;
        // End stops at the end of the first row, before the line ends.
        QTest::keyClick(&field, Qt::Key_End);
        const std::size_t rowEnd = field.cursorPosition();
        QVERIFY(rowEnd > 0 && rowEnd < static_cast<std::size_t>(words.size()));
        QCOMPARE(words.at(static_cast<qsizetype>(rowEnd)), ' ');
        // Down goes a row down within the same line, a row lower on screen.
        const int firstRow = shown.caret().top();
        QTest::keyClick(&field, Qt::Key_Home);
        QTest::keyClick(&field, Qt::Key_Down);
        QCOMPARE(field.cursorPosition(), rowEnd + 1);
        QVERIFY(shown.caret().top() > firstRow);
        // Wide enough for the whole line, Down goes to the next line.
        field.resize(1600, 300);
        QTRY_VERIFY(field.viewport()->width() > 1000);
        QTest::keyClick(&field, Qt::Key_Up);
        QTest::keyClick(&field, Qt::Key_Down);
        QCOMPARE(field.cursorPosition(), static_cast<std::size_t>(words.size() + 2));
    }

    void rowsAfterEditsAreTheRowsTheTextWouldHaveAfresh() {
        Field edited(longLine(60000, 4) + "\r\n" + longLine(20000, 5));
        Field fresh("");
        // The same width for both, as in the text frame.
        for (LargeTextEdit* field : {&edited.field, &fresh.field}) field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        QTRY_COMPARE(fresh.field.viewport()->width(), edited.field.viewport()->width());
        QRandomGenerator random(11);
        const char* typed[] = {"x", "a few words "};
        for (int edit = 0; edit < 40; ++edit) {
            edited.field.setCursorPosition(random.bounded(static_cast<quint32>(edited.field.text().size())));
            if (edit % 3 == 2)
                QTest::keyClick(&edited.field, Qt::Key_Return);
            else
                QTest::keyClicks(&edited.field, typed[edit % 3]);
            fresh.field.setBytes(shared(edited.bytes()));
            // From the same places, End and Down land on the same places.
            for (const std::size_t place : {edited.field.cursorPosition(), std::size_t{random.bounded(1000u)}}) {
                for (const Qt::Key key : {Qt::Key_End, Qt::Key_Down, Qt::Key_Up}) {
                    edited.field.setCursorPosition(place);
                    fresh.field.setCursorPosition(place);
                    QTest::keyClick(&edited.field, key);
                    QTest::keyClick(&fresh.field, key);
                    QCOMPARE(edited.field.cursorPosition(), fresh.field.cursorPosition());
                }
            }
        }
    }

    void theViewFollowsTheCursorThroughTheText() {
        QByteArray lines;
        for (int i = 0; i < 2000; ++i) lines += "line " + QByteArray::number(i) + "\r\n";
        Field shown(lines + longLine(40000, 3));
        LargeTextEdit& field = shown.field;
        const QRect view = field.viewport()->rect();
        QTest::keyClick(&field, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view.contains(shown.caret()));
        QCOMPARE(field.verticalScrollBar()->value(), field.verticalScrollBar()->maximum());
        QTest::keyClick(&field, Qt::Key_PageUp);
        QTest::keyClick(&field, Qt::Key_Up);
        QVERIFY(view.contains(shown.caret()));
        field.setCursorPosition(static_cast<std::size_t>(lines.indexOf("line 1000")));
        QVERIFY(view.contains(shown.caret()));
        QTest::keyClick(&field, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(field.verticalScrollBar()->value(), 0);
        // The scroll bar runs over the bytes: halfway down shows the middle.
        QScrollBar* bar = field.verticalScrollBar();
        const auto middle = static_cast<std::size_t>(bar->maximum() / 2);
        bar->setSliderPosition(bar->maximum() / 2);
        shown.click({10, 5});
        QVERIFY(field.cursorPosition() <= middle && field.cursorPosition() + 200 > middle);
    }

    void clicksPlaceTheCursorAndSelectWordsAndLines() {
        Field shown("first line\r\nsecond words here\r\nthird");
        LargeTextEdit& field = shown.field;
        const int row = field.fontMetrics().lineSpacing();
        const int x = 4 + field.fontMetrics().horizontalAdvance("second wo");
        shown.click({x, row + row / 2});
        QVERIFY(field.cursorPosition() >= 20 && field.cursorPosition() <= 22);
        QTest::mouseDClick(field.viewport(), Qt::LeftButton, {}, {x, row + row / 2});
        QCOMPARE(field.selectedText(), QString("words"));
        // A third click selects the line with its break.
        shown.click({x, row + row / 2});
        QCOMPARE(field.selectedText(), QString("second words here\n"));
        // A drag selects from where the button went down.
        QTest::mousePress(field.viewport(), Qt::LeftButton, {}, {4, row / 2});
        QMouseEvent move(QEvent::MouseMove, QPointF(x, row + row / 2), field.viewport()->mapToGlobal(QPointF(x, row + row / 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field.viewport(), &move);
        QTest::mouseRelease(field.viewport(), Qt::LeftButton, {}, {x, row + row / 2});
        QVERIFY(field.selectedText().startsWith("first line\nsecond wo"));
        // After a double click a drag selects whole words.
        QTest::mouseDClick(field.viewport(), Qt::LeftButton, {}, {x, row + row / 2});
        const int third = 4 + field.fontMetrics().horizontalAdvance("second words he");
        QMouseEvent further(QEvent::MouseMove, QPointF(third, row + row / 2),
                            field.viewport()->mapToGlobal(QPointF(third, row + row / 2)), Qt::NoButton, Qt::LeftButton,
                            Qt::NoModifier);
        QApplication::sendEvent(field.viewport(), &further);
        QCOMPARE(field.selectedText(), QString("words here"));
    }

    void theWheelScrollsByRows() {
        QByteArray lines;
        for (int i = 0; i < 100; ++i) lines += "row " + QByteArray::number(i) + "\r\n";
        Field shown(lines);
        QWheelEvent notch(QPointF(10, 10), shown.field.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(shown.field.viewport(), &notch);
        // The row now at the top is as many rows down as a notch scrolls.
        shown.click({0, 2});
        const QByteArray top = "row " + QByteArray::number(QApplication::wheelScrollLines()) + "\r\n";
        QCOMPARE(shown.field.cursorPosition(), static_cast<std::size_t>(lines.indexOf(top)));
    }

    void withoutWrappingTheViewGoesSidewaysToTheCursor() {
        Field shown("short\r\n" + QByteArray(3000, 'w') + " end");
        LargeTextEdit& field = shown.field;
        field.setWrap(LargeTextEdit::Wrap::Off);
        QTest::keyClick(&field, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(field.horizontalScrollBar()->value() > 0);
        QVERIFY(field.viewport()->rect().contains(shown.caret()));
        QTest::keyClick(&field, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(field.horizontalScrollBar()->value(), 0);
    }

    void textDroppedFromElsewhereGoesWhereItIsLetGo() {
        Field shown("first line\r\nsecond");
        QWidget* viewport = shown.field.viewport();
        QMimeData dragged;
        dragged.setText("dropped ");
        const QPoint secondLine(2, shown.field.fontMetrics().lineSpacing() * 3 / 2);
        QDragEnterEvent enter(secondLine, Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(secondLine, Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(shown.bytes(), QByteArray("first line\r\ndropped second"));
        shown.field.setReadOnly(true);
        QDragEnterEvent refused(secondLine, Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void anInputMethodComposesAtTheCursorAndCommits() {
        Field shown("ab");
        LargeTextEdit& field = shown.field;
        field.setCursorPosition(1);
        QInputMethodEvent composing(QString::fromUtf8("\xE3\x81\x8B"), {});
        QApplication::sendEvent(&field, &composing);
        // Composed text is not in the text until it is committed.
        QCOMPARE(shown.bytes(), QByteArray("ab"));
        QInputMethodEvent committed;
        committed.setCommitString(QString::fromUtf8("\xE6\xBC\xA2"));
        QApplication::sendEvent(&field, &committed);
        QCOMPARE(shown.bytes(), QByteArray("a\xE6\xBC\xA2" "b"));
        QCOMPARE(field.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
        QCOMPARE(field.inputMethodQuery(Qt::ImSurroundingText).toString(), QString::fromUtf8("a\xE6\xBC\xA2" "b"));
        // A replacement reaches back from the cursor.
        QInputMethodEvent replaced;
        replaced.setCommitString("xy", -2, 1);
        QApplication::sendEvent(&field, &replaced);
        QCOMPARE(shown.bytes(), QByteArray("xy\xE6\xBC\xA2" "b"));
    }

    void assistiveToolsReadAndEditTheTextInCharacters() {
        Field shown("\xF0\x9F\x98\x80 one\r\ntwo");
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(&shown.field);
        QVERIFY(field);
        QCOMPARE(field->role(), QAccessible::EditableText);
        QVERIFY(field->state().multiLine);
        QAccessibleTextInterface* text = field->textInterface();
        QCOMPARE(text->characterCount(), 11);
        QCOMPARE(text->text(3, 6), QString("one"));
        int start = 0, end = 0;
        QCOMPARE(text->textAtOffset(4, QAccessible::WordBoundary, &start, &end), QString("one"));
        QCOMPARE(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), QString("two"));
        text->setCursorPosition(3);
        QCOMPARE(shown.field.cursorPosition(), std::size_t{5});
        field->editableTextInterface()->insertText(8, "the ");
        QCOMPARE(shown.bytes(), QByteArray("\xF0\x9F\x98\x80 one\r\nthe two"));
        shown.field.setReadOnly(true);
        QVERIFY(!field->editableTextInterface());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int status = 0;
    {
        TheText test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TheField test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "tst_large_text.moc"
