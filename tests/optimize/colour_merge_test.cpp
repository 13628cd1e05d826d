#include "optimize/colour_merge.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Colour {
    std::uint32_t rgb;
    std::uint32_t pixels;
};

// A table and octree filled with the colours in order, weights reset.
struct Reduction {
    ColourTablePtr table{ColourTableNew(256)};
    OctreePtr tree{new_octree()};

    explicit Reduction(const std::vector<Colour>& colours)
    {
        for (const Colour& c : colours)
            add_colour(tree.get(), table.get(), c.rgb, c.pixels);
        ColourTableResetWeights(table.get());
    }

    void merge()
    {
        auto links = build_merge_links(table.get(), tree.get());
        merge_all(links.get(), table.get(), copy_octree(tree.get()));
    }

    std::uint32_t nearest(std::uint32_t rgb) { return find_nearest_colour(tree.get(), table.get(), rgb); }
};

std::uint32_t palette_colour(const std::uint8_t* palette, int index)
{
    return static_cast<std::uint32_t>(palette[index * 3]) << 16 | palette[index * 3 + 1] << 8 | palette[index * 3 + 2];
}

class ColourMerge : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(octree_nodes_in_use(), 0u);
        EXPECT_EQ(merge_links_in_use(), 0u);
    }
};

}  // namespace

TEST_F(ColourMerge, DuplicateColoursShareOneEntryAndZeroPixelsAddNothing)
{
    Reduction r({{0x123456, 3}, {0x654321, 1}, {0xABCDEF, 0}, {0x123456, 4}});
    ASSERT_EQ(r.table->count, 2u);
    EXPECT_EQ(r.table->entries[0].pixels, 7u);
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x123456), 0u);
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x654321), 1u);
}

TEST_F(ColourMerge, ColoursThatDifferInTheLastBitSitAtTheBottomAndCollapseBack)
{
    Reduction r({{0x000000, 1}});
    EXPECT_EQ(octree_nodes_in_use(), 1u);  // only the root: the leaf sits in it
    add_colour(r.tree.get(), r.table.get(), 0x000001, 1);
    EXPECT_EQ(octree_nodes_in_use(), 8u);  // root and one node for each of the levels 6 to 0
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x000001), 1u);
    remove_colour(r.tree.get(), 0x000001);
    EXPECT_EQ(octree_nodes_in_use(), 1u);  // the lone leaf climbs back into the root
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x000000), 0u);
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x000001), 0u);
}

TEST_F(ColourMerge, RemovingTheLastColourEmptiesTheTree)
{
    Reduction r({{0x000000, 1}, {0x000002, 1}});
    remove_colour(r.tree.get(), 0x000000);
    remove_colour(r.tree.get(), 0x000002);
    EXPECT_EQ(octree_nodes_in_use(), 1u);
    for (std::uintptr_t slot : r.tree->root->slots)
        EXPECT_EQ(slot, 0u);
}

TEST_F(ColourMerge, CopyIsIndependentOfTheOriginal)
{
    Reduction r({{0x000000, 1}, {0x000001, 1}});
    OctreePtr copy(copy_octree(r.tree.get()));
    remove_colour(copy.get(), 0x000001);
    EXPECT_EQ(exact_colour_index(r.tree.get(), 0x000001), 1u);
    EXPECT_EQ(exact_colour_index(copy.get(), 0x000001), 0u);
}

TEST_F(ColourMerge, NearestIsTheClosestOtherColourAndTheFirstMetAmongEqualOnes)
{
    struct Case {
        const char* name;
        std::vector<Colour> colours;
        std::uint32_t query;
        std::uint32_t nearest;
    } cases[] = {
        // 0x818080 and 0x7F8080 are both 1 from 0x808080. The first visit (the cell below in
        // every component) scans the root, whose slot 3 holds 0x7F8080 ahead of the subtree in
        // slot 7 that holds 0x818080: the later entry wins.
        {"equal distances", {{0x808080, 1}, {0x818080, 1}, {0x7F8080, 1}}, 0x808080, 2},
        {"equal distances, from above", {{0x808080, 1}, {0x818080, 1}, {0x7F8080, 1}}, 0x818080, 0},
        {"equal distances, from below", {{0x808080, 1}, {0x818080, 1}, {0x7F8080, 1}}, 0x7F8080, 0},
        {"far apart: 755 against 765", {{0x000000, 1}, {0x00000A, 1}, {0xFFFFFF, 1}}, 0xFFFFFF, 1},
        {"close neighbour", {{0x000000, 1}, {0x00000A, 1}, {0xFFFFFF, 1}}, 0x000000, 1},
        {"close neighbour, back", {{0x000000, 1}, {0x00000A, 1}, {0xFFFFFF, 1}}, 0x00000A, 0},
        {"a lone colour", {{0x336699, 1}}, 0x336699, 0},
    };
    for (const Case& c : cases) {
        Reduction r(c.colours);
        EXPECT_EQ(r.nearest(c.query), c.nearest) << c.name;
    }
}

