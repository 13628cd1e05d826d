// The decoder on hand-made image data: result codes, end-of-image rules, malformed streams,
// row placement (offset, interlaced, transparent-aware) and the canvas bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codec/codec_state.h"
#include "codec/codec_support.h"
#include "codec/frame_coding.h"

using codec_test::Bytes;
using codec_test::CodeStream;

namespace {

constexpr std::uint8_t kUntouched = 0xEE;

struct Decoded {
    DecodeResult result;
    std::vector<std::uint8_t> pixels;  // the whole canvas
};

Decoded decode(const Bytes& data, int canvas_width, int canvas_height, ScreenRect rect, bool interlaced = false,
               TransparentAware aware = TransparentAware::No, std::uint8_t transparent = 0)
{
    Canvas canvas;
    canvas_resize(canvas, static_cast<std::uint16_t>(canvas_width), static_cast<std::uint16_t>(canvas_height),
                  kUntouched);
    InputWindow window;
    window.set_window_to_memory(static_cast<std::uint32_t>(data.size()), data.data());
    LzwDecoder decoder;
    DecodeTarget target{&canvas, rect, interlaced, aware, transparent};
    DecodeResult result = decoder.decode(window, target);
    return {result, std::vector<std::uint8_t>(canvas.pixels.get(), canvas.pixels.get() + canvas.size())};
}

ScreenRect rect_of(int width, int height)
{
    return {0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
}

Bytes codes(std::uint8_t minimum_size, std::initializer_list<std::pair<int, int>> list)
{
    CodeStream stream;
    for (auto [code, width] : list)
        stream.add(code, width);
    return stream.image_data(minimum_size);
}

const std::vector<std::uint8_t> kNone;

}  // namespace

TEST(LzwDecoder, ResultsAndPixelsOfSmallStreams)
{
    const std::uint8_t U = kUntouched;
    struct Case {
        const char* name;
        int width, height;
        Bytes data;
        DecodeResult result;
        std::vector<std::uint8_t> pixels;
    };
    const Case cases[] = {
        {"clear, 1, end and the terminator", 1, 1, {0x02, 0x02, 0x4C, 0x01, 0x00}, DecodeResult::Complete, {1}},
        {"9-bit minimum code size keeps the low 8 bits",
         1,
         1,
         codes(9, {{512, 10}, {300, 10}, {513, 10}}),
         DecodeResult::Complete,
         {300 & 0xFF}},
        {"minimum code size 10", 1, 1, {0x0A, 0x01, 0x00, 0x00}, DecodeResult::Failed, {U}},
        {"minimum code size 1", 1, 1, {0x01, 0x01, 0x00, 0x00}, DecodeResult::Failed, {U}},
        {"no data at all", 1, 1, {}, DecodeResult::Failed, {U}},
        {"data ends at the last row without an end code", 1, 1, {0x02, 0x01, 0x0C, 0x00}, DecodeResult::Complete, {1}},
        {"end code followed by another sub-block",
         1,
         1,
         {0x02, 0x02, 0x4C, 0x01, 0x01, 0x00, 0x00},
         DecodeResult::Failed,
         {1}},
        {"end code without a terminator", 1, 1, {0x02, 0x02, 0x4C, 0x01}, DecodeResult::Failed, {1}},
        {"extra codes after the last row", 1, 1, {0x02, 0x02, 0x4C, 0x0A, 0x00}, DecodeResult::TrailingSkipped, {1}},
        {"extra codes over several sub-blocks",
         1,
         1,
         {0x02, 0x02, 0x4C, 0x0A, 0x02, 0xFF, 0xFF, 0x00},
         DecodeResult::TrailingSkipped,
         {1}},
        {"extra codes, truncated while skipping",
         1,
         1,
         {0x02, 0x02, 0x4C, 0x0A, 0x05, 0xFF},
         DecodeResult::Failed,
         {1}},
        {"first code is not a clear code", 1, 1, codes(2, {{1, 3}, {5, 3}}), DecodeResult::Failed, {U}},
        {"code after a clear is not a root", 1, 1, codes(2, {{4, 3}, {6, 3}}), DecodeResult::Failed, {U}},
        {"code beyond the next free slot", 2, 1, codes(2, {{4, 3}, {1, 3}, {7, 3}}), DecodeResult::Failed, {U, U}},
        {"code equal to the next free slot",
         3,
         1,
         codes(2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}}),
         DecodeResult::Complete,
         {1, 1, 1}},
        {"repeated clear codes", 1, 1, codes(2, {{4, 3}, {4, 3}, {4, 3}, {2, 3}, {5, 3}}), DecodeResult::Complete, {2}},
        // after 3 codes the width is 4; the clear brings it back to 3 for the end code
        {"clear code after the last row",
         3,
         1,
         codes(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 4}, {5, 3}}),
         DecodeResult::Complete,
         {1, 2, 3}},
        {"end code inside the image is a pixel",
         2,
         1,
         codes(2, {{4, 3}, {5, 3}, {1, 3}, {5, 3}}),
         DecodeResult::Complete,
         {5, 1}},
        {"zero-length sub-block in the middle",
         2,
         1,
         {0x02, 0x01, 0x0C, 0x00, 0x01, 0x01, 0x00},
         DecodeResult::Failed,
         {U, U}},
        {"sub-block shorter than its length", 2, 1, {0x02, 0x05, 0x4C}, DecodeResult::Failed, {U, U}},
        // row 0 is 1 0; row 1 starts with 3, then code 15 is beyond the next free slot 8
        {"rows kept before the damage",
         2,
         2,
         codes(2, {{4, 3}, {1, 3}, {0, 3}, {3, 3}, {15, 4}}),
         DecodeResult::Failed,
         {1, 0, U, U}},
        {"no pixels: only the end code", 0, 0, {0x02, 0x01, 0x05, 0x00}, DecodeResult::Complete, {}},
    };
    for (const Case& c : cases) {
        Decoded got = decode(c.data, std::max(c.width, 1), std::max(c.height, 1), rect_of(c.width, c.height));
        EXPECT_EQ(got.result, c.result) << c.name;
        if (!c.pixels.empty()) {
            EXPECT_EQ(got.pixels, c.pixels) << c.name;
        }
    }
}

