// The stored-block reader: offsets, lengths and fields of every block kind as written by an
// independent builder, and cut or foreign data never read past its end.
#include "gif/gif_blocks_raw.h"

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

TEST(RawBlocks, EveryBlockAsStored)
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
    const RawImage& first = file.blocks[3].image;
    EXPECT_EQ(first.left, 1);
    EXPECT_EQ(first.width, 2);
    EXPECT_EQ(first.local_table, 8);  // 1 << 3 entries
    EXPECT_TRUE(first.interlaced);
    EXPECT_EQ(file.blocks[4].label, 0x77);
    EXPECT_EQ(file.blocks[4].length, 6u);
    EXPECT_EQ(file.blocks[5].control.disposal, 3) << "disposal as stored, not as the reader rewrites it";
    EXPECT_EQ(file.blocks[6].image.local_table, 0);
    EXPECT_EQ(file.blocks[6].image.minimum_code_size, 2);
}

TEST(RawBlocks, CutDataEndsTheListAtTheLastWholeBlock)
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
    }
    const struct {
        Bytes bytes;
        bool header;
    } kForeign[] = {{{}, false},
                    {{'G', 'I', 'F', '8', '9'}, false},
                    {{'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
                    {{'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, 0x99}, true}};
    for (const auto& foreign : kForeign) {
        RawFile file;
        EXPECT_EQ(read_raw_blocks(foreign.bytes.data(), foreign.bytes.size(), &file), foreign.header);
        if (foreign.header) {
            EXPECT_EQ(file.fault, "an unknown block introducer");
            EXPECT_EQ(file.end, 13u);
        }
    }
}

}  // namespace
