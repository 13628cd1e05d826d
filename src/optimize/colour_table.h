// A growable table of distinct colours with their pixel counts, and the weighted city-block
// distance the palette reduction ranks merges by. The table knows nothing about palettes or
// octrees; the colour merging (colour_merge) fills it and owns the meaning of the user words.
#pragma once
#include <cstdint>
#include <memory>

// One distinct colour. Words 3 and 4 belong to the table's users.
struct ColourEntry {
    std::uint32_t colour;       // 0x00RRGGBB
    std::uint32_t pixels;       // pixels of this colour
    std::uint32_t weight;       // working copy of pixels that the reduction grows
    std::uint32_t rank;         // user word: colours left after this one was merged away
    std::uint32_t merged_into;  // user word: entry this one was merged into
};
static_assert(sizeof(ColourEntry) == 20);

struct ColourTable {
    std::uint32_t capacity;
    std::uint32_t count;
    ColourEntry* entries;
    std::uint32_t* index;  // capacity words kept for the users' own ordering
};

ColourTable* ColourTableNew(std::uint32_t capacity);
void ColourTableFree(ColourTable* table);
// Appends a colour with its pixel count; returns the new entry's index. A full table doubles.
std::uint32_t ColourTableAppend(ColourTable* table, std::uint32_t count, std::uint32_t colour);
// Every entry's weight becomes its pixel count.
void ColourTableResetWeights(ColourTable* table);
// City-block distance of entries a and b times the weight of a (not symmetric). Computed in
// 64 bits: a weight near 2^32 times a distance up to 765 must not wrap and reorder merges.
std::uint64_t WeightedColourDistance(const ColourTable* table, std::uint32_t a, std::uint32_t b);

// City-block distance of two packed colours.
inline std::uint32_t colour_distance(std::uint32_t a, std::uint32_t b)
{
    auto channel = [](std::uint32_t x, std::uint32_t y, int shift) {
        int d = static_cast<int>((x >> shift) & 0xFF) - static_cast<int>((y >> shift) & 0xFF);
        return static_cast<std::uint32_t>(d < 0 ? -d : d);
    };
    return channel(a, b, 16) + channel(a, b, 8) + channel(a, b, 0);
}

struct ColourTableDeleter {
    void operator()(ColourTable* table) const { ColourTableFree(table); }
};
using ColourTablePtr = std::unique_ptr<ColourTable, ColourTableDeleter>;
