#include "foundation/formatter.h"

#include "foundation/memory.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <sys/mman.h>

namespace {

// Formats through all three entry points and checks that they agree: the measured length
// is the rendered one, FormatInto writes exactly that many bytes and the NUL.
std::string format(const char* pattern, ...)
{
    va_list arguments;
    va_start(arguments, pattern);
    std::size_t length = FormatLengthV(pattern, arguments);
    MemPtr<char> made(FormatNewV(pattern, arguments));
    std::string into(length + 8, '#');
    FormatIntoV(into.data(), pattern, arguments);
    va_end(arguments);
    EXPECT_EQ(std::strlen(made.get()), length) << pattern;
    EXPECT_EQ(into[length], '\0') << pattern;
    EXPECT_EQ(into.substr(length + 1), std::string(7, '#')) << pattern;
    EXPECT_EQ(into.substr(0, length), std::string(made.get())) << pattern;
    return made.get();
}

class Formatter : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatterStart();
        FormatSetDecimalSeparator('.');
    }
};

}  // namespace

TEST_F(Formatter, Integers)
{
    struct Case {
        const char* pattern;
        int value;
        const char* expected;
    } cases[] = {
        {"%d%", 0, "0"},
        {"%d%", -5, "-5"},
        {"%ds02%", 7, "07"},
        {"%ds02%", 123, "123"},
        {"%ds02%", -5, "-05"},
        {"%d0,2%", 12345, "45"},
        {"%d,2%", 12345, "12345"},  // the comma is the pad character
        {"%x08%", 48879, "0000BEEF"},
        {"%x%", 0, "0"},
        {"%dl%", 42, "42"},
        {"%db3%", 5, "  5"},
        {"%d%", INT_MIN, "-2147483648"},
        {"%d%", INT_MAX, "2147483647"},
        {"%u%", -1, "4294967295"},
        {"%x%", -1, "FFFFFFFF"},
        {"%x 4%", 255, "  FF"},
        {"%d*6%", -42, "-****42"},
        {"%d0,3%", -12345, "-345"},
        {"%d 0,0%", 123, ""},    // maximum 0: no digits at all
        {"%d05,0%", 123, "00"},  // the pad still fills the width
        {"%d65537%", 9, "9"},    // widths are 16-bit: 65537 is 1
        {"%d3x%", 1, "  1"},     // characters after the items are ignored
        {"prefix %d% suffix", 8, "prefix 8 suffix"},
        {"%us%", 3000000000u > INT_MAX ? -1294967296 : 0, "3000000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format(c.pattern, c.value), c.expected) << c.pattern;
}

TEST_F(Formatter, VariableWidthAndMaximumComeFirst)
{
    EXPECT_EQ(format("%dv%", 5, 42), "   42");
    EXPECT_EQ(format("%d0v,v%", 6, 3, 12345), "0345");  // pads for all five digits, shows three
    EXPECT_EQ(format("%dv%", 0x10003, 1), "  1");       // only the low 16 bits count
    EXPECT_EQ(format("%sv,v%", 4, 2, "abcd"), "ab  ");
    EXPECT_EQ(format("%cv%", 3, '-'), "---");
    EXPECT_EQ(format("%d%-%s%-%c%", 1, "two", '3'), "1-two-3");
}

TEST_F(Formatter, StringsAndCharacters)
{
    struct Case {
        const char* pattern;
        const char* value;
        const char* expected;
    } cases[] = {
        {"%s5%", "ab", "ab   "},         {"%s 0,2%", "abcd", "ab"}, {"%s%", "", ""},
        {"%s*4%", "ab", "ab**"},         {"%s 0,0%", "abc", ""},    {"%s3%", "abcdef", "abcdef"},
        {"%s 6,3%", "abcdef", "abc   "}, {"%s%", nullptr, ""},      {"[%s%]", "x%y", "[x%y]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format(c.pattern, c.value), c.expected) << c.pattern;
    EXPECT_EQ(format("%c3%", '-'), "---");
    EXPECT_EQ(format("%c%", 'x'), "x");
    EXPECT_EQ(format("%c0%", 'x'), "");
    EXPECT_EQ(format("%c%", 0x141), "A");  // the low byte
    EXPECT_EQ(format("%c12%", '='), "============");
}

TEST_F(Formatter, ScanningRules)
{
    EXPECT_EQ(format("%%%"), "%");
    EXPECT_EQ(format("ab%%"), "ab%");
    EXPECT_EQ(format("ab%"), "ab");
    EXPECT_EQ(format("a%q%b"), "ab");
    EXPECT_EQ(format("50% off"), "50");
    EXPECT_EQ(format("%q%%d%", 7), "7");  // unknown letters consume no argument
    EXPECT_EQ(format(""), "");
    EXPECT_EQ(format("100%%% sure"), "100% sure");
}

TEST_F(Formatter, Floats)
{
    struct Case {
        const char* pattern;
        double value;
        const char* expected;
    } cases[] = {
        {"%f1,5.3,3%", 2.5, "2.500"},
        {"%f1,5.3,3%", 0.5, "0.500"},
        {"%f1,5.3,3%", 123456.0, "23456.000"},
        {"%f .0,0%", 2.6, "3"},
        {"%f .0,1%", 2.0, "2"},
        {"%f .0,1%", 2.3, "2.3"},
        {"%f .0,1%", 2.96, "3.0"},  // the digit count is chosen before rounding
        {"%f+1.1%", 1.0, "+1.0"},
        {"%f1.1%", NAN, "NAN"},
        {"%f+1.1%", -NAN, "NAN"},
        {"%f1.1%", -INFINITY, "-inf"},
        {"%f+1.1%", INFINITY, "+inf"},
        // Zero and negative zero: no sign for -0.0, which is not below zero.
        {"%f1.1%", 0.0, "0.0"},
        {"%f1.1%", -0.0, "0.0"},
        {"%f+1.1%", -0.0, "+0.0"},
        {"%f%", 0.0, "0"},
        {"%f .0,0%", -0.4, "-0"},  // the sign belongs to the value, not to its rounding
        // Correct rounding where binary values lie just below or above a half.
        {"%f1.1,1%", 1.45, "1.4"},
        {"%f1.2,2%", 2.675, "2.67"},
        {"%f1.1,1%", 0.35, "0.3"},
        {"%f1.1,1%", 0.05, "0.1"},
        {"%f .0,1%", 0.05, "0"},
        {"%f1.0,3%", 0.0005, "0"},
        {"%f1.0,3%", 0.0015, "0.002"},
        // Exact halves round away from zero.
        {"%f .0,0%", 0.5, "1"},
        {"%f .0,0%", 2.5, "3"},
        {"%f .0,0%", -2.5, "-3"},
        {"%f1.2,2%", 0.125, "0.13"},
        {"%f1.2,2%", 0.375, "0.38"},
        {"%f1.1,1%", 0.25, "0.3"},
        {"%f1.1%", 0.25, "0.25"},
        // The fraction search looks at 25 significant digits only.
        {"%f1.3,17%", 0.1, "0.100"},
        {"%f1.3,18%", 0.1, "0.100000000000000006"},
        {"%f1.0,30%", 0.1, "0.1000000000000000055511151"},
        {"%f1.2%", 123.456, "123.456"},
        {"%f1.30%", 0.5, "0.500000000000000000000000000000"},
        // Pads, widths and maxima of the integer part.
        {"%f*5.3%", 2.5, "****2.500"},
        {"%f 5.3%", -2.5, "-    2.500"},
        {"%f05.1,1%", 3.25, "00003.3"},
        {"%f05.1%", 3.25, "00003.25"},
        {"%f1,2.0%", 12345.0, "45"},
        {"%f1,3%", 1e300, "160"},
        {"%f1,3%", DBL_MAX, "368"},
        {"%f%", 1e22, "10000000000000000000000"},
        // Denormals and tiny values.
        {"%f1.3,20%", 5e-324, "0.000"},
        {"%f%", DBL_MIN, "0"},
        {"%f1.0,3%", 1e-300, "0"},
        {"%f .0,3%", 0.999, "0.999"},
        {"%f .0,2%", 0.999, "1.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format(c.pattern, c.value), c.expected) << c.pattern << " " << c.value;
}

TEST_F(Formatter, FloatSignModeFromArgumentAndVariableFields)
{
    EXPECT_EQ(format("%fs1.1%", 1, 2.0), "+2.0");
    EXPECT_EQ(format("%fs1.1%", 0x100, 2.0), "2.0");  // only the low byte counts
    EXPECT_EQ(format("%fv.v%", 3, 2, 1.5), "  1.50");
    EXPECT_EQ(format("%f1,v.0,v%", 2, 3, 1234.5678), "34.568");
}

TEST_F(Formatter, DecimalSeparatorIsUsed)
{
    FormatSetDecimalSeparator(',');
    EXPECT_EQ(format("%f1.1%", 2.5), "2,5");
    EXPECT_EQ(format("%f .0,0%", 2.5), "3");
}

TEST_F(Formatter, HugeWidthsAreMeasuredExactly)
{
    std::string padded = format("%d65535%", 7);
    ASSERT_EQ(padded.size(), 65535u);
    EXPECT_EQ(padded.find_first_not_of(' '), 65534u);
    std::string fraction = format("%f1.65535%", 1.0);
    ASSERT_EQ(fraction.size(), 65537u);
    EXPECT_EQ(fraction.substr(0, 4), "1.00");
    EXPECT_EQ(fraction.find_first_not_of('0', 2), std::string::npos);
    std::string longest = format("%f%", 1e300);
    EXPECT_EQ(longest.size(), 255u);  // cut to the default maximum of 255 digits
    EXPECT_EQ(longest.substr(0, 20), "10815915491585411551");
    std::string text(70000, 'z');
    EXPECT_EQ(format("%s%", text.c_str()).size(), 70000u);
}

TEST_F(Formatter, UIntToTextWritesAllDigits)
{
    char buffer[11];
    EXPECT_STREQ(UIntToText(buffer, 0), "0");
    EXPECT_STREQ(UIntToText(buffer, 4294967295u), "4294967295");
}

TEST_F(Formatter, FormatInReadOnlyMemoryIsNeverWritten)
{
    long page = 4096;
    void* memory = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    std::strcpy(static_cast<char*>(memory), "%d% and %s5% and %f1.2%");
    ASSERT_EQ(mprotect(memory, page, PROT_READ), 0);
    EXPECT_EQ(format(static_cast<const char*>(memory), 12, "ab", 0.5), "12 and ab    and 0.50");
    munmap(memory, page);
}

TEST_F(Formatter, TemporariesAreFreedAtTheirMark)
{
    std::uint16_t base = TempDepth();
    std::uint32_t before = MemBytesInUse();
    TempMark();
    EXPECT_STREQ(FormatTemp("%d%", 1), "1");
    TempMark();
    char* inner = FormatTemp("%s%", "inner");
    EXPECT_STREQ(inner, "inner");
    TempKeep(FormatNew("%d%", 3));
    EXPECT_EQ(TempDepth(), base + 5);
    TempRelease();
    EXPECT_EQ(TempDepth(), base + 2);  // the outer mark and the outer text stay
    TempRelease();
    EXPECT_EQ(TempDepth(), base);
    EXPECT_EQ(MemBytesInUse(), before);
}
