// Whole-pass property: on many small generated animations and every combination of the
// optimization settings, the optimized frames compose to exactly the screens of the
// original, stay inside the screen, and a second pass (a second save) keeps that true.
#include "optimize/frame_optimizer.h"

#include "app/settings.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::vector<FrameSpec> generate_frames(std::mt19937& random, int width, int height, int colours)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::uint8_t> screen(static_cast<std::size_t>(width * height), 255);
    std::vector<FrameSpec> frames;
    const int count = pick(1, 7);
    for (int f = 0; f < count; ++f) {
        FrameSpec spec;
        int left = pick(0, width - 1), top = pick(0, height - 1);
        int right = pick(left + 1, width), bottom = pick(top + 1, height);
        if (f == 0 && pick(0, 1))
            left = top = 0, right = width, bottom = height;
        spec.rect = rect_of(top, left, bottom, right);
        spec.disposal = std::vector<Disposal>{Disposal::None, Disposal::Keep, Disposal::Keep,
                                              Disposal::RestoreBackground}[static_cast<std::size_t>(pick(0, 3))];
        spec.interlaced = pick(0, 4) == 0;
        if (pick(0, 9) < 4) {
            spec.transparent = true;
            int choice = pick(0, 2);
            spec.transparent_index = static_cast<std::uint8_t>(choice == 0       ? pick(0, colours - 1)
                                                                   : choice == 1 ? colours
                                                                                 : 255);
        }
        // Mostly what is on the screen already, with runs of new colours: material for every
        // trim and substitution.
        std::uint8_t run = static_cast<std::uint8_t>(pick(0, colours - 1));
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                std::uint8_t shown = screen[static_cast<std::size_t>(y * width + x)];
                int what = pick(0, 9);
                if (what < 2)
                    run = static_cast<std::uint8_t>(pick(0, colours - 1));
                std::uint8_t p = what < 5 || shown == 255 ? run : shown;
                if (spec.transparent && what == 9)
                    p = spec.transparent_index;
                if (p == 255)
                    p = 0;
                spec.pixels.push_back(p);
                if (!(spec.transparent && p == spec.transparent_index))
                    screen[static_cast<std::size_t>(y * width + x)] = p;
            }
        }
        if (spec.disposal == Disposal::RestoreBackground)
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    screen[static_cast<std::size_t>(y * width + x)] = 255;
        frames.push_back(std::move(spec));
    }
    return frames;
}

void expect_rects_inside(Document& document, const std::string& where)
{
    for (ListNode* node = document.frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        EXPECT_GE(frame.rect.top, 0) << where;
        EXPECT_GE(frame.rect.left, 0) << where;
        EXPECT_LE(frame.rect.bottom, document.screen_height) << where;
        EXPECT_LE(frame.rect.right, document.screen_width) << where;
        EXPECT_GE(frame.rect.width(), 1) << where;
        EXPECT_GE(frame.rect.height(), 1) << where;
        EXPECT_LE(static_cast<int>(frame.disposal), 2) << where;
    }
}

}  // namespace

TEST(OptimizerProperty, OptimizedAnimationsComposeToTheSameScreens)
{
    OptimizationSettingsGuard saved;
    std::mt19937 random(20240611);
    for (int seed = 0; seed < 250; ++seed) {
        const int width = std::uniform_int_distribution<int>(1, 14)(random);
        const int height = std::uniform_int_distribution<int>(1, 9)(random);
        const int colours = std::uniform_int_distribution<int>(1, 20)(random);
        std::vector<FrameSpec> frames = generate_frames(random, width, height, colours);
        for (int combination = 0; combination < 4; ++combination) {
            const std::uint32_t bits = random();
            for (int i = 0; i < 4; ++i)
                settings().*kOptimizationSwitches[i] = static_cast<std::uint8_t>((bits >> (i + 1)) & 1);
            settings().rule_value = static_cast<std::uint16_t>((bits >> 8) % 7);
            const std::string where = "document " + std::to_string(seed) + " settings " + std::to_string(bits & 0x1E) +
                " rule " + std::to_string(settings().rule_value);

            DocumentPtr document = make_document(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                                                 static_cast<std::uint16_t>(colours), frames);
            const auto screens = composed_screens(*document);
            optimize_document(*document);
            expect_rects_inside(*document, where);
            ASSERT_EQ(composed_screens(*document), screens) << where;
            optimize_document(*document);
            ASSERT_EQ(composed_screens(*document), screens) << where << " (second pass)";
        }
    }
}

TEST(OptimizerProperty, ADocumentWithoutFramesIsLeftAlone)
{
    DocumentPtr document = make_document(3, 3, 2, {});
    optimize_document(*document);
    EXPECT_EQ(document->frame_count, 0);
}

TEST(OptimizerProperty, FrameRectanglesOutsideTheScreenAreNeverFollowedOutside)
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