TEST(LzwDecoder, TheLastStringMayRunPastTheLastPixel)
{
    // 2 x 1, minimum size 2: clear 4, 1, then 6 (the entry being defined: "1 1") gives three
    // pixels for two places; the third is dropped and the end code still follows.
    Decoded got = decode(codes(2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}}), 2, 1, rect_of(2, 1));
    EXPECT_EQ(got.result, DecodeResult::Complete);
    EXPECT_EQ(got.pixels, (std::vector<std::uint8_t>{1, 1}));

    // One colour over a 50 x 4 frame: after the first pixel every code is the entry being
    // defined, one pixel longer than the one before (2, 3, ... 20 pixels), so strings pass
    // 16 pixels, cross rows, and the last one ends 10 pixels past the frame.
    const int width = 50, height = 4, total = width * height;
    CodeStream stream;
    stream.add(4, 3);
    stream.add(2, 3);
    int decoded = 1, next_free = 6, code_width = 3;
    for (int length = 2; decoded < total; ++length) {
        stream.add(next_free, code_width);
        decoded += length;
        if (++next_free == (1 << code_width) && code_width < 12)
            ++code_width;
    }
    stream.add(5, code_width);
    Decoded runs = decode(stream.image_data(2), width, height, rect_of(width, height));
    EXPECT_EQ(runs.result, DecodeResult::Complete);
    EXPECT_EQ(runs.pixels, std::vector<std::uint8_t>(total, 2));
}

