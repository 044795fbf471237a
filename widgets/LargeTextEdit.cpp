#include "widgets/LargeTextEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace {

constexpr int TabCells = 8;

}  // namespace

LargeTextEdit::LargeTextEdit(const DocumentText& text, QWidget* parent)
    : QAbstractScrollArea(parent), text_(text) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(font());
    cellWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('x')));
    lineHeight_ = std::max(1, metrics.lineSpacing());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    updateScrollBars();
}

// ---- The text ----

void LargeTextEdit::setBytes(const corvantis::StringObject& bytes) {
    text_.setBytes(bytes);
    cursor_ = anchor_ = {};
    textReplaced();
}

void LargeTextEdit::setPlainText(const QString& text) {
    text_.setText(text);
    cursor_ = anchor_ = {};
    textReplaced();
}

void LargeTextEdit::textReplaced() {
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
    emit textChanged();
}

QString LargeTextEdit::selectedText() const { return text_.text(anchor_, cursor_); }

void LargeTextEdit::setCursorPosition(Position position, bool select) {
    cursor_ = text_.clamped(position);
    if (!select) anchor_ = cursor_;
    ensureCursorVisible();
    viewport()->update();
}

void LargeTextEdit::selectAll() {
    anchor_ = {};
    cursor_ = text_.clamped({text_.lineCount() - 1, INT_MAX});
    viewport()->update();
}

void LargeTextEdit::insert(const QString& text) {
    const Position after = text_.replace(anchor_, cursor_, text);
    wantedCell_ = -1;
    updateScrollBars();
    setCursorPosition(after);
    emit textChanged();
}

void LargeTextEdit::copy() const {
    if (hasSelection()) QApplication::clipboard()->setText(selectedText());
}

void LargeTextEdit::cut() {
    if (!hasSelection()) return;
    copy();
    insert(QString());
}

void LargeTextEdit::paste() {
    const QString pasted = QApplication::clipboard()->text();
    if (!pasted.isEmpty()) insert(pasted);
}

void LargeTextEdit::removeCharacter(bool before) {
    if (hasSelection()) {
        insert(QString());
        return;
    }
    Position other = cursor_;
    if (before) {
        if (other.column > 0)
            --other.column;
        else if (other.line > 0)
            other = {other.line - 1, static_cast<int>(text_.line(other.line - 1).size())};
    } else if (other.column < text_.line(other.line).size()) {
        ++other.column;
    } else if (other.line + 1 < text_.lineCount()) {
        other = {other.line + 1, 0};
    }
    if (other == cursor_) return;
    anchor_ = other;
    insert(QString());
}

// ---- Cells and places ----

int LargeTextEdit::cellOf(const QString& line, int column) {
    int cell = 0;
    for (int i = 0; i < column && i < line.size(); ++i)
        cell = line.at(i) == '\t' ? (cell / TabCells + 1) * TabCells : cell + 1;
    return cell + std::max(0, column - static_cast<int>(line.size()));
}

int LargeTextEdit::columnAt(const QString& line, int cell) {
    int at = 0;
    for (int i = 0; i < line.size(); ++i) {
        const int next = line.at(i) == '\t' ? (at / TabCells + 1) * TabCells : at + 1;
        // The nearer edge of the character.
        if (cell < next && cell - at <= next - cell) return i;
        if (cell < next) return i + 1;
        at = next;
    }
    return static_cast<int>(line.size());
}

LargeTextEdit::Position LargeTextEdit::positionAt(const QPoint& point) const {
    const int line =
        std::clamp(verticalScrollBar()->value() + point.y() / lineHeight_, 0, text_.lineCount() - 1);
    const int x = point.x() + horizontalScrollBar()->value() - Margin;
    const int cell = std::max(0, (x + cellWidth_ / 2) / cellWidth_);
    return {line, columnAt(text_.line(line), cell)};
}

int LargeTextEdit::visibleLines() const { return std::max(1, viewport()->height() / lineHeight_); }

void LargeTextEdit::updateScrollBars() {
    const int lines = visibleLines();
    verticalScrollBar()->setRange(0, std::max(0, text_.lineCount() - lines));
    verticalScrollBar()->setPageStep(lines);
    const int width = (text_.longestLine() + 1) * cellWidth_ + 2 * Margin;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(cellWidth_);
}

