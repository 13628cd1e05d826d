// The thorough encoder: hand-worked streams where looking ahead saves a code, and round trips
// of every plan through our decoder and giflib, never longer than the plain encoder.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codec/codec_support.h"
#include "codec/frame_coding.h"
#include "codec/lzw_optimal.h"

using codec_test::Bytes;
using codec_test::CodeStream;

namespace {

Bytes stream_of(std::uint8_t minimum_code_size, std::initializer_list<std::pair<int, int>> codes)
{
    CodeStream stream;
    for (auto [code, width] : codes)
        stream.add(code, width);
    return stream.image_data(minimum_code_size);
}

// Pixels of screen-recording kinds: flat areas, repeated rows with a few changes, noise.
Bytes make_pixels(std::size_t count, int colours, int kind, std::mt19937& random)
{
    std::uniform_int_distribution<int> colour(0, colours - 1);
    Bytes pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (kind == 0)
            pixels[i] = static_cast<std::uint8_t>(colour(random));
        else if (kind == 1)
            pixels[i] = i % 97 < 60 ? 0 : static_cast<std::uint8_t>((i / 7) % colours);
        else
            pixels[i] = i >= 211 && random() % 300 ? pixels[i - 211] : static_cast<std::uint8_t>(colour(random));
    }
    return pixels;
}

Bytes decode_with_ours(const Bytes& data, int width, int height)
{
    FramePtr frame(new_frame());
    frame->rect = {0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
    MemPtr<std::uint8_t> copy(static_cast<std::uint8_t*>(MemAlloc(data.size())));
    std::copy(data.begin(), data.end(), copy.get());
    frame_set_encoding(*frame, std::move(copy), static_cast<std::uint32_t>(data.size()));
    Canvas canvas;
    canvas_resize(canvas, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0xEE);
    if (decode_frame_onto(canvas, *frame, TransparentAware::No) != DecodeResult::Complete)
        return {};
    return Bytes(canvas.pixels.get(), canvas.pixels.get() + canvas.size());
}

}  // namespace

// b a a a b a a b with codes of 3 bits, then 4 from the fifth code on (clear 4, end 5).
// Longest match: b, a, aa (adds aab), ba, a, b. Looking ahead at the second b: ba reaches only
// one pixel further, b then aab reaches the end: b, a, aa, b, aab. Four pixels of one colour:
// a, aa (the string being defined), a.
TEST(LzwOptimal, LookingAheadSavesACodeOnHandWorkedStreams)
{
    const Bytes mixed = {1, 0, 0, 0, 1, 0, 0, 1};
    struct Case {
        Bytes pixels;
        LzwPlan plan;
        Bytes expected;
    } cases[] = {
        {mixed,
         {0, LzwClear::OnFull, {}},
         stream_of(2, {{4, 3}, {1, 3}, {0, 3}, {7, 3}, {6, 4}, {0, 4}, {1, 4}, {5, 4}})},
        {mixed, {4, LzwClear::OnFull, {}}, stream_of(2, {{4, 3}, {1, 3}, {0, 3}, {7, 3}, {1, 4}, {8, 4}, {5, 4}})},
        {{0, 0, 0, 0}, {0, LzwClear::OnFull, {}}, stream_of(2, {{4, 3}, {0, 3}, {6, 3}, {0, 3}, {5, 4}})},
    };
    LzwOptimalEncoder encoder;
    for (const Case& c : cases) {
        EXPECT_EQ(encoder.encode_plan(c.pixels.data(), c.pixels.size(), 2, c.plan), c.expected) << c.plan.lookahead;
        EXPECT_EQ(decode_with_ours(c.expected, static_cast<int>(c.pixels.size()), 1), c.pixels);
    }
    EXPECT_EQ(encoder.encode(mixed.data(), mixed.size(), 2, LzwEffort::Thorough), cases[1].expected);
    // The plain stream's codes before the end code take 24 bits: over a limit of 2 bytes, within 3.
    EXPECT_TRUE(encoder.encode_within(mixed.data(), mixed.size(), 2, 2).empty());
    EXPECT_EQ(encoder.encode_within(mixed.data(), mixed.size(), 2, 3), cases[0].expected);
}

