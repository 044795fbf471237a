// Find and replace over the open document: in folder names, texts (CDATA
// sections included) and attribute values; never in attribute names,
// comments or processing instructions. Each Replace and each Replace All is
// one step of the undo history that keeps only the texts it changed.
//
// A replacement that would leave a name that is no valid name (or a CDATA
// section holding "]]>") leaves that text as it was and is counted as
// skipped. Characters the document's encoding cannot hold are written as
// character references in texts and attribute values; in a name or a CDATA
// section they refuse the whole replacement before anything changes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "core/Search.h"
#include "document/TextReplacer.h"

class Document;

// Where a search for the next match starts: matches in `node`'s texts
// from `part` and, within that part, from byte `offset` on are at or
// after it, and so is everything later in document order. No node: the
// start of the document.
struct ReplacePosition {
    const corvantis::DOMNode* node = nullptr;
    std::int32_t part = corvantis::SearchMatch::NamePart;
    std::size_t offset = 0;

    // The start of a folder: its name first.
    static ReplacePosition startOf(const corvantis::DOMNode* folder) { return {folder, corvantis::SearchMatch::NamePart, 0}; }
    // Just after a match.
    static ReplacePosition after(const corvantis::SearchMatch& match) {
        return {match.node, match.part, std::size_t{match.offset} + match.length};
    }
};

// A match Replace can replace. Its rank is not counted (0): the window
// only selects match.folder() and, for a text, the characters.
struct ReplaceFound {
    corvantis::SearchMatch match;
    // Found only after going on from the start of the document.
    bool wrapped = false;
};

struct ReplaceOutcome {
    enum class Status {
        Done,
        // Nothing matched (or, for Replace, the match is no longer there).
        NotFound,
        // Nothing changed; `message` says why.
        Refused,
    };
    Status status = Status::NotFound;
    // Matches replaced.
    int replaced = 0;
    // Texts left as they were because the result would not be valid.
    int skipped = 0;
    QString message;
    // Replace: where to look for the next match, just after the replacement.
    ReplacePosition next;
};

// The first match at or after `from` in document order, going on from the
// start of the document when there is none after it; none at all when
// nothing matches (or the replacer has a problem).
std::optional<ReplaceFound> findReplaceable(const Document& document, const TextReplacer& replacer,
                                            ReplacePosition from);

// Replaces `match` (found by findReplaceable) as one undoable step
// "Replace 'old' → 'new'", after committing text still being typed;
// NotFound when the text there no longer matches.
ReplaceOutcome replaceOne(Document& document, const TextReplacer& replacer, const corvantis::SearchMatch& match);

// Replaces every match in the document as one undoable step
// "Replace All 'old' → 'new' (1,234)", after committing text still being
// typed.
ReplaceOutcome replaceAll(Document& document, const TextReplacer& replacer);
