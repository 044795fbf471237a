#include "widgets/TextRows.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

// A row that does not wrap is at most this wide: blocks are short.
constexpr qreal Unbounded = 1e7;
// Layouts kept beyond those last drawn before the rest are let go.
constexpr std::size_t KeptLayouts = 256;

}  // namespace

// A block laid out: its characters, where each UTF-16 unit's bytes start
// within the block, and its rows.
struct TextRows::Laid {
    TextBlocks::Block block;
    QString characters;
    std::vector<std::uint32_t> starts;
    QTextLayout layout;
    qreal height = 0;
    mutable std::uint64_t drawn = 0;
    bool composing = false;

    // The index of the unit at `offset` (a place in the block).
    int indexOf(std::size_t offset) const {
        const std::size_t within = std::min(offset, block.end) - std::min(offset, block.start);
        return static_cast<int>(std::lower_bound(starts.begin(), starts.end(), within) - starts.begin());
    }
    std::size_t offsetOf(int index) const {
        return block.start + starts[static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(characters.size())))];
    }
    int lineOf(int index) const {
        int low = 0, high = layout.lineCount() - 1;
        while (low < high) {
            const int middle = (low + high + 1) / 2;
            if (layout.lineAt(middle).textStart() <= index)
                low = middle;
            else
                high = middle - 1;
        }
        return low;
    }
    int lineEnd(int line) const {
        const QTextLine row = layout.lineAt(line);
        return row.textStart() + row.textLength();
    }
};

TextRows::TextRows(const LargeText& text, const TextBlocks& blocks)
    : text_(text), blocks_(blocks), version_(text.version()) {}

TextRows::~TextRows() = default;

// ---- How blocks are laid out ----

void TextRows::setFont(const QFont& font) {
    font_ = font;
    dropAll();
}

void TextRows::setWrapWidth(qreal width) {
    if (wrapWidth_ == width) return;
    wrapWidth_ = width;
    dropAll();
}

void TextRows::setDirection(Qt::LayoutDirection direction) {
    if (direction_ == direction) return;
    direction_ = direction;
    dropAll();
}

void TextRows::setComposing(std::size_t offset, const QString& text, const QList<QTextLayout::FormatRange>& formats) {
    // The block composed in before, and the one now, are laid out again.
    for (auto& [start, laid] : laid_)
        if (laid->composing) laid->block = {};
    composingAt_ = offset;
    composing_ = text;
    composingFormats_ = formats;
    if (text.isEmpty()) composingCursor_ = 0;
}

void TextRows::dropAll() {
    laid_.clear();
    widest_ = 0;
    version_ = text_.version();
}

qreal TextRows::lineWidth() const { return wrapWidth_ > 0 ? wrapWidth_ : Unbounded; }

void TextRows::follow() {
    if (version_ == text_.version()) return;
    const bool oneChange = version_ + 1 == text_.version();
    version_ = text_.version();
    if (!oneChange) {
        laid_.clear();
        return;
    }
    const LargeText::Change& change = text_.lastChange();
    const std::size_t changeEnd = change.from + change.removed;
    // Blocks wholly before the change keep their place, those wholly after
    // it move with it; their bytes are those they were laid out from.
    // laidOut uses one only where the block still has the same bounds.
    std::unordered_map<std::size_t, std::unique_ptr<Laid>> kept;
    for (auto& [start, laid] : laid_) {
        TextBlocks::Block& block = laid->block;
        if (block.end > change.from) {
            if (block.start < changeEnd) continue;
            for (std::size_t* place : {&block.start, &block.end, &block.next})
                *place = *place - change.removed + change.inserted;
        }
        kept.emplace(block.start, std::move(laid));
    }
    laid_.swap(kept);
}

