#include "widgets/LargeTextEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <climits>
#include <cmath>

#include "widgets/LargeTextAccessible.h"

namespace {

// Room between the frame and the text, as in the toolkit's text fields.
constexpr int Margin = 4;

// Keys the field takes itself, before any shortcut of the window: the moves
// and edits of a text field. Undo and Redo are left to the window.
const QKeySequence::StandardKey FieldKeys[] = {
    QKeySequence::Copy,
    QKeySequence::Cut,
    QKeySequence::Paste,
    QKeySequence::SelectAll,
    QKeySequence::Delete,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::InsertParagraphSeparator,
    QKeySequence::InsertLineSeparator,
    QKeySequence::MoveToNextChar,
    QKeySequence::MoveToPreviousChar,
    QKeySequence::MoveToNextWord,
    QKeySequence::MoveToPreviousWord,
    QKeySequence::MoveToNextLine,
    QKeySequence::MoveToPreviousLine,
    QKeySequence::MoveToNextPage,
    QKeySequence::MoveToPreviousPage,
    QKeySequence::MoveToStartOfLine,
    QKeySequence::MoveToEndOfLine,
    QKeySequence::MoveToStartOfBlock,
    QKeySequence::MoveToEndOfBlock,
    QKeySequence::MoveToStartOfDocument,
    QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectNextChar,
    QKeySequence::SelectPreviousChar,
    QKeySequence::SelectNextWord,
    QKeySequence::SelectPreviousWord,
    QKeySequence::SelectNextLine,
    QKeySequence::SelectPreviousLine,
    QKeySequence::SelectNextPage,
    QKeySequence::SelectPreviousPage,
    QKeySequence::SelectStartOfLine,
    QKeySequence::SelectEndOfLine,
    QKeySequence::SelectStartOfBlock,
    QKeySequence::SelectEndOfBlock,
    QKeySequence::SelectStartOfDocument,
    QKeySequence::SelectEndOfDocument,
};

bool isFieldKey(const QKeyEvent* event) {
    for (const QKeySequence::StandardKey key : FieldKeys)
        if (event->matches(key)) return true;
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (modifiers != Qt::NoModifier) return false;
    const QString typed = event->text();
    return event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Tab ||
           (!typed.isEmpty() && typed.at(0).isPrint());
}

}  // namespace

LargeTextEdit::LargeTextEdit(QWidget* parent) : QAbstractScrollArea(parent), blocks_(text_), rows_(text_, blocks_) {
    installLargeTextAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setRange(0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rows_.setFont(font());
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        QScrollBar* bar = verticalScrollBar();
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
            case QAbstractSlider::SliderSingleStepSub:
                scrollRows(action == QAbstractSlider::SliderSingleStepAdd ? 1 : -1);
                break;
            case QAbstractSlider::SliderPageStepAdd:
            case QAbstractSlider::SliderPageStepSub: {
                const int rows = std::max(1, rowsInView() - 1);
                scrollRows(action == QAbstractSlider::SliderPageStepAdd ? rows : -rows);
                break;
            }
            case QAbstractSlider::SliderToMinimum:
                top_ = 0;
                break;
            case QAbstractSlider::SliderToMaximum:
                top_ = lastTop();
                break;
            case QAbstractSlider::SliderMove:
                top_ = std::min(lastTop(), rows_.rowStart(rows_.rowHolding(
                                               static_cast<std::size_t>(bar->sliderPosition()) << scrollShift_)));
                break;
            default:
                return;
        }
        // The bar shows where the view went: a row's start.
        bar->setSliderPosition(static_cast<int>(top_ >> scrollShift_));
        viewport()->update();
    });
    syncScrollBars();
}

LargeTextEdit::~LargeTextEdit() = default;

// ---- Settings ----

