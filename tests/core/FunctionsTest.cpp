// XML name and character checks, and ExtractDirectory.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Functions.h"

using namespace corvantis;
using corvantis::testing::S;
using corvantis::testing::Str;

TEST(NameChecks, CharacterClassesAreAsciiOnly) {
    EXPECT_TRUE(IsLetter('a') && IsLetter('Z'));
    EXPECT_FALSE(IsLetter('0') || IsLetter('_') || IsLetter('\xE9') || IsLetter('\xC0'));
    EXPECT_TRUE(IsDigit('0') && IsDigit('9'));
    EXPECT_FALSE(IsDigit('a') || IsDigit('\xB2'));
    EXPECT_TRUE(IsNameStartChar(':') && IsNameStartChar('_') && IsNameStartChar('q'));
    EXPECT_FALSE(IsNameStartChar('1') || IsNameStartChar('-') || IsNameStartChar('.'));
    EXPECT_TRUE(IsNameChar('.') && IsNameChar('-') && IsNameChar('7') && IsNameChar(':'));
    EXPECT_FALSE(IsNameChar(' ') || IsNameChar('\xB7') || IsNameChar('/'));
    for (int c = 0x80; c <= 0xFF; ++c) EXPECT_FALSE(IsNameChar(static_cast<char>(c))) << c;
}

TEST(NameChecks, IsValidName) {
    for (const Encoding encoding : {Encoding::Latin1, Encoding::Utf8}) {
        for (const char* ok : {"_a", ":", "a:b:c", "x.1-y_z", "Folder2", "NewFolder"})
            EXPECT_TRUE(IsValidName(S(ok), encoding)) << ok;
        for (const char* bad : {"", "1abc", "-a", ".a", "a b", "a/b", "a>b"})
            EXPECT_FALSE(IsValidName(S(bad), encoding)) << bad;
        EXPECT_TRUE(IsValidName(S(std::string(5000, 'n')), encoding));  // no length limit
    }
}

// Names in the user's language, held in UTF-8: for an ISO-8859-1 file its
// letters, for a UTF-8 file XML's name characters of every script.
TEST(NameChecks, NamesMayHoldTheLettersOfTheFilesEncoding) {
    struct Case {
        const char* name;
        bool latin1;
        bool utf8;
    };
    const Case cases[] = {
        {"K\xC3\xBC"
         "che",
         true, true},                                                // Küche
        {"\xC3\x89t\xC3\xA9", true, true},                           // Été: a letter may start a name
        {"\xC3\x80\xC3\xBF", true, true},                            // the ends of ISO-8859-1's range
        {"\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F", false, true},  // Кухня
        {"\xE5\x8F\xB0\xE6\x89\x80", false, true},                  // 台所
        {"a\xC3\x97"
         "b",
         false, false},  // ×
        {"a\xC3\xB7"
         "b",
         false, false},  // ÷
        {"a\xC2\xB7"
         "b",
         false, true},  // ·: in a UTF-8 name only
        {"\xC2\xAA", false, false},  // nor ª
        {"\xCC\x81"
         "a",
         false, false},  // a combining accent cannot start one
        {"a\xE2\x80\x94"
         "b",
         false, false},                          // nor may a dash stand in one
        {"caf\xC3", false, false},                // a cut-off UTF-8 sequence
        {"caf\xE9", false, false},                // a byte that is no UTF-8
        {"\xC3\xA9\xED\xA0\x80", false, false},  // a surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidName(S(c.name), Encoding::Latin1), c.latin1) << c.name;
        EXPECT_EQ(IsValidName(S(c.name), Encoding::Utf8), c.utf8) << c.name;
    }
}

TEST(NameChecks, IsValidPIValue) {
    for (const char* ok : {"?", ">", "? >", "version=\"1.0\""}) EXPECT_TRUE(IsValidPIValue(S(ok))) << ok;
    for (const char* bad : {"", "?>", "?>abc", "ab?>cd", "abc?>"})
        EXPECT_FALSE(IsValidPIValue(S(bad))) << bad;
}

TEST(ExtractDirectory, KeepsUpToLastSeparator) {
    EXPECT_EQ(Str(ExtractDirectory(S("C:\\Program Files\\Corvantis\\app.exe"))),
              "C:\\Program Files\\Corvantis\\");
    EXPECT_EQ(Str(ExtractDirectory(S("app.exe"))), "");
    EXPECT_EQ(Str(ExtractDirectory(S("C:app.exe"))), "C:");
    EXPECT_EQ(Str(ExtractDirectory(S("/usr/local/"))), "/usr/local/");
    EXPECT_EQ(Str(ExtractDirectory(S("/opt/corvantis/bin/corvantis"))), "/opt/corvantis/bin/");
    EXPECT_EQ(Str(ExtractDirectory(S("DISK$USER:[DIR]file.xml"))), "DISK$USER:[DIR]");
    EXPECT_EQ(Str(ExtractDirectory(S(""))), "");
}
