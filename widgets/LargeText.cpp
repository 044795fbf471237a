#include "widgets/LargeText.h"

#include <algorithm>
#include <cstring>

SharedBytes SharedBytes::copyOf(std::string_view bytes) {
    auto copy = std::make_shared<const std::string>(bytes);
    return SharedBytes(copy, *copy);
}

SharedBytes SharedBytes::fromText(const QString& text) {
    auto bytes = std::make_shared<const std::string>(utf8::withCrLf(text));
    return SharedBytes(bytes, *bytes);
}

// ---- UTF-8 ----

namespace utf8 {

int sequenceLength(std::string_view bytes, char32_t* character) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.empty()) return 0;
    if (p[0] < 0x80) {
        if (character) *character = p[0];
        return 1;
    }
    int length;
    char32_t value;
    if (p[0] >= 0xC2 && p[0] <= 0xDF) {
        length = 2;
        value = p[0] & 0x1F;
    } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
        length = 3;
        value = p[0] & 0x0F;
    } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
        length = 4;
        value = p[0] & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < static_cast<std::size_t>(length)) return 0;
    for (int k = 1; k < length; ++k) {
        if (!isContinuation(p[k])) return 0;
        value = (value << 6) | (p[k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no characters.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    if (character) *character = value;
    return length;
}

void decode(std::string_view bytes, QString& text, std::vector<std::uint32_t>* starts) {
    text.reserve(text.size() + static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            text += QChar(byte);
            if (starts) starts->push_back(static_cast<std::uint32_t>(at));
            ++at;
            continue;
        }
        char32_t character = QChar::ReplacementCharacter;
        const int length = std::max(1, sequenceLength(bytes.substr(at), &character));
        const int units = QChar::requiresSurrogates(character) ? 2 : 1;
        if (units == 2) {
            text += QChar(QChar::highSurrogate(character));
            text += QChar(QChar::lowSurrogate(character));
        } else {
            text += QChar(static_cast<char16_t>(character));
        }
        if (starts) starts->insert(starts->end(), static_cast<std::size_t>(units), static_cast<std::uint32_t>(at));
        at += static_cast<std::size_t>(length);
    }
    if (starts) starts->push_back(static_cast<std::uint32_t>(bytes.size()));
}

std::string withCrLf(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::string result;
    result.reserve(static_cast<std::size_t>(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            result += "\r\n";
            if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            result += byte;
        }
    }
    return result;
}

}  // namespace utf8

// ---- The pieces ----

LargeText::LargeText() { setBytes(SharedBytes()); }

void LargeText::setBytes(SharedBytes bytes) {
    const std::size_t before = size_;
    original_ = std::move(bytes);
    added_.clear();
    added_.shrink_to_fit();
    pieces_.clear();
    ends_.clear();
    size_ = original_.view().size();
    if (size_ > 0) {
        pieces_.push_back({false, 0, size_});
        ends_.push_back(size_);
    }
    lastChange_ = {0, before, size_};
    ++version_;
}

std::string_view LargeText::viewOf(const Piece& piece) const {
    const char* base = piece.added ? added_.data() : original_.view().data();
    return {base + piece.start, piece.length};
}

LargeText::Place LargeText::placeOf(std::size_t offset) const {
    const auto at = std::upper_bound(ends_.begin(), ends_.end(), offset);
    const auto piece = static_cast<std::size_t>(at - ends_.begin());
    if (piece == pieces_.size()) return {piece, 0};
    return {piece, offset - (ends_[piece] - pieces_[piece].length)};
}

void LargeText::renumberFrom(std::size_t piece) {
    ends_.resize(pieces_.size());
    std::size_t end = piece > 0 ? ends_[piece - 1] : 0;
    for (std::size_t i = piece; i < pieces_.size(); ++i) ends_[i] = end += pieces_[i].length;
    size_ = end;
}

unsigned char LargeText::at(std::size_t offset) const {
    const Place place = placeOf(offset);
    if (place.piece == pieces_.size()) return 0;
    return static_cast<unsigned char>(viewOf(pieces_[place.piece])[place.within]);
}

std::vector<std::string_view> LargeText::parts(std::size_t from, std::size_t to) const {
    std::vector<std::string_view> result;
    to = std::min(to, size_);
    if (from >= to) return result;
    for (Place place = placeOf(from); place.piece < pieces_.size() && from < to; ++place.piece, place.within = 0) {
        const std::string_view piece = viewOf(pieces_[place.piece]).substr(place.within, to - from);
        result.push_back(piece);
        from += piece.size();
    }
    return result;
}

std::string LargeText::bytes(std::size_t from, std::size_t to) const {
    std::string result;
    result.reserve(to > from ? std::min(to, size_) - std::min(from, size_) : 0);
    for (const std::string_view part : parts(from, to)) result += part;
    return result;
}

std::size_t LargeText::mismatch(std::string_view bytes) const {
    std::size_t at = 0;
    for (const std::string_view part : parts()) {
        const std::string_view other = bytes.substr(std::min(at, bytes.size()), part.size());
        if (other != part)
            return at + static_cast<std::size_t>(std::mismatch(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(other.size()), other.begin()).first - part.begin());
        at += part.size();
    }
    return at == bytes.size() ? npos : at;
}

std::string_view LargeText::view(std::size_t from, std::size_t to, std::string& scratch) const {
    const std::vector<std::string_view> stretches = parts(from, to);
    if (stretches.empty()) return {};
    if (stretches.size() == 1) return stretches.front();
    scratch.clear();
    for (const std::string_view part : stretches) scratch += part;
    return scratch;
}