void LargeTextEdit::setWrap(Wrap wrap) {
    if (wrap_ == wrap) return;
    wrap_ = wrap;
    setHorizontalScrollBarPolicy(wrap == Wrap::Off ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setValue(0);
    layoutChanged();
}

void LargeTextEdit::setReadOnly(bool readOnly) {
    if (readOnly_ == readOnly) return;
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->setCursor(readOnly ? Qt::ArrowCursor : Qt::IBeamCursor);
    viewport()->update();
}

// ---- The text ----

void LargeTextEdit::setBytes(SharedBytes bytes) {
    rows_.setComposing(0, QString(), {});
    text_.setBytes(std::move(bytes));
    cursor_ = anchor_ = top_ = 0;
    wantedX_ = -1;
    horizontalScrollBar()->setValue(0);
    syncScrollBars();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, QVariant());
        QAccessible::updateAccessibility(&changed);
    }
    emit cursorPositionChanged();
}

void LargeTextEdit::updateBytes(SharedBytes bytes) {
    const std::size_t changed = text_.mismatch(bytes.view());
    if (changed == LargeText::npos) return;
    const std::size_t top = top_;
    setBytes(std::move(bytes));
    top_ = std::min(top, text_.size());
    moveCursor(text_.characterStart(changed), false);
}

QString LargeTextEdit::selectedText() const {
    return text_.text(std::min(anchor_, cursor_), std::max(anchor_, cursor_));
}

void LargeTextEdit::setCursorPosition(std::size_t offset, bool select) {
    moveCursor(text_.characterStart(offset), select);
}

void LargeTextEdit::setSelection(std::size_t anchor, std::size_t cursor) {
    anchor_ = text_.characterStart(anchor);
    moveCursor(text_.characterStart(cursor), true);
}

void LargeTextEdit::selectAll() {
    anchor_ = 0;
    moveCursor(text_.size(), true);
}

void LargeTextEdit::moveCursor(std::size_t offset, bool select) {
    cursor_ = offset;
    if (!select) anchor_ = offset;
    wantedX_ = -1;
    ensureCursorVisible();
    restartCaret();
    viewport()->update();
    announceCursor();
    emit cursorPositionChanged();
}

void LargeTextEdit::insert(const QString& text) {
    if (readOnly_) return;
    replaceSelection(utf8::withCrLf(text));
}

void LargeTextEdit::replaceSelection(const std::string& bytes) {
    const std::size_t from = std::min(anchor_, cursor_);
    const std::size_t to = std::max(anchor_, cursor_);
    if (from == to && bytes.empty()) return;
    const bool told = QAccessible::isActive();
    const QString removed = told && to > from ? text_.characters(from, to) : QString();
    text_.replace(from, to, bytes);
    // The view keeps to the text it shows.
    if (top_ >= to)
        top_ = top_ - (to - from) + bytes.size();
    else if (top_ > from)
        top_ = from;
    cursor_ = anchor_ = from + bytes.size();
    if (told) {
        const auto position = static_cast<int>(text_.unitsBetween(0, from));
        if (!removed.isEmpty()) {
            QAccessibleTextRemoveEvent event(this, position, removed);
            QAccessible::updateAccessibility(&event);
        }
        if (!bytes.empty()) {
            QAccessibleTextInsertEvent event(this, position, text_.characters(from, cursor_));
            QAccessible::updateAccessibility(&event);
        }
    }
    moveCursor(cursor_, false);
    emit textEdited();
}

void LargeTextEdit::removeTo(std::size_t other) {
    if (!hasSelection()) anchor_ = other;
    replaceSelection({});
}

void LargeTextEdit::copy() const {
    if (hasSelection()) QApplication::clipboard()->setText(selectedText());
}

void LargeTextEdit::cut() {
    if (!hasSelection() || readOnly_) return;
    copy();
    replaceSelection({});
}

void LargeTextEdit::paste() {
    const QString pasted = QApplication::clipboard()->text();
    if (!pasted.isEmpty()) insert(pasted);
}

// ---- Layout ----

void LargeTextEdit::layoutChanged() {
    rows_.setWrapWidth(wrap_ == Wrap::AtWidth ? std::max<qreal>(1, viewport()->width() - 2 * Margin) : 0);
    lastTopVersion_ = 0;
    syncScrollBars();
    viewport()->update();
}

