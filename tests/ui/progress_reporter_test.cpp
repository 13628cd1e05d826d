// The progress reporter on a clock of the test's own: no test sleeps.
#include "ui/progress_reporter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "framework/event_loop.h"
#include "gif/gif_reader.h"
#include "framework/frame_window.h"
#include "framework/view.h"
#include "ui_support.h"

namespace {

std::uint32_t g_now = 0;
std::vector<platform::CursorShape> g_cursors;

class ProgressReporterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        g_now = 100000;
        g_cursors.clear();
        m_reporter.set_clock([] { return g_now; });
        m_reporter.set_cursor_setter([](platform::CursorShape shape) { g_cursors.push_back(shape); });
    }
    void TearDown() override
    {
        while (m_reporter.depth() > 0)
            m_reporter.end_progress();
    }
    // Advances by `units` when `at` milliseconds have passed since `start`.
    void advance_at(std::uint32_t start, std::uint32_t at, std::uint32_t units)
    {
        g_now = start + at;
        m_reporter.advance_progress(units);
    }

    ProgressReporter m_reporter;
};

TEST_F(ProgressReporterTest, ShowRule)
{
    struct Case {
        std::uint32_t total;
        std::uint32_t done_before;  // reported at 100 ms
        std::uint32_t at;           // the advance that may show the window
        bool shown;
    };
    const Case cases[] = {
        {100, 0, 1999, false},                          // within two seconds: never
        {100, 50, 2500, true},                          // between two and three seconds, not past two thirds
        {100, 66, 2500, true},                          // 66 x 3 = 198 <= 200
        {100, 67, 2500, false},                         // 201 > 200: nearly done, stays hidden
        {100, 99, 2999, false}, {100, 99, 3000, true},  // three seconds: always
        {0, 0, 1999, false},    {0, 0, 2000, true},     // an unknown amount of work: 0 <= 0
    };
    for (const Case& c : cases) {
        const std::uint32_t start = g_now;
        m_reporter.begin_progress("Reading", c.total);
        advance_at(start, 100, c.done_before);
        EXPECT_EQ(m_reporter.window(), nullptr);
        advance_at(start, c.at, 1);
        EXPECT_EQ(m_reporter.window() != nullptr, c.shown) << c.total << " " << c.done_before << " " << c.at;
        m_reporter.end_progress();
        EXPECT_EQ(m_reporter.depth(), 0);
    }
}

TEST_F(ProgressReporterTest, RemainingTimeIsEstimatedOncePerSecond)
{
    const std::uint32_t start = g_now;
    m_reporter.begin_progress("Writing", 100);
    // 30 of 100 after 3 s: 10 s in all, 7 s left, shown rounded up by a second.
    advance_at(start, 3000, 30);
    ASSERT_NE(m_reporter.window(), nullptr);
    EXPECT_STREQ(m_reporter.time_text(), "About 8 seconds left");
    EXPECT_EQ(m_reporter.bar_value(), 30u);
    // Half a second later the bar moves but the estimate waits.
    advance_at(start, 3500, 10);
    EXPECT_STREQ(m_reporter.time_text(), "About 8 seconds left");
    EXPECT_EQ(m_reporter.bar_value(), 40u);
    // 60 after 4 s: 6666 ms in all, 2666 left: "3 seconds".
    advance_at(start, 4000, 20);
    EXPECT_STREQ(m_reporter.time_text(), "About 3 seconds left");
    // Past the total: done and the bar stop at the total.
    advance_at(start, 4100, 500);
    EXPECT_EQ(m_reporter.done(), 100u);
    EXPECT_EQ(m_reporter.bar_value(), 100u);
}

TEST_F(ProgressReporterTest, UnknownTotalShowsBusyIndicatorWithoutTime)
{
    const std::uint32_t start = g_now;
    m_reporter.begin_progress("Measuring", 0);
    advance_at(start, 3000, 5);
    ASSERT_NE(m_reporter.window(), nullptr);
    EXPECT_TRUE(m_reporter.busy_indicator());
    advance_at(start, 5000, 5);
    EXPECT_STREQ(m_reporter.time_text(), "");
    EXPECT_EQ(m_reporter.done(), 0u);
}

TEST_F(ProgressReporterTest, NestedWindowSitsThirtyRightAndBelow)
{
    const std::uint32_t start = g_now;
    m_reporter.begin_progress("Saving", 100);
    advance_at(start, 3000, 1);
    FrameWindow* outer = m_reporter.window();
    ASSERT_NE(outer, nullptr);
    // A hidden report in between does not count: the inner window follows the shown one.
    m_reporter.begin_progress("Optimizing", 10);
    m_reporter.begin_progress("Encoding", 10);
    advance_at(start, 6000, 1);
    FrameWindow* inner = m_reporter.window();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(m_reporter.window(1), nullptr);
    const platform::Rect a = FrameWindowClientBounds(outer);
    const platform::Rect b = FrameWindowClientBounds(inner);
    EXPECT_EQ(b.left, a.left + 30);
    EXPECT_EQ(b.top, a.top + 30);
    m_reporter.end_progress();
    EXPECT_FALSE(FrameWindowAlive(inner));
    m_reporter.end_progress();
    // The outer report is current again and still shown.
    EXPECT_EQ(m_reporter.window(), outer);
    EXPECT_STREQ(m_reporter.caption_text(), "Saving");
    m_reporter.end_progress();
    EXPECT_FALSE(FrameWindowAlive(outer));
    EXPECT_EQ(m_reporter.depth(), 0);
}

