#include "optimize/colour_table.h"

#include <gtest/gtest.h>

TEST(ColourTable, AppendGrowsFullAndEmptyTablesAndKeepsEntries)
{
    for (std::uint32_t capacity : {1u, 0u}) {
        ColourTablePtr table(ColourTableNew(capacity));
        EXPECT_EQ(ColourTableAppend(table.get(), 7, 0x112233), 0u);
        table->index[0] = 42;
        EXPECT_EQ(ColourTableAppend(table.get(), 9, 0x445566), 1u);
        EXPECT_EQ(table->capacity, capacity == 1 ? 2u : table->capacity);  // a full table doubles
        EXPECT_EQ(table->count, 2u);
        EXPECT_EQ(table->index[0], 42u);
        EXPECT_EQ(table->entries[0].colour, 0x112233u);
        EXPECT_EQ(table->entries[0].pixels, 7u);
        EXPECT_EQ(table->entries[1].colour, 0x445566u);
        EXPECT_EQ(table->entries[1].pixels, 9u);
    }
}

TEST(ColourTable, WeightedDistanceUsesTheFirstEntrysWeightOnlyAndDoesNotWrap)
{
    ColourTablePtr table(ColourTableNew(4));
    ColourTableAppend(table.get(), 3, 0xFF0000);            // pure red, 3 pixels
    ColourTableAppend(table.get(), 5, 0x00FF00);            // pure green, 5 pixels
    ColourTableAppend(table.get(), 0xFFFFFFFFu, 0x000000);  // black, the most pixels a counter holds
    ColourTableAppend(table.get(), 1, 0xFFFFFF);
    ColourTableResetWeights(table.get());
    EXPECT_EQ(table->entries[0].weight, 3u);
    EXPECT_EQ(WeightedColourDistance(table.get(), 0, 1), 1530u);  // 510 x 3
    EXPECT_EQ(WeightedColourDistance(table.get(), 1, 0), 2550u);  // 510 x 5
    EXPECT_EQ(WeightedColourDistance(table.get(), 0, 0), 0u);
    EXPECT_EQ(WeightedColourDistance(table.get(), 2, 3), 765ull * 0xFFFFFFFFull);  // no wrap
}

TEST(ColourTable, DistanceIsCityBlockPerChannel)
{
    struct Case {
        std::uint32_t a, b, distance;
    } cases[] = {
        {0x000000, 0xFFFFFF, 765},
        {0x102030, 0x201010, 16 + 16 + 32},
        {0x0000FF, 0x000000, 255},
        {0x808080, 0x808080, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(colour_distance(c.a, c.b), c.distance) << std::hex << c.a << " " << c.b;
        EXPECT_EQ(colour_distance(c.b, c.a), c.distance);
    }
}
