// Deferred tasks and the loop's clock. Tasks are kept sorted by due time behind a sentinel;
// times are compared by their signed distance, so the order and the due test stay right
// when the 32-bit tick count wraps (delays stay far below 2^31 milliseconds).
#include <cstdint>

#include "foundation/memory.h"
#include "framework/event_loop.h"
#include "platform/core/clock.h"
#include "platform/qt/window.h"

struct Task {
    TaskFunction function = nullptr;
    void* argument = nullptr;
    std::uint32_t due = 0;
    Task* next = nullptr;
};

namespace {

// The head of the list; its due time is the most negative 32-bit value and never compared.
// The deferred tasks of the process and the clock they are timed by.
struct TaskQueue {
    Task sentinel{nullptr, nullptr, 0x80000000u, nullptr};
    std::uint32_t last_seen = 0;  // due time of the task run last
    LoopClock clock;
};

TaskQueue& task_queue()
{
    static TaskQueue state;
    return state;
}

std::int32_t distance(std::uint32_t later, std::uint32_t earlier) { return static_cast<std::int32_t>(later - earlier); }

void system_sleep(std::uint32_t milliseconds)
{
    if (platform::PlatformStarted())
        platform::WaitForEvents(milliseconds);
    else
        platform::sleep_ms(milliseconds);
}

}  // namespace

void SetLoopClock(const LoopClock& clock) { task_queue().clock = clock; }

std::uint32_t LoopTick()
{
    return task_queue().clock.tick != nullptr ? task_queue().clock.tick() : platform::tick_count();
}

void LoopWait(std::uint32_t milliseconds)
{
    std::uint32_t start = LoopTick();
    // Sleeps until the tick count shows that the time has passed.
    for (;;) {
        std::uint32_t elapsed = LoopTick() - start;
        if (elapsed > milliseconds)
            return;
        std::uint32_t rest = milliseconds - elapsed;
        std::uint32_t step = rest == 0 ? 1 : rest;
        if (task_queue().clock.sleep != nullptr)
            task_queue().clock.sleep(step);
        else
            system_sleep(step);
    }
}

Task* TaskAfter(TaskFunction function, void* argument, std::uint32_t delay)
{
    auto* task = static_cast<Task*>(MemAlloc(sizeof(Task)));
    task->function = function;
    task->argument = argument;
    task->due = LoopTick() + delay;
    task->next = nullptr;
    // Before the first task due at the same time or later: equal times run newest first.
    Task* before = &task_queue().sentinel;
    while (before->next != nullptr && distance(before->next->due, task->due) < 0)
        before = before->next;
    task->next = before->next;
    before->next = task;
    return task;
}

void TaskCancel(Task* task)
{
    for (Task* t = &task_queue().sentinel; t->next != nullptr; t = t->next) {
        if (t->next == task) {
            t->next = task->next;
            MemFree(task);
            return;
        }
    }
}

int TaskCount()
{
    int n = 0;
    for (Task* t = task_queue().sentinel.next; t != nullptr; t = t->next)
        ++n;
    return n;
}

std::int64_t TimeUntilFirstTask()
{
    Task* first = task_queue().sentinel.next;
    if (first == nullptr)
        return -1;
    std::int32_t d = distance(first->due, LoopTick());
    return d > 0 ? d : 0;
}

bool RunDueTask()
{
    Task* first = task_queue().sentinel.next;
    // Due when the tick count is later than the due time.
    if (first == nullptr || distance(LoopTick(), first->due) <= 0)
        return false;
    task_queue().sentinel.next = first->next;
    task_queue().last_seen = first->due;
    TaskFunction function = first->function;
    void* argument = first->argument;
    MemFree(first);
    if (function != nullptr)
        function(argument);
    return true;
}

void TaskClearAll()
{
    while (Task* t = task_queue().sentinel.next) {
        task_queue().sentinel.next = t->next;
        MemFree(t);
    }
}
