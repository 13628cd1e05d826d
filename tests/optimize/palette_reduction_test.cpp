// Reducing and unifying palettes: merged duplicates and dropped entries, the one colour lost
// from 256, local tables made one, and re-mapping worked out by hand (which index each old
// pixel gets, the merged usage summed from every old counter, the new transparent index and
// code size, and the background index that compaction maps along).
#include "optimize/palette_reduction.h"

#include "app/settings.h"
#include "optimize/colour_merge.h"
#include "optimize/frame_optimizer.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

MemPtr<std::uint8_t> local_table(std::initializer_list<std::uint32_t> colours, int entries)
{
    MemPtr<std::uint8_t> table(static_cast<std::uint8_t*>(MemAlloc(static_cast<std::size_t>(entries) * 3)));
    std::memset(table.get(), 0, static_cast<std::size_t>(entries) * 3);
    int i = 0;
    for (std::uint32_t c : colours)
        set_colour(table.get(), i++, c);
    return table;
}

class PaletteReduction : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(octree_nodes_in_use(), 0u);
        EXPECT_EQ(merge_links_in_use(), 0u);
    }

private:
    OptimizationSettingsGuard m_saved;
};

constexpr std::uint32_t kTeal = 0x0A141E, kOrange = 0xC86432, kUnused = 0x010101;

}  // namespace

TEST_F(PaletteReduction, CompactMergesDuplicatesAndDropsUnusedEntries)
{
    // Entries 0 and 2 are the same teal, entry 3 is used by no pixel. Teal has 7 pixels,
    // orange 3: orange is cheaper to merge away, so teal survives longest and gets index 0.
    DocumentPtr document = make_document(10, 1, 4, {{rect_of(0, 0, 1, 10), {0, 1, 0, 2, 1, 0, 2, 0, 1, 0}}});
    set_colour(document->palette.get(), 0, kTeal);
    set_colour(document->palette.get(), 1, kOrange);
    set_colour(document->palette.get(), 2, kTeal);
    set_colour(document->palette.get(), 3, kUnused);
    compact_global_palette(*document, 0);

    EXPECT_EQ(document->palette_size, 2);
    EXPECT_EQ(colour_of(document->palette.get(), 0), kTeal);
    EXPECT_EQ(colour_of(document->palette.get(), 1), kOrange);
    EXPECT_EQ(document->has_256_colours, 0);
    const Frame& frame = frame_at(*document, 0);
    EXPECT_EQ(decoded_pixels(frame), (std::vector<std::uint8_t>{0, 1, 0, 0, 1, 0, 0, 0, 1, 0}));
    ASSERT_EQ(frame.colour_usage_count, 2);
    EXPECT_EQ(frame.colour_usage.get()[0], 7u);
    EXPECT_EQ(frame.colour_usage.get()[1], 3u);
    EXPECT_EQ(frame.encoded_data.get()[0], 2);  // two colours: minimum code size 2
}

TEST_F(PaletteReduction, TwoHundredFiftySixColoursLoseExactlyOne)
{
    std::vector<std::uint8_t> pixels(256);
    for (int i = 0; i < 256; ++i)
        pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    DocumentPtr document = make_document(16, 16, 256, {{rect_of(0, 0, 16, 16), pixels}});
    for (int i = 0; i < 256; ++i)
        set_colour(document->palette.get(), i,
                   static_cast<std::uint32_t>(i) << 16 | static_cast<std::uint32_t>((i * 7) & 0xFF) << 8 | 0x40);
    const auto before = composed_colours(*document);
    compact_global_palette(*document, 0);

    EXPECT_EQ(document->has_256_colours, 1);
    EXPECT_EQ(document->palette_size, 255);
    const auto after = composed_colours(*document);
    int changed = 0;
    std::set<std::uint32_t> shown(after[0].begin(), after[0].end());
    for (std::size_t i = 0; i < 256; ++i)
        changed += before[0][i] != after[0][i];
    EXPECT_EQ(changed, 1);  // the one merged colour shows the colour it was merged into
    EXPECT_EQ(shown.size(), 255u);
}

