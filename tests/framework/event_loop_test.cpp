// The pump step on a clock of the test's own: idle waits, deferred tasks and their order,
// restricted modal runs, the end flag, the 64-message fairness and temporaries per step.
#include "framework/event_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/formatter.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

std::uint32_t g_now = 1000;
std::uint32_t g_slept = 0;
std::uint32_t fake_tick() { return g_now; }
void fake_sleep(std::uint32_t ms)
{
    g_now += ms;
    g_slept += ms;
}

std::vector<int> g_ran;
void record_task(void* argument) { g_ran.push_back(static_cast<int>(reinterpret_cast<std::intptr_t>(argument))); }

struct Counted {
    int messages = 0;
    std::vector<std::uint32_t> values;
    int dispatched_when_task_ran = -1;
};
Counted g_counted;

std::intptr_t counting_proc(platform::Window* window, const platform::Message& m)
{
    if (m.type == platform::MessageType::user) {
        ++g_counted.messages;
        g_counted.values.push_back(m.value);
        return 0;
    }
    return DocumentWindowProc(window, m);
}

void note_task(void*) { g_counted.dispatched_when_task_ran = g_counted.messages; }

void post_user(FrameWindow* fw, std::uint32_t value)
{
    platform::Message m;
    m.window = fw->window;
    m.type = platform::MessageType::user;
    m.value = value;
    platform::PostMessage(m);
}

class EventLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        SetLoopClock(LoopClock{});
        PumpAll();
        TaskClearAll();
        g_now = 1000;
        g_slept = 0;
        g_ran.clear();
        g_counted = Counted{};
        SetLoopClock(LoopClock{fake_tick, fake_sleep});
        window = CreateFrameWindow(nullptr, "loop", frame_flag::dialog, platform::MakeRect(10, 10, 50, 50));
        ASSERT_NE(window, nullptr);
        platform::WindowSetProc(window->window, counting_proc);
    }
    void TearDown() override
    {
        FrameWindowClose(window);
        TaskClearAll();
        SetLoopClock(LoopClock{});
    }
    // An idle step without waiting, so that the message counter starts from 64.
    void settle()
    {
        SetLoopClock(LoopClock{});
        PumpAll();
        SetLoopClock(LoopClock{fake_tick, fake_sleep});
        PumpStep(nullptr, false, nullptr);
    }
    FrameWindow* window = nullptr;
};

}  // namespace

TEST_F(EventLoop, IdleStepSleepsUntilTheFirstTaskAtMostFifty)
{
    const struct {
        int task_delay;  // -1: no task
        bool may_wait;
        std::uint32_t wait;
        bool runs;
    } cases[] = {
        {-1, true, 50, false},
        {20, true, 20, true},  // run as soon as the tick count passed its due time
        {80, true, 50, false},
        {30, false, 0, false},  // a step without waiting never sleeps
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.task_delay);
        settle();
        g_ran.clear();
        g_slept = 0;
        if (c.task_delay >= 0)
            TaskAfter(record_task, reinterpret_cast<void*>(7), static_cast<std::uint32_t>(c.task_delay));
        EXPECT_TRUE(PumpStep(nullptr, c.may_wait, nullptr));
        if (c.may_wait) {
            EXPECT_EQ(LoopStatistics().last_wait, c.wait);
            EXPECT_GT(g_slept, c.wait);  // until the tick count shows the time has passed
        }
        EXPECT_LE(g_slept, c.may_wait ? c.wait + 1 : 0);
        EXPECT_EQ(g_ran.size(), c.runs ? 1u : 0u);
        EXPECT_EQ(TaskCount(), c.task_delay >= 0 && !c.runs ? 1 : 0);
        TaskClearAll();
    }
}

TEST_F(EventLoop, TasksRunByDueTimeAndEqualTimesNewestFirst)
{
    TaskAfter(record_task, reinterpret_cast<void*>(1), 30);
    TaskAfter(record_task, reinterpret_cast<void*>(2), 10);
    TaskAfter(record_task, reinterpret_cast<void*>(3), 30);
    TaskAfter(record_task, reinterpret_cast<void*>(4), 20);
    TaskCancel(TaskAfter(record_task, reinterpret_cast<void*>(5), 15));
    g_now += 10;
    EXPECT_FALSE(RunDueTask());  // not due at its due time, just after
    g_now += 90;
    while (RunDueTask()) { }
    EXPECT_EQ(g_ran, (std::vector<int>{2, 4, 3, 1}));
}

