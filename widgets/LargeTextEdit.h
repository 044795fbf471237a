// An editable field made for large text: it draws only the lines in view
// and keeps the text as LargeText does, so a text of a hundred megabytes
// opens at once and takes little more memory than its bytes. Plain text in
// a fixed-pitch font, without wrapping; the usual keys and the mouse move
// the cursor, select and edit, and the clipboard copies, cuts and pastes.
#pragma once

#include <QAbstractScrollArea>

#include "widgets/LargeText.h"

class LargeTextEdit : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Position = LargeText::Position;

    // `text` converts between bytes and characters; it must outlive this.
    explicit LargeTextEdit(const DocumentText& text, QWidget* parent = nullptr);

    // The whole text: the bytes are shared, not copied.
    void setBytes(const corvantis::StringObject& bytes);
    void setPlainText(const QString& text);
    void clear() { setPlainText(QString()); }
    QString toPlainText() const { return text_.toText(); }
    // What the field holds, as LargeText writes it; false when an edit holds
    // a character the encoding cannot store.
    bool toBytes(corvantis::StringObject& bytes) const { return text_.toBytes(bytes); }
    int lineCount() const { return text_.lineCount(); }

    Position cursorPosition() const { return cursor_; }
    // Moves the cursor; with `select` the selection runs from where it was.
    void setCursorPosition(Position position, bool select = false);
    QString selectedText() const;
    void selectAll();
    // Puts `text` in place of the selection, or at the cursor.
    void insert(const QString& text);
    void copy() const;
    void cut();
    void paste();

signals:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Tabs take the room up to the next multiple of eight cells.
    static int cellOf(const QString& line, int column);
    static int columnAt(const QString& line, int cell);
    Position positionAt(const QPoint& point) const;
    bool hasSelection() const { return !(anchor_ == cursor_); }
    // The key moves the cursor; false for a key that does not.
    bool moveByKey(const QKeyEvent* event);
    void removeCharacter(bool before);
    void textReplaced();
    void ensureCursorVisible();
    void updateScrollBars();
    int visibleLines() const;

    LargeText text_;
    Position cursor_;
    Position anchor_;
    // The cell Up and Down keep to, across shorter lines.
    int wantedCell_ = -1;
    int cellWidth_;
    int lineHeight_;
    static constexpr int Margin = 4;
};
