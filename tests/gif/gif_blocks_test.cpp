// Block-level details of reading and writing, with the expected bytes and outcomes worked out
// by hand: the header's table bits reaching images written without a local table, the
// length checks of every extension, the damage message at its 8-byte boundary, the
// graphic-control bits, the nearest background colour and the snapshots' disposal order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "codec/frame_coding.h"
#include "gif/gif_file_support.h"
#include "gif/gif_writer.h"
#include "codec/output_buffer.h"

using namespace gif_file_test;

namespace {

const std::vector<std::uint32_t> kFourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

Bytes finished(const OutputBuffer& out)
{
    MemPtr<std::uint8_t> block = out.finish();
    return Bytes(block.get(), block.get() + out.total());
}

// Screen 2 x 1 with a 4-colour table and one frame, then `middle`, then a second frame.
Bytes frame_block_frame(const Bytes& middle)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2).image(0, 0, 2, 1, {0, 1});
    gif.raw(middle).image(0, 0, 2, 1, {1, 0}).trailer();
    return gif.bytes();
}

class GifBlocks : public GifFileTest { };

// An image written without a local table uses the bits of the header written before it as
// its minimum code size, and at least 2.
TEST_F(GifBlocks, HeaderTableBitsBecomeTheCodeSizeOfImagesWithoutATable)
{
    std::uint8_t palette[768] = {};
    Canvas canvas;
    canvas_resize(canvas, 1, 1, 1);  // one pixel of index 1
    OutputBuffer out;

    write_header(out, 1, 1, 0, 4, palette);
    CanvasPixelSource source(canvas, {0, 0, 1, 1}, false);
    write_image(out, source, false, nullptr, 0);
    Bytes expected = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0xB3, 0x00, 0x31};
    expected.insert(expected.end(), 48, 0);  // 16 entries
    expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00});
    // 5-bit codes: clear 16, pixel 1, end 17 -> 0x30 0x44.
    expected.insert(expected.end(), {0x04, 0x02, 0x30, 0x44, 0x00});
    EXPECT_EQ(finished(out), expected);

    out.reset();
    write_header(out, 1, 1, 0, 1, palette);
    CanvasPixelSource again(canvas, {0, 0, 1, 1}, false);
    write_image(out, again, false, nullptr, 0);
    expected = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0x00, 0x31, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x00});
    // A 1-bit table still gives 3-bit codes: clear 4, pixel 1, end 5 -> 0x4C 0x01.
    expected.insert(expected.end(), {0x02, 0x02, 0x4C, 0x01, 0x00});
    EXPECT_EQ(finished(out), expected);
}

// Every extension checks its lengths; a failed check is damage: the frame before it stays,
// the one after it is lost. Well-formed blocks that are dropped leave both frames.
TEST_F(GifBlocks, ExtensionLengthChecks)
{
    struct Case {
        const char* what;
        Bytes block;
        int frames;
        int loop_present;
    };
    const Case cases[] = {
        {"graphic control of 5 bytes", {0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0}, 1, 0},
        {"graphic control without its terminator", {0x21, 0xF9, 4, 0, 0, 0, 0, 1, 0, 0}, 1, 0},
        {"plain text of 11 bytes", {0x21, 0x01, 11, 0, 0, 0, 0, 2, 0, 1, 0, 8, 8, 1, 0}, 1, 0},
        {"application identifier of 10 bytes",
         {0x21, 0xFF, 10, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', 0},
         1,
         0},
        {"looping block of 5 bytes",
         {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 5, 1, 0, 0, 0, 0, 0},
         1,
         0},
        {"looping block without its terminator",
         {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 1, 0, 0},
         1,
         1},
        {"unknown label", {0x21, 0x02, 0}, 1, 0},
        {"unknown introducer", {0x00, 0x00}, 1, 0},
        {"plain text of 12 bytes and its text",
         {0x21, 0x01, 12, 0, 0, 0, 0, 2, 0, 1, 0, 8, 8, 1, 0, 2, 'h', 'i', 0},
         2,
         0},
        {"looping block, first byte not checked",
         {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 7, 2, 1, 0},
         2,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        record_warnings();
        DocumentPtr document = load_bytes(folder, frame_block_frame(c.block));
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->frame_count, c.frames);
        EXPECT_EQ(document->loop_present, c.loop_present);
        if (c.frames == 1) {
            ASSERT_EQ(recorded_warnings().size(), 1u);
            EXPECT_EQ(recorded_warnings()[0].severity, 3);
        } else {
            EXPECT_TRUE(recorded_warnings().empty());
        }
    }
    DocumentPtr looping = load_bytes(folder, frame_block_frame(cases[9].block));
    ASSERT_NE(looping, nullptr);
    EXPECT_EQ(looping->loop_count, 0x0102);
}

// Damage with fewer than 8 bytes after it is "ends unexpectedly"; with 8 or more the message
// gives the position as a percentage of the file.
TEST_F(GifBlocks, DamageMessageSwitchesAtEightBytesLeft)
{
    GifBuilder base;
    base.header().screen(2, 1, kFourColours, 2).image(0, 0, 2, 1, {0, 1});
    const std::size_t position = base.size();

    GifBuilder seven = base;
    seven.raw({0x99, 0, 0, 0, 0, 0, 0});
    ASSERT_NE(load_bytes(folder, seven.bytes(), "seven.gif"), nullptr);
    ASSERT_EQ(recorded_warnings().size(), 1u);
    const StrPtr ends(FormatNew(app_string(111), "seven.gif"));
    EXPECT_EQ(recorded_warnings()[0].text, ends.get());

    record_warnings();
    GifBuilder eight = base;
    eight.raw({0x99, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_NE(load_bytes(folder, eight.bytes(), "eight.gif"), nullptr);
    ASSERT_EQ(recorded_warnings().size(), 1u);
    const double percent = static_cast<double>(position) * 100.0 / static_cast<double>(position + 8);
    const StrPtr damaged(FormatNew(app_string(112), "eight.gif", percent));
    EXPECT_EQ(recorded_warnings()[0].text, damaged.get());

    // Not tolerant: the same damage fails the load.
    record_warnings();
    EXPECT_EQ(load_bytes(folder, eight.bytes(), "eight.gif", false), nullptr);
}

// Disposal is bits 2-4 of the packed byte; bits 5-7 are reserved and ignored.
TEST_F(GifBlocks, GraphicControlBits)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2);
    gif.raw({0x21, 0xF9, 4, 0xE0 | (2 << 2) | 1, 0x34, 0x12, 3, 0});
    gif.image(0, 0, 2, 1, {0, 1}).trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 1);
    const Frame* frame = document_frame_at(*document, 0);
    EXPECT_EQ(frame->disposal, Disposal::RestoreBackground);
    EXPECT_EQ(frame->user_input, 0);
    EXPECT_EQ(frame->transparent, 1);
    EXPECT_EQ(frame->delay, 0x1234u);
    EXPECT_EQ(document->total_delay, 0x1234u);
}

