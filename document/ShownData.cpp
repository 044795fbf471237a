#include "document/ShownData.h"

#include <QStringView>
#include <algorithm>
#include <string>

#include "core/CharacterData.h"

using corvantis::DataPiece;
using corvantis::DataPieces;

namespace {

QString shownCharacters(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).replace("\r\n", "\n");
}

}  // namespace

ShownData::ShownData(const corvantis::StringObject& data) : data_(data) {
    DataPieces pieces(data.view());
    DataPiece piece;
    while (pieces.next(piece)) {
        if (piece.kept) {
            const QString written = QString::fromUtf8(piece.text.data(), static_cast<qsizetype>(piece.text.size()));
            kept_.push_back({static_cast<int>(text_.size()), static_cast<int>(written.size())});
            text_ += written;
        } else {
            text_ += shownCharacters(piece.text);
        }
    }
    shownFirst_ = text_;
}

int ShownData::position(const corvantis::StringObject& data, std::size_t offset) {
    const char* const begin = data.data();
    DataPieces pieces(data.view());
    DataPiece piece;
    int shown = 0;
    for (const char* start = begin; pieces.next(piece); start = pieces.position()) {
        const std::size_t from = static_cast<std::size_t>(start - begin);
        if (offset < static_cast<std::size_t>(pieces.position() - begin)) {
            // A kept reference shows after its mark.
            if (piece.kept) return shown + static_cast<int>(offset > from ? offset - from - 1 : 0);
            return shown + static_cast<int>(shownCharacters(piece.text.substr(0, offset - from)).size());
        }
        shown += static_cast<int>(piece.kept ? QString::fromUtf8(piece.text.data(), static_cast<qsizetype>(
                                                                                          piece.text.size()))
                                                   .size()
                                             : shownCharacters(piece.text).size());
    }
    return shown;
}

bool ShownData::Kept::touchedBy(int at, int removed) const {
    return start < at + removed && at < start + length;
}

bool ShownData::touchesKept(int at, int removed) const {
    return std::any_of(kept_.begin(), kept_.end(), [=](const Kept& kept) { return kept.touchedBy(at, removed); });
}

void ShownData::follow(const QString& text, int hint) {
    // Without kept references every character is the user's anyway.
    if (kept_.empty()) return;
    const int oldSize = static_cast<int>(text_.size());
    const int newSize = static_cast<int>(text.size());
    int prefix = 0;
    while (prefix < oldSize && prefix < newSize && text_.at(prefix) == text.at(prefix)) ++prefix;
    int suffix = 0;
    while (suffix < oldSize - prefix && suffix < newSize - prefix &&
           text_.at(oldSize - 1 - suffix) == text.at(newSize - 1 - suffix))
        ++suffix;
    int at = prefix;
    const int removed = oldSize - prefix - suffix;
    const int added = newSize - prefix - suffix;
    if (removed == 0 || added == 0) {
        const QString& longer = removed == 0 ? text : text_;
        const int length = removed + added;
        int first = prefix;
        while (first > 0 && longer.at(first - 1) == longer.at(first - 1 + length)) --first;
        if (hint >= first && hint <= prefix) {
            at = hint;
        } else {
            while (at > first && touchesKept(at, removed)) --at;
            if (touchesKept(at, removed)) at = prefix;
        }
    }
    std::vector<Kept> kept;
    for (const Kept& k : kept_) {
        if (k.touchedBy(at, removed)) continue;
        kept.push_back(k.start < at ? k : Kept{k.start + added - removed, k.length});
    }
    kept_ = std::move(kept);
    text_ = text;
}

bool ShownData::toData(const QString& text, LineBreak lineBreak, corvantis::StringObject& data) const {
    if (text == shownFirst_) {
        data = data_;
        return true;
    }
    if (!QStringView(text).isValidUtf16()) return false;
    std::string out;
    const auto characters = [&out, &text, lineBreak](int from, int to) {
        QString piece = text.mid(from, to - from);
        piece.replace("\r\n", "\n");
        if (lineBreak == LineBreak::CrLf) piece.replace('\n', "\r\n");
        const QByteArray bytes = piece.toUtf8();
        corvantis::appendCharacters(out, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    };
    int done = 0;
    for (const Kept& k : kept_) {
        // A kept reference stays only where it still stands as written.
        if (k.start < done || k.start + k.length > text.size()) continue;
        const QByteArray written = text.mid(k.start, k.length).toUtf8();
        const char* p = written.constData();
        if (corvantis::referenceLength(p, p + written.size()) != static_cast<std::size_t>(written.size())) continue;
        characters(done, k.start);
        corvantis::appendKeptReference(out, std::string_view(p, static_cast<std::size_t>(written.size())));
        done = k.start + k.length;
    }
    characters(done, static_cast<int>(text.size()));
    data = corvantis::StringObject(out);
    return true;
}
