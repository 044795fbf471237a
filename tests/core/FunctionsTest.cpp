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
    for (const char* ok : {"_a", ":", "a:b:c", "x.1-y_z", "Folder2", "NewFolder"})
        EXPECT_TRUE(IsValidName(S(ok))) << ok;
    for (const char* bad : {"", "1abc", "-a", ".a", "a b", "a/b", "a>b", "caf\xE9", "\xE9t\xE9"})
        EXPECT_FALSE(IsValidName(S(bad))) << bad;
    EXPECT_TRUE(IsValidName(S(std::string(5000, 'n'))));  // no length limit
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