TEST_F(EventLoop, TickWrapAroundKeepsOrderAndNeverStalls)
{
    g_now = 0xFFFFFFF0u;
    TaskAfter(record_task, reinterpret_cast<void*>(1), 40);  // due after the wrap
    TaskAfter(record_task, reinterpret_cast<void*>(2), 5);   // due before it
    g_now = 0xFFFFFFF8u;
    EXPECT_TRUE(RunDueTask());
    EXPECT_FALSE(RunDueTask());
    g_now = 0x00000020u;  // wrapped, and past the second due time
    EXPECT_TRUE(RunDueTask());
    EXPECT_EQ(g_ran, (std::vector<int>{2, 1}));
}

TEST_F(EventLoop, RestrictedStepRunsNoTasks)
{
    settle();
    TaskAfter(record_task, nullptr, 0);
    g_now += 5;
    PumpStep(window, true, nullptr);  // nothing queued for the window: idle
    EXPECT_TRUE(g_ran.empty());
    PumpStep(nullptr, false, nullptr);
    EXPECT_EQ(g_ran.size(), 1u);
}

namespace {
FrameWindow* g_modal_window = nullptr;
std::intptr_t ending_proc(platform::Window* window, const platform::Message& m)
{
    if (m.type == platform::MessageType::user && m.value == 99) {
        EndModal(g_modal_window);
        return 0;
    }
    return counting_proc(window, m);
}
}  // namespace

TEST_F(EventLoop, RestrictedModalRunEndsWithEndFlagAndLeavesOthersQueued)
{
    settle();
    FrameWindow* modal = CreateFrameWindow(nullptr, "modal", frame_flag::dialog, platform::MakeRect(10, 10, 50, 50));
    g_modal_window = modal;
    platform::WindowSetProc(modal->window, ending_proc);
    post_user(window, 1);  // another window's message
    post_user(modal, 2);
    post_user(modal, 99);  // ends the run
    post_user(modal, 3);   // stays queued: the run ends in the step that set the flag
    TaskAfter(record_task, nullptr, 0);
    g_now += 5;
    RunModal(modal, ModalRestrict::yes);
    EXPECT_EQ(g_counted.values, (std::vector<std::uint32_t>{2}));
    EXPECT_TRUE(g_ran.empty());
    EXPECT_FALSE(modal->flags & frame_flag::end_modal);  // cleared for the next run
    EXPECT_EQ(ModalWindow(), nullptr);
    PumpStep(nullptr, false, nullptr);
    PumpStep(nullptr, false, nullptr);
    EXPECT_EQ(g_counted.values, (std::vector<std::uint32_t>{2, 1, 3}));
    FrameWindowClose(modal);
    // A step reports the watched window's end flag.
    EXPECT_TRUE(PumpStep(nullptr, false, window));
    EndModal(window);
    EXPECT_FALSE(PumpStep(nullptr, false, window));
}

TEST_F(EventLoop, DueTaskRunsAfterSixtyFourMessages)
{
    settle();
    for (std::uint32_t i = 0; i < 100; ++i)
        post_user(window, i);
    TaskAfter(note_task, nullptr, 0);
    g_now += 1;
    for (int i = 0; i < 100 && g_counted.dispatched_when_task_ran < 0; ++i)
        PumpStep(nullptr, false, nullptr);
    EXPECT_EQ(g_counted.dispatched_when_task_ran, 64);
    EXPECT_EQ(g_counted.messages, 64);
}

namespace {
struct NestedProbe {
    char* text = nullptr;
    std::uint16_t depth_before_nested = 0;
    std::uint16_t depth_after_nested = 0;
    bool intact = false;
};
NestedProbe g_probe;
std::intptr_t nesting_proc(platform::Window* window, const platform::Message& m)
{
    if (m.type == platform::MessageType::user && m.value == 5) {
        g_probe.text = FormatTemp("kept %d%", 42);
        g_probe.depth_before_nested = TempDepth();
        PumpNoWait();  // a nested step handles the next message and releases its own
        PumpNoWait();
        g_probe.depth_after_nested = TempDepth();
        g_probe.intact = std::string(g_probe.text) == "kept 42";
        return 0;
    }
    if (m.type == platform::MessageType::user) {
        FormatTemp("nested %d%", 1);
        return 0;
    }
    return DocumentWindowProc(window, m);
}
}  // namespace

TEST_F(EventLoop, TemporariesLiveForTheirStepAndSurviveNestedSteps)
{
    settle();
    platform::WindowSetProc(window->window, nesting_proc);
    post_user(window, 5);
    post_user(window, 6);
    std::uint16_t before = TempDepth();
    PumpStep(nullptr, false, nullptr);
    EXPECT_EQ(g_probe.depth_after_nested, g_probe.depth_before_nested);
    EXPECT_TRUE(g_probe.intact);
    EXPECT_EQ(TempDepth(), before);  // the step released what it made
}
