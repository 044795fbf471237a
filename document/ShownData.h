// A text or attribute value as a field shows it and takes it back. The model
// holds character data (core/CharacterData.h): characters, and references
// kept as they were written. A field shows the characters, each kept
// reference as it was written ("&nbsp;"), and "\n" for the model's CR LF.
//
// Taken back, what the user typed is characters, whatever it looks like: a
// typed "&nbsp;" is six characters and is written "&amp;nbsp;". Only a kept
// reference the user left untouched stays a kept reference. So that edits
// anywhere else leave it so, the field tells each change of its text
// (follow); a change that reaches into a kept reference makes what is left of
// it plain characters. A text taken back as it was shown gives the data as it
// was, byte for byte.
#pragma once

#include <QString>
#include <vector>

#include "core/StringObject.h"

class ShownData {
public:
    ShownData() = default;
    explicit ShownData(const corvantis::StringObject& data);

    // The characters as the field shows them.
    const QString& text() const { return text_; }
    bool hasKeptReferences() const { return !kept_.empty(); }
    // Where in text() the byte at `offset` of the data shows; a byte of a
    // kept reference's mark shows where the reference does.
    static int position(const corvantis::StringObject& data, std::size_t offset);

    // The field's text is now `text`, after one change of the user's, made
    // at `hint` when the field tells (-1 when it does not): where typing or
    // deleting next to equal characters could have happened at several
    // places, the hint decides, else the place that leaves kept references
    // whole.
    void follow(const QString& text, int hint = -1);
    // How a line break the user typed is held: in a text as the model's CR LF
    // (a reader of the file reads it as one line feed); in an attribute value
    // as a line feed, which is written as a reference and read back so.
    enum class LineBreak { CrLf, Lf };
    // The field's text `text` (the text last followed) as character data;
    // false when it holds a surrogate without its partner, which no file can
    // hold.
    bool toData(const QString& text, LineBreak lineBreak, corvantis::StringObject& data) const;

private:
    corvantis::StringObject data_;
    QString shownFirst_;
    // A kept reference: where text() shows it, and how long it is there.
    struct Kept {
        int start;
        int length;
        // Whether taking `removed` characters at `at` (or, with none, putting
        // some there) changes it.
        bool touchedBy(int at, int removed) const;
    };
    bool touchesKept(int at, int removed) const;

    QString text_;
    std::vector<Kept> kept_;
};
