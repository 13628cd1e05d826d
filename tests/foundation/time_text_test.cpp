#include "foundation/time_text.h"

#include "file_access_support.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Unit strings as an application table could hold them, from base id 40.
const char* unit_text(int id)
{
    switch (id) {
    case 40:
        return "1 byte";
    case 41:
        return "%d% bytes";
    case 42:
        return "%s% KB";
    case 43:
        return "%s% MB";
    case 44:
        return "%s% GB";
    default:
        return "";
    }
}

class TimeText : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatterStart();
        FormatSetDecimalSeparator('.');
        SetTimeTextSource(unit_text);
        tzset();
        TempMark();
    }
    void TearDown() override
    {
        TempRelease();
        SetTimeTextSource(nullptr);
    }
    ScopedEnv m_zone{"TZ", "UTC"};
};

std::string size(std::uint32_t count) { return StrPtr(SizeText(40, count)).get(); }

// 2026-03-14 (a Saturday) at the given time of day, UTC.
std::int64_t at(int hour, int minute, int second) { return 1773446400 + hour * 3600 + minute * 60 + second; }

}  // namespace

TEST_F(TimeText, SizesInTheLargestFittingUnit)
{
    struct Case {
        std::uint32_t count;
        const char* expected;
    } cases[] = {
        {0, "0 bytes"},       {1, "1 byte"},           {2, "2 bytes"},          {1023, "1023 bytes"},
        {1024, "1 KB"},       {1536, "1.5 KB"},        {2048, "2 KB"},          {102400, "100 KB"},
        {1048575, "1024 KB"}, {1048576, "1 MB"},       {5400000, "5.1 MB"},     {104857600, "100 MB"},
        {1073741824, "1 GB"}, {4294967295u, "4.0 GB"}, {2684354560u, "2.5 GB"}, {101888, "99.5 KB"},
        {102349, "100.0 KB"}, {1126, "1 KB"},
    };
    // The fraction digit is chosen before rounding: 99.95 shows as 100.0, 1.0996 as 1.
    for (const Case& c : cases)
        EXPECT_EQ(size(c.count), c.expected) << c.count;
}

TEST_F(TimeText, SizeWithoutASourceIsEmptyNotACrash)
{
    SetTimeTextSource(nullptr);
    EXPECT_EQ(size(5000), "");
}

TEST_F(TimeText, TwelveHourClock)
{
    struct Case {
        std::int64_t time;
        WithSeconds seconds;
        const char* expected;
    } cases[] = {
        {at(0, 0, 0), WithSeconds::No, "12:00 AM"},    {at(13, 5, 0), WithSeconds::No, "1:05 PM"},
        {at(9, 7, 3), WithSeconds::Yes, "9:07:03 AM"}, {at(12, 0, 59), WithSeconds::Yes, "12:00:59 PM"},
        {at(11, 59, 0), WithSeconds::No, "11:59 AM"},  {at(23, 59, 59), WithSeconds::Yes, "11:59:59 PM"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(TimeOfDayText(c.time, c.seconds), c.expected);
}

TEST_F(TimeText, LocalTimeRecordIsBrokenDown)
{
    LocalTime local = LocalTimeRecord(at(9, 7, 3));
    EXPECT_EQ(local.year, 2026);
    EXPECT_EQ(local.month, 3);
    EXPECT_EQ(local.day, 14);
    EXPECT_EQ(local.weekday, 7);  // Saturday
    EXPECT_EQ(local.hour, 9);
    EXPECT_EQ(local.minute, 7);
    EXPECT_EQ(local.second, 3);
    EXPECT_GT(NowSeconds(), 1700000000);
}
