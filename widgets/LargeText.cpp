#include "widgets/LargeText.h"

#include <QStringList>
#include <algorithm>
#include <climits>
#include <cstring>

#include "document/DocumentText.h"

namespace {

// Breaks typed or set are CR LF, as the writer writes them.
QString withCrLf(const QString& text) { return QString(text).replace("\r\n", "\n").replace('\n', "\r\n"); }

// About how long a run of lines is: long enough that a large text has few
// runs, short enough that turning one into characters is quick.
constexpr std::size_t RunBytes = 64 << 10;
constexpr qsizetype RunCharacters = 64 << 10;

}  // namespace

LargeText::LargeText(const DocumentText& text) : text_(text) { setText(QString()); }

void LargeText::setBytes(const corvantis::StringObject& bytes) {
    original_ = bytes;
    runs_.clear();
    longestLine_ = 0;
    const char* data = original_.data();
    const std::size_t size = original_.length();
    std::size_t at = 0;
    do {
        // A run ends after the first break past its length.
        std::size_t end = std::min(size, at + RunBytes);
        if (end < size) {
            const auto* lineEnd = static_cast<const char*>(std::memchr(data + end, '\n', size - end));
            end = lineEnd ? static_cast<std::size_t>(lineEnd - data) + 1 : size;
        }
        Run run;
        run.offset = at;
        run.length = end - at;
        for (std::size_t lineStart = at;;) {
            const auto* lineEnd =
                static_cast<const char*>(std::memchr(data + lineStart, '\n', end - lineStart));
            const std::size_t stop = lineEnd ? static_cast<std::size_t>(lineEnd - data) : end;
            longestLine_ =
                std::max(longestLine_, static_cast<int>(std::min<std::size_t>(stop - lineStart, INT_MAX)));
            if (!lineEnd) break;
            ++run.breaks;
            lineStart = stop + 1;
        }
        runs_.push_back(std::move(run));
        at = end;
    } while (at < size);
    renumber();
}

void LargeText::setText(const QString& text) {
    original_ = corvantis::StringObject();
    runs_ = editedRuns(withCrLf(text));
    longestLine_ = 0;
    for (const QString& line : text.split('\n'))
        longestLine_ = std::max(longestLine_, static_cast<int>(line.size()));
    renumber();
}

std::vector<LargeText::Run> LargeText::editedRuns(const QString& characters) const {
    std::vector<Run> runs;
    qsizetype at = 0;
    do {
        qsizetype end = std::min(characters.size(), at + RunCharacters);
        if (end < characters.size()) {
            const qsizetype lineEnd = characters.indexOf('\n', end);
            end = lineEnd < 0 ? characters.size() : lineEnd + 1;
        }
        Run run;
        run.edited = true;
        run.characters = characters.mid(at, end - at);
        run.breaks = static_cast<int>(run.characters.count('\n'));
        runs.push_back(std::move(run));
        at = end;
    } while (at < characters.size());
    return runs;
}

void LargeText::renumber() {
    firstLines_.resize(runs_.size());
    int line = 0;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        firstLines_[i] = line;
        line += runs_[i].breaks;
    }
    lineCount_ = line + 1;
    cachedRun_ = -1;
}

std::string_view LargeText::bytesOf(const Run& run) const {
    return original_.view().substr(run.offset, run.length);
}

QString LargeText::charactersOf(const Run& run) const {
    return run.edited ? run.characters : text_.toText(bytesOf(run));
}

bool LargeText::toBytes(corvantis::StringObject& bytes) const {
    corvantis::StringObject all;
    all.reserve(original_.length());
    for (const Run& run : runs_) {
        if (!run.edited) {
            all.append(bytesOf(run));
            continue;
        }
        corvantis::StringObject piece;
        if (!text_.toBytes(run.characters, piece)) return false;
        all.append(piece);
    }
    bytes = std::move(all);
    return true;
}

QString LargeText::toText() const {
    QString all;
    for (const Run& run : runs_) all += charactersOf(run);
    return all.replace("\r\n", "\n");
}

int LargeText::runOf(int line) const {
    const auto after = std::upper_bound(firstLines_.begin(), firstLines_.end(), line);
    return std::max(0, static_cast<int>(after - firstLines_.begin()) - 1);
}