// When every table entry is in use, the background index names the nearest entry by the sum
// of absolute differences; of two equally near entries the first wins.
TEST_F(GifBlocks, NearestBackgroundFirstMinimumWins)
{
    GifBuilder four;
    four.header().screen(4, 4, kFourColours, 2, 0);
    four.image(0, 0, 4, 4, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}).trailer();
    DocumentPtr document = load_bytes(folder, four.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->palette_size, 4);
    const std::uint8_t colours[4][3] = {{50, 50, 50}, {0, 9, 0}, {9, 0, 0}, {200, 200, 200}};
    std::uint8_t* palette = document->palette.get();
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
            palette[i * 3 + c] = colours[i][c];
    palette[255 * 3] = palette[255 * 3 + 1] = palette[255 * 3 + 2] = 0;
    const std::uint32_t length = write_gif_to_buffer(*document, "near.gif");
    const Bytes bytes = finished(output_buffer());
    ASSERT_EQ(bytes.size(), length);
    ASSERT_EQ(bytes[10], 0x91) << "all four entries in use: a 2-bit table";
    EXPECT_EQ(bytes[11], 1);
}

// Snapshots are taken after composing the eighth frame and before its disposal clears it.
TEST_F(GifBlocks, SnapshotIsTakenBeforeTheFramesDisposal)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2);
    for (int i = 0; i < 7; ++i)
        gif.image(0, 0, 2, 1, {0, 0});
    gif.graphic_control(2, 0).image(0, 0, 2, 1, {2, 2});  // frame 8, cleared after it
    for (int i = 0; i < 7; ++i)
        gif.image(0, 0, 1, 1, {0});        // frames 9-15 touch the left pixel only
    gif.image(0, 0, 1, 1, {2}).trailer();  // frame 16
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 16);
    const std::uint8_t* palette = document->palette.get();

    for (int number : {8, 16}) {
        SCOPED_TRACE(number);
        const Frame* frame = document_frame_at(*document, number - 1);
        ASSERT_NE(frame->snapshot, nullptr);
        Frame holder;
        holder.rect = frame->snapshot->rect;
        holder.encoded_length = frame->snapshot->encoded_length;
        holder.encoded_data.reset(static_cast<std::uint8_t*>(MemAlloc(holder.encoded_length)));
        std::memcpy(holder.encoded_data.get(), frame->snapshot->encoded_data.get(), holder.encoded_length);
        Canvas canvas;
        canvas_resize(canvas, 2, 1, 7);
        ASSERT_EQ(decode_frame_onto(canvas, holder, TransparentAware::No), DecodeResult::Complete);
        const std::uint8_t* left = palette + canvas.row(0)[0] * 3;
        EXPECT_EQ(left[2], 255);  // blue, drawn by frames 8 and 16
        if (number == 8) {
            const std::uint8_t* right = palette + canvas.row(0)[1] * 3;
            EXPECT_EQ(right[2], 255);
        } else {
            EXPECT_EQ(canvas.row(0)[1], 255);  // cleared by frame 8, empty since
        }
    }
}

}  // namespace
