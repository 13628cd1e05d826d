#include "foundation/heap_string.h"
#include "foundation/memory.h"

#include <gtest/gtest.h>

#include <vector>

TEST(HeapString, CopiesAreExactAndOwned)
{
    MemFree(MemAlloc(1));  // the allocator takes its reserve block with the first allocation
    std::uint32_t before = MemBytesInUse();
    {
        StrPtr copy(StrDup("hello"));
        EXPECT_STREQ(copy.get(), "hello");
        StrPtr part(StrDupN("hello", 3));
        EXPECT_STREQ(part.get(), "hel");
        StrPtr empty(StrDupN("hello", 0));
        EXPECT_STREQ(empty.get(), "");
    }
    StrFree(nullptr);
    EXPECT_EQ(MemBytesInUse(), before);
}

TEST(HeapString, CopyNAlwaysTerminates)
{
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_STREQ(StrCopyN(buffer, "abcdef", 3), "abc");
    EXPECT_STREQ(StrCopyN(buffer, "a", 3), "a");
}

TEST(HeapString, ComparisonsAndSearches)
{
    EXPECT_TRUE(StrEqual("a", "a"));
    EXPECT_FALSE(StrEqual("a", "A"));
    EXPECT_LT(StrCompare("a", "b"), 0);
    EXPECT_GT(StrCompare("\xE9", "z"), 0);  // byte order: bytes above 127 sort last
    EXPECT_EQ(StrCompare("same", "same"), 0);
    const char* text = "a.b.c";
    EXPECT_EQ(StrFindChar(text, '.'), text + 1);
    EXPECT_EQ(StrFindLastChar(text, '.'), text + 3);
    EXPECT_EQ(StrFindChar(text, '\0'), text + 5);
    EXPECT_EQ(StrFindChar(text, 'z'), nullptr);
    EXPECT_EQ(StrLen(text), 5u);
}

TEST(HeapString, AsciiCharacterTests)
{
    struct Case {
        std::uint8_t c;
        bool digit, hex, upper, lower;
        std::uint8_t digit_value, hex_value, to_upper, to_lower;
    } cases[] = {
        {'0', true, true, false, false, 0, 0, '0', '0'},
        {'9', true, true, false, false, 9, 9, '9', '9'},
        {'a', false, true, false, true, 255, 10, 'A', 'a'},
        {'F', false, true, true, false, 255, 15, 'F', 'f'},
        {'g', false, false, false, true, 255, 255, 'G', 'g'},
        {'Z', false, false, true, false, 255, 255, 'Z', 'z'},
        {'/', false, false, false, false, 255, 255, '/', '/'},
        {':', false, false, false, false, 255, 255, ':', ':'},
        {'@', false, false, false, false, 255, 255, '@', '@'},
        {0xE9, false, false, false, false, 255, 255, 0xE9, 0xE9},  // only ASCII letters map
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CharIsDigit(c.c), c.digit) << int(c.c);
        EXPECT_EQ(CharIsHexDigit(c.c), c.hex) << int(c.c);
        EXPECT_EQ(CharIsUpper(c.c), c.upper) << int(c.c);
        EXPECT_EQ(CharIsLower(c.c), c.lower) << int(c.c);
        EXPECT_EQ(CharDigitValue(c.c), c.digit_value) << int(c.c);
        EXPECT_EQ(CharHexValue(c.c), c.hex_value) << int(c.c);
        EXPECT_EQ(CharToUpper(c.c), c.to_upper) << int(c.c);
        EXPECT_EQ(CharToLower(c.c), c.to_lower) << int(c.c);
    }
}