void LargeTextEdit::ensureCursorVisible() {
    QScrollBar* vertical = verticalScrollBar();
    if (cursor_.line < vertical->value())
        vertical->setValue(cursor_.line);
    else if (cursor_.line >= vertical->value() + visibleLines())
        vertical->setValue(cursor_.line - visibleLines() + 1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = cellOf(text_.line(cursor_.line), cursor_.column) * cellWidth_ + Margin;
    if (x < horizontal->value())
        horizontal->setValue(x - Margin);
    else if (x + cellWidth_ > horizontal->value() + viewport()->width())
        horizontal->setValue(x + cellWidth_ - viewport()->width());
}

// ---- Drawing ----

void LargeTextEdit::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QFontMetrics metrics(font());
    const int first = verticalScrollBar()->value();
    const int last = std::min(text_.lineCount(), first + visibleLines() + 1);
    const int scrolled = horizontalScrollBar()->value();
    const int firstCell = std::max(0, (scrolled - Margin) / cellWidth_);
    const int cells = viewport()->width() / cellWidth_ + 2;
    const Position from = std::min(anchor_, cursor_);
    const Position to = std::max(anchor_, cursor_);
    for (int index = first; index < last; ++index) {
        const QString line = text_.line(index);
        const int top = (index - first) * lineHeight_;
        // Only the cells in view are laid out: lines can be very long.
        QString shown;
        int cell = 0;
        for (const QChar c : line) {
            const int next = c == '\t' ? (cell / TabCells + 1) * TabCells : cell + 1;
            if (next > firstCell && cell < firstCell + cells)
                shown += c == '\t' ? QString(next - std::max(cell, firstCell), ' ') : QString(c);
            if (cell >= firstCell + cells) break;
            cell = next;
        }
        const int x = Margin + firstCell * cellWidth_ - scrolled;
        const int baseline = top + metrics.ascent();
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(x, baseline, shown);
        if (hasSelection() && index >= from.line && index <= to.line) {
            const int left = index == from.line ? cellOf(line, from.column) : 0;
            // A selected break shows as one cell past the line's end.
            const int right =
                index == to.line ? cellOf(line, to.column) : cellOf(line, static_cast<int>(line.size())) + 1;
            const QRect area(Margin + left * cellWidth_ - scrolled, top, (right - left) * cellWidth_,
                             lineHeight_);
            painter.fillRect(area, palette().color(QPalette::Highlight));
            painter.save();
            painter.setClipRect(area);
            painter.setPen(palette().color(QPalette::HighlightedText));
            painter.drawText(x, baseline, shown);
            painter.restore();
        }
        if (index == cursor_.line && hasFocus()) {
            const int caret = Margin + cellOf(line, cursor_.column) * cellWidth_ - scrolled;
            painter.fillRect(QRect(caret, top, 1, lineHeight_), palette().color(QPalette::Text));
        }
    }
}

void LargeTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LargeTextEdit::scrollContentsBy(int, int) { viewport()->update(); }

void LargeTextEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void LargeTextEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---- Keys and mouse ----

bool LargeTextEdit::moveByKey(const QKeyEvent* event) {
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    Position to = cursor_;
    const QString line = text_.line(to.line);
    const auto verticalTo = [&](int targetLine) {
        if (wantedCell_ < 0) wantedCell_ = cellOf(line, cursor_.column);
        targetLine = std::clamp(targetLine, 0, text_.lineCount() - 1);
        return Position{targetLine, columnAt(text_.line(targetLine), wantedCell_)};
    };
    switch (event->key()) {
        case Qt::Key_Left:
            to = to.column > 0 ? Position{to.line, to.column - 1}
                 : to.line > 0 ? Position{to.line - 1, static_cast<int>(text_.line(to.line - 1).size())}
                               : to;
            break;
        case Qt::Key_Right:
            to = to.column < line.size()           ? Position{to.line, to.column + 1}
                 : to.line + 1 < text_.lineCount() ? Position{to.line + 1, 0}
                                                   : to;
            break;
        case Qt::Key_Up:
            to = verticalTo(to.line - 1);
            break;
        case Qt::Key_Down:
            to = verticalTo(to.line + 1);
            break;
        case Qt::Key_PageUp:
            to = verticalTo(to.line - visibleLines());
            break;
        case Qt::Key_PageDown:
            to = verticalTo(to.line + visibleLines());
            break;
        case Qt::Key_Home:
            to = control ? Position{} : Position{to.line, 0};
            break;
        case Qt::Key_End:
            to = control ? text_.clamped({text_.lineCount() - 1, INT_MAX})
                         : Position{to.line, static_cast<int>(line.size())};
            break;
        default:
            return false;
    }
    const bool vertical = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
                          event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown;
    if (!vertical) wantedCell_ = -1;
    setCursorPosition(to, event->modifiers().testFlag(Qt::ShiftModifier));
    return true;
}

void LargeTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (moveByKey(event)) {
    } else if (event->key() == Qt::Key_Backspace) {
        removeCharacter(true);
    } else if (event->key() == Qt::Key_Delete) {
        removeCharacter(false);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        insert("\n");
    } else if (event->key() == Qt::Key_Tab) {
        insert("\t");
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
        insert(event->text());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LargeTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) insert(event->commitString());
    event->accept();
}

void LargeTextEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    wantedCell_ = -1;
    setCursorPosition(positionAt(event->position().toPoint()),
                      event->modifiers().testFlag(Qt::ShiftModifier));
}

void LargeTextEdit::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons().testFlag(Qt::LeftButton))
        setCursorPosition(positionAt(event->position().toPoint()), true);
}

void LargeTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("Cut"), this, &LargeTextEdit::cut)->setEnabled(hasSelection());
    menu.addAction(tr("Copy"), this, &LargeTextEdit::copy)->setEnabled(hasSelection());
    menu.addAction(tr("Paste"), this, &LargeTextEdit::paste);
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &LargeTextEdit::selectAll);
    menu.exec(event->globalPos());
}
