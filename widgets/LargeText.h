// The text of a large editable field, in lines. It starts as the bytes it
// was given, in a document's encoding, and keeps them as they are: a run of
// lines is turned into editable text only once it is edited, so showing a
// hundred megabytes costs little more than the bytes themselves.
//
// Lines end with LF; the CR of a CR LF belongs to the break. Every break
// stays as it came, and a break typed or set is a CR LF, so the text is
// written back exactly as it stands.
#pragma once

#include <QString>
#include <string_view>
#include <vector>

#include "core/StringObject.h"

class DocumentText;

class LargeText {
public:
    // A place in the text: a line and a character of it.
    struct Position {
        int line = 0;
        int column = 0;
        bool operator==(const Position& other) const { return line == other.line && column == other.column; }
        bool operator<(const Position& other) const {
            return line < other.line || (line == other.line && column < other.column);
        }
    };

    // `text` converts between bytes and characters; it must outlive this.
    explicit LargeText(const DocumentText& text);

    // The whole text: bytes (shared, not copied) or characters (its breaks
    // become CR LF).
    void setBytes(const corvantis::StringObject& bytes);
    void setText(const QString& text);
    // The whole text written out; false when an edit holds a character the
    // encoding cannot store.
    bool toBytes(corvantis::StringObject& bytes) const;
    // The whole text with "\n" breaks.
    QString toText() const;

    int lineCount() const { return lineCount_; }
    QString line(int index) const;
    // The longest line's length, in characters or bytes, whichever is more.
    int longestLine() const { return longestLine_; }
    // The text from `from` up to `to`, lines joined by "\n".
    QString text(Position from, Position to) const;
    // A place within the text: the line and column made to fit.
    Position clamped(Position position) const;

    // Puts `text` in place of what lies between `from` and `to` (its breaks
    // become CR LF); returns the place after it.
    Position replace(Position from, Position to, const QString& text);

private:
    // A run of whole lines: the bytes of the original from `offset`, or,
    // once edited, its characters. Every run but the last ends with a break.
    struct Run {
        std::size_t offset = 0;
        std::size_t length = 0;
        bool edited = false;
        QString characters;
        int breaks = 0;
    };

    std::string_view bytesOf(const Run& run) const;
    QString charactersOf(const Run& run) const;
    // The run that holds `line`.
    int runOf(int line) const;
    // Where each line of a run starts, in its bytes or characters (cached
    // for the run last asked about).
    const std::vector<std::size_t>& lineStarts(int run) const;
    // Runs of edited characters, split where they grow long.
    std::vector<Run> editedRuns(const QString& characters) const;
    void renumber();

    const DocumentText& text_;
    corvantis::StringObject original_;
    std::vector<Run> runs_;
    // The number of the first line of each run.
    std::vector<int> firstLines_;
    int lineCount_ = 1;
    int longestLine_ = 0;
    mutable int cachedRun_ = -1;
    mutable std::vector<std::size_t> cachedStarts_;
};
