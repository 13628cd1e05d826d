// The paced progress window, timed by a clock of the test's own: waiting advances it.
#include "framework/progress_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/control_box.h"
#include "framework/control_progress.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

std::uint32_t g_now = 0;
std::uint32_t g_slept = 0;

class PacedProgress : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        g_now = 5000;
        g_slept = 0;
        LoopClock clock;
        clock.tick = [] { return g_now; };
        clock.sleep = [](std::uint32_t ms) {
            g_now += ms;
            g_slept += ms;
        };
        SetLoopClock(clock);
    }
    void TearDown() override { SetLoopClock(LoopClock{}); }
};

TEST(ProgressPacing, TargetIsDoneOverTotalSeconds)
{
    const struct {
        std::uint32_t done, total, elapsed, wait;
    } cases[] = {
        {4, 4, 0, 1000},
        {1, 4, 0, 250},
        {1, 4, 300, 0},
        {3, 4, 700, 50},
        {0, 4, 0, 0},
        {2, 3, 0, 666},
        {4000000000u, 4000000000u, 10, 990},  // no overflow in done x 1000
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressPacingWait(c.done, c.total, c.elapsed), c.wait) << c.done << "/" << c.total;
}

TEST_F(PacedProgress, FourUnitsAtOnceStillLastASecondAnd150)
{
    const std::uint32_t start = g_now;
    ProgressOpen("Removing comments", 4);
    ASSERT_NE(ProgressWindow(), nullptr);
    // Each wait ends on the first tick past its time, so it may run one tick over.
    ProgressAdvance(4);
    EXPECT_GE(g_now - start, 1000u);
    EXPECT_LE(g_now - start, 1001u);
    ProgressClose();
    EXPECT_GE(g_now - start, 1150u);
    EXPECT_LE(g_now - start, 1152u);
    EXPECT_FALSE(ProgressIsOpen());
}

TEST_F(PacedProgress, SlowWorkNeverWaits)
{
    ProgressOpen("Scaling delays", 2);
    g_now += 600;  // the first unit took 600 ms: paced at 500
    ProgressAdvance(1);
    g_now += 600;
    ProgressAdvance(1);
    EXPECT_EQ(g_slept, 0u);
    ProgressClose();
    EXPECT_GE(g_slept, 150u);  // only the closing pause
    EXPECT_LE(g_slept, 151u);
}

TEST_F(PacedProgress, LayoutScreenshotAndAdvancingPastTheTotal)
{
    ProgressOpen("Making every frame non-interlaced", 10);
    ProgressAdvance(6);
    PumpAll();
    // Content: the larger of 5/4 of the caption and 4/10 of the main window; the bar takes
    // three quarters of it; 10 pixels around.
    View* root = ViewTopLevelAt(ProgressWindow(), 0);
    ASSERT_NE(root, nullptr);
    View* caption = BoxChildAt(root, 0);
    View* bar = BoxChildAt(root, 1);
    const platform::Size main = platform::WindowClientSize(platform::MainWindow());
    const int content_w = std::max(caption->width * 5 / 4, main.width / 10 * 4);
    const int content_h = std::max(caption->height * 5 / 4, main.height / 5);
    const platform::Size client = platform::WindowClientSize(ProgressWindow()->window);
    EXPECT_EQ(client.width, content_w + 20);
    EXPECT_EQ(client.height, content_h + 20);
    EXPECT_EQ(bar->width, content_w * 3 / 4);
    EXPECT_EQ(ProgressBarValue(bar), 6u);
    EXPECT_GT(bar->y, caption->y + caption->height);
    EXPECT_TRUE(platform::WindowSaveScreenshot(ProgressWindow()->window, ScreenshotPath("paced_progress").c_str()));
    ProgressAdvance(10);  // the bar stops at the total
    EXPECT_EQ(ProgressDone(), 10u);
    EXPECT_EQ(ProgressTotal(), 10u);
    EXPECT_EQ(ProgressBarValue(bar), 10u);
    ProgressClose();
}

}  // namespace
