// The pre-save pass on generated animations under every combination of the switches and
// every transparent index rule: the frames compose to the screens of the original, stay
// inside the screen, and all of that holds again for a second pass over the optimized frames.
#include "optimize/frame_optimizer.h"

#include "app/settings.h"
#include "optimizer_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

constexpr std::uint8_t kEmptyPixel = 255;

std::vector<FrameSpec> random_frames(std::mt19937& rng, int width, int height, int colours)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    std::vector<std::uint8_t> screen(static_cast<std::size_t>(width * height), kEmptyPixel);
    std::vector<FrameSpec> frames;
    const int count = pick(1, 6);
    for (int f = 0; f < count; ++f) {
        FrameSpec spec;
        int left = pick(0, width - 1), top = pick(0, height - 1);
        int right = pick(left + 1, width), bottom = pick(top + 1, height);
        if (f == 0 && pick(0, 1))
            left = top = 0, right = width, bottom = height;
        spec.rect = rect_of(top, left, bottom, right);
        spec.disposal = pick(0, 5) < 2 ? Disposal::RestoreBackground : static_cast<Disposal>(pick(0, 1));
        spec.interlaced = pick(0, 5) == 0;
        const bool repeat = pick(0, 6) == 0;  // a frame that only repeats what is shown
        if (pick(0, 2) == 0) {
            spec.transparent = true;
            const int choice = pick(0, 3);
            spec.transparent_index = static_cast<std::uint8_t>(choice == 0       ? 255
                                                                   : choice == 1 ? colours
                                                                                 : pick(0, colours - 1));
        }
        std::uint8_t run = static_cast<std::uint8_t>(pick(0, colours - 1));
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const std::uint8_t shown = screen[static_cast<std::size_t>(y * width + x)];
                if (pick(0, 3) == 0)
                    run = static_cast<std::uint8_t>(pick(0, colours - 1));
                std::uint8_t p = (repeat && shown != kEmptyPixel) || (pick(0, 1) && shown != kEmptyPixel) ? shown : run;
                if (spec.transparent && (p == spec.transparent_index || pick(0, 7) == 0))
                    p = spec.transparent_index;
                spec.pixels.push_back(p);
                if (!(spec.transparent && p == spec.transparent_index))
                    screen[static_cast<std::size_t>(y * width + x)] = p;
            }
        }
        if (spec.disposal == Disposal::RestoreBackground)
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    screen[static_cast<std::size_t>(y * width + x)] = kEmptyPixel;
        frames.push_back(std::move(spec));
    }
    return frames;
}

// Every frame of the pass stays inside the screen, at least one pixel large, with a disposal
// the writer can store.
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

TEST(FrameOptimizerProperty, GeneratedAnimationsComposeToTheSameScreens)
{
    OptimizationSettingsGuard saved;
    std::mt19937 rng(4242);
    for (int round = 0; round < 400; ++round) {
        const int width = std::uniform_int_distribution<int>(1, 14)(rng);
        const int height = std::uniform_int_distribution<int>(1, 9)(rng);
        const int colours = std::uniform_int_distribution<int>(1, 20)(rng);
        const std::vector<FrameSpec> frames = random_frames(rng, width, height, colours);
        const int combination = round % 16;
        for (int i = 0; i < 4; ++i)
            settings().*kOptimizationSwitches[i] = static_cast<std::uint8_t>((combination >> i) & 1);
        settings().rule_value = static_cast<std::uint16_t>(round % 7);
        const std::string where = "round " + std::to_string(round);
        DocumentPtr document = make_document(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                                             static_cast<std::uint16_t>(colours), frames);
        const auto screens = composed_screens(*document);
        for (const char* pass : {"", " (second pass)"}) {
            optimize_document(*document);
            expect_rects_inside(*document, where + pass);
            ASSERT_EQ(composed_screens(*document), screens) << where << pass;
        }
    }
}
