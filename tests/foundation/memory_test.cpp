#include "foundation/memory.h"

#include "platform/core/heap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::uint32_t fake_now = 0;
std::uint32_t fake_clock() { return fake_now; }

bool low_answer = false;
bool answer_low() { return low_answer; }
bool answer_available() { return !low_answer; }

std::vector<int> states_seen;
void record_state(void* argument, int state)
{
    EXPECT_EQ(argument, &states_seen);
    states_seen.push_back(state);
}

// Installs the fake clock and probes for one test and restores the real ones afterwards.
class MemoryState : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_now = 1000;
        low_answer = false;
        states_seen.clear();
        MemSetTickSource(fake_clock);
        MemSetLowMemoryProbes(answer_low, answer_available);
        MemSetStateCallback(record_state, &states_seen);
    }
    void TearDown() override
    {
        low_answer = false;
        MemFree(MemAlloc(1));  // reports "normal" again if the test left memory low
        MemSetStateCallback(nullptr, nullptr);
        MemSetLowMemoryProbes(nullptr, nullptr);
        MemSetTickSource(nullptr);
    }
    static void churn() { MemFree(MemAlloc(16)); }
};

}  // namespace

TEST(Memory, ByteCountReturnsToItsValueAfterEveryPairedOperation)
{
    MemFree(MemAlloc(1));  // the reserve block is held from here on
    const std::uint32_t before = MemBytesInUse();
    MemFree(nullptr);
    EXPECT_EQ(MemBytesInUse(), before);
    void* a = MemAlloc(0);
    auto* b = static_cast<char*>(MemRealloc(nullptr, 1000));  // of nothing: a new block
    ASSERT_NE(b, nullptr);
    std::memcpy(b, "abc", 4);
    EXPECT_GE(MemBytesInUse(), before + 1000);
    b = static_cast<char*>(MemRealloc(b, 50000));
    EXPECT_STREQ(b, "abc");  // the contents move along
    EXPECT_GE(MemBytesInUse(), before + 50000);
    b = static_cast<char*>(MemRealloc(b, 4));
    EXPECT_STREQ(b, "abc");
    MemFree(a);
    MemFree(b);
    EXPECT_EQ(MemBytesInUse(), before);
}

TEST(Memory, EmergencyBlockIsReplacedNotLeaked)
{
    MemSetEmergency(16384);
    std::uint32_t with_one = MemBytesInUse();
    MemSetEmergency(16384);
    EXPECT_EQ(MemBytesInUse(), with_one);
    MemSetEmergency(100);
    EXPECT_LT(MemBytesInUse(), with_one);
}

TEST_F(MemoryState, ReserveIsHeldAgainAfterLowMemoryFreedIt)
{
    low_answer = true;
    void* block = MemAlloc(32);
    // The watch freed the reserve for the low state and then took it back at once.
    EXPECT_TRUE(MemReserveHeld());
    EXPECT_EQ(states_seen, std::vector<int>{1});
    MemFree(block);
}

TEST_F(MemoryState, SameStateIsReportedOncePerTwoMinutes)
{
    low_answer = true;
    churn();
    fake_now += 119999;
    churn();
    EXPECT_EQ(states_seen, std::vector<int>{1});
    fake_now += 1;
    churn();
    EXPECT_EQ(states_seen, (std::vector<int>{1, 1}));
}

TEST_F(MemoryState, ChangedStateIsReportedAtOnce)
{
    low_answer = true;
    churn();
    low_answer = false;
    churn();
    EXPECT_EQ(states_seen, (std::vector<int>{1, 0}));
    churn();  // normal and already reported: nothing more
    EXPECT_EQ(states_seen, (std::vector<int>{1, 0}));
}

TEST_F(MemoryState, TickCountWrapDoesNotSilenceReports)
{
    fake_now = 0xFFFFFF00u;
    low_answer = true;
    churn();
    fake_now = 120000;  // wrapped: 120256 ms later
    churn();
    EXPECT_EQ(states_seen, (std::vector<int>{1, 1}));
}

namespace {

int drops = 0;
void count_drop() { ++drops; }

void exit_hook(void* argument, int exit_count)
{
    // A second failure while the exit hook runs must not recurse into the fatal path.
    platform::heap_fail_next(2);
    void* again = MemAlloc(64);
    fprintf(stderr, "hook %s count=%d drops=%d second=%s\n", static_cast<const char*>(argument), exit_count, drops,
            again ? "block" : "none");
}

}  // namespace

TEST(MemoryDeathTest, ExhaustionEndsTheProcessThroughTheExitHookOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static char tag[] = "quillon";
            MemSetDropTasksHook(count_drop);
            MemSetExitHook(exit_hook, tag);
            MemSetEmergency(16384);
            platform::heap_fail_next(2);
            MemAlloc(64);
            fprintf(stderr, "returned\n");
        },
        ::testing::ExitedWithCode(0), "hook quillon count=1 drops=1 second=none\n$");
}

TEST(Memory, OneInjectedFailureIsRecoveredByTheSecondAttempt)
{
    platform::heap_fail_next(1);
    void* block = MemAlloc(64);
    EXPECT_NE(block, nullptr);
    MemFree(block);
}
