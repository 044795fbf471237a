#include "document/DocumentReplace.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <vector>

#include "core/Functions.h"
#include "document/Commands.h"
#include "document/Document.h"

using corvantis::DOMNode;
using corvantis::SearchMatch;
using corvantis::StringObject;

namespace {

QString tr(const char* text) { return QCoreApplication::translate("DocumentReplace", text); }

// ---- The texts Replace changes, in document order ----

// Every node from `start` on in document order, `start` first.
class NodeWalk {
public:
    NodeWalk(const DOMNode* documentNode, const DOMNode* start) : pending_(start ? start : documentNode) {
        // The places of `start` and its ancestors, found once.
        for (const DOMNode* node = pending_; node->parentNode(); node = node->parentNode()) {
            const DOMNode* parent = node->parentNode();
            stack_.push_back({parent, parent->childNodes()->indexOf(node) + 1});
        }
        std::reverse(stack_.begin(), stack_.end());
    }

    const DOMNode* next() {
        const DOMNode* node = pending_;
        pending_ = nullptr;
        while (!node && !stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next < frame.node->childCount())
                node = frame.node->childAt(frame.next++);
            else
                stack_.pop_back();
        }
        if (node && node->childCount() > 0) stack_.push_back({node, 0});
        return node;
    }

private:
    struct Frame {
        const DOMNode* node;
        int next;
    };
    const DOMNode* pending_;
    std::vector<Frame> stack_;
};

enum class Kind { Name, Value, CData };

// Calls `visit(part, text, kind)` for each text of `node` Replace changes,
// in order: an element's name, then its attributes' values; a text's or a
// CDATA section's value.
template <class Visit>
void forEachTarget(const DOMNode& node, Visit visit) {
    switch (node.nodeType()) {
        case corvantis::ELEMENT:
            visit(SearchMatch::NamePart, node.nodeName(), Kind::Name);
            for (int i = 0, count = node.attributeCount(); i < count; ++i)
                visit(2 * i + 1, node.attributeAt(i)->value, Kind::Value);
            return;
        case corvantis::TEXT: visit(SearchMatch::ValuePart, node.nodeValue(), Kind::Value); return;
        case corvantis::CDATA_SECTION: visit(SearchMatch::ValuePart, node.nodeValue(), Kind::CData); return;
        default: return;
    }
}

// ---- One text rewritten ----

struct Rewrite {
    enum class Result { Unchanged, Changed, NotValid, Unstorable, EmptyMatch };
    Result result = Result::Unchanged;
    StringObject value;
    int replaced = 0;
    // Unstorable: the characters the encoding cannot hold.
    QString characters;
};

// `text` with its matches replaced: all of them, or only the one at
// `onlyAt` of `onlyLength` bytes.
Rewrite rewrite(const Document& document, const TextReplacer& replacer, std::string_view text, Kind kind,
                std::optional<std::size_t> onlyAt = std::nullopt, std::size_t onlyLength = 0) {
    Rewrite rewrite;
    TextReplacer::Scan scan(replacer, text, kind == Kind::Value);
    std::string value;
    std::size_t copied = 0;
    std::size_t offset = 0;
    std::size_t length = 0;
    StringObject bytes;
    while (scan.next(offset, length)) {
        if (onlyAt && (offset != *onlyAt || length != onlyLength)) {
            if (offset > *onlyAt) break;
            continue;
        }
        if (!scan.replacementBytes(bytes)) {
            rewrite.result = Rewrite::Result::Unstorable;
            rewrite.characters = document.text().unstorableCharacters(scan.replacement());
            return rewrite;
        }
        value.append(text.substr(copied, offset - copied));
        value.append(bytes.view());
        copied = offset + length;
        ++rewrite.replaced;
        if (onlyAt) break;
    }
    if (scan.matchedEmpty()) {
        rewrite.result = Rewrite::Result::EmptyMatch;
        return rewrite;
    }
    if (rewrite.replaced == 0) return rewrite;
    value.append(text.substr(copied));
    rewrite.value = StringObject(value);
    const bool valid = kind == Kind::Name    ? corvantis::IsValidName(rewrite.value, document.text().encoding())
                       : kind == Kind::CData ? value.find("]]>") == std::string::npos
                                             : true;
    rewrite.result = valid ? Rewrite::Result::Changed : Rewrite::Result::NotValid;
    return rewrite;
}

ReplaceOutcome refused(const QString& message) {
    ReplaceOutcome outcome;
    outcome.status = ReplaceOutcome::Status::Refused;
    outcome.message = message;
    return outcome;
}

// Why a rewrite stops the whole replacement; empty when it does not.
QString refusalFor(const Document& document, const Rewrite& rewrite, Kind kind, const DOMNode& node) {
    switch (rewrite.result) {
        case Rewrite::Result::EmptyMatch:
            return tr("The expression matched an empty text; make it match at least one character. "
                      "Nothing was replaced.");
        case Rewrite::Result::Unstorable: {
            const DOMNode* folder = node.nodeType() == corvantis::ELEMENT ? &node : node.parentNode();
            return tr("This document is stored as %1, which cannot hold %2 in %3 (in %4). Nothing was replaced.")
                .arg(document.text().encodingName(), rewrite.characters,
                     kind == Kind::Name ? tr("a folder name") : tr("a CDATA section"),
                     document.text().toText(folder->path()));
        }
        default:
            return QString();
    }
}

// What no change may happen to, and the text typed but not yet kept.
QString readyForChange(Document& document, const TextReplacer& replacer) {
    if (!replacer.problem().isEmpty()) return replacer.problem();
    if (document.isReadOnly()) return tr("This document is open read-only: nothing can be replaced in it.");
    if (!document.commitPendingEdits()) return tr("The text being typed could not be kept. Nothing was replaced.");
    return QString();
}

