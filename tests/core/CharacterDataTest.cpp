// The form character data is held in: typed text and kept references stay
// apart, whatever bytes the text holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CharacterData.h"

using namespace corvantis;

namespace {

// The pieces as "kept:..." or "text:...".
std::vector<std::string> Pieces(const std::string& data) {
    std::vector<std::string> pieces;
    DataPieces walk(data);
    DataPiece piece;
    while (walk.next(piece)) pieces.push_back((piece.kept ? "kept:" : "text:") + std::string(piece.text));
    return pieces;
}

const std::string zero(1, '\0');

}  // namespace

TEST(CharacterData, TypedTextNeverReadsAsAKeptReference) {
    std::string data;
    appendCharacters(data, "a&nbsp;" + zero + "&nbsp;" + zero);
    appendKeptReference(data, "&nbsp;");
    appendCharacters(data, zero);
    EXPECT_TRUE(isCharacterData(data));
    EXPECT_EQ(Pieces(data), (std::vector<std::string>{"text:a&nbsp;", "text:" + zero, "text:&nbsp;", "text:" + zero,
                                                      "kept:&nbsp;", "text:" + zero}));
}

TEST(CharacterData, AMarkBeginsAKeptFormOrStandsForAZero) {
    EXPECT_TRUE(isCharacterData(""));
    EXPECT_TRUE(isCharacterData(zero + "&#0;x" + zero + zero));
    for (const std::string& broken : {zero, "a" + zero + "b", zero + "&", zero + "&x", zero + "&#;", zero + "&1;"}) {
        EXPECT_FALSE(isCharacterData(broken)) << broken;
        // Read as a zero, then what follows.
        EXPECT_EQ(Pieces(broken).front().substr(0, 6), broken.front() == 'a' ? "text:a" : "text:" + zero);
    }
}

TEST(CharacterData, ReferencesAreRecognisedByTheirSyntax) {
    const std::string texts[] = {"&amp;", "&a-b.c:d_1;", "&\xC3\xA9;", "&#0;", "&#x1F339;", "&#99999999999;"};
    for (const std::string& reference : texts) {
        const std::string text = reference.back() == ';' ? reference : reference + ";";
        EXPECT_EQ(referenceLength(text.data(), text.data() + text.size()), text.size()) << text;
    }
    for (const std::string text : {"&", "&;", "&1a;", "&-a;", "&#;", "&#x;", "&#X1;", "&#1a;", "&a b;", "&a"})
        EXPECT_EQ(referenceLength(text.data(), text.data() + text.size()), 0u) << text;
}
