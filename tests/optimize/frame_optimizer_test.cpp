#include "optimize/frame_optimizer.h"

#include "app/settings.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

class FrameOptimizer : public ::testing::Test {
protected:
    OptimizationSettingsGuard m_saved;
};

// A 4 x 3 screen, then a frame that repeats the pixels below its rectangle.
DocumentPtr identical_frame_document()
{
    return make_document(4, 3, 4,
                         {
                             {rect_of(0, 0, 3, 4), {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1}},
                             {rect_of(1, 1, 3, 4), {2, 3, 0, 3, 0, 1}},
                         });
}

// A full first frame; a pixel at (1,1) that is cleared afterwards; a pixel at (0,1).
DocumentPtr offset_document()
{
    return make_document(2, 2, 4,
                         {
                             {rect_of(0, 0, 2, 2), {0, 1, 2, 3}},
                             {rect_of(1, 1, 2, 2), {0}, Disposal::RestoreBackground},
                             {rect_of(0, 1, 1, 2), {2}},
                         });
}

// What one frame must look like after the pass; -1 and an empty pixel list are not checked.
struct ExpectedFrame {
    int index;
    ScreenRect rect;
    Disposal disposal = Disposal::Keep;
    int transparent = -1;
    int transparent_index = -1;
    std::vector<std::uint8_t> pixels = {};
};

}  // namespace