LargeTextEdit::Row LargeTextEdit::topRow() {
    const Row row = rows_.rowHolding(top_);
    top_ = rows_.rowStart(row);
    return row;
}

QRectF LargeTextEdit::caretRect(std::size_t offset) {
    const Row target = rows_.rowHolding(offset);
    const std::size_t start = rows_.rowStart(target);
    Row row = topRow();
    qreal y = 0;
    while (rows_.rowStart(row) < start && y < viewport()->height()) {
        const qreal height = rows_.rowHeight(row);
        if (!rows_.next(row)) break;
        y += height;
    }
    if (rows_.rowStart(row) != start) return {};
    return {Margin - horizontalScrollBar()->value() + rows_.xOf(target, offset), y, 1, rows_.rowHeight(target)};
}

std::size_t LargeTextEdit::placeAt(const QPoint& point) {
    Row row = topRow();
    qreal y = 0;
    for (Row next = row; y + rows_.rowHeight(row) <= point.y() && rows_.next(next); row = next)
        y += rows_.rowHeight(row);
    return rows_.placeAt(row, point.x() - Margin + horizontalScrollBar()->value());
}

// ---- Moving ----

std::size_t LargeTextEdit::placeRowsAway(int rows) {
    Row row = rows_.rowHolding(cursor_);
    if (wantedX_ < 0) wantedX_ = rows_.xOf(row, cursor_);
    for (; rows > 0; --rows)
        if (!rows_.next(row)) return text_.size();
    for (; rows < 0; ++rows)
        if (!rows_.previous(row)) return 0;
    return rows_.placeAt(row, wantedX_);
}

bool LargeTextEdit::moveByKey(const QKeyEvent* event) {
    using Key = QKeySequence::StandardKey;
    const struct {
        Key move;
        Key select;
    } moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
    };
    Key key = QKeySequence::UnknownKey;
    bool select = false;
    for (const auto& move : moves) {
        if (event->matches(move.move) || event->matches(move.select)) {
            key = move.move;
            select = event->matches(move.select);
            break;
        }
    }
    if (key == QKeySequence::UnknownKey) return false;
    const bool vertical = key == QKeySequence::MoveToNextLine || key == QKeySequence::MoveToPreviousLine ||
                          key == QKeySequence::MoveToNextPage || key == QKeySequence::MoveToPreviousPage;
    std::size_t to = cursor_;
    // Without Shift, Left and Right end a selection at its own edge.
    const bool collapse = !select && hasSelection();
    switch (key) {
        case QKeySequence::MoveToNextChar:
            to = collapse ? std::max(anchor_, cursor_) : rows_.nextPlace(cursor_, QTextLayout::SkipCharacters);
            break;
        case QKeySequence::MoveToPreviousChar:
            to = collapse ? std::min(anchor_, cursor_) : rows_.previousPlace(cursor_, QTextLayout::SkipCharacters);
            break;
        case QKeySequence::MoveToNextWord:
            to = rows_.nextPlace(cursor_, QTextLayout::SkipWords);
            break;
        case QKeySequence::MoveToPreviousWord:
            to = rows_.previousPlace(cursor_, QTextLayout::SkipWords);
            break;
        case QKeySequence::MoveToNextLine:
        case QKeySequence::MoveToPreviousLine: {
            Row row = rows_.rowHolding(cursor_);
            const bool down = key == QKeySequence::MoveToNextLine;
            // Up in the first row and Down in the last stay put.
            if (down ? !rows_.next(row) : !rows_.previous(row)) return true;
            to = placeRowsAway(down ? 1 : -1);
            break;
        }
        case QKeySequence::MoveToNextPage:
        case QKeySequence::MoveToPreviousPage: {
            const int rows = std::max(1, rowsInView() - 1) * (key == QKeySequence::MoveToNextPage ? 1 : -1);
            to = placeRowsAway(rows);
            scrollRows(rows);
            break;
        }
        case QKeySequence::MoveToStartOfLine:
        case QKeySequence::MoveToEndOfLine: {
            const Row row = rows_.rowHolding(cursor_);
            to = key == QKeySequence::MoveToStartOfLine ? rows_.rowStart(row) : rows_.rowEnd(row);
            break;
        }
        case QKeySequence::MoveToStartOfBlock:
            to = lineAround(cursor_, false).first;
            break;
        case QKeySequence::MoveToEndOfBlock:
            to = lineAround(cursor_, false).second;
            break;
        case QKeySequence::MoveToStartOfDocument:
            to = 0;
            break;
        case QKeySequence::MoveToEndOfDocument:
            to = text_.size();
            break;
        default:
            return false;
    }
    // Up and Down keep to the x they started from.
    const qreal keptX = wantedX_;
    moveCursor(to, select);
    if (vertical) wantedX_ = keptX;
    return true;
}

