// The general allocator: counts the bytes in use, keeps a reserve and an emergency block,
// and turns an allocation that cannot be satisfied into an orderly exit through the
// application's exit hook. Callers never test for failure. Owners of blocks use MemBlock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

using MemExitHook = void (*)(void* argument, int exit_count);
using MemStateCallback = void (*)(void* argument, int state);  // state: 1 low, 0 normal
using MemDropTasksHook = void (*)();
using MemTickSource = std::uint32_t (*)();
using MemLowMemoryProbe = bool (*)();

void* MemAlloc(std::size_t size);
void* MemRealloc(void* block, std::size_t size);
void MemFree(void* block);
void MemSetEmergency(std::size_t size);
void MemSetExitHook(MemExitHook hook, void* argument);
void MemSetStateCallback(MemStateCallback callback, void* argument);
void MemSetLowLimits(std::uint32_t first, std::uint32_t second);
// The event loop installs the function that drops every deferred task, so that none runs
// while the process ends for lack of memory.
void MemSetDropTasksHook(MemDropTasksHook hook);
// Diagnostics: the bytes the allocator counts as in use (the heap's sizes of the blocks,
// the reserve and emergency blocks included).
std::uint32_t MemBytesInUse();
bool MemReserveHeld();

// Tests only: the millisecond clock of the state reports (null: the system tick count), and
// the low-memory and memory-available tests (null: this platform's answers, never low and
// always available).
void MemSetTickSource(MemTickSource source);
void MemSetLowMemoryProbes(MemLowMemoryProbe is_low, MemLowMemoryProbe is_available);

struct MemDeleter {
    void operator()(void* block) const { MemFree(block); }
};
template <typename T> using MemPtr = std::unique_ptr<T, MemDeleter>;