TEST_F(FrameOptimizer, ScenesShrinkMoveAndKeepTheirScreens)
{
    struct Case {
        const char* name;
        std::uint8_t Settings::*setting;  // switched off for the case when not null
        DocumentPtr (*document)();
        std::vector<ExpectedFrame> frames;
    };
    const Case cases[] = {
        // Colour 2 is the only one in the shrunk rectangle: index 0 is free. All four modes
        // give one pixel of the same length: the unchanged pixel stays transparent.
        {"an identical frame shrinks to one pixel at its old top-left",
         nullptr,
         identical_frame_document,
         {{0, rect_of(0, 0, 3, 4)}, {1, rect_of(1, 1, 2, 2), Disposal::Keep, 1, 0, {0}}}},
        {"without transparency search the pixel is written as it is",
         &Settings::transparency_search,
         identical_frame_document,
         {{1, rect_of(1, 1, 2, 2), Disposal::Keep, -1, -1, {2}}}},
        {"disposal 2 fully covered by the next frame becomes 1",
         nullptr,
         [] {
             return make_document(
                 2, 1, 2, {{rect_of(0, 0, 1, 2), {0, 1}, Disposal::RestoreBackground}, {rect_of(0, 0, 1, 2), {1, 0}}});
         },
         {{0, rect_of(0, 0, 1, 2)}, {1, rect_of(0, 0, 1, 2)}}},
        {"disposal 2 that still clears a pixel is kept",
         nullptr,
         [] {
             return make_document(
                 2, 1, 2, {{rect_of(0, 0, 1, 2), {0, 1}, Disposal::RestoreBackground}, {rect_of(0, 0, 1, 1), {1}}});
         },
         {{0, rect_of(0, 0, 1, 2), Disposal::RestoreBackground}}},
        {"offset frames on: frames stay where they change",
         nullptr,
         offset_document,
         {{1, rect_of(1, 1, 2, 2), Disposal::RestoreBackground}, {2, rect_of(0, 1, 1, 2)}}},
        // The frame that clears (1,1) would clear the visible pixels (0,0), (0,1) and (1,0)
        // from the corner: it keeps its offset. The others start at the corner.
        {"offset frames off: frames move to the corner",
         &Settings::offset_frames,
         offset_document,
         {{1, rect_of(1, 1, 2, 2), Disposal::RestoreBackground}, {2, rect_of(0, 0, 1, 2)}}},
        // The first frame clears itself and the second draws elsewhere: the moved rectangle
        // covers only pixels that are empty after the next frame.
        {"offset frames off: a clearing frame moves when nothing visible is lost",
         &Settings::offset_frames,
         [] {
             return make_document(
                 3, 3, 2, {{rect_of(1, 1, 2, 2), {1}, Disposal::RestoreBackground}, {rect_of(2, 2, 3, 3), {0}}});
         },
         {{0, rect_of(0, 0, 2, 2), Disposal::RestoreBackground}}},
        {"crop first frame on: the first frame shrinks",
         nullptr,
         [] {
             return make_document(3, 3, 2, {{rect_of(1, 1, 2, 2), {1}}});
         },
         {{0, rect_of(1, 1, 2, 2), Disposal::Keep, 1, 0, {1}}}},
        // Empty pixels are transparent in every mode; all four tie and mode 0 stays.
        {"crop first frame off: the first frame covers the screen",
         &Settings::crop_first_frame,
         [] {
             return make_document(3, 3, 2, {{rect_of(1, 1, 2, 2), {1}}});
         },
         {{0, rect_of(0, 0, 3, 3), Disposal::Keep, 1, 0, {0, 0, 0, 0, 1, 0, 0, 0, 0}}}},
        {"a document without frames is left alone", nullptr, [] { return make_document(3, 3, 2, {}); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OptimizationSettingsGuard saved;
        if (c.setting)
            settings().*c.setting = 0;
        DocumentPtr document = c.document();
        const auto screens = composed_screens(*document);
        const int frame_count = document->frame_count;
        optimize_document(*document);
        EXPECT_EQ(document->frame_count, frame_count);
        for (const ExpectedFrame& e : c.frames) {
            const Frame& frame = frame_at(*document, e.index);
            EXPECT_EQ(frame.rect.top, e.rect.top) << "frame " << e.index;
            EXPECT_EQ(frame.rect.left, e.rect.left) << "frame " << e.index;
            EXPECT_EQ(frame.rect.bottom, e.rect.bottom) << "frame " << e.index;
            EXPECT_EQ(frame.rect.right, e.rect.right) << "frame " << e.index;
            EXPECT_EQ(frame.disposal, e.disposal) << "frame " << e.index;
            if (e.transparent >= 0) {
                EXPECT_EQ(frame.transparent, e.transparent) << "frame " << e.index;
            }
            if (e.transparent_index >= 0) {
                EXPECT_EQ(frame.transparent_index, e.transparent_index) << "frame " << e.index;
            }
            if (!e.pixels.empty()) {
                EXPECT_EQ(decoded_pixels(frame), e.pixels) << "frame " << e.index;
            }
        }
        EXPECT_EQ(composed_screens(*document), screens);
    }
}

TEST_F(FrameOptimizer, TransparentIndexRulesInPlace)
{
    // The shrunk frame uses colour 2 of a 4-colour palette. Rule 3 picks 4, a power of two
    // above every used index over a rectangle without empty pixels: the encoding without
    // transparency (2-bit codes) is no longer and replaces it.
    struct Case {
        int rule;
        int index;
        int transparent;
    } cases[] = {{0, 0, 1}, {1, 3, 1}, {2, 3, 1}, {3, 4, 0}, {4, 7, 1}, {5, 7, 1}, {6, 255, 1}};
    for (const Case& c : cases) {
        settings().rule_value = static_cast<std::uint16_t>(c.rule);
        DocumentPtr document = identical_frame_document();
        auto screens = composed_screens(*document);
        optimize_document(*document);
        const Frame& frame = frame_at(*document, 1);
        EXPECT_EQ(frame.transparent_index, c.index) << "rule " << c.rule;
        EXPECT_EQ(frame.transparent, c.transparent) << "rule " << c.rule;
        EXPECT_EQ(composed_screens(*document), screens) << "rule " << c.rule;
    }
}

TEST_F(FrameOptimizer, TransparentIndexRuleTable)
{
    const std::uint32_t used_0_1_3_9[10] = {5, 1, 0, 2, 0, 0, 0, 0, 0, 7};
    const std::uint32_t all_four[4] = {1, 1, 1, 1};
    const std::uint32_t only_0[1] = {3};
    struct Case {
        int rule;
        std::uint16_t palette_size;
        const std::uint32_t* usage;
        std::uint16_t usage_count;
        int expected;
    } cases[] = {
        {0, 10, used_0_1_3_9, 10, 2},   {1, 10, used_0_1_3_9, 10, 8},  {2, 10, used_0_1_3_9, 10, 10},
        {3, 10, used_0_1_3_9, 10, 10},  {4, 10, used_0_1_3_9, 10, 15}, {5, 10, used_0_1_3_9, 10, 15},
        {6, 10, used_0_1_3_9, 10, 255}, {0, 4, all_four, 4, 4},        {1, 4, all_four, 4, 4},
        {2, 4, all_four, 4, 4},         {4, 4, all_four, 4, 7},        {5, 4, all_four, 4, 7},
        {5, 3, all_four, 3, 3},         {4, 3, all_four, 3, 3},        {0, 1, only_0, 1, 1},
        {4, 1, only_0, 1, 1},           {5, 1, only_0, 1, 1},          {0, 0, nullptr, 0, 0},
        {1, 0, nullptr, 0, 0},          {2, 0, nullptr, 0, 0},         {4, 0, nullptr, 0, 1},
        {4, 200, nullptr, 0, 255},      {5, 200, nullptr, 0, 255},     {4, 128, nullptr, 0, 255},
        {5, 16, nullptr, 0, 255},       {5, 15, nullptr, 0, 15},       {4, 127, nullptr, 0, 127},
        {9, 10, used_0_1_3_9, 10, 2},  // an out-of-range rule acts as rule 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(transparent_index_for(c.palette_size, c.usage, c.usage_count, c.rule), c.expected)
            << "rule " << c.rule << " size " << c.palette_size;
}

TEST_F(FrameOptimizer, ColoursNeededCountsTheTransparentIndex)
{
    FramePtr frame(new_frame());
    frame_reset_usage(*frame, 20);
    frame->colour_usage.get()[14] = 3;
    EXPECT_EQ(colours_needed(20, *frame), 15);
    frame->transparent = 1;
    frame->transparent_index = 15;
    EXPECT_EQ(colours_needed(20, *frame), 16);
    frame->transparent_index = 3;
    EXPECT_EQ(colours_needed(20, *frame), 15);
    frame_reset_usage(*frame, 20);
    EXPECT_EQ(colours_needed(20, *frame), 4);  // nothing used: H = 0
    frame->transparent = 0;
    EXPECT_EQ(colours_needed(20, *frame), 1);
}

TEST_F(FrameOptimizer, FrameRectanglesOutsideTheScreenAreNeverFollowedOutside)
{
    // A damaged record: the rectangle reaches past the screen. The pass keeps to the screen.
    DocumentPtr document = make_document(4, 4, 3, {{rect_of(0, 0, 4, 4), std::vector<std::uint8_t>(16, 1)}});
    Frame& frame = frame_at(*document, 0);
    frame.rect = rect_of(-2, -3, 9, 11);
    optimize_document(*document);
    EXPECT_GE(frame.rect.top, 0);
    EXPECT_GE(frame.rect.left, 0);
    EXPECT_LE(frame.rect.bottom, 4);
    EXPECT_LE(frame.rect.right, 4);
}

TEST_F(FrameOptimizer, FallbackDropsTransparencyWhenItOnlyCostsABit)
{
    settings().end_code_saving = 0;  // end code always written, so fewer bits per code is never longer
    settings().rule_value = 2;
    std::vector<std::uint8_t> sixteen(16), fifteen(15);
    for (int i = 0; i < 16; ++i)
        sixteen[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    for (int i = 0; i < 15; ++i)
        fifteen[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);

    struct Case {
        const char* name;
        std::uint16_t screen_width;
        std::vector<std::uint8_t> pixels;
        Disposal disposal;
        int crop;
        int transparent;
        int index;
        int code_size;
    } cases[] = {
        {"colours 0-15: index 16 costs a bit", 16, sixteen, Disposal::Keep, 1, 0, 16, 4},
        {"colours 0-14: index 15 is free", 15, fifteen, Disposal::Keep, 1, 1, 15, 4},
        {"disposal 0 is not tried", 16, sixteen, Disposal::None, 1, 1, 16, 5},
        {"an empty pixel must stay transparent", 17, sixteen, Disposal::Keep, 0, 1, 16, 5},
    };
    for (const Case& c : cases) {
        settings().crop_first_frame = static_cast<std::uint8_t>(c.crop);
        const auto width = static_cast<std::int16_t>(c.pixels.size());
        DocumentPtr document = make_document(c.screen_width, 1, 20, {{rect_of(0, 0, 1, width), c.pixels, c.disposal}});
        auto screens = composed_screens(*document);
        optimize_document(*document);
        const Frame& frame = frame_at(*document, 0);
        EXPECT_EQ(frame.transparent, c.transparent) << c.name;
        EXPECT_EQ(frame.transparent_index, c.index) << c.name;
        EXPECT_EQ(frame.encoded_data.get()[0], c.code_size) << c.name;
        EXPECT_EQ(composed_screens(*document), screens) << c.name;
    }
}

namespace {

// Before: colours 1 and 2 at fixed pseudo-random places (every row has both); after: all 1.
struct ModeScene {
    Canvas before, after;
    FramePtr frame{new_frame()};

    ModeScene()
    {
        canvas_resize(before, 16, 16, 1);
        canvas_resize(after, 16, 16, 1);
        std::uint32_t seed = 12345;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                seed = seed * 1103515245u + 12345u;
                before.row(y)[x] = (seed >> 16) & 1 ? 2 : 1;
            }
            before.row(y)[y] = 2;
            before.row(y)[(y + 7) % 16] = 1;
        }
        frame->rect = rect_of(0, 0, 16, 16);
    }
};

}  // namespace

TEST_F(FrameOptimizer, CandidateModesFollowTheDisposalAndTheSearchSwitch)
{
    // Mode 0 leaves a scattered pattern of colour 1 and index 0; modes 1, 2 and 3 all give a
    // plain field of colour 1, so mode 1 is strictly shorter and the later two only tie.
    // Disposal 2 tries mode 0 alone; without the search only mode 3 is tried.
    struct Case {
        const char* name;
        Disposal disposal;
        std::uint8_t search;
        SubstitutionMode mode;
    } cases[] = {
        {"runs extended", Disposal::Keep, 1, SubstitutionMode::ExtendRuns},
        {"disposal 2", Disposal::RestoreBackground, 1, SubstitutionMode::AllUnchanged},
        {"no search", Disposal::Keep, 0, SubstitutionMode::None},
    };
    for (const Case& c : cases) {
        settings().transparency_search = c.search;
        ModeScene scene;
        EXPECT_EQ(encode_frame_candidates(scene.before, scene.after, *scene.frame, c.disposal, false, 0, 3), c.mode)
            << c.name;
        const std::vector<std::uint8_t> pixels = decoded_pixels(*scene.frame);
        for (int i = 0; i < 256; ++i) {
            const bool unchanged = scene.before.pixels.get()[i] == 1;
            const int expected = c.mode == SubstitutionMode::AllUnchanged && unchanged ? 0 : 1;
            ASSERT_EQ(pixels[static_cast<std::size_t>(i)], expected) << c.name << " pixel " << i;
        }
    }
}

TEST_F(FrameOptimizer, SubstitutionRowsFollowEachMode)
{
    // Rows worked out by hand with T = 0 (255 marks an empty pixel).
    struct Case {
        std::vector<std::uint8_t> prev, cur;
        std::vector<std::uint8_t> expected[4];  // modes 0 to 3
    } cases[] = {
        {{1, 2, 2, 1, 1, 1, 2, 1},
         {2, 2, 2, 2, 1, 1, 2, 2},
         {{2, 0, 0, 2, 0, 0, 0, 2}, {2, 2, 2, 2, 0, 0, 2, 2}, {2, 2, 2, 2, 1, 1, 2, 2}, {2, 2, 2, 2, 1, 1, 2, 2}}},
        {{1, 1, 255, 1}, {1, 1, 255, 3}, {{0, 0, 0, 3}, {0, 0, 0, 3}, {0, 0, 0, 3}, {1, 1, 0, 3}}},
        {{4, 4, 4}, {4, 4, 4}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {4, 4, 4}}},
        {{7}, {3}, {{3}, {3}, {3}, {3}}},
    };
    for (const Case& c : cases) {
        for (int mode = 0; mode < 4; ++mode) {
            std::vector<std::uint8_t> out(c.cur.size(), 99);
            substitute_row(static_cast<SubstitutionMode>(mode), c.cur.data(), c.prev.data(),
                           static_cast<int>(c.cur.size()), 0, out.data());
            EXPECT_EQ(out, c.expected[mode]) << "mode " << mode;
        }
    }
}