std::pair<std::size_t, std::size_t> LargeTextEdit::lineAround(std::size_t offset, bool withBreak) const {
    const std::size_t before = text_.findLast('\n', 0, offset);
    const std::size_t start = before == LargeText::npos ? 0 : before + 1;
    const std::size_t lineFeed = text_.find('\n', offset, text_.size());
    if (lineFeed == LargeText::npos) return {start, text_.size()};
    if (withBreak) return {start, lineFeed + 1};
    return {start, lineFeed > start && text_.at(lineFeed - 1) == '\r' ? lineFeed - 1 : lineFeed};
}

std::pair<std::size_t, std::size_t> LargeTextEdit::unitAround(std::size_t offset, Unit unit) {
    switch (unit) {
        case Unit::Lines:
            // The line with its break, as a triple click selects it.
            return lineAround(offset, true);
        case Unit::Words:
            return rows_.wordAround(offset);
        default:
            return {offset, offset};
    }
}

void LargeTextEdit::extendSelection(std::size_t offset) {
    if (unit_ == Unit::Characters) {
        moveCursor(offset, true);
        return;
    }
    const auto around = unitAround(offset, unit_);
    if (offset < anchorUnit_.first) {
        anchor_ = anchorUnit_.second;
        moveCursor(around.first, true);
    } else {
        anchor_ = anchorUnit_.first;
        moveCursor(std::max(around.second, anchorUnit_.second), true);
    }
}

// ---- Editing ----

bool LargeTextEdit::editByKey(const QKeyEvent* event) {
    if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::Delete)) {
        removeTo(rows_.nextPlace(cursor_, QTextLayout::SkipCharacters));
    } else if (event->matches(QKeySequence::DeleteEndOfWord)) {
        removeTo(rows_.nextPlace(cursor_, QTextLayout::SkipWords));
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        removeTo(rows_.previousPlace(cursor_, QTextLayout::SkipWords));
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        // One character back, though it was composed of several.
        removeTo(text_.previousCharacter(cursor_));
    } else if (event->matches(QKeySequence::InsertParagraphSeparator) ||
               event->matches(QKeySequence::InsertLineSeparator)) {
        insert("\n");
    } else if (event->key() == Qt::Key_Tab && !(event->modifiers() & ~Qt::ShiftModifier)) {
        insert("\t");
    } else if (isFieldKey(event) && !event->text().isEmpty() && event->text().at(0).isPrint()) {
        insert(event->text());
    } else {
        return false;
    }
    return true;
}

// ---- Scrolling ----

void LargeTextEdit::scrollRows(int rows) {
    Row row = topRow();
    const std::size_t limit = lastTop();
    for (; rows > 0 && rows_.rowStart(row) < limit && rows_.next(row); --rows) {
    }
    for (; rows < 0 && rows_.previous(row); ++rows) {
    }
    top_ = std::min(rows_.rowStart(row), limit);
    syncScrollBars();
    viewport()->update();
}

int LargeTextEdit::rowsInView() {
    Row row = topRow();
    qreal y = rows_.rowHeight(row);
    int rows = 1;
    for (; rows_.next(row) && y + rows_.rowHeight(row) <= viewport()->height(); ++rows) y += rows_.rowHeight(row);
    return rows;
}