TEST_F(PaletteReduction, UnifyGivesLocalTablesOneSharedPalette)
{
    DocumentPtr document = make_document(3, 1, 4,
                                         {
                                             {rect_of(0, 0, 1, 3), {0, 1, 1}},
                                             {rect_of(0, 0, 1, 3), {0, 1, 2}},
                                         });
    Frame& first = frame_at(*document, 0);
    first.local_palette = local_table({0xFF0000, 0x00FF00}, 4);
    first.load_palette_size = 4;
    Frame& second = frame_at(*document, 1);
    second.local_palette = local_table({0x00FF00, 0x0000FF, 0xFF0000}, 4);
    second.load_palette_size = 4;
    const auto before = composed_colours(*document);

    unify_palettes(*document, 0);
    EXPECT_EQ(document->palette_size, 3);
    EXPECT_EQ(first.local_palette, nullptr);
    EXPECT_EQ(second.local_palette, nullptr);
    EXPECT_EQ(first.colour_usage_count, 3);
    EXPECT_EQ(composed_colours(*document), before);

    // Usage follows the colours: frame 0 shows green twice and red once.
    std::vector<std::uint8_t> pixels = decoded_pixels(first);
    EXPECT_EQ(first.colour_usage.get()[pixels[0]], 1u);
    EXPECT_EQ(first.colour_usage.get()[pixels[1]], 2u);

    compact_global_palette(*document, 0);
    EXPECT_EQ(document->palette_size, 3);
    EXPECT_EQ(composed_colours(*document), before);
}

TEST_F(PaletteReduction, UnifyOverMoreThan255ColoursKeepsPixelsNearTheirColours)
{
    // Two frames with 200 local colours each, 400 distinct colours in all.
    std::vector<std::uint8_t> pixels(200);
    for (int i = 0; i < 200; ++i)
        pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    DocumentPtr document =
        make_document(20, 10, 200, {{rect_of(0, 0, 10, 20), pixels}, {rect_of(0, 0, 10, 20), pixels}});
    for (int f = 0; f < 2; ++f) {
        Frame& frame = frame_at(*document, f);
        frame.local_palette = local_table({}, 256);
        frame.load_palette_size = 256;
        for (int i = 0; i < 200; ++i)
            set_colour(frame.local_palette.get(), i,
                       static_cast<std::uint32_t>(i) << 16 | static_cast<std::uint32_t>(f * 100) << 8);
        frame_reset_usage(frame, 256);
        for (int i = 0; i < 200; ++i)
            frame.colour_usage.get()[i] = 1;
    }
    const auto before = composed_colours(*document);
    unify_palettes(*document, 0);
    EXPECT_EQ(document->palette_size, 255);
    const auto after = composed_colours(*document);
    // Every colour shown is a palette colour, and a merged colour shows a neighbour.
    for (int f = 0; f < 2; ++f) {
        for (std::size_t i = 0; i < 200; ++i) {
            std::uint32_t was = before[static_cast<std::size_t>(f)][i], now = after[static_cast<std::size_t>(f)][i];
            EXPECT_LT(colour_distance(was, now), 200u) << f << " " << i;
        }
    }
}

TEST_F(PaletteReduction, RemappedTransparentFrameChoosesItsIndexForTheNewCount)
{
    // A 256-colour palette (as an 8-bit table loads) and rule 3: the new transparent index is
    // the new colour count, 2. Taken for the old count (256 kept to 8 bits, 0) it would hide
    // the frame's first colour.
    settings().rule_value = 3;
    DocumentPtr document = make_document(4, 1, 256, {{rect_of(0, 0, 1, 4), {0, 1, 5, 1}, Disposal::Keep, true, 5}});
    set_colour(document->palette.get(), 0, 0x102030);
    set_colour(document->palette.get(), 1, 0x405060);
    const auto before = composed_colours(*document);
    compact_global_palette(*document, 0);

    const Frame& frame = frame_at(*document, 0);
    EXPECT_EQ(document->palette_size, 2);
    EXPECT_EQ(frame.transparent, 1);
    EXPECT_EQ(frame.transparent_index, 2);
    EXPECT_EQ(colours_needed(document->palette_size, frame), 3);
    EXPECT_EQ(composed_colours(*document), before);
}

TEST_F(PaletteReduction, AFileWithoutAnyPaletteShowsTheDefaultGreys)
{
    DocumentPtr document = make_document(3, 1, 0, {{rect_of(0, 0, 1, 3), {0, 128, 255}}});
    frame_reset_usage(frame_at(*document, 0), 256);
    frame_at(*document, 0).colour_usage.get()[0] = 1;
    frame_at(*document, 0).colour_usage.get()[128] = 1;
    frame_at(*document, 0).colour_usage.get()[255] = 1;
    compact_global_palette(*document, 0);
    EXPECT_EQ(document->palette_size, 3);
    std::set<std::uint32_t> shown;
    for (std::uint8_t p : decoded_pixels(frame_at(*document, 0)))
        shown.insert(colour_of(document->palette.get(), p));
    EXPECT_EQ(shown, (std::set<std::uint32_t>{0x000000, 0x808080, 0xFFFFFF}));
}