TEST(LzwDecoder, WritesOnlyInsideTheFrameRectangle)
{
    // A 2 x 2 frame at top 1, left 1 of a 4 x 3 canvas: pixels 1 2 / 3 0.
    Bytes data = codes(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {5, 4}});
    Decoded got = decode(data, 4, 3, {1, 1, 3, 3});
    const std::uint8_t U = kUntouched;
    EXPECT_EQ(got.result, DecodeResult::Complete);
    EXPECT_EQ(got.pixels, (std::vector<std::uint8_t>{U, U, U, U, U, 1, 2, U, U, 3, 0, U}));
}

TEST(LzwDecoder, RefusesRectanglesOutsideTheCanvas)
{
    Bytes data = codes(2, {{4, 3}, {1, 3}, {5, 3}});
    const ScreenRect outside[] = {
        {0, 0, 5, 4},   // one row too many
        {0, 1, 4, 5},   // one column too many
        {-1, 0, 0, 1},  // above the canvas
        {0, -1, 1, 0},  // left of the canvas
        {2, 2, 1, 3},   // inverted
    };
    for (const ScreenRect& rect : outside) {
        Decoded got = decode(data, 4, 4, rect);
        EXPECT_EQ(got.result, DecodeResult::Failed)
            << rect.top << "," << rect.left << "," << rect.bottom << "," << rect.right;
        EXPECT_EQ(got.pixels, std::vector<std::uint8_t>(16, kUntouched));
    }
}

TEST(LzwDecoder, InterlacedRowsLandInPassOrder)
{
    // Stored rows 0, 4, 2, 1, 3 of a 1 x 5 frame hold 1, 5, 3, 2, 4: the column reads 1..5.
    Bytes data = codes(3, {{8, 4}, {1, 4}, {5, 4}, {3, 4}, {2, 4}, {4, 4}, {9, 4}});
    Decoded got = decode(data, 1, 5, rect_of(1, 5), true);
    EXPECT_EQ(got.result, DecodeResult::Complete);
    EXPECT_EQ(got.pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));

    Decoded single = decode(codes(3, {{8, 4}, {7, 4}, {9, 4}}), 1, 1, rect_of(1, 1), true);
    EXPECT_EQ(single.result, DecodeResult::Complete);
    EXPECT_EQ(single.pixels, (std::vector<std::uint8_t>{7}));
}

