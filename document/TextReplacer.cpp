#include "document/TextReplacer.h"

#include <QCoreApplication>
#include <string>
#include <tuple>

#include "core/CharacterData.h"

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
        const QByteArray query = find.toUtf8();
        matcher_.emplace(std::string_view(query.constData(), static_cast<std::size_t>(query.size())),
                         corvantis::SearchOptions{options.matchCase, options.wholeWord});
        plainStorable_ = storedBytes(replacement, false, plainBytes_);
        storedBytes(replacement, true, plainCharacterData_);
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

bool TextReplacer::storedBytes(const QString& characters, bool characterData, StringObject& bytes) const {
    if (!characterData) return text_.toBytes(characters, bytes);
    // Half a surrogate pair is no character: UTF-8 holds the replacement
    // character in its place. What is put in is characters, so a "&" stays
    // one, and a zero byte is held as character data holds it.
    const QByteArray utf8 = characters.toUtf8();
    std::string data;
    corvantis::appendCharacters(data, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    bytes = StringObject(data);
    return true;
}

// ---- Scan ----

TextReplacer::Scan::Scan(const TextReplacer& replacer, std::string_view text, bool characterData)
    : replacer_(replacer), text_(text), characterData_(characterData) {
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
    while (nextMatch(offset, length)) {
        if (!characterData_ || (!insideKeptReference(offset) && !insideKeptReference(offset + length))) return true;
    }
    return false;
}

bool TextReplacer::Scan::nextMatch(std::size_t& offset, std::size_t& length) {
    if (!replacer_.problem_.isEmpty() || ended_) return false;
    if (expression_) return nextOfExpression(offset, length);
    if (!replacer_.matcher_) return false;
    if (!plainFound_) {
        plainFound_ = true;
        replacer_.matcher_->findAll(text_, characterData_, [this](std::size_t at, std::size_t bytes) {
            plainMatches_.emplace_back(at, bytes);
        });
    }
    if (nextPlain_ >= plainMatches_.size()) return false;
    std::tie(offset, length) = plainMatches_[nextPlain_++];
    return true;
}

bool TextReplacer::Scan::insideKeptReference(std::size_t at) {
    const char* const begin = text_.data();
    corvantis::DataPieces pieces(text_.substr(piecesRead_));
    corvantis::DataPiece piece;
    while (keptEnd_ <= at && piecesRead_ < text_.size()) {
        const std::size_t start = piecesRead_;
        if (!pieces.next(piece)) break;
        piecesRead_ = static_cast<std::size_t>(pieces.position() - begin);
        if (piece.kept) {
            keptStart_ = start;
            keptEnd_ = piecesRead_;
        }
    }
    return keptStart_ < at && at < keptEnd_;
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
    // (not valid UTF-8) end the scan: such a text is left as it is.
    const auto stored = [&](qsizetype from, qsizetype count, std::size_t at, std::size_t& bytes) {
        const QByteArray converted = expression.characters.mid(from, count).toUtf8();
        const std::string_view view(converted.constData(), static_cast<std::size_t>(converted.size()));
        if (text_.substr(std::min(at, text_.size()), view.size()) != view) return false;
        bytes = view.size();
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

bool TextReplacer::Scan::replacementBytes(StringObject& bytes) const {
    if (expression_) return replacer_.storedBytes(replacement(), characterData_, bytes);
    bytes = characterData_ ? replacer_.plainCharacterData_ : replacer_.plainBytes_;
    return characterData_ || replacer_.plainStorable_;
}
