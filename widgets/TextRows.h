// The rows a large-text field shows: its blocks laid out as they are asked
// for, and kept while they stay as they were (an edit keeps those before it,
// and the lines after it, only moved), with the moves between rows and the
// places within them. Nothing is laid out that is not asked for, so the cost
// follows what is on screen, never the size of the text.
#pragma once

#include <QFont>
#include <QTextLayout>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "widgets/LargeText.h"
#include "widgets/TextBlocks.h"

class QPainter;

class TextRows {
public:
    struct Laid;
    // One row on screen: a line of a laid-out block. Valid until the text,
    // the font, the width or the composed text changes.
    struct Row {
        const Laid* laid;
        int line;
    };
    // What to draw beside the characters.
    struct Marks {
        std::size_t selectionFrom = 0;
        std::size_t selectionTo = 0;
        QTextCharFormat selected;
        QBrush selectedBreak;
        // Where the caret stands, if it shows.
        std::optional<std::size_t> caret;
        int caretWidth = 1;
    };

    TextRows(const LargeText& text, const TextBlocks& blocks);
    ~TextRows();

    // How blocks are laid out: the font, the width rows wrap at (0: they do
    // not wrap) and the direction. Each change lays out anew.
    void setFont(const QFont& font);
    void setWrapWidth(qreal width);
    void setDirection(Qt::LayoutDirection direction);
    // What an input method is composing at `offset` (empty: nothing).
    void setComposing(std::size_t offset, const QString& text, const QList<QTextLayout::FormatRange>& formats);
    bool isComposing() const { return !composing_.isEmpty(); }
    // Where the caret stands in composed text, from its start.
    int composingCursor() const { return composingCursor_; }
    void setComposingCursor(int cursor) { composingCursor_ = cursor; }

    Row rowHolding(std::size_t offset);
    std::size_t rowStart(const Row& row) const;
    // Where a row's characters end; a wrapped row ends before the place
    // the next row starts at, so the caret stays on it.
    std::size_t rowEnd(const Row& row) const;
    qreal rowHeight(const Row& row) const;
    // The row after / before, across blocks; false at the text's ends.
    bool next(Row& row);
    bool previous(Row& row);
    // The place in `row` nearest to `x`; x of a place in its row.
    std::size_t placeAt(const Row& row, qreal x) const;
    qreal xOf(const Row& row, std::size_t offset) const;

    // The next / previous place a cursor can stand, by characters (a
    // break, and a character made of several, count as one) or by words.
    std::size_t nextPlace(std::size_t offset, QTextLayout::CursorMode mode);
    std::size_t previousPlace(std::size_t offset, QTextLayout::CursorMode mode);
    // The word (or the blanks) around `offset`.
    std::pair<std::size_t, std::size_t> wordAround(std::size_t offset);
    // The characters of the block `row` is in, and where `offset` is in them.
    const QString& blockText(const Row& row) const;
    int indexOf(const Row& row, std::size_t offset) const;
    std::size_t offsetOf(const Row& row, int index) const;

    // Draws the rows from `top` down to `bottom`, the top row at `origin`.
    void draw(QPainter& painter, const Row& top, QPointF origin, qreal bottom, const Marks& marks);
    // The widest row laid out so far.
    qreal widest() const { return widest_; }

private:
    const Laid& laidOut(const TextBlocks::Block& block);
    // Lets go of what no longer holds; after one edit, keeps and moves what
    // it did not touch.
    void follow();
    void dropAll();
    qreal lineWidth() const;

    const LargeText& text_;
    const TextBlocks& blocks_;
    QFont font_;
    qreal wrapWidth_ = 0;
    Qt::LayoutDirection direction_ = Qt::LeftToRight;
    std::size_t composingAt_ = 0;
    QString composing_;
    QList<QTextLayout::FormatRange> composingFormats_;
    int composingCursor_ = 0;

    std::unordered_map<std::size_t, std::unique_ptr<Laid>> laid_;
    std::uint64_t version_ = 0;
    std::uint64_t draws_ = 0;
    qreal widest_ = 0;
};
