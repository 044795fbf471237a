#include "widgets/LargeTextAccessible.h"

#include <QAccessibleWidget>
#include <QTextBoundaryFinder>
#include <algorithm>

#include "widgets/AccessibleFactory.h"
#include "widgets/LargeTextEdit.h"

namespace {

// How far around an offset words and sentences are looked for in a very
// long line.
constexpr std::size_t Neighbourhood = 8192;

}  // namespace

class LargeTextAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
public:
    explicit LargeTextAccessible(LargeTextEdit* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface && !field()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiLine = true;
        state.selectableText = true;
        state.editable = !field()->isReadOnly();
        state.readOnly = field()->isReadOnly();
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return characters(0, characterCount());
        return QAccessibleWidget::text(kind);
    }

    // ---- Reading ----

    int characterCount() const override { return units(content().size()); }
    QString text(int start, int end) const override { return characters(start, end); }
    int cursorPosition() const override { return units(field()->cursorPosition()); }
    void setCursorPosition(int position) override { field()->setCursorPosition(offset(position)); }

    int selectionCount() const override { return field()->hasSelection() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || !field()->hasSelection()) return;
        *start = units(std::min(field()->anchorPosition(), field()->cursorPosition()));
        *end = units(std::max(field()->anchorPosition(), field()->cursorPosition()));
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0) field()->setSelection(offset(start), offset(end));
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) field()->setCursorPosition(field()->cursorPosition());
    }

    QString textAtOffset(int position, QAccessible::TextBoundaryType boundary, int* start, int* end) const override {
        const auto [from, to] = around(std::clamp(position, 0, characterCount()), boundary);
        *start = from;
        *end = to;
        return characters(from, to);
    }
    QString textBeforeOffset(int position, QAccessible::TextBoundaryType boundary, int* start,
                             int* end) const override {
        const int at = around(std::clamp(position, 0, characterCount()), boundary).first;
        if (at == 0) {
            *start = *end = -1;
            return {};
        }
        return textAtOffset(at - 1, boundary, start, end);
    }
    QString textAfterOffset(int position, QAccessible::TextBoundaryType boundary, int* start,
                            int* end) const override {
        const int at = around(std::clamp(position, 0, characterCount()), boundary).second;
        if (at >= characterCount()) {
            *start = *end = -1;
            return {};
        }
        return textAtOffset(at, boundary, start, end);
    }

    QString attributes(int position, int* start, int* end) const override {
        *start = *end = position;
        return {};
    }
    QRect characterRect(int position) const override {
        const QRectF caret = field()->caretRect(offset(position));
        if (caret.isEmpty()) return {};
        return QRect(field()->viewport()->mapToGlobal(caret.topLeft().toPoint()), caret.size().toSize());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint inside = field()->viewport()->mapFromGlobal(point);
        if (!field()->viewport()->rect().contains(inside)) return -1;
        return units(field()->placeAt(inside));
    }
    void scrollToSubstring(int start, int end) override {
        field()->setSelection(offset(start), offset(end));
        field()->ensureCursorVisible();
    }

    // ---- Editing ----

    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int position, const QString& inserted) override { replaceText(position, position, inserted); }
    void replaceText(int start, int end, const QString& replacement) override {
        field()->setSelection(offset(start), offset(end));
        field()->insert(replacement);
    }

private:
    LargeTextEdit* field() const { return static_cast<LargeTextEdit*>(widget()); }
    const LargeText& content() const { return field()->text(); }
    int units(std::size_t bytes) const { return static_cast<int>(content().unitsBetween(0, bytes)); }
    std::size_t offset(int position) const {
        return content().offsetAfterUnits(0, static_cast<std::size_t>(std::max(0, position)));
    }
    QString characters(int start, int end) const {
        if (end < 0) end = characterCount();
        return start < end ? content().characters(offset(start), offset(end)) : QString();
    }

    // The first place from `offset` on, up to `limit`, where a character starts.
    std::size_t characterStart(std::size_t offset, std::size_t limit) const {
        while (offset < limit && utf8::isContinuation(content().at(offset))) ++offset;
        return offset;
    }

    // The line, or the character, word or sentence within it, around
    // `position`; offsets in UTF-16 units.
    std::pair<int, int> around(int position, QAccessible::TextBoundaryType boundary) const {
        const LargeText& all = content();
        if (boundary == QAccessible::NoBoundary) return {0, characterCount()};
        const std::size_t at = offset(position);
        const std::size_t before = all.findLast('\n', 0, at);
        std::size_t from = before == LargeText::npos ? 0 : before + 1;
        const std::size_t lineFeed = all.find('\n', at, all.size());
        std::size_t to = lineFeed == LargeText::npos ? all.size() : lineFeed + 1;
        if (boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary)
            return {units(from), units(to)};
        // Within a neighbourhood of the line: a very long line is not read whole.
        if (at - from > Neighbourhood) from = characterStart(at - Neighbourhood, at);
        if (to - at > Neighbourhood) to = characterStart(at + Neighbourhood, to);
        const QString line = all.characters(from, to);
        const int index = static_cast<int>(all.unitsBetween(from, at));
        const QTextBoundaryFinder::BoundaryType type = boundary == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                                                       : boundary == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                                                : QTextBoundaryFinder::Sentence;
        QTextBoundaryFinder finder(type, line);
        finder.setPosition(index);
        qsizetype first = finder.isAtBoundary() ? index : finder.toPreviousBoundary();
        finder.setPosition(index);
        qsizetype last = finder.toNextBoundary();
        if (first < 0) first = 0;
        if (last < 0) last = line.size();
        const int base = units(from);
        return {base + static_cast<int>(first), base + static_cast<int>(last)};
    }
};

void installLargeTextAccessibility() { installAccessibleFactory<LargeTextEdit, LargeTextAccessible>(); }
