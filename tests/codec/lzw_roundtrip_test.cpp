// Round trips decode(encode(x)) == x over many sizes, code sizes and pixel patterns, the
// encoding read back by our decoder and by giflib.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codec/codec_state.h"
#include "codec/codec_support.h"
#include "codec/frame_coding.h"

using codec_test::Bytes;

namespace {

// Repeats: every row is the first one with now and then a pixel changed, as in screen
// recordings, which gives strings hundreds of pixels long.
enum class Pattern { Noise, Runs, Gradient, Repeats };

std::vector<std::uint8_t> make_pixels(int width, int height, int colours, Pattern pattern, std::mt19937& random)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    std::uniform_int_distribution<int> colour(0, colours - 1);
    std::uniform_int_distribution<int> run_length(1, 40);
    std::size_t at = 0;
    if (pattern == Pattern::Repeats) {
        std::uniform_int_distribution<std::size_t> place(0, pixels.size() - 1);
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(colour(random));
        for (std::size_t i = static_cast<std::size_t>(width); i < pixels.size(); ++i)
            pixels[i] = pixels[i - static_cast<std::size_t>(width)];
        for (std::size_t changes = pixels.size() / 500; changes; --changes)
            pixels[place(random)] = static_cast<std::uint8_t>(colour(random));
        return pixels;
    }
    while (at < pixels.size()) {
        std::uint8_t c = static_cast<std::uint8_t>(colour(random));
        std::size_t n = pattern == Pattern::Runs ? static_cast<std::size_t>(run_length(random)) : 1;
        if (pattern == Pattern::Gradient)
            c = static_cast<std::uint8_t>(
                (at % static_cast<std::size_t>(width) / 3 + at / static_cast<std::size_t>(width)) % colours);
        for (; n && at < pixels.size(); --n)
            pixels[at++] = c;
    }
    return pixels;
}

struct Size {
    int width, height;
};

}  // namespace

// Every frame is encoded at an offset inside a larger canvas, read back by our decoder (onto
// a canvas of another colour, transparent-aware or not) and by giflib.
TEST(LzwRoundTrip, OurDecoderAndGiflibGiveThePixelsBack)
{
    const Size sizes[] = {{1, 1},   {1, 9},  {9, 1},   {2, 2},   {5, 5},    {3, 17},
                          {17, 13}, {33, 9}, {64, 64}, {255, 3}, {128, 96}, {300, 257}};
    const int colour_counts[] = {2, 3, 4, 5, 7, 16, 33, 128, 256};
    std::mt19937 random(20240607);
    int checked = 0;
    for (Size size : sizes) {
        for (int colours : colour_counts) {
            for (Pattern pattern : {Pattern::Noise, Pattern::Runs, Pattern::Gradient, Pattern::Repeats}) {
                const bool interlaced = (checked % 2) == 1;
                const EndCode end_code = (checked % 3) == 0 ? EndCode::Always : EndCode::SaveWhenFree;
                const bool aware = (checked % 4) >= 2;
                ++checked;
                const std::string where = std::to_string(size.width) + "x" + std::to_string(size.height) + " colours " +
                    std::to_string(colours) + (interlaced ? " interlaced" : "");
                std::vector<std::uint8_t> pixels = make_pixels(size.width, size.height, colours, pattern, random);

                Canvas source;
                canvas_resize(source, static_cast<std::uint16_t>(size.width + 3),
                              static_cast<std::uint16_t>(size.height + 2), 0);
                for (int y = 0; y < size.height; ++y)
                    std::copy_n(pixels.begin() + static_cast<long>(y) * size.width, size.width, source.row(y + 1) + 2);
                FramePtr frame(new_frame());
                frame->rect = {1, 2, static_cast<std::int16_t>(size.height + 1),
                               static_cast<std::int16_t>(size.width + 2)};
                frame->interlaced = interlaced ? 1 : 0;
                frame->transparent_index = static_cast<std::uint8_t>(colours / 2);
                encode_frame_into(*frame, source, interlaced, static_cast<std::uint16_t>(colours), end_code);

                const Bytes data(frame->encoded_data.get(), frame->encoded_data.get() + frame->encoded_length);
                const auto frames =
                    codec_test::giflib_decode(codec_test::wrap_image(size.width, size.height, interlaced, data));
                ASSERT_EQ(frames.size(), 1u) << where;
                ASSERT_EQ(frames[0].pixels, pixels) << where << " (giflib)";

                Canvas target;
                canvas_resize(target, source.width, source.height, 0xEE);
                ASSERT_EQ(decode_frame_onto(target, *frame, aware ? TransparentAware::Yes : TransparentAware::No),
                          DecodeResult::Complete)
                    << where;
                for (int y = 0; y < size.height; ++y) {
                    for (int x = 0; x < size.width; ++x) {
                        std::uint8_t want = pixels[static_cast<std::size_t>(y) * size.width + x];
                        if (aware && want == frame->transparent_index)
                            want = 0xEE;
                        ASSERT_EQ(target.row(y + 1)[x + 2], want) << where << " at " << x << "," << y;
                    }
                }
                EXPECT_EQ(target.row(0)[0], 0xEE);  // outside the frame
            }
        }
    }
}