TEST(LzwDecoder, TransparentAwareSinkLeavesTransparentPixels)
{
    Bytes data = codes(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}});
    Decoded aware = decode(data, 3, 1, rect_of(3, 1), false, TransparentAware::Yes, 2);
    EXPECT_EQ(aware.result, DecodeResult::Complete);
    EXPECT_EQ(aware.pixels, (std::vector<std::uint8_t>{1, kUntouched, 3}));
    Decoded opaque = decode(data, 3, 1, rect_of(3, 1), false, TransparentAware::No, 2);
    EXPECT_EQ(opaque.pixels, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(LzwDecoder, FullTableKeepsDecodingTwelveBitCodes)
{
    // Literal codes only (neighbouring pairs never repeat), no clear code when the table is
    // full: entries stop at 4095 and the width stays at 12.
    std::vector<std::uint8_t> pixels{0};
    for (int stride = 1; pixels.size() < 4600; stride += 2)
        for (int i = 0; i < 256; ++i)
            pixels.push_back(static_cast<std::uint8_t>(pixels.back() + stride));
    pixels.resize(4600);
    CodeStream stream;
    stream.add(256, 9);
    for (std::size_t k = 0; k < pixels.size(); ++k)
        stream.add(pixels[k], k <= 254 ? 9 : k <= 766 ? 10 : k <= 1790 ? 11 : 12);
    stream.add(257, 12);
    Decoded got = decode(stream.image_data(8), 4600, 1, rect_of(4600, 1));
    EXPECT_EQ(got.result, DecodeResult::Complete);
    EXPECT_EQ(got.pixels, pixels);
}

TEST(LzwDecoder, DecodeImageReadsStoredDataAndLeavesTheFileWindowAlone)
{
    // The process-wide window points at a "file"; a frame with stored data is decoded from
    // its own bytes and the file position is unchanged afterwards.
    static const std::uint8_t file[] = {'a', 'b', 'c'};
    CodecState& state = codec_state();
    state.input.set_file(
        3, 3,
        [](void*, std::uint8_t* out, std::uint32_t n) -> std::uint32_t {
            std::memcpy(out, file, n);
            return n;
        },
        nullptr);
    std::uint8_t first = 0;
    ASSERT_TRUE(read_byte(first));

    FramePtr frame(new_frame());
    frame->rect = rect_of(3, 1);
    frame->transparent_index = 2;
    static const std::uint8_t stored[] = {0x02, 0x02, 0x8C, 0x0B, 0x00};  // 1 1 1
    MemPtr<std::uint8_t> bytes(static_cast<std::uint8_t*>(MemAlloc(sizeof stored)));
    std::memcpy(bytes.get(), stored, sizeof stored);
    frame_set_encoding(*frame, std::move(bytes), sizeof stored);
    Canvas canvas;
    canvas_resize(canvas, 3, 1, 9);
    EXPECT_EQ(decode_frame_onto(canvas, *frame, TransparentAware::Yes), DecodeResult::Complete);
    EXPECT_EQ(canvas.row(0)[0], 1);
    EXPECT_EQ(canvas.row(0)[2], 1);

    std::uint8_t second = 0;
    ASSERT_TRUE(read_byte(second));
    EXPECT_EQ(second, 'b');
    state.input.close();

    FramePtr empty(new_frame());
    empty->rect = rect_of(1, 1);
    EXPECT_EQ(decode_frame_onto(canvas, *empty, TransparentAware::No), DecodeResult::Failed);
}

TEST(LzwDecoder, DamagedDataNeverTouchesPixelsOutsideTheFrame)
{
    // A 40 x 30 frame at top 10, left 12 of a 64 x 50 canvas, its encoding damaged in many
    // ways: bytes flipped, sub-blocks cut short, lengths changed. Whatever the result, the
    // pixels around the frame stay as they were.
    Canvas source;
    canvas_resize(source, 40, 30, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            source.row(y)[x] = static_cast<std::uint8_t>((x * y + x / 3) % 13);
    FramePtr frame(new_frame());
    frame->rect = rect_of(40, 30);
    encode_frame_into(*frame, source, true, 16, EndCode::Always);
    const Bytes good(frame->encoded_data.get(), frame->encoded_data.get() + frame->encoded_length);

    const ScreenRect placed{10, 12, 40, 52};
    std::uint32_t state = 1;
    auto next = [&state](std::uint32_t limit) {
        state = state * 1103515245 + 12345;
        return (state >> 8) % limit;
    };
    int results[3] = {0, 0, 0};
    for (int round = 0; round < 1500; ++round) {
        Bytes data = good;
        int damage = 1 + static_cast<int>(next(4));
        for (int d = 0; d < damage; ++d) {
            std::size_t at = next(static_cast<std::uint32_t>(data.size()));
            switch (next(3)) {
            case 0:
                data[at] = static_cast<std::uint8_t>(next(256));
                break;
            case 1:
                data.resize(at);
                break;
            default:
                data[at] ^= static_cast<std::uint8_t>(1u << next(8));
                break;
            }
            if (data.empty())
                break;
        }
        Decoded got = decode(data, 64, 50, placed, (round % 2) == 0, TransparentAware::No);
        ++results[static_cast<int>(got.result)];
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 64; ++x) {
                bool inside = y >= placed.top && y < placed.bottom && x >= placed.left && x < placed.right;
                if (!inside) {
                    ASSERT_EQ(got.pixels[static_cast<std::size_t>(y) * 64 + x], kUntouched) << "round " << round;
                }
            }
        }
    }
    EXPECT_GT(results[static_cast<int>(DecodeResult::Failed)], 0);
}
