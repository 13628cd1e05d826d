// Frame numbers and durations as the frame pane reads and shows them (English patterns:
// "%d%:%d%:%f%", "%d%:%f%", "%f%"; time texts "%d%:%ds02%.%ds02%" and with hours).
#include "ui/frame_entry.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "foundation/formatter.h"

namespace {

class FrameEntry : public ::testing::Test {
protected:
    void SetUp() override { FormatterStart(); }
};

TEST_F(FrameEntry, DelaysAreReadAsHoursMinutesAndSeconds)
{
    struct Case {
        const char* typed;
        DelayVerdict verdict;
        std::uint16_t value;
    };
    const std::string digits(400, '9');
    const Case cases[] = {
        {"1:00", DelayVerdict::Accepted, 6000},  // one minute and no seconds
        {"0:01:00", DelayVerdict::Accepted, 6000},
        {"60", DelayVerdict::Accepted, 6000},
        {"2.5", DelayVerdict::Accepted, 250},
        {"1:30", DelayVerdict::Accepted, 9000},
        {"0:0.07", DelayVerdict::Accepted, 7},  // 7.5 hundredths truncated
        {"  45  ", DelayVerdict::Accepted, 4500},
        {"0", DelayVerdict::Accepted, 0},
        {"655.35", DelayVerdict::Accepted, 65535},
        {"655.36", DelayVerdict::TooLong, 65535},  // above 655.35 seconds
        {"10:55.36", DelayVerdict::TooLong, 65535},
        {"1:00:00", DelayVerdict::TooLong, 65535},
        {digits.c_str(), DelayVerdict::TooLong, 65535},
        {"-1", DelayVerdict::Unreadable, 0},
        {"1:-5", DelayVerdict::Unreadable, 0},
        {"", DelayVerdict::Unreadable, 0},
        {"abc", DelayVerdict::Unreadable, 0},
        {"1:", DelayVerdict::Unreadable, 0},
        {"1:30abc", DelayVerdict::Unreadable, 0},
        {"1.5:30", DelayVerdict::Unreadable, 0},
        {"1:2:3:4", DelayVerdict::Unreadable, 0},
        {"%s%d%", DelayVerdict::Unreadable, 0},
    };
    for (const Case& c : cases) {
        const DelayEntry entry = read_delay(c.typed);
        EXPECT_EQ(entry.verdict, c.verdict) << c.typed;
        if (c.verdict != DelayVerdict::Unreadable) {
            EXPECT_EQ(entry.value, c.value) << c.typed;
        }
    }
}

TEST_F(FrameEntry, FrameNumbersAreCheckedAgainstTheCount)
{
    struct Case {
        const char* typed;
        FrameNumberVerdict verdict;
        std::int32_t typed_number;
        std::int32_t shown;
    };
    const Case cases[] = {
        {"5", FrameNumberVerdict::Accepted, 5, 5},
        {" 7 ", FrameNumberVerdict::Accepted, 7, 7},
        {"+3", FrameNumberVerdict::Accepted, 3, 3},
        {"0", FrameNumberVerdict::BelowOne, 0, 0},
        {"-3", FrameNumberVerdict::BelowOne, -3, -3},
        {"11", FrameNumberVerdict::AboveCount, 11, 10},  // the last frame is shown
        {"99999999999", FrameNumberVerdict::AboveCount, INT_MAX, 10},
        {"7x", FrameNumberVerdict::NotANumber, 0, 0},
        {"1.5", FrameNumberVerdict::NotANumber, 0, 0},
        {"", FrameNumberVerdict::NotANumber, 0, 0},
        {"\xFF\xFE", FrameNumberVerdict::NotANumber, 0, 0},
    };
    for (const Case& c : cases) {
        const FrameNumberEntry entry = read_frame_number(c.typed, 10);
        EXPECT_EQ(entry.verdict, c.verdict) << c.typed;
        if (c.verdict != FrameNumberVerdict::NotANumber) {
            EXPECT_EQ(entry.typed, c.typed_number) << c.typed;
            EXPECT_EQ(entry.number, c.shown) << c.typed;
        }
    }
}

TEST_F(FrameEntry, TimeTextGainsHoursFromOneHourOn)
{
    const struct {
        std::uint64_t hundredths;
        const char* text;
    } cases[] = {
        {0, "0:00.00"},       {7, "0:00.07"},         {6000, "1:00.00"},        {65535, "10:55.35"},
        {359999, "59:59.99"}, {360000, "1:00:00.00"}, {3600000, "10:00:00.00"}, {366101, "1:01:01.01"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(time_text(c.hundredths).get(), c.text) << c.hundredths;
}

}  // namespace