std::size_t LargeTextEdit::lastTop() {
    if (lastTopVersion_ == text_.version() && lastTopSize_ == viewport()->size()) return lastTop_;
    lastTop_ = topShowingLast(rows_.rowHolding(text_.size()));
    lastTopVersion_ = text_.version();
    lastTopSize_ = viewport()->size();
    return lastTop_;
}

std::size_t LargeTextEdit::topShowingLast(Row row) {
    qreal room = viewport()->height() - rows_.rowHeight(row);
    for (Row above = row; rows_.previous(above) && rows_.rowHeight(above) <= room; row = above)
        room -= rows_.rowHeight(above);
    return rows_.rowStart(row);
}

void LargeTextEdit::ensureCursorVisible() {
    const Row cursorRow = rows_.rowHolding(cursor_);
    const std::size_t start = rows_.rowStart(cursorRow);
    if (start < top_) {
        top_ = start;
    } else {
        // In view when it is among the rows from the top down.
        Row row = topRow();
        qreal y = rows_.rowHeight(row);
        bool shown = rows_.rowStart(row) == start;
        while (!shown && rows_.next(row) && (y += rows_.rowHeight(row)) <= viewport()->height())
            shown = rows_.rowStart(row) == start;
        if (!shown) top_ = topShowingLast(rows_.rowHolding(cursor_));
    }
    syncScrollBars();
    if (wrap_ == Wrap::Off) {
        QScrollBar* bar = horizontalScrollBar();
        const int x = static_cast<int>(std::ceil(rows_.xOf(rows_.rowHolding(cursor_), cursor_)));
        const int width = viewport()->width() - 2 * Margin;
        if (x < bar->value())
            bar->setValue(x);
        else if (x >= bar->value() + width)
            bar->setValue(x - width + 1);
    }
    viewport()->update();
}

void LargeTextEdit::syncScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    const std::size_t last = lastTop();
    scrollShift_ = 0;
    while ((text_.size() >> scrollShift_) > static_cast<std::size_t>(INT_MAX / 2)) ++scrollShift_;
    // The page is the bytes in view, a step those of an average row.
    Row row = topRow();
    int rows = 1;
    for (qreal y = rows_.rowHeight(row); rows_.next(row) && y < viewport()->height(); ++rows) y += rows_.rowHeight(row);
    const std::size_t shown = rows_.rowStart(row) > top_ ? rows_.rowStart(row) - top_ : text_.size() - top_;
    syncing_ = true;
    vertical->setRange(0, static_cast<int>(last >> scrollShift_));
    vertical->setPageStep(std::max(1, static_cast<int>(shown >> scrollShift_)));
    vertical->setSingleStep(std::max(1, static_cast<int>((shown / static_cast<std::size_t>(rows)) >> scrollShift_)));
    vertical->setValue(static_cast<int>(top_ >> scrollShift_));
    if (wrap_ == Wrap::Off) {
        QScrollBar* horizontal = horizontalScrollBar();
        const int width = viewport()->width() - 2 * Margin;
        horizontal->setRange(0, std::max(0, static_cast<int>(std::ceil(rows_.widest())) + 1 - width));
        horizontal->setPageStep(std::max(1, width));
        horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    }
    syncing_ = false;
}

void LargeTextEdit::scrollContentsBy(int, int dy) {
    // The bar was moved by other means than its own actions (an assistive
    // tool, say): the view goes to the row holding the place it names.
    QScrollBar* bar = verticalScrollBar();
    if (dy != 0 && !syncing_ && bar->value() != static_cast<int>(top_ >> scrollShift_))
        top_ = std::min(lastTop(),
                        rows_.rowStart(rows_.rowHolding(static_cast<std::size_t>(bar->value()) << scrollShift_)));
    viewport()->update();
}

void LargeTextEdit::restartCaret() {
    caretShown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && hasFocus())
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void LargeTextEdit::announceCursor() {
    if (!QAccessible::isActive()) return;
    QAccessibleTextCursorEvent moved(this, static_cast<int>(text_.unitsBetween(0, cursor_)));
    QAccessible::updateAccessibility(&moved);
}

