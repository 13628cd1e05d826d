#include "platform/core/heap.h"

#include <cstdlib>
#include <malloc.h>

namespace platform {

namespace {

// Allocations still to be refused (see heap_fail_next).
struct HeapState {
    unsigned failures_pending = 0;
};

HeapState& heap_state()
{
    static HeapState state;
    return state;
}

bool inject_failure()
{
    unsigned& pending = heap_state().failures_pending;
    if (pending == 0)
        return false;
    --pending;
    return true;
}

}  // namespace

void* heap_alloc(std::size_t size)
{
    if (inject_failure())
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* heap_realloc(void* block, std::size_t size)
{
    if (inject_failure())
        return nullptr;
    return std::realloc(block, size == 0 ? 1 : size);
}

void heap_fail_next(unsigned count) { heap_state().failures_pending = count; }

void heap_free(void* block) { std::free(block); }

std::size_t heap_block_size(const void* block) { return block ? malloc_usable_size(const_cast<void*>(block)) : 0; }

}  // namespace platform