const TextRows::Laid& TextRows::laidOut(const TextBlocks::Block& block) {
    std::unique_ptr<Laid>& slot = laid_[block.start];
    const bool composing = !composing_.isEmpty() && block.holds(composingAt_);
    if (slot && slot->block == block && slot->composing == composing) {
        slot->drawn = draws_;
        return *slot;
    }
    auto laid = std::make_unique<Laid>();
    laid->block = block;
    laid->composing = composing;
    laid->drawn = draws_;
    std::string scratch;
    utf8::decode(text_.view(block.start, block.end, scratch), laid->characters, &laid->starts);
    QTextLayout& layout = laid->layout;
    layout.setText(laid->characters);
    layout.setFont(font_);
    layout.setCacheEnabled(true);
    QTextOption option;
    option.setWrapMode(wrapWidth_ > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(8 * QFontMetricsF(font_).horizontalAdvance(QLatin1Char('x')));
    option.setTextDirection(direction_);
    layout.setTextOption(option);
    if (composing) {
        const int at = laid->indexOf(composingAt_);
        layout.setPreeditArea(at, composing_);
        QList<QTextLayout::FormatRange> formats = composingFormats_;
        for (QTextLayout::FormatRange& format : formats) format.start += at;
        layout.setFormats(formats);
    }
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(lineWidth());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    laid->height = y;
    if (wrapWidth_ <= 0) widest_ = std::max(widest_, layout.maximumWidth());
    slot = std::move(laid);
    return *slot;
}

// ---- Rows ----

TextRows::Row TextRows::rowHolding(std::size_t offset) {
    follow();
    const Laid& laid = laidOut(blocks_.at(offset));
    return {&laid, laid.lineOf(laid.indexOf(offset))};
}

std::size_t TextRows::rowStart(const Row& row) const {
    return row.laid->offsetOf(row.laid->layout.lineAt(row.line).textStart());
}

std::size_t TextRows::rowEnd(const Row& row) const {
    int end = row.laid->lineEnd(row.line);
    if (row.line + 1 < row.laid->layout.lineCount()) end = row.laid->layout.previousCursorPosition(end);
    return row.laid->offsetOf(end);
}

qreal TextRows::rowHeight(const Row& row) const { return row.laid->layout.lineAt(row.line).height(); }

bool TextRows::next(Row& row) {
    if (row.line + 1 < row.laid->layout.lineCount()) {
        ++row.line;
        return true;
    }
    if (row.laid->block.last) return false;
    row = {&laidOut(blocks_.after(row.laid->block)), 0};
    return true;
}

bool TextRows::previous(Row& row) {
    if (row.line > 0) {
        --row.line;
        return true;
    }
    if (row.laid->block.start == 0) return false;
    const Laid& laid = laidOut(blocks_.before(row.laid->block));
    row = {&laid, laid.layout.lineCount() - 1};
    return true;
}

std::size_t TextRows::placeAt(const Row& row, qreal x) const {
    const QTextLayout& layout = row.laid->layout;
    int index = layout.lineAt(row.line).xToCursor(x);
    if (row.line + 1 < layout.lineCount() && index >= row.laid->lineEnd(row.line))
        index = layout.previousCursorPosition(index);
    return row.laid->offsetOf(index);
}

qreal TextRows::xOf(const Row& row, std::size_t offset) const {
    return row.laid->layout.lineAt(row.line).cursorToX(row.laid->indexOf(offset));
}

const QString& TextRows::blockText(const Row& row) const { return row.laid->characters; }

int TextRows::indexOf(const Row& row, std::size_t offset) const { return row.laid->indexOf(offset); }

std::size_t TextRows::offsetOf(const Row& row, int index) const { return row.laid->offsetOf(index); }

// ---- Places ----

std::size_t TextRows::nextPlace(std::size_t offset, QTextLayout::CursorMode mode) {
    const Laid& laid = *rowHolding(offset).laid;
    const int index = laid.indexOf(offset);
    if (index < laid.characters.size()) return laid.offsetOf(laid.layout.nextCursorPosition(index, mode));
    return laid.block.last ? offset : laid.block.next;
}

std::size_t TextRows::previousPlace(std::size_t offset, QTextLayout::CursorMode mode) {
    const Laid& laid = *rowHolding(offset).laid;
    const int index = laid.indexOf(offset);
    if (index > 0) return laid.offsetOf(laid.layout.previousCursorPosition(index, mode));
    if (laid.block.start == 0) return 0;
    const TextBlocks::Block before = blocks_.before(laid.block);
    if (before.broken()) return before.end;
    const Laid& previous = laidOut(before);
    return previous.offsetOf(previous.layout.previousCursorPosition(previous.characters.size(), mode));
}

std::pair<std::size_t, std::size_t> TextRows::wordAround(std::size_t offset) {
    const Laid& laid = *rowHolding(offset).laid;
    const int index = laid.indexOf(offset);
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, laid.characters);
    words.setPosition(index);
    qsizetype start = words.isAtBoundary() && words.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem)
                          ? index
                          : words.toPreviousBoundary();
    words.setPosition(index);
    qsizetype end = words.toNextBoundary();
    if (start < 0) start = 0;
    if (end < 0) end = laid.characters.size();
    return {laid.offsetOf(static_cast<int>(start)), laid.offsetOf(static_cast<int>(end))};
}

// ---- Drawing ----

void TextRows::draw(QPainter& painter, const Row& top, QPointF origin, qreal bottom, const Marks& marks) {
    ++draws_;
    const QRectF area(QPointF(0, 0), QPointF(painter.device()->width(), bottom));
    qreal y = origin.y() - top.laid->layout.lineAt(top.line).y();
    const std::size_t from = marks.selectionFrom;
    const std::size_t to = marks.selectionTo;
    const qreal blank = QFontMetricsF(font_).horizontalAdvance(QLatin1Char(' '));
    for (const Laid* laid = top.laid;;) {
        laid->drawn = draws_;
        const TextBlocks::Block& block = laid->block;
        QList<QTextLayout::FormatRange> selections;
        if (from < to && from <= block.end && to > block.start) {
            const int first = laid->indexOf(std::max(from, block.start));
            const int last = laid->indexOf(std::min(to, block.end));
            if (last > first) selections.append({first, last - first, marks.selected});
        }
        const QPointF at(origin.x(), y);
        laid->layout.draw(&painter, at, selections, area);
        // A selected break shows as a blank's width past the row's end.
        if (block.broken() && from <= block.end && to >= block.next) {
            const QTextLine end = laid->layout.lineAt(laid->layout.lineCount() - 1);
            painter.fillRect(QRectF(at.x() + end.naturalTextWidth(), y + end.y(), blank, end.height()),
                             marks.selectedBreak);
        }
        if (marks.caret && block.holds(*marks.caret))
            laid->layout.drawCursor(&painter, at, laid->indexOf(*marks.caret) + composingCursor_, marks.caretWidth);
        y += laid->height;
        if (y >= bottom || block.last) break;
        laid = &laidOut(blocks_.after(block));
    }
    // Layouts long out of view are let go.
    if (laid_.size() > KeptLayouts) {
        for (auto it = laid_.begin(); it != laid_.end();)
            it = it->second->drawn == draws_ ? std::next(it) : laid_.erase(it);
    }
}