// ---- Drawing ----

void LargeTextEdit::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    TextRows::Marks marks;
    marks.selectionFrom = std::min(anchor_, cursor_);
    marks.selectionTo = std::max(anchor_, cursor_);
    marks.selected.setBackground(palette().brush(QPalette::Highlight));
    marks.selected.setForeground(palette().brush(QPalette::HighlightedText));
    marks.selectedBreak = palette().brush(QPalette::Highlight);
    if (hasFocus() && !readOnly_ && (caretShown_ || rows_.isComposing())) marks.caret = cursor_;
    if (dropPlace_) marks.caret = dropPlace_;
    marks.caretWidth = style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this);
    rows_.draw(painter, topRow(), QPointF(Margin - horizontalScrollBar()->value(), 0), viewport()->height(), marks);
}

void LargeTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutChanged();
}

void LargeTextEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange) {
        rows_.setFont(font());
        rows_.setDirection(layoutDirection());
        layoutChanged();
    }
}

// ---- Keys, input methods and the mouse ----

bool LargeTextEdit::event(QEvent* event) {
    // The field's own keys come to it before the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && isFieldKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void LargeTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (moveByKey(event)) {
    } else if (readOnly_ || !editByKey(event)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LargeTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (readOnly_) {
        event->ignore();
        return;
    }
    rows_.setComposing(cursor_, QString(), {});
    if (event->replacementLength() > 0 || !event->commitString().isEmpty()) {
        if (event->replacementLength() > 0 && !hasSelection()) {
            // The replacement counts UTF-16 units from the cursor.
            const Row row = rows_.rowHolding(cursor_);
            const int index = rows_.indexOf(row, cursor_) + event->replacementStart();
            anchor_ = rows_.offsetOf(row, index);
            cursor_ = rows_.offsetOf(row, index + event->replacementLength());
        }
        replaceSelection(utf8::withCrLf(event->commitString()));
    }
    QList<QTextLayout::FormatRange> formats;
    int composingCursor = 0;
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) {
            composingCursor = attribute.start;
        } else if (attribute.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(attribute.value).toCharFormat();
            if (format.isValid()) formats.append({attribute.start, attribute.length, format});
        }
    }
    rows_.setComposing(cursor_, event->preeditString(), formats);
    if (rows_.isComposing()) rows_.setComposingCursor(composingCursor);
    ensureCursorVisible();
    event->accept();
}

QVariant LargeTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    auto* self = const_cast<LargeTextEdit*>(this);
    switch (query) {
        case Qt::ImEnabled:
            return !readOnly_;
        case Qt::ImFont:
            return font();
        case Qt::ImHints:
            return static_cast<int>(inputMethodHints());
        case Qt::ImCursorRectangle:
            return self->caretRect(cursor_).translated(viewport()->pos());
        case Qt::ImSurroundingText:
            return self->rows_.blockText(self->rows_.rowHolding(cursor_));
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition: {
            // Within the cursor's block, as the surrounding text is.
            const Row row = self->rows_.rowHolding(cursor_);
            const std::size_t place = query == Qt::ImCursorPosition ? cursor_ : anchor_;
            const std::size_t start = self->rows_.offsetOf(row, 0);
            const std::size_t end = self->rows_.offsetOf(row, static_cast<int>(self->rows_.blockText(row).size()));
            return self->rows_.indexOf(row, std::clamp(place, start, end));
        }
        case Qt::ImCurrentSelection:
            return selectedText();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LargeTextEdit::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    lastMouse_ = point;
    if (event->button() == Qt::LeftButton) {
        const std::size_t place = placeAt(point);
        const bool third = tripleClick_.isActive() &&
                           (point - doubleClickPoint_).manhattanLength() < QApplication::startDragDistance();
        unit_ = third ? Unit::Lines : Unit::Characters;
        selecting_ = true;
        if (third) {
            anchorUnit_ = unitAround(place, Unit::Lines);
            anchor_ = anchorUnit_.first;
            moveCursor(anchorUnit_.second, true);
        } else {
            moveCursor(place, event->modifiers().testFlag(Qt::ShiftModifier));
        }
    } else if (event->button() == Qt::MiddleButton && !readOnly_ && QApplication::clipboard()->supportsSelection()) {
        moveCursor(placeAt(point), false);
        const QString pasted = QApplication::clipboard()->text(QClipboard::Selection);
        if (!pasted.isEmpty()) insert(pasted);
    }
}

void LargeTextEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    doubleClickPoint_ = event->position().toPoint();
    tripleClick_.start(QApplication::doubleClickInterval(), this);
    unit_ = Unit::Words;
    selecting_ = true;
    anchorUnit_ = unitAround(placeAt(doubleClickPoint_), Unit::Words);
    anchor_ = anchorUnit_.first;
    moveCursor(anchorUnit_.second, true);
}

void LargeTextEdit::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_ || !event->buttons().testFlag(Qt::LeftButton)) return;
    lastMouse_ = event->position().toPoint();
    // Above or below the view, the text scrolls while the button is held.
    if (lastMouse_.y() < 0 || lastMouse_.y() >= viewport()->height())
        autoScroll_.start(50, this);
    else
        autoScroll_.stop();
    extendSelection(placeAt(lastMouse_));
}

void LargeTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_) return;
    selecting_ = false;
    autoScroll_.stop();
    if (hasSelection() && QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(selectedText(), QClipboard::Selection);
}

void LargeTextEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() == autoScroll_.timerId()) {
        scrollRows(lastMouse_.y() < 0 ? -1 : 1);
        const QPoint inside(lastMouse_.x(), std::clamp(lastMouse_.y(), 0, viewport()->height() - 1));
        extendSelection(placeAt(inside));
    } else if (event->timerId() == blink_.timerId()) {
        caretShown_ = !caretShown_;
        viewport()->update();
    } else if (event->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void LargeTextEdit::wheelEvent(QWheelEvent* event) {
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    if (angle.y() != 0 || pixels.y() != 0) {
        // Rows from pixels where the device gives them, else from notches.
        wheelRows_ -= pixels.y() != 0 ? pixels.y() / std::max<qreal>(1, fontMetrics().lineSpacing())
                                      : angle.y() / 120.0 * QApplication::wheelScrollLines();
        const int rows = static_cast<int>(wheelRows_);
        wheelRows_ -= rows;
        if (rows != 0) scrollRows(rows);
    }
    if (wrap_ == Wrap::Off && (angle.x() != 0 || pixels.x() != 0)) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - (pixels.x() != 0 ? pixels.x() : angle.x() / 120 * 3 * bar->singleStep()));
    }
    event->accept();
}

void LargeTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool editable = !readOnly_;
    menu.addAction(tr("Cu&t"), this, &LargeTextEdit::cut)->setEnabled(editable && hasSelection());
    menu.addAction(tr("&Copy"), this, &LargeTextEdit::copy)->setEnabled(hasSelection());
    menu.addAction(tr("&Paste"), this, &LargeTextEdit::paste)
        ->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
    menu.addAction(tr("Delete"), this, [this] { replaceSelection({}); })->setEnabled(editable && hasSelection());
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &LargeTextEdit::selectAll)->setEnabled(!text_.isEmpty());
    menu.exec(event->globalPos());
}

void LargeTextEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartCaret();
    viewport()->update();
}

void LargeTextEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void LargeTextEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void LargeTextEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    dropPlace_ = placeAt(event->position().toPoint());
    viewport()->update();
    event->acceptProposedAction();
}

void LargeTextEdit::dragLeaveEvent(QDragLeaveEvent*) {
    dropPlace_.reset();
    viewport()->update();
}

void LargeTextEdit::dropEvent(QDropEvent* event) {
    dropPlace_.reset();
    if (readOnly_ || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    // Dragged in from elsewhere: copied, whatever the source offered.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    moveCursor(placeAt(event->position().toPoint()), false);
    insert(event->mimeData()->text());
}
