// StringObject: byte strings with copy on write (geometric
// growth, inline short strings, fixed-capacity strings that never grow),
// which throw std::bad_alloc and keep their text when storage runs out.
#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <string>

#include "TestSupport.h"
#include "core/StringObject.h"

using namespace corvantis;
using corvantis::testing::S;
using corvantis::testing::Str;
using corvantis::testing::WithAllocationFailing;

TEST(StringObject, KeepsEmbeddedZerosAndHighBytes) {
    const char bytes[] = {'a', '\0', 'b', '\xE9', '\0'};
    StringObject s(bytes, 5);
    EXPECT_EQ(s.length(), 5u);
    EXPECT_EQ(s.view(), std::string_view(bytes, 5));
    EXPECT_EQ(s.c_str()[5], '\0');  // terminated after the last byte
    EXPECT_TRUE(StringObject().empty());
    EXPECT_EQ(StringObject().c_str()[0], '\0');
}

TEST(StringObject, CopiesAreIndependentValues) {
    for (const char* text : {"short", "a string well beyond the fifteen inline bytes"}) {
        StringObject a(text);
        StringObject b = a;
        StringObject c;
        c = a;
        b.append('!');
        c.write(0, "X", 1, false);
        EXPECT_EQ(Str(a), text);
        EXPECT_EQ(Str(b), std::string(text) + "!");
        EXPECT_EQ(c[0], 'X');
        StringObject moved = std::move(b);
        EXPECT_EQ(Str(moved), std::string(text) + "!");
        a = a;  // self-assignment does nothing
        EXPECT_EQ(Str(a), text);
    }
}

TEST(StringObject, WriteInsertsOrOverwritesAtClampedPosition) {
    StringObject s("abcdef");
    EXPECT_EQ(s.write(2, "XY", 2, true), 2u);
    EXPECT_EQ(Str(s), "abXYcdef");
    EXPECT_EQ(s.write(1, "12", 2, false), 2u);
    EXPECT_EQ(Str(s), "a12Ycdef");
    EXPECT_EQ(s.write(100, "Z", 1, true), 1u);  // position clamped to the length: appends
    EXPECT_EQ(Str(s), "a12YcdefZ");
    s.assign("abc", 3);
    EXPECT_EQ(s.write(1, "WXYZ", 4, false), 4u);  // overwrite runs past the end and extends
    EXPECT_EQ(Str(s), "aWXYZ");
}

TEST(StringObject, TruncateCharAtAppendRepeated) {
    StringObject s("hello");
    s.truncate(10);
    EXPECT_EQ(Str(s), "hello");
    s.truncate(2);
    EXPECT_EQ(Str(s), "he");
    EXPECT_EQ(*s.charAt(1), 'e');
    EXPECT_EQ(s.charAt(99), s.data() + 2);  // pointer to min(i, length)
    s.appendRepeated('-', 3);
    EXPECT_EQ(Str(s), "he---");
    s.clear();
    EXPECT_TRUE(s.empty());
}

TEST(StringObject, FixedCapacityStringNeverGrows) {
    StringObject fixed(20, 0);
    const std::size_t capacity = fixed.capacity();
    ASSERT_GE(capacity, 20u);
    EXPECT_EQ(fixed.growthStep(), 0u);
    std::string big(capacity + 50, 'x');
    fixed.append("abc", 3);
    EXPECT_EQ(fixed.write(fixed.length(), big.data(), big.size(), true), capacity - 3);
    EXPECT_EQ(fixed.length(), capacity);
    EXPECT_EQ(fixed.capacity(), capacity);
    fixed.append('y');  // full: cut off
    EXPECT_EQ(fixed.length(), capacity);
    EXPECT_EQ(fixed[capacity - 1], 'x');
    EXPECT_EQ(fixed.c_str()[capacity], '\0');

    // Overwrite never grows either, whatever the growth step.
    StringObject grows("abc");
    const std::size_t cap = grows.capacity();
    std::string longer(cap + 10, 'o');
    EXPECT_EQ(grows.write(1, longer.data(), longer.size(), false), cap - 1);
    EXPECT_EQ(grows.length(), cap);
}

