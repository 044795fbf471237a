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

// Names in the user's language: in ISO-8859-1 its letters, in UTF-8 XML's
// name characters of every script.
TEST(NameChecks, NamesMayHoldTheLettersOfTheDocumentsEncoding) {
    struct Case {
        const char* name;
        bool latin1;
        bool utf8;
    };
    const Case cases[] = {
        {"K\xFC"
         "che",
         true, false},               // Küche in ISO-8859-1
        {"\xC9t\xE9", true, false},  // Été: a letter may start a name
        {"\xC0\xFF", true, false},   // the ends of the range
        {"a\xD7"
         "b",
         false, false},  // ×
        {"a\xF7"
         "b",
         false, false},  // ÷
        {"a\xB7"
         "b",
         false, false},          // · is no letter of ISO-8859-1
        {"\xAA", false, false},  // nor ª
        {"K\xC3\xBC"
         "che",
         false, true},                                              // Küche in UTF-8
        {"\xD0\x9A\xD1\x83\xD1\x85\xD0\xBD\xD1\x8F", false, true},  // Кухня
        {"\xE5\x8F\xB0\xE6\x89\x80", false, true},                  // 台所
        {"a\xC2\xB7"
         "b",
         false, true},  // · inside a UTF-8 name
        {"\xCC\x81"
         "a",
         false, false},  // a combining accent cannot start one
        {"a\xE2\x80\x94"
         "b",
         false, false},                          // nor may a dash stand in one
        {"caf\xC3", true, false},                // a cut-off UTF-8 sequence
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