const std::vector<std::size_t>& LargeText::lineStarts(int run) const {
    if (run == cachedRun_) return cachedStarts_;
    cachedStarts_.assign(1, 0);
    const Run& r = runs_[static_cast<std::size_t>(run)];
    if (r.edited) {
        for (qsizetype at = r.characters.indexOf('\n'); at >= 0; at = r.characters.indexOf('\n', at + 1))
            cachedStarts_.push_back(static_cast<std::size_t>(at) + 1);
    } else {
        const std::string_view bytes = bytesOf(r);
        for (std::size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1))
            cachedStarts_.push_back(at + 1);
    }
    cachedRun_ = run;
    return cachedStarts_;
}

QString LargeText::line(int index) const {
    if (index < 0 || index >= lineCount_) return QString();
    const int run = runOf(index);
    const Run& r = runs_[static_cast<std::size_t>(run)];
    const std::vector<std::size_t>& starts = lineStarts(run);
    const auto k = static_cast<std::size_t>(index - firstLines_[static_cast<std::size_t>(run)]);
    const std::size_t begin = starts[k];
    const bool broken = k + 1 < starts.size();
    if (r.edited) {
        std::size_t end = broken ? starts[k + 1] - 1 : static_cast<std::size_t>(r.characters.size());
        // The CR of a CR LF is part of the break.
        if (broken && end > begin && r.characters.at(static_cast<qsizetype>(end) - 1) == '\r') --end;
        return r.characters.mid(static_cast<qsizetype>(begin), static_cast<qsizetype>(end - begin));
    }
    std::string_view bytes = bytesOf(r);
    const std::size_t end = broken ? starts[k + 1] - 1 : bytes.size();
    bytes = bytes.substr(begin, end - begin);
    if (broken && !bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    return text_.toText(bytes);
}

LargeText::Position LargeText::clamped(Position position) const {
    position.line = std::clamp(position.line, 0, lineCount_ - 1);
    position.column = std::clamp(position.column, 0, static_cast<int>(line(position.line).size()));
    return position;
}

QString LargeText::text(Position from, Position to) const {
    from = clamped(from);
    to = clamped(to);
    if (to < from) std::swap(from, to);
    if (from.line == to.line) return line(from.line).mid(from.column, to.column - from.column);
    QString result = line(from.line).mid(from.column);
    for (int i = from.line + 1; i < to.line; ++i) result += '\n' + line(i);
    return result + '\n' + line(to.line).left(to.column);
}

LargeText::Position LargeText::replace(Position from, Position to, const QString& inserted) {
    from = clamped(from);
    to = clamped(to);
    if (to < from) std::swap(from, to);
    // The runs the change touches become one run of characters.
    const int first = runOf(from.line);
    const int last = runOf(to.line);
    const auto offsetIn = [this](int run, const QString& characters, Position at) {
        qsizetype start = 0;
        for (int k = at.line - firstLines_[static_cast<std::size_t>(run)]; k > 0; --k)
            start = characters.indexOf('\n', start) + 1;
        return start + at.column;
    };
    const QString firstCharacters = charactersOf(runs_[static_cast<std::size_t>(first)]);
    const QString lastCharacters =
        last == first ? firstCharacters : charactersOf(runs_[static_cast<std::size_t>(last)]);
    QString changed = firstCharacters.left(offsetIn(first, firstCharacters, from));
    changed += withCrLf(inserted);
    changed += lastCharacters.mid(offsetIn(last, lastCharacters, to));
    std::vector<Run> runs = editedRuns(changed);
    runs_.erase(runs_.begin() + first, runs_.begin() + last + 1);
    runs_.insert(runs_.begin() + first, std::make_move_iterator(runs.begin()),
                 std::make_move_iterator(runs.end()));
    renumber();

    const QStringList lines = QString(inserted).replace("\r\n", "\n").split('\n');
    for (const QString& line : lines)
        longestLine_ = std::max(longestLine_, static_cast<int>(line.size()) + from.column);
    if (lines.size() == 1) return {from.line, from.column + static_cast<int>(lines.front().size())};
    return {from.line + static_cast<int>(lines.size()) - 1, static_cast<int>(lines.back().size())};
}
