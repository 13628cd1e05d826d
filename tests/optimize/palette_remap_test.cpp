// Re-mapping frames to the reduced palette, worked out by hand: which index each old pixel
// gets, the merged colour usage (summed from every old counter, also those past the new
// size), the new transparent index and the code size of the new encoding, and the
// background index that compaction maps along.
#include "optimize/palette_reduction.h"

#include "app/settings.h"
#include "optimize/colour_merge.h"
#include "optimize/frame_optimizer.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class PaletteRemap : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(octree_nodes_in_use(), 0u);
        EXPECT_EQ(merge_links_in_use(), 0u);
    }

private:
    OptimizationSettingsGuard m_saved;
};

}  // namespace

TEST_F(PaletteRemap, UnifiedTransparentFrameGetsMergedUsageAndANewIndex)
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

TEST_F(PaletteRemap, CompactionMapsTheBackgroundIndex)
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

TEST_F(PaletteRemap, ABackgroundIndexPastTheOldColourCountIsLeftAlone)
{
    DocumentPtr document = make_document(2, 1, 2, {{rect_of(0, 0, 1, 2), {0, 1}}});
    document->background_index = 7;
    compact_global_palette(*document, 0);
    EXPECT_EQ(document->background_index, 7);
}
