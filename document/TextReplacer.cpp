#include "document/TextReplacer.h"

#include <QCoreApplication>

using corvantis::StringObject;

namespace {

QString tr(const char* text) { return QCoreApplication::translate("TextReplacer", text); }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Calls `literal(c)` for each plain character of a replacement and
// `group(n)` for each "\n" or "\nn" in it; two digits name a group only
// when the expression has that many.
template <class Literal, class Group>
void readReplacement(const QString& replacement, int groups, Literal literal, Group group) {
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != u'\\' || i + 1 >= replacement.size()) {
            literal(c);
            continue;
        }
        const QChar next = replacement[i + 1];
        if (next == u'\\') {
            literal(next);
            ++i;
        } else if (isDigit(next)) {
            int number = next.digitValue();
            ++i;
            if (i + 1 < replacement.size() && isDigit(replacement[i + 1]) &&
                number * 10 + replacement[i + 1].digitValue() <= groups) {
                number = number * 10 + replacement[i + 1].digitValue();
                ++i;
            }
            group(number);
        } else {
            literal(c);
        }
    }
}

}  // namespace

TextReplacer::TextReplacer(const QString& find, const QString& replacement, ReplaceOptions options,
                           const DocumentText& text)
    : find_(find), replacement_(replacement), options_(options), text_(text) {
    if (find.isEmpty()) {
        problem_ = tr("Type the text to find.");
        return;
    }
    if (!options.regularExpression) {
        StringObject bytes;
        // A text the document's encoding cannot hold is in none of its texts.
        if (text.toBytes(find, bytes))
            matcher_.emplace(bytes.view(), text.encoding(), corvantis::SearchOptions{options.matchCase, options.wholeWord});
        plainStorable_ = storedBytes(replacement, false, plainBytes_);
        storedBytes(replacement, true, plainBytesWithReferences_);
        return;
    }
    QRegularExpression::PatternOptions patternOptions = QRegularExpression::UseUnicodePropertiesOption;
    if (!options.matchCase) patternOptions |= QRegularExpression::CaseInsensitiveOption;
    const QRegularExpression asTyped(find, patternOptions);
    if (!asTyped.isValid()) {
        problem_ = tr("Not a valid regular expression: %1 (at character %2).")
                       .arg(asTyped.errorString())
                       .arg(asTyped.patternErrorOffset() + 1);
        return;
    }
    // A whole word: no letter, digit or "_" on either side, as the find bar has it.
    expression_ = options.wholeWord
                      ? QRegularExpression("(?<![\\p{L}\\p{N}_])(?:" + find + ")(?![\\p{L}\\p{N}_])", patternOptions)
                      : asTyped;
    if (expression_.match(QString()).hasMatch()) {
        problem_ = tr("This expression can match an empty text, which would put the replacement between "
                      "characters everywhere; make it match at least one character.");
        return;
    }
    problem_ = checkReplacementGroups();
}

QString TextReplacer::checkReplacementGroups() const {
    const int groups = expression_.captureCount();
    int missing = -1;
    readReplacement(replacement_, groups, [](QChar) {}, [&](int group) {
        if (group > groups && missing < 0) missing = group;
    });
    if (missing < 0) return QString();
    return tr("The replacement names group \\%1, but the expression has %2.")
        .arg(missing)
        .arg(groups == 0 ? tr("none") : QString::number(groups));
}

QString TextReplacer::expanded(const QRegularExpressionMatch& match) const {
    QString result;
    readReplacement(replacement_, expression_.captureCount(), [&](QChar c) { result += c; },
                    [&](int group) { result += match.captured(group); });
    return result;
}

bool TextReplacer::storedBytes(const QString& characters, bool withReferences, StringObject& bytes) const {
    if (text_.toBytes(characters, bytes)) return true;
    if (!withReferences) return false;
    // Each character the encoding cannot hold as a character reference,
    // which every XML reader reads as the character itself.
    QString referenced;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const bool pair = characters[i].isHighSurrogate() && i + 1 < characters.size() &&
                          characters[i + 1].isLowSurrogate();
        const QString character = characters.mid(i, pair ? 2 : 1);
        if (pair) ++i;
        if (text_.unstorableCharacters(character).isEmpty()) {
            referenced += character;
        } else if (character.size() == 1 && character[0].isSurrogate()) {
            // Half a character is none: no reference names it.
            referenced += QChar::ReplacementCharacter;
        } else {
            referenced += QString("&#x%1;").arg(QString::number(character.toUcs4().value(0), 16).toUpper());
        }
    }
    return text_.toBytes(referenced, bytes);
}

// ---- Scan ----

TextReplacer::Scan::Scan(const TextReplacer& replacer, std::string_view text) : replacer_(replacer), text_(text) {
    if (!replacer.options_.regularExpression || !replacer.problem_.isEmpty()) return;
    expression_ = std::make_unique<Expression>();
    expression_->characters = replacer.text_.toText(text);
    // Most texts hold no match: one plain match tells, at less cost than
    // the iteration over all of them.
    if (replacer.expression_.match(expression_->characters).hasMatch())
        expression_->matches = replacer.expression_.globalMatch(expression_->characters);
    else
        ended_ = true;
}

bool TextReplacer::Scan::next(std::size_t& offset, std::size_t& length) {
    if (!replacer_.problem_.isEmpty() || ended_) return false;
    if (expression_) return nextOfExpression(offset, length);
    if (!replacer_.matcher_ || !replacer_.matcher_->find(text_, from_, offset, length)) return false;
    from_ = offset + length;
    return true;
}

bool TextReplacer::Scan::nextOfExpression(std::size_t& offset, std::size_t& length) {
    Expression& expression = *expression_;
    if (!expression.matches.hasNext()) return false;
    expression.match = expression.matches.next();
    if (expression.match.capturedLength() == 0) {
        matchedEmpty_ = ended_ = true;
        return false;
    }
    // The characters before the match and the match itself, counted in
    // stored bytes. Bytes that do not read back as the same characters
    // (not valid in the encoding) end the scan: such a text is left as it is.
    const auto stored = [&](qsizetype from, qsizetype count, std::size_t at, std::size_t& bytes) {
        StringObject converted;
        if (!replacer_.text_.toBytes(expression.characters.mid(from, count), converted) ||
            text_.substr(std::min(at, text_.size()), converted.length()) != converted.view())
            return false;
        bytes = converted.length();
        return true;
    };
    std::size_t before = 0;
    const qsizetype start = expression.match.capturedStart();
    if (!stored(expression.charactersDone, start - expression.charactersDone, expression.bytesDone, before) ||
        !stored(start, expression.match.capturedLength(), expression.bytesDone + before, length)) {
        ended_ = true;
        return false;
    }
    offset = expression.bytesDone + before;
    expression.charactersDone = expression.match.capturedEnd();
    expression.bytesDone = offset + length;
    return true;
}

QString TextReplacer::Scan::replacement() const {
    return expression_ ? replacer_.expanded(expression_->match) : replacer_.replacement_;
}

bool TextReplacer::Scan::replacementBytes(bool withReferences, StringObject& bytes) const {
    if (expression_) return replacer_.storedBytes(replacement(), withReferences, bytes);
    bytes = withReferences ? replacer_.plainBytesWithReferences_ : replacer_.plainBytes_;
    return withReferences || replacer_.plainStorable_;
}
