#include "optimize/colour_table.h"

#include "foundation/memory.h"

ColourTable* ColourTableNew(std::uint32_t capacity)
{
    auto* table = static_cast<ColourTable*>(MemAlloc(sizeof(ColourTable)));
    table->capacity = capacity;
    table->count = 0;
    table->entries = static_cast<ColourEntry*>(MemAlloc(sizeof(ColourEntry) * (capacity ? capacity : 1)));
    table->index = static_cast<std::uint32_t*>(MemAlloc(sizeof(std::uint32_t) * (capacity ? capacity : 1)));
    return table;
}

void ColourTableFree(ColourTable* table)
{
    if (!table)
        return;
    MemFree(table->entries);
    MemFree(table->index);
    MemFree(table);
}

std::uint32_t ColourTableAppend(ColourTable* table, std::uint32_t count, std::uint32_t colour)
{
    if (table->count == table->capacity) {
        // A table created empty stays at capacity 0 when doubled; grow it to one entry so
        // the append has room.
        std::uint32_t grown = table->capacity ? table->capacity * 2 : 1;
        table->entries = static_cast<ColourEntry*>(MemRealloc(table->entries, sizeof(ColourEntry) * grown));
        table->index = static_cast<std::uint32_t*>(MemRealloc(table->index, sizeof(std::uint32_t) * grown));
        table->capacity = grown;
    }
    std::uint32_t at = table->count++;
    table->entries[at] = ColourEntry{colour, count, 0, 0, 0};
    return at;
}

void ColourTableResetWeights(ColourTable* table)
{
    for (std::uint32_t i = 0; i < table->count; ++i)
        table->entries[i].weight = table->entries[i].pixels;
}

std::uint64_t WeightedColourDistance(const ColourTable* table, std::uint32_t a, std::uint32_t b)
{
    const ColourEntry& first = table->entries[a];
    return static_cast<std::uint64_t>(colour_distance(first.colour, table->entries[b].colour)) * first.weight;
}