TEST_F(ColourMerge, FewColoursKeepEverySlotOrderedBySurvival)
{
    struct Case {
        const char* name;
        std::vector<Colour> colours;
        std::vector<std::uint32_t> ranks, merged_into;
        std::vector<std::uint32_t> palette;
    } cases[] = {
        // Costs: black 10 x 10, blue 10 x 1, white 755 x 5. Blue goes first (into black, whose
        // weight becomes 11); white, now 765 from black, costs 3825 against black's 8415.
        {"three colours",
         {{0x000000, 10}, {0x00000A, 1}, {0xFFFFFF, 5}},
         {0, 2, 1},
         {0, 0, 0},
         {0x000000, 0xFFFFFF, 0x00000A}},
        {"equal costs remove the earlier entry first",
         {{0x100000, 2}, {0x000000, 2}},
         {1, 0},
         {1, 1},
         {0x000000, 0x100000}},
        {"one colour is rank 0, merged into itself", {{0xABCDEF, 9}}, {0}, {0}, {0xABCDEF}},
        {"no colours", {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reduction r(c.colours);
        r.merge();
        for (std::size_t i = 0; i < c.ranks.size(); ++i) {
            EXPECT_EQ(r.table->entries[i].rank, c.ranks[i]) << "entry " << i;
            EXPECT_EQ(r.table->entries[i].merged_into, c.merged_into[i]) << "entry " << i;
        }
        std::uint8_t palette[768] = {};
        ASSERT_EQ(build_reduced_palette(r.table.get(), palette), static_cast<int>(c.palette.size()));
        for (std::size_t i = 0; i < c.palette.size(); ++i) {
            EXPECT_EQ(palette_colour(palette, static_cast<int>(i)), c.palette[i]);
            EXPECT_EQ(reduced_index(r.table.get(), r.tree.get(), c.palette[i]), static_cast<int>(i));
        }
        if (c.colours.empty()) {
            EXPECT_EQ(reduced_index(r.table.get(), r.tree.get(), 0x123456), 0);
        }
    }
}

TEST_F(ColourMerge, MoreThan255ColoursFollowTheMergeChain)
{
    // 255 reds (i, 0, 0) of weight 1000 and two light colours beside red 10: (10, 0, 3) of
    // weight 1 merges into (10, 0, 2) first (cost 1), which then weighs 3 and merges into
    // (10, 0, 0) at distance 2 (cost 6); every red costs at least 1000.
    std::vector<Colour> colours;
    for (std::uint32_t i = 0; i < 255; ++i)
        colours.push_back({i << 16, 1000});
    colours.push_back({0x0A0002, 2});
    colours.push_back({0x0A0003, 1});
    Reduction r(colours);
    r.merge();
    const ColourEntry* e = r.table->entries;
    EXPECT_EQ(e[256].rank, 256u);
    EXPECT_EQ(e[256].merged_into, 255u);
    EXPECT_EQ(e[255].rank, 255u);
    EXPECT_EQ(e[255].merged_into, 10u);

    std::uint8_t palette[768] = {};
    EXPECT_EQ(build_reduced_palette(r.table.get(), palette), 255);
    std::uint8_t red10 = reduced_index(r.table.get(), r.tree.get(), 0x0A0000);
    EXPECT_EQ(reduced_index(r.table.get(), r.tree.get(), 0x0A0003), red10);
    EXPECT_EQ(reduced_index(r.table.get(), r.tree.get(), 0x0A0002), red10);
    EXPECT_EQ(palette_colour(palette, red10), 0x0A0000u);
    // Every red keeps a slot of its own.
    std::vector<bool> used(255, false);
    for (std::uint32_t i = 0; i < 255; ++i) {
        std::uint8_t index = reduced_index(r.table.get(), r.tree.get(), i << 16);
        EXPECT_FALSE(used[index]) << i;
        used[index] = true;
        EXPECT_EQ(palette_colour(palette, index), i << 16);
    }
}