QString LargeText::characters(std::size_t from, std::size_t to) const {
    std::string scratch;
    QString result;
    utf8::decode(view(from, to, scratch), result);
    return result;
}

std::size_t LargeText::find(char byte, std::size_t from, std::size_t to) const {
    std::size_t at = from;
    for (const std::string_view part : parts(from, to)) {
        if (const void* found = std::memchr(part.data(), byte, part.size()))
            return at + static_cast<std::size_t>(static_cast<const char*>(found) - part.data());
        at += part.size();
    }
    return npos;
}

std::size_t LargeText::findLast(char byte, std::size_t from, std::size_t to) const {
    to = std::min(to, size_);
    if (from >= to) return npos;
    // Piece by piece from the end, so a break just before `to` is found
    // without looking at everything before it.
    Place place = placeOf(to - 1);
    std::size_t end = to;
    for (;;) {
        const std::size_t start = ends_[place.piece] - pieces_[place.piece].length;
        const std::size_t begin = std::max(start, from);
        const std::string_view piece = viewOf(pieces_[place.piece]).substr(begin - start, end - begin);
        if (const void* found = memrchr(piece.data(), byte, piece.size()))
            return begin + static_cast<std::size_t>(static_cast<const char*>(found) - piece.data());
        if (begin == from || place.piece == 0) return npos;
        end = begin;
        --place.piece;
    }
}

std::size_t LargeText::nextCharacter(std::size_t offset) const {
    if (offset >= size_) return size_;
    std::string scratch;
    const std::string_view ahead = view(offset, std::min(size_, offset + 4), scratch);
    if (ahead[0] == '\r' && ahead.size() > 1 && ahead[1] == '\n') return offset + 2;
    return offset + static_cast<std::size_t>(std::max(1, utf8::sequenceLength(ahead)));
}

std::size_t LargeText::previousCharacter(std::size_t offset) const {
    offset = std::min(offset, size_);
    if (offset == 0) return 0;
    if (at(offset - 1) == '\n' && offset >= 2 && at(offset - 2) == '\r') return offset - 2;
    // The nearest byte before that is no continuation byte starts the
    // character, if its sequence reaches `offset`; else the byte alone is one.
    std::size_t start = offset - 1;
    while (start > 0 && offset - start < 4 && utf8::isContinuation(at(start))) --start;
    std::string scratch;
    const auto length = static_cast<std::size_t>(utf8::sequenceLength(view(start, offset, scratch)));
    return length == offset - start ? start : offset - 1;
}

std::size_t LargeText::characterStart(std::size_t offset) const {
    offset = std::min(offset, size_);
    if (offset == 0 || offset == size_) return offset;
    if (at(offset) == '\n' && at(offset - 1) == '\r') return offset - 1;
    if (!utf8::isContinuation(at(offset))) return offset;
    const std::size_t before = previousCharacter(offset);
    return nextCharacter(before) > offset ? before : offset;
}

std::size_t LargeText::unitsBetween(std::size_t from, std::size_t to) const {
    to = std::min(to, size_);
    std::size_t units = 0;
    while (from < to) {
        // Decoded in slices that end before a byte starting a character.
        std::size_t end = std::min(to, from + (64 << 10));
        while (end < to && end > from + 1 && utf8::isContinuation(at(end))) --end;
        std::string scratch;
        QString slice;
        utf8::decode(view(from, end, scratch), slice);
        units += static_cast<std::size_t>(slice.size());
        from = end;
    }
    return units;
}

std::size_t LargeText::offsetAfterUnits(std::size_t from, std::size_t count) const {
    from = std::min(from, size_);
    while (count > 0 && from < size_) {
        std::size_t end = std::min(size_, from + std::max<std::size_t>(count, 16));
        while (end < size_ && end > from + 1 && utf8::isContinuation(at(end))) --end;
        std::string scratch;
        QString slice;
        std::vector<std::uint32_t> starts;
        utf8::decode(view(from, end, scratch), slice, &starts);
        if (static_cast<std::size_t>(slice.size()) > count) return from + starts[count];
        count -= static_cast<std::size_t>(slice.size());
        from = end;
    }
    return from;
}

void LargeText::replace(std::size_t from, std::size_t to, std::string_view bytes) {
    from = std::min(from, size_);
    to = std::min(to, size_);
    if (to < from) std::swap(from, to);
    if (from == to && bytes.empty()) return;
    const Place first = placeOf(from);
    const Place last = placeOf(to);
    // Typing goes on at the end of the piece typed last: it just grows.
    if (from == to && first.within == 0 && first.piece > 0) {
        Piece& before = pieces_[first.piece - 1];
        if (before.added && before.start + before.length == added_.size()) {
            added_ += bytes;
            before.length += bytes.size();
            renumberFrom(first.piece - 1);
            lastChange_ = {from, 0, bytes.size()};
            ++version_;
            return;
        }
    }
    std::vector<Piece> made;
    if (first.within > 0) made.push_back({pieces_[first.piece].added, pieces_[first.piece].start, first.within});
    if (!bytes.empty()) {
        made.push_back({true, added_.size(), bytes.size()});
        added_ += bytes;
    }
    std::size_t replacedEnd = last.piece;
    if (last.piece < pieces_.size()) {
        const Piece& tail = pieces_[last.piece];
        made.push_back({tail.added, tail.start + last.within, tail.length - last.within});
        ++replacedEnd;
    }
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(first.piece),
                  pieces_.begin() + static_cast<std::ptrdiff_t>(replacedEnd));
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(first.piece), made.begin(), made.end());
    renumberFrom(first.piece);
    lastChange_ = {from, to - from, bytes.size()};
    ++version_;
}
