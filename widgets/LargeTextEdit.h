// An editable field made for large text: it holds UTF-8 bytes as LargeText
// does and lays out only the blocks in view, so a text of a hundred
// megabytes, or a single line of twenty, shows and takes a key at once and
// costs little more memory than its bytes.
//
// It behaves as a plain multi-line text field: lines wrap at its width (or
// scroll sideways), the usual keys move, select and edit, the mouse selects
// characters, words (double click) and lines (triple click), the clipboard
// and the X11 selection copy and paste, text dragged in from elsewhere is
// dropped where it is let go, input methods compose, a context menu
// offers the edits, the view follows the cursor, and assistive technology
// sees an editable text. Places are byte offsets into the text; the vertical
// scroll bar runs over them too, so its thumb says how far into the bytes the
// view is.
//
// Breaks typed or pasted are CR LF; every byte not edited stays as it came.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <optional>

#include "widgets/LargeText.h"
#include "widgets/TextBlocks.h"
#include "widgets/TextRows.h"

class LargeTextEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Wrap { AtWidth, Off };

    explicit LargeTextEdit(QWidget* parent = nullptr);
    ~LargeTextEdit() override;

    void setWrap(Wrap wrap);
    Wrap wrap() const { return wrap_; }
    // A read-only field shows, selects and copies, but takes no edit.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    // The whole text, as UTF-8 bytes: shared, not copied. The cursor goes to
    // the start; the view to the top.
    void setBytes(SharedBytes bytes);
    // The text as a change made elsewhere (an undo, say) left it: the cursor
    // goes to the first place where `bytes` differ from what the field
    // holds, the view stays where it was as far as it can. The same bytes
    // change nothing.
    void updateBytes(SharedBytes bytes);
    void setPlainText(const QString& text) { setBytes(SharedBytes::fromText(text)); }
    void clear() { setBytes(SharedBytes()); }
    const LargeText& text() const { return text_; }
    // The whole text with "\n" breaks.
    QString toPlainText() const { return text_.text(0, text_.size()); }

    std::size_t cursorPosition() const { return cursor_; }
    std::size_t anchorPosition() const { return anchor_; }
    // Moves the cursor; with `select` the selection runs from the anchor.
    void setCursorPosition(std::size_t offset, bool select = false);
    void setSelection(std::size_t anchor, std::size_t cursor);
    bool hasSelection() const { return anchor_ != cursor_; }
    QString selectedText() const;
    void selectAll();
    // Puts `text` in place of the selection, or at the cursor, as typed.
    void insert(const QString& text);
    void copy() const;
    void cut();
    void paste();
    // Scrolls, when need be, so that the cursor's row is in view.
    void ensureCursorVisible();

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The user changed the text: typed, deleted, cut, pasted or composed.
    // Never sent for setBytes.
    void textEdited();
    void cursorPositionChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class LargeTextAccessible;
    using Row = TextRows::Row;
    enum class Unit { Characters, Words, Lines };

    // ---- Layout ----
    // The width or the font changed: the rows are laid out anew.
    void layoutChanged();
    Row topRow();
    // Where the caret would stand at `offset`, in the viewport; empty when
    // that row is not in view.
    QRectF caretRect(std::size_t offset);
    std::size_t placeAt(const QPoint& point);

    // ---- Moving ----
    std::size_t placeRowsAway(int rows);
    bool moveByKey(const QKeyEvent* event);
    void moveCursor(std::size_t offset, bool select);
    // The line `offset` is on, with or without its break.
    std::pair<std::size_t, std::size_t> lineAround(std::size_t offset, bool withBreak) const;
    // The word or line around `offset`.
    std::pair<std::size_t, std::size_t> unitAround(std::size_t offset, Unit unit);
    void extendSelection(std::size_t offset);

    // ---- Editing ----
    void replaceSelection(const std::string& bytes);
    void removeTo(std::size_t other);
    bool editByKey(const QKeyEvent* event);

    // ---- Scrolling ----
    void scrollRows(int rows);
    int rowsInView();
    // The top that shows `row` as the last in view.
    std::size_t topShowingLast(Row row);
    std::size_t lastTop();
    void syncScrollBars();
    void restartCaret();
    void announceCursor();

    LargeText text_;
    TextBlocks blocks_;
    TextRows rows_;
    Wrap wrap_ = Wrap::AtWidth;
    bool readOnly_ = false;
    std::size_t cursor_ = 0;
    std::size_t anchor_ = 0;
    // Where the top row in view starts.
    std::size_t top_ = 0;
    // The x Up and Down keep to, across shorter rows; negative: none yet.
    qreal wantedX_ = -1;

    // The top that shows the text's end at the bottom, and what it was
    // worked out for.
    std::size_t lastTop_ = 0;
    std::uint64_t lastTopVersion_ = 0;
    QSize lastTopSize_;
    // Bytes per scroll-bar step, as a power of two: texts past 2 GiB.
    int scrollShift_ = 0;
    bool syncing_ = false;
    double wheelRows_ = 0;

    // The mouse's selection: by what unit, from what.
    bool selecting_ = false;
    Unit unit_ = Unit::Characters;
    std::pair<std::size_t, std::size_t> anchorUnit_;
    QPoint lastMouse_;
    QBasicTimer autoScroll_;
    QBasicTimer tripleClick_;
    QPoint doubleClickPoint_;

    QBasicTimer blink_;
    bool caretShown_ = true;
    // Where text dragged over the field would go.
    std::optional<std::size_t> dropPlace_;
};