TEST_F(ProgressReporterTest, RestartCountsTheShowRuleFromTheRestart)
{
    const std::uint32_t start = g_now;
    m_reporter.begin_progress("Preferences", 0);
    advance_at(start, 1500, 3);
    m_reporter.restart_progress(20);
    advance_at(start, 3400, 1);  // 1.9 s since the restart
    EXPECT_EQ(m_reporter.window(), nullptr);
    advance_at(start, 4000, 1);  // 2.5 s, done 1 of 20
    ASSERT_NE(m_reporter.window(), nullptr);
    EXPECT_FALSE(m_reporter.busy_indicator());
    EXPECT_EQ(m_reporter.bar_value(), 2u);
    EXPECT_STREQ(m_reporter.time_text(), "About 23 seconds left");  // 2 of 20 in 2.5 s: 22.5 s left
    // A restart of a shown report keeps the window, rebuilds the bar and drops the estimate.
    FrameWindow* window = m_reporter.window();
    m_reporter.restart_progress(0);
    EXPECT_EQ(m_reporter.window(), window);
    EXPECT_TRUE(m_reporter.busy_indicator());
    EXPECT_STREQ(m_reporter.time_text(), "");
}

TEST_F(ProgressReporterTest, AWindowClosedUnderItIsNotShownAgain)
{
    const std::uint32_t start = g_now;
    m_reporter.begin_progress("Saving", 100);
    advance_at(start, 3000, 10);
    ASSERT_NE(m_reporter.window(), nullptr);
    FrameWindowClose(m_reporter.window());
    EXPECT_EQ(m_reporter.window(), nullptr);
    advance_at(start, 6000, 10);
    EXPECT_EQ(m_reporter.window(), nullptr);
    EXPECT_EQ(m_reporter.done(), 20u);
    m_reporter.end_progress();
    EXPECT_EQ(m_reporter.depth(), 0);
}

TEST_F(ProgressReporterTest, BusyCursorNests)
{
    m_reporter.begin_progress("Outer", 10);
    m_reporter.begin_busy_cursor();
    m_reporter.end_busy_cursor();
    m_reporter.end_progress();
    m_reporter.end_progress();  // one end too many changes nothing
    const std::vector<platform::CursorShape> expected = {platform::CursorShape::wait, platform::CursorShape::arrow};
    EXPECT_EQ(g_cursors, expected);
    EXPECT_EQ(m_reporter.busy_depth(), 0);
}

TEST_F(ProgressReporterTest, QuestionsAnswerWithTheChosenButton)
{
    const struct {
        std::uint8_t key;
        bool answer;
    } cases[] = {{13, true}, {27, false}};
    for (const auto& c : cases) {
        static std::uint8_t key;
        key = c.key;
        TaskAfter([](void*) { ViewsKey(ModalWindow(), TestKey(key)); }, nullptr, 0);
        EXPECT_EQ(m_reporter.ask(AlertKind::Exclamation, "Replace it?", "Replace", "Cancel"), c.answer);
    }
}

TEST_F(ProgressReporterTest, Screenshots)
{
    InEachLanguage([this](const std::string& suffix) {
        const std::uint32_t start = g_now;
        const StrPtr caption(FormatNew(app_string(108), "animation.gif"));  // "Writing ..."
        m_reporter.begin_progress(caption.get(), 1000);
        advance_at(start, 3000, 250);
        ASSERT_NE(m_reporter.window(), nullptr);
        Shoot(m_reporter.window(), "progress_window" + suffix);
        m_reporter.end_progress();
    });
}

// A slow load through the engine: the reader reports to the installed reporter, the
// window appears, and every report it began has ended when the load returns.
TEST(ProgressReporterInstall, LoadsReportThroughIt)
{
    ASSERT_TRUE(StartUiTests());
    const char* shared = std::getenv("QUILLON_SHARED");
    if (shared == nullptr)
        GTEST_SKIP() << "QUILLON_SHARED is not set";
    const std::string path = std::string(shared) + "/corpus/igif_gifplayer-muybridge.gif";
    ProgressReporter& installed = progress_reporter();
    installed.set_clock([] { return g_now += 20; });  // every look at the clock takes 20 ms
    installed.set_cursor_setter([](platform::CursorShape) {});
    Reporter* before = install_progress_reporter();
    EXPECT_EQ(&reporter(), &installed);
    const std::uint32_t shown_before = installed.windows_shown();
    DocumentPtr document(open_gif_file(path.c_str()));
    set_reporter(before);
    installed.set_clock(nullptr);
    installed.set_cursor_setter(nullptr);
    ASSERT_NE(document, nullptr);
    EXPECT_GT(installed.windows_shown(), shown_before);
    EXPECT_EQ(installed.depth(), 0);
    EXPECT_EQ(installed.busy_depth(), 0);
}

}  // namespace
