// The raw block layer: offsets, lengths and fields of every block kind as written by an
// independent builder or by hand, the grouping into images with their extensions, and cut,
// foreign or malformed data reported rather than read past.
#include "gif/gif_raw.h"

#include <gtest/gtest.h>

#include "gif/gif_file_support.h"

using namespace gif_file_test;

namespace {

const std::vector<std::uint32_t> kFourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

Bytes sample_file()
{
    GifBuilder gif;
    gif.header().screen(5, 4, kFourColours, 2, 3).netscape_loop(0).comment("hi");
    gif.graphic_control(2, 7, true, 1).image(1, 1, 2, 2, {0, 1, 1, 0}, kFourColours, 3, true);
    gif.raw({0x21, 0x77, 2, 'x', 'y', 0});  // an extension label the format does not define
    gif.graphic_control(3, 9).image(0, 0, 5, 4, std::vector<std::uint8_t>(20, 2));
    gif.trailer();
    return gif.bytes();
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// 3 x 2 screen with a two-entry global table (black, white), background 1, aspect 0.
const Bytes kHeader = {'G', 'I', 'F', '8', '9', 'a', 3, 0, 2, 0, 0x80, 1, 0, 0, 0, 0, 255, 255, 255};
// Disposal 2, user input, transparent index 1, delay 0x0105.
const Bytes kControl = {0x21, 0xF9, 4, 0x0B, 0x05, 0x01, 1, 0};
const Bytes kComment = {0x21, 0xFE, 2, 'h', 'i', 0};
// A 2 x 1 image at (1, 1), interlaced, local table of four entries; its image data.
const Bytes kImage = {0x2C, 1, 0, 1, 0, 2, 0, 1, 0, 0xC1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const Bytes kData = {2, 2, 0x44, 0x01, 0};
const Bytes kTrailer = {0x3B};

}  // namespace

TEST(GifRaw, EveryBlockAsStored)
{
    const Bytes bytes = sample_file();
    RawFile file;
    ASSERT_TRUE(read_raw_blocks(bytes.data(), bytes.size(), &file));
    EXPECT_EQ(file.version, "GIF89a");
    EXPECT_EQ(file.screen.width, 5);
    EXPECT_EQ(file.screen.height, 4);
    EXPECT_EQ(file.screen.global_table, 4);
    EXPECT_EQ(file.screen.background_index, 3);
    EXPECT_TRUE(file.trailer);
    EXPECT_TRUE(file.fault.empty());
    EXPECT_EQ(file.end, bytes.size());

    const RawBlockKind kinds[] = {
        RawBlockKind::Application,      RawBlockKind::Comment,        RawBlockKind::GraphicControl, RawBlockKind::Image,
        RawBlockKind::UnknownExtension, RawBlockKind::GraphicControl, RawBlockKind::Image};
    ASSERT_EQ(file.blocks.size(), std::size(kinds));
    std::uint32_t expected_offset = 13 + 4 * 3;  // header, screen and the global table
    for (std::size_t i = 0; i < file.blocks.size(); ++i) {
        EXPECT_EQ(file.blocks[i].kind, kinds[i]) << i;
        EXPECT_EQ(file.blocks[i].offset, expected_offset) << "blocks follow each other without gaps";
        expected_offset += file.blocks[i].length;
    }
    EXPECT_EQ(expected_offset + 1, bytes.size()) << "only the trailer follows the last block";
    EXPECT_EQ(file.blocks[0].text, "NETSCAPE2.0");
    EXPECT_EQ(file.blocks[0].loop, 0);
    EXPECT_EQ(file.blocks[0].length, 19u);
    EXPECT_EQ(file.blocks[1].text, "hi");
    EXPECT_EQ(file.blocks[2].control.disposal, 2);
    EXPECT_EQ(file.blocks[2].control.delay, 7);
    EXPECT_TRUE(file.blocks[2].control.transparent);
    EXPECT_EQ(file.blocks[2].control.transparent_index, 1);
    EXPECT_TRUE(file.blocks[2].control.single_block);
    const RawImageBlock& first = file.blocks[3].image;
    EXPECT_EQ(first.left, 1);
    EXPECT_EQ(first.width, 2);
    EXPECT_EQ(first.local_table, 8);  // 1 << 3 entries
    EXPECT_TRUE(first.interlaced);
    EXPECT_EQ(first.data_offset, file.blocks[3].offset + 10 + 8 * 3) << "after the descriptor and the local table";
    EXPECT_EQ(file.blocks[4].label, 0x77);
    EXPECT_EQ(file.blocks[4].length, 6u);
    EXPECT_EQ(file.blocks[5].control.disposal, 3) << "disposal as stored, not as the reader rewrites it";
    EXPECT_EQ(file.blocks[6].image.local_table, 0);
    EXPECT_EQ(file.blocks[6].image.minimum_code_size, 2);
}

TEST(GifRaw, ImagesWithTheirExtensions)
{
    const Bytes file = kHeader + kComment + kControl + kImage + kData + kComment + kTrailer;
    RawGif gif;
    ASSERT_EQ(read_raw_gif(file.data(), file.size(), gif), RawReadResult::Complete);
    EXPECT_EQ(gif.width, 3);
    EXPECT_EQ(gif.height, 2);
    EXPECT_EQ(gif.screen_flags, 0x80);
    EXPECT_EQ(gif.background, 1);
    EXPECT_EQ(gif.global_table, (std::vector<std::uint32_t>{0x000000, 0xFFFFFF}));
    ASSERT_EQ(gif.images.size(), 1u);
    const RawImage& image = gif.images[0];
    EXPECT_EQ(image.left, 1);
    EXPECT_EQ(image.top, 1);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_TRUE(image.interlaced);
    EXPECT_EQ(image.local_table, (std::vector<std::uint32_t>{0x010203, 0x040506, 0x070809, 0x0A0B0C}));
    EXPECT_TRUE(image.has_control);
    EXPECT_EQ(image.disposal, 2);
    EXPECT_TRUE(image.user_input);
    EXPECT_TRUE(image.has_transparent);
    EXPECT_EQ(image.transparent_index, 1);
    EXPECT_EQ(image.delay, 0x0105);
    const std::size_t data_at = kHeader.size() + kComment.size() + kControl.size() + kImage.size();
    EXPECT_EQ(image.data.offset, data_at);
    EXPECT_EQ(image.data.length, kData.size());
    ASSERT_EQ(image.extensions_before.size(), 1u);
    EXPECT_EQ(image.extensions_before[0].offset, kHeader.size());
    EXPECT_EQ(image.extensions_before[0].length, kComment.size());
    ASSERT_EQ(gif.trailing_extensions.size(), 1u);
    EXPECT_EQ(gif.trailing_extensions[0].offset, data_at + kData.size());
    EXPECT_FALSE(gif.has_plain_text);
}

TEST(GifRaw, CutDataEndsTheListAtTheLastWholeBlock)
{
    const Bytes bytes = sample_file();
    for (std::size_t size = 13; size < bytes.size(); ++size) {
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        RawFile file;
        ASSERT_TRUE(read_raw_blocks(cut.data(), cut.size(), &file)) << size;
        EXPECT_FALSE(file.trailer);
        EXPECT_FALSE(file.fault.empty()) << size;
        EXPECT_LE(file.end, size);
        for (const RawBlock& block : file.blocks)
            EXPECT_LE(block.offset + block.length, file.end) << size;
        RawGif gif;
        EXPECT_EQ(read_raw_gif(cut.data(), cut.size(), gif), RawReadResult::Damaged) << size;
    }
}

TEST(GifRaw, DamagedForeignAndOddFiles)
{
    const Bytes whole = kHeader + kControl + kImage + kData + kTrailer;  // 55 bytes; the image at 27
    const Bytes gif87 = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0};
    const struct {
        const char* name;
        Bytes file;
        bool header;        // read_raw_blocks finds a header and a logical screen
        const char* fault;  // its reason for stopping early; null for none
        std::size_t blocks;
        std::uint32_t end;  // where it stopped
        RawReadResult grouped;
    } kCases[] = {
        {"whole", whole, true, nullptr, 2, 55, RawReadResult::Complete},
        {"no trailer", Bytes(whole.begin(), whole.end() - 1), true, "the file ends without its trailer byte", 2, 54,
         RawReadResult::Damaged},
        {"cut in a sub-block", Bytes(whole.begin(), whole.end() - 3), true, "a block is cut short", 1, 27,
         RawReadResult::Damaged},
        {"cut in the local table", Bytes(whole.begin(), whole.begin() + 40), true, "a block is cut short", 1, 27,
         RawReadResult::Damaged},
        {"cut in the global table", Bytes(kHeader.begin(), kHeader.end() - 1), true,
         "the global colour table is cut short", 0, 13, RawReadResult::Damaged},
        {"control extension too short", kHeader + Bytes{0x21, 0xF9, 3, 0, 0, 0, 0} + kTrailer, true,
         "a block is cut short", 0, 19, RawReadResult::Damaged},
        // Readable field by field, but not the one four-byte sub-block a rebuilt file may copy.
        {"control extension in two sub-blocks", kHeader + Bytes{0x21, 0xF9, 2, 0x04, 9, 2, 0, 1, 0} + kTrailer, true,
         nullptr, 1, 29, RawReadResult::Damaged},
        {"control extension of five bytes", kHeader + Bytes{0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0} + kTrailer, true, nullptr,
         1, 29, RawReadResult::Damaged},
        // A terminator where the identifier would be ends the block; the trailer follows.
        {"application block without identifier", kHeader + Bytes{0x21, 0xFF, 0} + kTrailer, true, nullptr, 1, 23,
         RawReadResult::Complete},
        {"unknown block", kHeader + Bytes{0x99} + kTrailer, true, "an unknown block introducer", 0, 19,
         RawReadResult::Damaged},
        {"unknown block after a GIF87a screen", gif87 + Bytes{0x99}, true, "an unknown block introducer", 0, 13,
         RawReadResult::Damaged},
        {"GIF87a", gif87 + kTrailer, true, nullptr, 0, 14, RawReadResult::Complete},
        {"another signature", Bytes{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, false, nullptr, 0, 0,
         RawReadResult::NotGif},
        {"shorter than a header", Bytes{'G', 'I', 'F', '8', '9'}, false, nullptr, 0, 0, RawReadResult::NotGif},
        {"another format", Bytes{'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false, nullptr, 0, 0,
         RawReadResult::NotGif},
        {"empty", Bytes{}, false, nullptr, 0, 0, RawReadResult::NotGif},
    };
    for (const auto& c : kCases) {
        RawFile file;
        ASSERT_EQ(read_raw_blocks(c.file.data(), c.file.size(), &file), c.header) << c.name;
        if (c.header) {
            EXPECT_EQ(file.fault, c.fault ? c.fault : "") << c.name;
            EXPECT_EQ(file.trailer, c.fault == nullptr) << c.name;
            EXPECT_EQ(file.blocks.size(), c.blocks) << c.name;
            EXPECT_EQ(file.end, c.end) << c.name;
        }
        RawGif gif;
        EXPECT_EQ(read_raw_gif(c.file.data(), c.file.size(), gif), c.grouped) << c.name;
    }
}