// A text shown within an undo step's name: on one line, and short.
QString quoted(const QString& text) {
    QString line = text.simplified();
    constexpr int Longest = 40;
    if (line.size() > Longest) line = line.left(Longest - 1) + QChar(0x2026);
    return "'" + line + "'";
}

const DOMNode* folderOf(const DOMNode* node) {
    return node->nodeType() == corvantis::ELEMENT ? node : node->parentNode();
}

}  // namespace

std::optional<ReplaceFound> findReplaceable(const Document& document, const TextReplacer& replacer,
                                            ReplacePosition from) {
    if (!replacer.problem().isEmpty()) return std::nullopt;
    if (from.node && !document.dom().contains(from.node)) from = ReplacePosition();
    // From the position to the end; then from the start up to the position.
    for (const bool wrapped : {false, true}) {
        if (wrapped && !from.node) break;
        NodeWalk walk(document.documentNode(), wrapped ? nullptr : from.node);
        for (const DOMNode* node = walk.next(); node; node = walk.next()) {
            const bool atPosition = node == from.node;
            std::optional<ReplaceFound> found;
            forEachTarget(*node, [&](std::int32_t part, const StringObject& text, Kind kind) {
                // Within the position's node, the parts are in order of their numbers.
                if (found || (atPosition && (wrapped ? part > from.part : part < from.part))) return;
                const bool inPart = atPosition && part == from.part;
                TextReplacer::Scan scan(replacer, text.view(), kind == Kind::Value);
                std::size_t offset = 0;
                std::size_t length = 0;
                while (scan.next(offset, length)) {
                    if (inPart && !wrapped && offset < from.offset) continue;
                    if (inPart && wrapped && offset >= from.offset) return;
                    found = ReplaceFound{SearchMatch{node, 0, part, static_cast<std::uint32_t>(offset),
                                                     static_cast<std::uint32_t>(length)},
                                         wrapped};
                    return;
                }
            });
            if (found) return found;
            if (wrapped && atPosition) break;
        }
    }
    return std::nullopt;
}

ReplaceOutcome replaceOne(Document& document, const TextReplacer& replacer, const SearchMatch& match) {
    if (const QString problem = readyForChange(document, replacer); !problem.isEmpty()) return refused(problem);
    ReplaceOutcome outcome;
    outcome.next = ReplacePosition::after(match);
    if (!match.node || !document.dom().contains(match.node)) return outcome;
    std::optional<Rewrite> result;
    Kind kind = Kind::Value;
    std::size_t oldLength = 0;
    forEachTarget(*match.node, [&](std::int32_t part, const StringObject& text, Kind targetKind) {
        if (part != match.part) return;
        kind = targetKind;
        oldLength = text.length();
        result = rewrite(document, replacer, text.view(), kind, match.offset, match.length);
    });
    if (!result || result->result == Rewrite::Result::Unchanged) return outcome;
    if (const QString refusal = refusalFor(document, *result, kind, *match.node); !refusal.isEmpty())
        return refused(refusal);
    outcome.status = ReplaceOutcome::Status::Done;
    if (result->result == Rewrite::Result::NotValid) {
        outcome.skipped = 1;
        return outcome;
    }
    // The search goes on after the replacement's bytes.
    outcome.next.offset = match.offset + (result->value.length() + match.length - oldLength);
    outcome.replaced = 1;
    auto* node = const_cast<DOMNode*>(match.node);
    std::vector<StringChange> changes{{node, match.part, result->value}};
    const QString text = tr("Replace %1 → %2").arg(quoted(replacer.find()), quoted(replacer.replacement()));
    if (!document.push(std::make_unique<ReplaceStrings>(document, std::move(changes), text, const_cast<DOMNode*>(folderOf(node)))))
        return refused(tr("The document cannot be changed now. Nothing was replaced."));
    return outcome;
}

ReplaceOutcome replaceAll(Document& document, const TextReplacer& replacer) {
    if (const QString problem = readyForChange(document, replacer); !problem.isEmpty()) return refused(problem);
    ReplaceOutcome outcome;
    std::vector<StringChange> changes;
    QString refusal;
    NodeWalk walk(document.documentNode(), nullptr);
    for (const DOMNode* node = walk.next(); node && refusal.isEmpty(); node = walk.next()) {
        forEachTarget(*node, [&](std::int32_t part, const StringObject& text, Kind kind) {
            if (!refusal.isEmpty()) return;
            Rewrite result = rewrite(document, replacer, text.view(), kind);
            switch (result.result) {
                case Rewrite::Result::Unchanged: return;
                case Rewrite::Result::Changed:
                    outcome.replaced += result.replaced;
                    changes.push_back({const_cast<DOMNode*>(node), part, std::move(result.value)});
                    return;
                case Rewrite::Result::NotValid: ++outcome.skipped; return;
                default: refusal = refusalFor(document, result, kind, *node); return;
            }
        });
    }
    if (!refusal.isEmpty()) return refused(refusal);
    if (outcome.replaced == 0 && outcome.skipped == 0) return outcome;
    outcome.status = ReplaceOutcome::Status::Done;
    if (changes.empty()) return outcome;
    const QString text = tr("Replace All %1 → %2 (%3)")
                             .arg(quoted(replacer.find()), quoted(replacer.replacement()),
                                  QLocale(QLocale::English).toString(outcome.replaced));
    if (!document.push(std::make_unique<ReplaceStrings>(document, std::move(changes), text)))
        return refused(tr("The document cannot be changed now. Nothing was replaced."));
    return outcome;
}