TEST(StringObject, FillRepeatsPatternAndNeverGrows) {
    StringObject s(16, 0);
    const std::size_t capacity = s.capacity();
    s.fill("ab", 5);
    EXPECT_EQ(Str(s), "ababa");
    s.fill("xyz", 0);  // 0: the whole capacity
    EXPECT_EQ(s.length(), capacity);
    EXPECT_EQ(Str(s).substr(0, 6), "xyzxyz");
    StringObject growable;
    const std::size_t before = growable.capacity();
    growable.fill(" ", before + 100);
    EXPECT_EQ(growable.length(), before);
    EXPECT_EQ(growable.capacity(), before);
}

TEST(StringObject, AppendingByteByByteIsLinear) {
    const auto start = std::chrono::steady_clock::now();
    StringObject s;
    for (int i = 0; i < 4'000'000; ++i) s.append(static_cast<char>('a' + i % 26));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(s.length(), 4'000'000u);
    EXPECT_EQ(s[3'999'999], static_cast<char>('a' + 3'999'999 % 26));
    EXPECT_LT(seconds, 3.0);
}

TEST(StringObject, CompareIsUnsignedBytewise) {
    EXPECT_LT(StringObject::compare(S("ab"), S("abc")), 0);
    EXPECT_GT(StringObject::compare(S("abc"), S("ab")), 0);
    EXPECT_EQ(StringObject::compare(S("abc"), S("abc")), 0);
    EXPECT_GT(StringObject::compare(S("\xE9"), S("z")), 0);  // 0xE9 after 'z'
    EXPECT_TRUE(S("ab") < S("abc"));
    EXPECT_TRUE(S("Ab") != S("ab"));
    EXPECT_TRUE(S("ab").equals("ab"));
    EXPECT_FALSE(S("ab").equals("aB"));
}

TEST(StringObject, FindIgnoreCase) {
    StringObject s("Hello World, hello");
    EXPECT_EQ(s.findIgnoreCase("WORLD"), 6u);
    EXPECT_EQ(s.findIgnoreCase("hello", 1), 13u);
    EXPECT_EQ(s.findIgnoreCase("xyz"), StringObject::npos);
    EXPECT_EQ(StringObject::npos, 2147483647u);
    EXPECT_EQ(s.findIgnoreCase("lo", 100), StringObject::npos);
}

TEST(StringObject, AStringThatCannotGetStorageThrowsAndKeepsItsText) {
    const std::string longText(300, 'L');  // storage of its own, outside the pools
    StringObject shortText("short");
    EXPECT_TRUE(WithAllocationFailing(1, [&] { shortText.append(longText); }).threw);
    EXPECT_EQ(Str(shortText), "short");

    StringObject shared(longText);
    StringObject copy = shared;
    EXPECT_TRUE(WithAllocationFailing(1, [&] { copy.append('!'); }).threw);  // its own copy first
    EXPECT_EQ(Str(copy), longText);
    EXPECT_EQ(Str(shared), longText);
    EXPECT_TRUE(WithAllocationFailing(1, [&] { copy.truncate(3); }).threw);
    EXPECT_EQ(Str(copy), longText);

    StringObject large(longText);
    EXPECT_TRUE(WithAllocationFailing(1, [&] { large.append(std::string(1000, 'x')); }).threw);  // grown in place
    EXPECT_TRUE(WithAllocationFailing(1, [&] { large.assign(std::string(2000, 'y').data(), 2000); }).threw);
    EXPECT_EQ(Str(large), longText);

    EXPECT_TRUE(WithAllocationFailing(1, [] { StringObject made{std::string(300, 'L')}; }).threw);
}

TEST(StringObject, AStringLongerThanTheModelHoldsThrowsUnlessItsCapacityIsFixed) {
    const std::size_t tooLong = std::size_t{5} << 30;
    StringObject text("kept");
    EXPECT_THROW(text.reserve(tooLong), std::bad_alloc);
    EXPECT_THROW(text.appendRepeated('x', tooLong), std::bad_alloc);
    EXPECT_EQ(Str(text), "kept");
    StringObject fixed(20, 0);
    fixed.appendRepeated('x', tooLong);  // cut off at its capacity, as ever
    EXPECT_EQ(fixed.length(), fixed.capacity());
}
