// A folder's text as the text frame's large-text field shows it, and back.
// The model holds character data (core/CharacterData.h): characters, and
// references kept as they were written. The field shows the characters and
// each kept reference as it was written ("&nbsp;"), sharing the model's
// bytes when the text holds no kept reference (almost every text).
//
// Taken back, what the user typed is characters, whatever it looks like: a
// typed "&nbsp;" is six characters and is written "&amp;nbsp;". Only a kept
// reference the user left untouched stays one, so the frame tells each of
// its changes (follow); a change that reaches into a kept reference makes
// what is left of it plain characters.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/StringObject.h"
#include "widgets/LargeText.h"

class FrameText {
public:
    FrameText() = default;
    explicit FrameText(const corvantis::StringObject& data);

    const SharedBytes& shown() const { return shown_; }
    // The field's text changed as `change` says (LargeText::lastChange).
    void follow(const LargeText::Change& change);
    // What the field holds now, as character data.
    corvantis::StringObject data(const LargeText& field) const;
    // Where byte `offset` of `data` shows in the field; a byte of a kept
    // reference's mark shows where the reference does.
    static std::size_t shownOffset(std::string_view data, std::size_t offset);

private:
    // A kept reference: where the field shows it, and how long it is there.
    struct Kept {
        std::size_t start;
        std::size_t length;
    };

    SharedBytes shown_;
    std::vector<Kept> kept_;
};
