// Playback on the loop's clock, replaced here by one the test moves: each frame stays on
// screen for its own delay, playback wraps both ways, delay 0 and the fast modes step at
// once, and the keys do nothing on a document of one frame.
#include <cstdint>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "ui/document_window.h"
#include "ui/playback.h"
#include "program_support.h"

namespace {

std::uint32_t g_now = 0;
std::uint32_t fake_tick() { return g_now; }
void fake_sleep(std::uint32_t milliseconds) { g_now += milliseconds; }

// (time, frame) of each change; the time is counted from the previous change, less the 1 ms
// after its due time at which the loop runs a task.
using Shown = std::vector<std::pair<std::uint32_t, int>>;

class Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_program_for_tests();
        g_now = 1000;
        SetLoopClock(LoopClock{fake_tick, fake_sleep});
        window = open_corpus("pil_dispose_bgnd.gif");  // five frames
        if (!window)
            GTEST_SKIP() << "no corpus";
        int delays[] = {10, 0, 25, 5, 40};
        for (int i = 0; i < 5; ++i)
            window->frames()[static_cast<std::size_t>(i)]->delay = static_cast<std::uint32_t>(delays[i]);
        start = g_now;
    }
    void TearDown() override
    {
        close_all_documents();
        SetLoopClock(LoopClock{});
    }

    // Runs the due tasks up to `until` ms after the start, noting every frame change.
    Shown run_for(std::uint32_t until)
    {
        Shown shown;
        Document* d = window ? &window->document() : nullptr;
        std::uint32_t last = start;
        for (int guard = 0; guard < 1000; ++guard) {
            const std::int64_t wait = TimeUntilFirstTask();
            if (wait < 0 || g_now + wait - start > until)
                break;
            g_now += static_cast<std::uint32_t>(wait);
            const int before = d ? d->current_frame : 0;
            if (!RunDueTask())
                ++g_now;  // a task runs once the tick count has passed its due time
            if (d && d->current_frame != before) {
                shown.emplace_back(g_now - last - 1, d->current_frame);
                last = g_now;
            }
        }
        g_now = start + until;
        return shown;
    }

    DocumentWindow* window = nullptr;
    std::uint32_t start = 0;
};

TEST_F(Playback, EachFrameStaysForItsDelayAndPlaybackWraps)
{
    const struct {
        const char* what;
        int from;
        int mode;
        std::uint32_t until;
        Shown expected;
    } cases[] = {
        // Delays 100, 0, 250, 50, 400 ms: frame 1 goes at once, the last wraps to frame 0.
        {"forward", 0, 1, 960, {{100, 1}, {0, 2}, {250, 3}, {50, 4}, {400, 0}, {100, 1}, {0, 2}}},
        {"backward from frame 0 to the last", 0, -1, 860, {{100, 4}, {400, 3}, {50, 2}, {250, 1}, {0, 0}}},
        {"fast forward ignores the delays", 3, 2, 5, {{0, 4}, {0, 0}, {0, 1}, {0, 2}, {0, 3}}},
        {"fast backward", 1, -2, 5, {{0, 0}, {0, 4}, {0, 3}, {0, 2}, {0, 1}}},
    };
    for (const auto& c : cases) {
        Document& d = window->document();
        stop_playback(d);
        show_frame(d, c.from);
        start = g_now;
        set_play_mode(d, c.mode);
        Shown shown = run_for(c.until);
        if (c.until < 10)
            shown.resize(std::min<std::size_t>(shown.size(), 5));
        EXPECT_EQ(shown, c.expected) << c.what;
    }
    stop_playback(window->document());
    EXPECT_EQ(window->playback().timer, nullptr);
}

TEST_F(Playback, KeysChangeTheModeAndStep)
{
    Document& d = window->document();
    show_frame(d, 2);
    const struct {
        std::uint8_t key;
        int mode;
        int frame;
    } steps[] = {
        {' ', 1, 2},               // stopped: play forward
        {' ', 0, 2},               // playing: stop
        {key_char::down, 1, 2},    // mode + 1
        {key_char::down, 2, 2},    // fast forward
        {key_char::down, 2, 2},    // no faster
        {key_char::escape, 0, 2},  // stop
        {key_char::up, -1, 2},     // mode - 1
        {key_char::left, 0, 1},    // stop, previous frame
        {key_char::right, 0, 2},   // stop, next frame
        {key_char::up, -1, 2},
        {key_char::up, -2, 2},
        {key_char::up, -2, 2},  // no faster backward
    };
    for (const auto& step : steps) {
        EXPECT_TRUE(playback_key(d, step.key));
        EXPECT_EQ(window->playback().mode, step.mode) << int(step.key);
        EXPECT_EQ(d.current_frame, step.frame) << int(step.key);
    }
    EXPECT_FALSE(playback_key(d, 'q'));
    stop_playback(d);
    show_frame(d, 0);
    EXPECT_TRUE(playback_key(d, key_char::left));
    EXPECT_EQ(d.current_frame, 4);  // wraps to the last frame
    EXPECT_TRUE(playback_key(d, key_char::right));
    EXPECT_EQ(d.current_frame, 0);
}

TEST_F(Playback, KeysDoNothingOnASingleFrame)
{
    close_all_documents();
    DocumentWindow* single = open_corpus("igif_alpha_gif_a.gif");
    ASSERT_NE(single, nullptr);
    ASSERT_EQ(single->document().frame_count, 1);
    const int tasks = TaskCount();
    for (std::uint8_t key :
         {std::uint8_t(' '), key_char::up, key_char::down, key_char::left, key_char::right, key_char::escape}) {
        EXPECT_FALSE(playback_key(single->document(), key)) << int(key);
        EXPECT_EQ(single->playback().mode, 0);
        EXPECT_EQ(single->document().current_frame, 0);
    }
    EXPECT_EQ(TaskCount(), tasks);
    window = nullptr;
}

TEST_F(Playback, ClosingThePlayingWindowCancelsItsTimer)
{
    set_play_mode(window->document(), 1);
    const int tasks = TaskCount();
    ASSERT_GE(tasks, 1);
    FrameWindowClose(window->frame_window());
    window = nullptr;
    pump();
    EXPECT_EQ(TaskCount(), tasks - 1);
    (void)run_for(2000);  // nothing left that could step a freed document
}

}  // namespace
