#include "app/progress_text.h"

#include <gtest/gtest.h>

#include "foundation/formatter.h"

namespace {

class ProgressText : public ::testing::Test {
protected:
    void SetUp() override { FormatterStart(); }
};

// English texts: "%d% second(s)", "%d% minute(s)", "%d% hour(s)", "%s%" and "%s% and %s%".
TEST_F(ProgressText, DurationsInWords)
{
    struct Case {
        std::uint32_t milliseconds;
        const char* words;
    };
    const Case cases[] = {
        {0, "1 second"},
        {500, "1 second"},
        {1000, "2 seconds"},
        {58999, "59 seconds"},
        {59400, "1 minute"},  // 60 400 after rounding up: no seconds part
        {61000, "1 minute and 2 seconds"},
        {9 * 60000 + 58000, "9 minutes and 59 seconds"},
        {10 * 60000 + 5000, "10 minutes"},  // ten minutes or more: minutes only
        {3599000, "1 hour"},
        {3600000 + 120000, "1 hour and 2 minutes"},
        {9 * 3600000 + 60000, "9 hours and 1 minute"},
        {10 * 3600000 + 60000, "10 hours"},  // ten hours or more: hours only
    };
    for (const Case& c : cases)
        EXPECT_STREQ(format_duration(c.milliseconds).get(), c.words) << c.milliseconds;
}

TEST_F(ProgressText, RemainingTimeSentence)
{
    // Half done after 10 s: 10 s remain, shown rounded up.
    EXPECT_STREQ(remaining_time_text(10000, 50, 100).get(), "About 11 seconds left");
    EXPECT_EQ(remaining_time_text(10000, 0, 100), nullptr);
    EXPECT_EQ(remaining_time_text(10000, 5, 0), nullptr);
}

TEST_F(ProgressText, ShowRule)
{
    struct Case {
        std::int32_t elapsed;
        std::uint32_t done;
        std::uint32_t total;
        bool shown;
    };
    const Case cases[] = {
        {1999, 0, 100, false},  {2000, 66, 100, true},
        {2500, 67, 100, false}, {2999, 100, 100, false},
        {3000, 100, 100, true}, {2500, 0, 0, true},
        {-5, 0, 100, false},    {2500, 0xFFFFFFFFu / 2, 0xFFFFFFFFu, true},  // products do not wrap
    };
    for (const Case& c : cases)
        EXPECT_EQ(progress_should_show(c.elapsed, c.done, c.total), c.shown) << c.elapsed << " " << c.done;
}

}  // namespace
