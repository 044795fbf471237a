// What Replace looks for and what it puts in its place, and where it finds
// that in one stored text.
//
// Plain text is found as the find bar finds it (capital and small letters
// alike unless the case must match, accented ones included; a whole word
// stands between characters that are no letter, digit or "_"). A regular
// expression is Qt's (Perl's syntax) over the text's characters; in its
// replacement "\1" to "\99" stand for what the groups caught ("\0" for the
// whole match) and "\\" for a backslash. Matches never overlap: each search
// goes on after the last match.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Search.h"
#include "core/StringObject.h"
#include "document/DocumentText.h"

struct ReplaceOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;
};

class TextReplacer {
public:
    // `text` is the document's conversion between its stored bytes and
    // characters; it must outlive the replacer. A replacer is made for each
    // Replace, never kept across changes of the document.
    TextReplacer(const QString& find, const QString& replacement, ReplaceOptions options, const DocumentText& text);

    // Empty when the replacer can be used; otherwise why not, in words the
    // Replace dialog shows beside its fields: nothing to find, a regular
    // expression that is not valid (and where), one that can match an empty
    // text, a replacement naming a group the expression does not have.
    const QString& problem() const { return problem_; }
    const QString& find() const { return find_; }
    const QString& replacement() const { return replacement_; }

    // The matches in one stored text, in order. In character data
    // (`characterData`: a text or an attribute value) a kept reference
    // matches as it was written, and a match that would cut one is passed
    // over: a reference stays whole or goes whole.
    class Scan {
    public:
        Scan(const TextReplacer& replacer, std::string_view text, bool characterData);
        // The next match, as bytes of the stored text; false after the last.
        bool next(std::size_t& offset, std::size_t& length);
        // The regular expression matched an empty text here, which the
        // pattern check before could not tell: nothing may be replaced.
        bool matchedEmpty() const { return matchedEmpty_; }
        // What the last match is replaced by, as characters.
        QString replacement() const;
        // The same as stored bytes (storedBytes tells when it fails).
        bool replacementBytes(corvantis::StringObject& bytes) const;

    private:
        // A regular expression's matches over the text as characters, and
        // how far they have been counted in both. Made only for a regular
        // expression: most texts hold no match of plain text, and are only
        // looked at.
        struct Expression {
            QString characters;
            QRegularExpressionMatchIterator matches;
            QRegularExpressionMatch match;
            qsizetype charactersDone = 0;
            std::size_t bytesDone = 0;
        };
        bool nextOfExpression(std::size_t& offset, std::size_t& length);
        bool nextMatch(std::size_t& offset, std::size_t& length);
        // Whether byte `at` lies inside a kept reference, past its start;
        // asked at places that never go back.
        bool insideKeptReference(std::size_t at);

        const TextReplacer& replacer_;
        std::string_view text_;
        bool characterData_;
        // The kept reference last passed, [keptStart_, keptEnd_), and where
        // the pieces of character data have been read up to.
        std::size_t keptStart_ = 0;
        std::size_t keptEnd_ = 0;
        std::size_t piecesRead_ = 0;
        // Plain text: its matches, found in one pass over the text the first
        // time one is asked for, and the next of them.
        std::vector<std::pair<std::size_t, std::size_t>> plainMatches_;
        std::size_t nextPlain_ = 0;
        bool plainFound_ = false;
        std::unique_ptr<Expression> expression_;
        bool matchedEmpty_ = false;
        bool ended_ = false;
    };

    // The replacement's characters as stored bytes. In character data
    // (`characterData`) every character goes (the file writes one its
    // encoding cannot hold as a reference) and this never fails; elsewhere
    // false when the document's encoding cannot hold one of them.
    bool storedBytes(const QString& characters, bool characterData, corvantis::StringObject& bytes) const;

private:
    QString checkReplacementGroups() const;
    // Plain text's replacement, the same for every match, as stored bytes:
    // elsewhere, and in character data.
    bool plainStorable_ = false;
    corvantis::StringObject plainBytes_;
    corvantis::StringObject plainCharacterData_;
    QString expanded(const QRegularExpressionMatch& match) const;

    QString find_;
    QString replacement_;
    ReplaceOptions options_;
    const DocumentText& text_;
    QString problem_;
    // Plain text: the find bar's matcher over the stored UTF-8.
    std::optional<corvantis::TextMatcher> matcher_;
    QRegularExpression expression_;
};