TEST(LzwOptimal, EveryPlanRoundTripsAndTheBestIsNeverLongerThanThePlainEncoder)
{
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{1, 1}, {7, 3}, {64, 64}, {211, 150}, {640, 120}};
    const LzwPlan plans[] = {{0, LzwClear::OnFull, {}},        {0, LzwClear::Never, {}},
                             {0, LzwClear::OnDecay, {64, 18}}, {3, LzwClear::OnFull, {}},
                             {12, LzwClear::Never, {}},        {12, LzwClear::OnDecay, {}},
                             {4, LzwClear::OnDecay, {1, 16}}};
    std::mt19937 random(18);
    LzwOptimalEncoder encoder;
    for (Size size : sizes) {
        for (int colours : {2, 4, 16, 200, 256}) {
            for (int kind = 0; kind < 3; ++kind) {
                std::size_t count = static_cast<std::size_t>(size.width) * size.height;
                Bytes pixels = make_pixels(count, colours, kind, random);
                int bits = 2;
                while ((1 << bits) < colours)
                    ++bits;
                for (const LzwPlan& plan : plans) {
                    Bytes data = encoder.encode_plan(pixels.data(), count, bits, plan);
                    ASSERT_EQ(decode_with_ours(data, size.width, size.height), pixels)
                        << size.width << "x" << size.height << " colours " << colours << " kind " << kind;
                    auto frames =
                        codec_test::giflib_decode(codec_test::wrap_image(size.width, size.height, false, data));
                    ASSERT_EQ(frames.size(), 1u);
                    ASSERT_EQ(frames[0].pixels, pixels) << size.width << "x" << size.height << " kind " << kind;
                }
                Canvas canvas;
                canvas_resize(canvas, static_cast<std::uint16_t>(size.width), static_cast<std::uint16_t>(size.height));
                std::copy(pixels.begin(), pixels.end(), canvas.pixels.get());
                FramePtr plain(new_frame());
                plain->rect = {0, 0, static_cast<std::int16_t>(size.height), static_cast<std::int16_t>(size.width)};
                encode_frame_into(*plain, canvas, false, static_cast<std::uint16_t>(1 << bits), EndCode::Always);
                Bytes best = encoder.encode(pixels.data(), count, bits, LzwEffort::Thorough);
                EXPECT_LE(best.size(), plain->encoded_length) << size.width << "x" << size.height << " kind " << kind;
            }
        }
    }
}

// A kept full table is judged stretch by stretch against the first one after it filled:
// 8 bits over the first 4 pixels; then 10 bits (2.5 per pixel) and 11 bits (2.75).
TEST(LzwOptimal, AFullTableGoesStaleOnceAStretchCostsMoreThanTheRuleAllows)
{
    struct Case {
        lzw_bits::DecayRule rule;
        std::vector<bool> stale;  // after 3, 4, 8 and 12 pixels
    } cases[] = {
        {{4, 20}, {false, false, false, true}},   // 20/16 of 2 bits: 2.5 is not above it, 2.75 is
        {{4, 16}, {false, false, true, true}},    // 2.5 is above 2
        {{4, 24}, {false, false, false, false}},  // 3 bits per pixel allowed
        {{8, 16}, {false, false, false, false}},  // the first stretch ends at 8 pixels: it is the base
    };
    const std::size_t at[] = {3, 4, 8, 12};
    const std::uint64_t bits[] = {6, 8, 18, 29};
    for (const Case& c : cases) {
        lzw_bits::DecayWatch watch(c.rule);
        watch.start(0, 0);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(watch.stale(at[i], bits[i]), c.stale[i]) << c.rule.stretch << "/" << c.rule.limit16 << " " << i;
    }
}
