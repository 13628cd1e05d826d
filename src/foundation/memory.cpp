#include "foundation/memory.h"

#include "platform/core/clock.h"
#include "platform/core/heap.h"

#include <cstdlib>

namespace {

constexpr std::size_t kReserveSize = 8192;
constexpr std::uint32_t kStateRepeatMs = 120000;

// The allocator's process-wide state: one heap, one reserve, one emergency block.
struct Allocator {
    std::uint32_t bytes_in_use = 0;
    void* reserve = nullptr;
    void* emergency = nullptr;
    bool exit_armed = true;
    int exit_count = 0;
    MemExitHook exit_hook = nullptr;
    void* exit_argument = nullptr;
    MemStateCallback state_callback = nullptr;
    void* state_argument = nullptr;
    int last_state = 0;
    std::uint32_t last_report = 0;
    bool reported_once = false;
    bool watching = false;
    bool reporting = false;
    std::uint32_t low_limits[2] = {0, 0};
    MemDropTasksHook drop_tasks = nullptr;
    MemTickSource tick_source = nullptr;
    MemLowMemoryProbe is_low = nullptr;
    MemLowMemoryProbe is_available = nullptr;
};

Allocator& allocator()
{
    static Allocator state;
    return state;
}

// This platform never reports low memory, and memory is always available again; the two
// sizes the application sets are kept for a platform test that would use them.
bool memory_is_low()
{
    Allocator& a = allocator();
    return a.is_low ? a.is_low() : false;
}

bool memory_is_available()
{
    Allocator& a = allocator();
    return a.is_available ? a.is_available() : true;
}

// Nothing can be released on this platform before the second attempt.
void purge() { }

std::uint32_t now_ms()
{
    Allocator& a = allocator();
    return a.tick_source ? a.tick_source() : platform::tick_count();
}

void report_state(int state)
{
    Allocator& a = allocator();
    if (a.reporting)
        return;
    std::uint32_t now = now_ms();
    if (a.reported_once && state == a.last_state && now - a.last_report < kStateRepeatMs)
        return;
    a.reporting = true;
    a.reported_once = true;
    a.last_state = state;
    a.last_report = now;
    if (a.state_callback)
        a.state_callback(a.state_argument, state);
    a.reporting = false;
}

void raw_free(void* block)
{
    Allocator& a = allocator();
    a.bytes_in_use -= static_cast<std::uint32_t>(platform::heap_block_size(block));
    platform::heap_free(block);
}

void watch_memory()
{
    Allocator& a = allocator();
    if (a.watching)
        return;
    a.watching = true;
    if (memory_is_low()) {
        if (a.reserve) {
            raw_free(a.reserve);
            a.reserve = nullptr;
        }
        report_state(1);
    } else if (a.last_state == 1 && memory_is_available()) {
        report_state(0);
    }
    if (!a.reserve) {
        a.reserve = platform::heap_alloc(kReserveSize);
        if (a.reserve)
            a.bytes_in_use += static_cast<std::uint32_t>(platform::heap_block_size(a.reserve));
    }
    a.watching = false;
}

void fatal_path()
{
    Allocator& a = allocator();
    if (!a.exit_armed)
        return;
    a.exit_armed = false;
    if (a.emergency) {
        raw_free(a.emergency);
        a.emergency = nullptr;
    }
    if (a.exit_count == 0 && a.drop_tasks)
        a.drop_tasks();
    ++a.exit_count;
    if (a.exit_hook)
        a.exit_hook(a.exit_argument, a.exit_count);
    std::_Exit(0);
}

void* allocate(void* block, std::size_t size, bool resize)
{
    Allocator& a = allocator();
    std::size_t old_size = resize ? platform::heap_block_size(block) : 0;
    void* result = resize ? platform::heap_realloc(block, size) : platform::heap_alloc(size);
    if (!result) {
        purge();
        result = resize ? platform::heap_realloc(block, size) : platform::heap_alloc(size);
    }
    if (!result) {
        fatal_path();
        return nullptr;
    }
    // The count uses the heap's own block sizes on both sides, so that allocating and freeing
    // the same block always cancels out.
    a.bytes_in_use +=
        static_cast<std::uint32_t>(platform::heap_block_size(result)) - static_cast<std::uint32_t>(old_size);
    watch_memory();
    return result;
}

}  // namespace

void* MemAlloc(std::size_t size) { return allocate(nullptr, size, false); }

void* MemRealloc(void* block, std::size_t size)
{
    if (!block)
        return MemAlloc(size);
    return allocate(block, size, true);
}

void MemFree(void* block)
{
    if (!block)
        return;
    raw_free(block);
    watch_memory();
}

void MemSetEmergency(std::size_t size)
{
    Allocator& a = allocator();
    MemFree(a.emergency);
    a.emergency = nullptr;
    a.emergency = MemAlloc(size);
}

void MemSetExitHook(MemExitHook hook, void* argument)
{
    allocator().exit_hook = hook;
    allocator().exit_argument = argument;
}

void MemSetStateCallback(MemStateCallback callback, void* argument)
{
    allocator().state_callback = callback;
    allocator().state_argument = argument;
}

void MemSetLowLimits(std::uint32_t first, std::uint32_t second)
{
    allocator().low_limits[0] = first;
    allocator().low_limits[1] = second;
}

void MemSetDropTasksHook(MemDropTasksHook hook) { allocator().drop_tasks = hook; }

std::uint32_t MemBytesInUse() { return allocator().bytes_in_use; }

bool MemReserveHeld() { return allocator().reserve != nullptr; }

void MemSetTickSource(MemTickSource source) { allocator().tick_source = source; }

void MemSetLowMemoryProbes(MemLowMemoryProbe is_low, MemLowMemoryProbe is_available)
{
    allocator().is_low = is_low;
    allocator().is_available = is_available;
}