TEST_F(PaletteReduction, AllTransparentFramesLeaveAnEmptyPalette)
{
    DocumentPtr document = make_document(2, 1, 4, {{rect_of(0, 0, 1, 2), {3, 3}, Disposal::Keep, true, 3}});
    compact_global_palette(*document, 0);
    EXPECT_EQ(document->palette_size, 0);
    EXPECT_EQ(frame_at(*document, 0).transparent_index, 0);
    EXPECT_EQ(composed_screens(*document)[0], (std::vector<std::uint8_t>{255, 255}));
}

TEST_F(PaletteReduction, UnifiedTransparentFrameGetsMergedUsageAndANewIndex)
{
    // One frame with a 256-entry local table: red at 0 (1 pixel), blue at 200 (2 pixels),
    // green at 5 is the transparent index (its pixel not counted). Red costs 510 x 1 to merge
    // into blue, blue 510 x 2 into red: red goes first (rank 1), blue survives (rank 0).
    // So 0 -> 1 and 200 -> 0; the usage of old index 200 lands in new counter 0 although the
    // new array has only two counters. Rule 0 over usage {2, 1}: no free index below 2, so
    // the transparent index is 2 and the encoding needs 3 colours (minimum code size 2).
    settings().rule_value = 0;
    DocumentPtr document = make_document(4, 1, 4, {{rect_of(0, 0, 1, 4), {0, 200, 200, 5}, Disposal::Keep, true, 5}});
    Frame& frame = frame_at(*document, 0);
    frame.local_palette.reset(static_cast<std::uint8_t*>(MemAlloc(768)));
    std::memset(frame.local_palette.get(), 0, 768);
    set_colour(frame.local_palette.get(), 0, 0xFF0000);
    set_colour(frame.local_palette.get(), 5, 0x00FF00);
    set_colour(frame.local_palette.get(), 200, 0x0000FF);
    frame.load_palette_size = 256;
    frame_reset_usage(frame, 256);
    frame.colour_usage.get()[0] = 1;
    frame.colour_usage.get()[200] = 2;

    unify_palettes(*document, 0);

    EXPECT_EQ(document->palette_size, 2);
    EXPECT_EQ(colour_of(document->palette.get(), 0), 0x0000FFu);
    EXPECT_EQ(colour_of(document->palette.get(), 1), 0xFF0000u);
    ASSERT_EQ(frame.colour_usage_count, 2);
    EXPECT_EQ(frame.colour_usage.get()[0], 2u);
    EXPECT_EQ(frame.colour_usage.get()[1], 1u);
    EXPECT_EQ(frame.transparent, 1);
    EXPECT_EQ(frame.transparent_index, 2);
    EXPECT_EQ(decoded_pixels(frame), (std::vector<std::uint8_t>{1, 0, 0, 2}));
    EXPECT_EQ(colours_needed(document->palette_size, frame), 3);
    EXPECT_EQ(frame.encoded_data.get()[0], 2);
}

TEST_F(PaletteReduction, CompactionMapsTheBackgroundIndex)
{
    // Orange at 0 (1 pixel) and teal at 3 (2 pixels), 290 apart: orange is merged away
    // first (cost 290 against 580), so teal gets index 0 and orange index 1. The background
    // index 3 (teal) becomes 0.
    DocumentPtr document = make_document(3, 1, 4, {{rect_of(0, 0, 1, 3), {0, 3, 3}}});
    set_colour(document->palette.get(), 0, 0xC86432);
    set_colour(document->palette.get(), 3, 0x0A141E);
    document->background_index = 3;

    compact_global_palette(*document, 0);

    EXPECT_EQ(document->palette_size, 2);
    EXPECT_EQ(document->background_index, 0);
    EXPECT_EQ(colour_of(document->palette.get(), 0), 0x0A141Eu);
    EXPECT_EQ(colour_of(document->palette.get(), 1), 0xC86432u);
    EXPECT_EQ(decoded_pixels(frame_at(*document, 0)), (std::vector<std::uint8_t>{1, 0, 0}));
}

TEST_F(PaletteReduction, ABackgroundIndexPastTheOldColourCountIsLeftAlone)
{
    DocumentPtr document = make_document(2, 1, 2, {{rect_of(0, 0, 1, 2), {0, 1}}});
    document->background_index = 7;
    compact_global_palette(*document, 0);
    EXPECT_EQ(document->background_index, 7);
}
