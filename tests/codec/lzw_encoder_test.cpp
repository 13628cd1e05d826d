// Exact bytes of the hashing encoder and the frame encoding, written out by hand, and the
// order in which a pixel source hands rows to the encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codec/codec_state.h"
#include "codec/codec_support.h"
#include "support/corpus.h"
#include "codec/frame_coding.h"
#include "codec/output_buffer.h"

using codec_test::Bytes;

namespace {

Canvas canvas_of(int width, int height, const std::vector<std::uint8_t>& pixels)
{
    Canvas canvas;
    canvas_resize(canvas, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    std::copy(pixels.begin(), pixels.end(), canvas.pixels.get());
    return canvas;
}

Bytes encode(int width, int height, const std::vector<std::uint8_t>& pixels, std::uint16_t palette_size,
             EndCode end_code, bool interlaced = false)
{
    Canvas canvas = canvas_of(width, height, pixels);
    FramePtr frame(new_frame());
    frame->rect = {0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
    encode_frame_into(*frame, canvas, interlaced, palette_size, end_code);
    return Bytes(frame->encoded_data.get(), frame->encoded_data.get() + frame->encoded_length);
}

// Codes read back from image data with widths given by the test, least significant bit first.
class CodeReader {
public:
    explicit CodeReader(const Bytes& image_data)
    {
        for (std::size_t at = 1; at < image_data.size() && image_data[at];) {
            std::size_t n = image_data[at];
            m_bytes.insert(m_bytes.end(), image_data.begin() + static_cast<long>(at + 1),
                           image_data.begin() + static_cast<long>(at + 1 + n));
            at += 1 + n;
        }
    }
    int read(int width)
    {
        int code = 0;
        for (int i = 0; i < width; ++i, ++m_bit) {
            if (m_bit / 8 >= m_bytes.size())
                return -1;
            code |= ((m_bytes[m_bit / 8] >> (m_bit % 8)) & 1) << i;
        }
        return code;
    }
    std::size_t bits_left() const { return m_bytes.size() * 8 - m_bit; }

private:
    Bytes m_bytes;
    std::size_t m_bit = 0;
};

}  // namespace

TEST(LzwEncoder, SmallImagesGiveTheseExactBytes)
{
    struct Case {
        const char* name;
        int width, height;
        std::vector<std::uint8_t> pixels;
        std::uint16_t palette_size;
        EndCode end_code;
        Bytes expected;
    };
    const Case cases[] = {
        // clear 4, pixel 1, end 5 in 3-bit codes: 100 001 101 -> 0x4C 0x01
        {"single pixel", 1, 1, {1}, 4, EndCode::Always, {0x02, 0x02, 0x4C, 0x01, 0x00}},
        // 6 bits held and a 3-bit end code would need a new byte: left out
        {"single pixel, end code saved", 1, 1, {1}, 4, EndCode::SaveWhenFree, {0x02, 0x01, 0x0C, 0x00}},
        // clear, 0, 0 then the end code fits into the second byte (1 bit held + 3 < 9)
        {"end code fits", 2, 1, {0, 0}, 2, EndCode::SaveWhenFree, {0x02, 0x02, 0x04, 0x0A, 0x00}},
        {"end code fits, always", 2, 1, {0, 0}, 2, EndCode::Always, {0x02, 0x02, 0x04, 0x0A, 0x00}},
        // clear, 0, 1, 2 in 3 bits; the width grows to 4 after the code that found 8 > 7:
        // 3, 1, 3, 0, 2 and end 5 in 4 bits
        {"width grows at 8 codes",
         8,
         1,
         {0, 1, 2, 3, 1, 3, 0, 2},
         4,
         EndCode::Always,
         {0x02, 0x05, 0x44, 0x34, 0x31, 0x20, 0x05, 0x00}},
        // the same codes end on a byte boundary: no bits held, so the end code is left out
        {"width grows, end code saved",
         8,
         1,
         {0, 1, 2, 3, 1, 3, 0, 2},
         4,
         EndCode::SaveWhenFree,
         {0x02, 0x04, 0x44, 0x34, 0x31, 0x20, 0x00}},
        // 1 1 1: clear, 1, then 6 (the string being defined), end
        {"run of three", 3, 1, {1, 1, 1}, 2, EndCode::Always, {0x02, 0x02, 0x8C, 0x0B, 0x00}},
        // no pixels: only the end code, no clear code
        {"zero pixels", 0, 0, {}, 4, EndCode::Always, {0x02, 0x01, 0x05, 0x00}},
        // a palette of 256 gives minimum code size 8: clear 256, 7, end 257 in 9-bit codes
        {"8-bit codes", 1, 1, {7}, 256, EndCode::Always, {0x08, 0x04, 0x00, 0x0F, 0x04, 0x04, 0x00}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(encode(c.width, c.height, c.pixels, c.palette_size, c.end_code), c.expected) << c.name;
}

TEST(FrameCoding, MinimumCodeSizeFollowsTheColourCount)
{
    const struct {
        std::uint32_t colours;
        std::uint8_t size;
    } cases[] = {{0, 2},  {1, 2},  {2, 2},   {3, 2},   {4, 2},   {5, 3},   {8, 3},  {9, 4},
                 {16, 4}, {17, 5}, {128, 7}, {129, 8}, {255, 8}, {256, 8}, {257, 9}};
    for (auto c : cases)
        EXPECT_EQ(minimum_code_size_for(c.colours), c.size) << c.colours;
}

TEST(LzwEncoder, FullTableEmitsClearAndReturnsToTheInitialWidth)
{
    // Steps through all 256 values with odd strides 1, 3, 5...: every pair of neighbours
    // occurs once, so every pixel is emitted as its own code and every code adds an entry.
    std::vector<std::uint8_t> pixels{0};
    for (int stride = 1; pixels.size() < 4000; stride += 2)
        for (int i = 0; i < 256; ++i)
            pixels.push_back(static_cast<std::uint8_t>(pixels.back() + stride));
    pixels.resize(4000);
    Bytes data = encode(4000, 1, pixels, 256, EndCode::Always);
    ASSERT_EQ(data[0], 8);

    // Entries 258..4095 come from the codes of pixels 0..3837; the widths change after the
    // codes that meet next free codes 512, 1024 and 2048.
    CodeReader reader(data);
    EXPECT_EQ(reader.read(9), 256);
    for (std::size_t i = 0; i <= 3838; ++i) {
        int width = i <= 254 ? 9 : i <= 766 ? 10 : i <= 1790 ? 11 : 12;
        ASSERT_EQ(reader.read(width), pixels[i]) << "pixel " << i;
    }
    EXPECT_EQ(reader.read(12), 256) << "clear code when the table is full";
    for (std::size_t i = 3839; i < pixels.size(); ++i)
        ASSERT_EQ(reader.read(9), pixels[i]) << "pixel " << i << " after the clear";
    EXPECT_EQ(reader.read(9), 257);
    EXPECT_LT(reader.bits_left(), 8u);
}

TEST(LzwEncoder, PacketsHold255BytesExceptTheLast)
{
    std::vector<std::uint8_t> pixels(300 * 200);
    std::uint32_t state = 12345;
    for (auto& p : pixels) {
        state = state * 1103515245 + 12345;
        p = static_cast<std::uint8_t>(state >> 16);
    }
    Bytes data = encode(300, 200, pixels, 256, EndCode::Always);
    std::size_t at = 1, blocks = 0;
    while (data[at] != 0) {
        std::size_t n = data[at];
        at += 1 + n;
        ++blocks;
        if (data[at] != 0) {
            ASSERT_EQ(n, 255u) << "block " << blocks;
        }
    }
    EXPECT_EQ(at + 1, data.size());
    EXPECT_GT(blocks, 200u);  // 60000 random pixels need far more than 200 x 255 bytes
}

TEST(PixelSource, InterlacedRowsComeInFourPasses)
{
    const struct {
        int height;
        std::vector<int> rows;
    } cases[] = {
        {1, {0}},
        {2, {0, 1}},
        {5, {0, 4, 2, 1, 3}},
        {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}},
        {16, {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(c.height) * 3);
        for (int y = 0; y < c.height; ++y)
            pixels[static_cast<std::size_t>(y) * 3 + 1] = static_cast<std::uint8_t>(y);
        Canvas canvas = canvas_of(3, c.height, pixels);
        // The middle column of rows 2..: a rectangle that does not start at the top-left.
        CanvasPixelSource source(canvas, {0, 1, static_cast<std::int16_t>(c.height), 2}, true);
        std::vector<int> order;
        while (const std::uint8_t* row = source.next_row())
            order.push_back(row[0]);
        EXPECT_EQ(order, c.rows) << "height " << c.height;
    }
}

TEST(FrameCoding, InterlacedFrameEncodesRowsInPassOrder)
{
    // Rows 0..4 hold 0, 1, 2, 3, 0: pass order 0, 4, 2, 1, 3 gives pixels 0 0 2 1 3.
    Bytes interlaced = encode(1, 5, {0, 1, 2, 3, 0}, 4, EndCode::Always, true);
    Bytes straight = encode(5, 1, {0, 0, 2, 1, 3}, 4, EndCode::Always);
    EXPECT_EQ(interlaced, straight);
    // clear 4, 0, 0, 2 in 3 bits; the width grows to 4 after the code of 2 (next free 8):
    // 1, 3 and end 5 in 4 bits
    EXPECT_EQ(straight, (Bytes{0x02, 0x03, 0x04, 0x14, 0x53, 0x00}));
}

TEST(FrameCoding, RowProducerFeedsTheSameBytesAsACanvas)
{
    std::vector<std::uint8_t> pixels = {5, 6, 7, 8, 5, 6, 7, 8, 1, 2, 3, 4};
    Canvas canvas = canvas_of(4, 3, pixels);
    FramePtr a(new_frame()), b(new_frame());
    a->rect = b->rect = {0, 0, 3, 4};
    encode_frame_into(*a, canvas, true, 16, EndCode::Always);
    encode_frame_rows(
        *b, [](void* context, int y) -> const std::uint8_t* { return static_cast<Canvas*>(context)->row(y); }, &canvas,
        true, 16, EndCode::Always);
    ASSERT_EQ(a->encoded_length, b->encoded_length);
    EXPECT_EQ(0, std::memcmp(a->encoded_data.get(), b->encoded_data.get(), a->encoded_length));
}

namespace {

// The hashing encoder written out step by step, as plainly as possible and without any of
// the shortcuts of the real one: the real encoder must give the same bytes.
class ReferenceEncoder {
public:
    explicit ReferenceEncoder(int minimum_size)
        : m_initial_width(minimum_size + 1), m_width(m_initial_width), m_clear(1 << minimum_size),
          m_next_free(m_clear + 2), m_largest((1 << m_width) - 1), m_out{static_cast<std::uint8_t>(minimum_size)}
    {
    }

    Bytes encode(const std::vector<std::uint8_t>& pixels, bool always_end)
    {
        const int end = m_clear + 1;
        if (pixels.empty()) {
            emit(end);
            flush();
            return m_out;
        }
        emit(m_clear);
        int prefix = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int c = pixels[i];
            const std::int32_t key = (c << 12) + prefix;
            int slot = ((c << 4) ^ prefix) % 5003;
            if (probe(key, slot)) {
                prefix = m_codes[static_cast<std::size_t>(slot)];
                continue;
            }
            emit(prefix);
            prefix = c;
            if (m_next_free < 4096) {
                m_hash[static_cast<std::size_t>(slot)] = key;
                m_codes[static_cast<std::size_t>(slot)] = m_next_free++;
            } else {
                std::fill(m_hash.begin(), m_hash.end(), -1);
                m_next_free = m_clear + 2;
                m_clear_flag = true;
                emit(m_clear);
            }
        }
        emit(prefix);
        if (always_end || (m_bits >= 1 && m_bits <= 7 && m_bits + m_width < 9))
            emit(end);
        flush();
        return m_out;
    }

private:
    // Looks the key up from its first slot; true when found. `slot` ends where it was found
    // or at the free entry the key would take.
    bool probe(std::int32_t key, int& slot) const
    {
        if (m_hash[static_cast<std::size_t>(slot)] == key)
            return true;
        if (m_hash[static_cast<std::size_t>(slot)] < 0)
            return false;
        const int step = slot == 0 ? 1 : 5003 - slot;
        for (;;) {
            slot -= step;
            if (slot < 0)
                slot += 5003;
            if (m_hash[static_cast<std::size_t>(slot)] == key)
                return true;
            if (m_hash[static_cast<std::size_t>(slot)] <= 0)
                return false;
        }
    }

    void write_packet()
    {
        m_out.push_back(static_cast<std::uint8_t>(m_packet.size()));
        m_out.insert(m_out.end(), m_packet.begin(), m_packet.end());
        m_packet.clear();
    }

    void push_byte()
    {
        m_packet.push_back(static_cast<std::uint8_t>(m_accumulator & 0xFF));
        if (m_packet.size() == 255)
            write_packet();
        m_accumulator >>= 8;
        m_bits -= 8;
    }

    void emit(int code)
    {
        m_accumulator |= static_cast<std::uint32_t>(code) << m_bits;
        m_bits += m_width;
        while (m_bits >= 8)
            push_byte();
        if (m_clear_flag) {
            m_width = m_initial_width;
            m_largest = (1 << m_width) - 1;
            m_clear_flag = false;
        } else if (m_next_free > m_largest) {
            ++m_width;
            m_largest = m_width == 12 ? 4096 : (1 << m_width) - 1;
        }
    }

    void flush()
    {
        while (m_bits > 0)
            push_byte();
        if (!m_packet.empty())
            write_packet();
        m_out.push_back(0);
    }

    const int m_initial_width;
    int m_width;
    const int m_clear;
    int m_next_free;
    int m_largest;
    bool m_clear_flag = false;
    std::uint32_t m_accumulator = 0;
    int m_bits = 0;
    Bytes m_out;
    Bytes m_packet;
    std::vector<std::int32_t> m_hash = std::vector<std::int32_t>(5003, -1);
    std::vector<int> m_codes = std::vector<int>(5003, 0);
};

Bytes reference_image_data(const std::vector<std::uint8_t>& pixels, int minimum_size, bool always_end)
{
    return ReferenceEncoder(minimum_size).encode(pixels, always_end);
}

}  // namespace

TEST(LzwEncoder, AgreesWithAStepByStepEncoderOnCorpusFramesAndRandomData)
{
    std::vector<std::vector<std::uint8_t>> inputs;
    std::vector<int> colours;
    std::vector<int> widths;
    std::uint32_t state = 99;
    for (int n : {0, 1, 2, 17, 1000, 70000}) {
        for (int count : {2, 4, 16, 256}) {
            std::vector<std::uint8_t> pixels(static_cast<std::size_t>(n));
            for (auto& p : pixels) {
                state = state * 1664525 + 1013904223;
                // Runs of zeros and repeats exercise key 0 and long strings.
                p = (state >> 28) < 6 ? 0
                                      : static_cast<std::uint8_t>((state >> 16) % static_cast<std::uint32_t>(count));
            }
            inputs.push_back(std::move(pixels));
            colours.push_back(count);
            widths.push_back(std::min(n, 1000));
        }
    }
    // Frames of real files, as giflib decodes them (a few per file, small files first).
    std::size_t budget = 600'000;
    for (const auto& path : test_corpus::files()) {
        for (auto& frame : codec_test::giflib_decode(codec_test::read_file(path), 2)) {
            if (frame.pixels.size() > budget)
                break;
            budget -= frame.pixels.size();
            if (frame.pixels.empty())
                continue;
            colours.push_back(1 + *std::max_element(frame.pixels.begin(), frame.pixels.end()));
            widths.push_back(frame.width);
            inputs.push_back(std::move(frame.pixels));
        }
    }
    ASSERT_GT(inputs.size(), 40u);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto& pixels = inputs[i];
        int width = widths[i];
        int height = width ? static_cast<int>(pixels.size()) / width : 0;
        for (EndCode end_code : {EndCode::Always, EndCode::SaveWhenFree}) {
            Bytes got = encode(width, height, pixels, static_cast<std::uint16_t>(colours[i]), end_code);
            Bytes want = reference_image_data(pixels, minimum_code_size_for(static_cast<std::uint32_t>(colours[i])),
                                              end_code == EndCode::Always);
            ASSERT_EQ(got, want) << "input " << i << " of " << pixels.size() << " pixels";
        }
    }
}

TEST(FrameCoding, WriteImageGivesDescriptorTableAndData)
{
    Canvas canvas = canvas_of(4, 3, {0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0});
    const std::uint8_t table[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    OutputBuffer output;
    CanvasPixelSource source(canvas, {1, 2, 2, 4}, false);
    write_image(output, source, false, table, 2);
    MemPtr<std::uint8_t> block = output.finish();
    Bytes got(block.get(), block.get() + output.total());
    Bytes expected = {0x2C, 0x02, 0x00, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00,  // left 2, top 1, 2 x 1
                      0x81};                                                 // local table of 4
    expected.insert(expected.end(), table, table + 12);
    // minimum code size 2; clear 4, 1, 2, end 5 in 3-bit codes; terminator
    expected.insert(expected.end(), {0x02, 0x02, 0x8C, 0x0A, 0x00});
    EXPECT_EQ(got, expected);

    // Without a local table the header's bits decide, and the interlace flag is set.
    set_header_table_bits(3);
    output.reset();
    CanvasPixelSource again(canvas, {1, 2, 2, 4}, true);
    write_image(output, again, true, nullptr, 0);
    block = output.finish();
    got.assign(block.get(), block.get() + output.total());
    EXPECT_EQ(got[9], 0x40);
    EXPECT_EQ(got[10], 3);
    set_header_table_bits(2);
}

TEST(FrameCoding, AnEncodingThatCannotComeOutShorterIsAbandoned)
{
    // A caller after an encoding shorter than `limit` bytes gets the whole encoding when it is,
    // and nothing (no bytes, length 0) as soon as it cannot be.
    std::uint32_t state = 5;
    std::vector<std::uint8_t> noise(64 * 40);
    for (auto& pixel : noise) {
        state = state * 1664525u + 1013904223u;
        pixel = static_cast<std::uint8_t>(state >> 24);
    }
    struct Image {
        int width, height;
        std::vector<std::uint8_t> pixels;
        std::uint16_t colours;
    };
    const Image images[] = {{64, 40, noise, 256}, {1, 1, {3}, 4}, {5, 2, {1, 1, 1, 1, 1, 1, 1, 1, 1, 2}, 4}};
    for (const Image& image : images) {
        const Bytes whole = reference_image_data(image.pixels, minimum_code_size_for(image.colours), true);
        const auto length = static_cast<std::uint32_t>(whole.size());
        const struct {
            std::uint32_t limit;
            bool kept;
        } cases[] = {{LzwEncoder::kNoLimit, true}, {length + 1, true},  {length + 300, true}, {length, false},
                     {length - 1, false},          {length / 2, false}, {1, false},           {0, false}};
        for (const auto& c : cases) {
            Canvas canvas = canvas_of(image.width, image.height, image.pixels);
            CanvasPixelSource source(
                canvas, {0, 0, static_cast<std::int16_t>(image.height), static_cast<std::int16_t>(image.width)}, false);
            std::uint32_t got_length = 99;
            MemPtr<std::uint8_t> got = encode_source(source, image.colours, EndCode::Always, got_length, c.limit);
            if (c.kept) {
                ASSERT_TRUE(got) << image.width << "x" << image.height << " limit " << c.limit;
                EXPECT_EQ(Bytes(got.get(), got.get() + got_length), whole) << "limit " << c.limit;
            } else {
                EXPECT_FALSE(got) << image.width << "x" << image.height << " limit " << c.limit;
                EXPECT_EQ(got_length, 0u);
            }
        }
    }
}
