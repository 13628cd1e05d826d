// Process heap for the general allocator: blocks with the size the heap reports for them.
// Only foundation/memory calls this; everything else allocates through MemAlloc.
#pragma once
#include <cstddef>

namespace platform {

[[nodiscard]] void* heap_alloc(std::size_t size);
[[nodiscard]] void* heap_realloc(void* block, std::size_t size);
void heap_free(void* block);
// Usable size of a block returned by heap_alloc or heap_realloc.
std::size_t heap_block_size(const void* block);

// Tests only: the next count allocations and reallocations fail as if the heap were full.
void heap_fail_next(unsigned count);

}  // namespace platform
