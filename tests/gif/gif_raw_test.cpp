// The raw block layer on hand-made files: fields as stored, extensions kept in place, and
// every cut or unknown block reported as damage rather than read past.
#include <gtest/gtest.h>

#include <vector>

#include "gif/gif_raw.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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

TEST(GifRaw, FieldsAndSpansAsStored)
{
    const Bytes file = kHeader + kComment + kControl + kImage + kData + kComment + kTrailer;
    RawGif gif;
    ASSERT_EQ(read_raw_gif(file.data(), file.size(), gif), RawReadResult::Complete);
    EXPECT_EQ(gif.width, 3);
    EXPECT_EQ(gif.height, 2);
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

TEST(GifRaw, DamageIsReportedNotReadPast)
{
    const Bytes whole = kHeader + kControl + kImage + kData + kTrailer;
    struct Case {
        const char* name;
        Bytes file;
        RawReadResult expected;
    } cases[] = {
        {"whole", whole, RawReadResult::Complete},
        {"no trailer", Bytes(whole.begin(), whole.end() - 1), RawReadResult::Damaged},
        {"cut in a sub-block", Bytes(whole.begin(), whole.end() - 3), RawReadResult::Damaged},
        {"cut in the local table", Bytes(whole.begin(), whole.begin() + 40), RawReadResult::Damaged},
        {"cut in the global table", Bytes(kHeader.begin(), kHeader.end() - 1), RawReadResult::Damaged},
        {"control extension of the wrong size", kHeader + Bytes{0x21, 0xF9, 3, 0, 0, 0, 0} + kTrailer,
         RawReadResult::Damaged},
        {"unknown block", kHeader + Bytes{0x99} + kTrailer, RawReadResult::Damaged},
        {"GIF87a", Bytes{'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, RawReadResult::Complete},
        {"another signature", Bytes{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, RawReadResult::NotGif},
        {"shorter than a header", Bytes{'G', 'I', 'F'}, RawReadResult::NotGif},
    };
    for (const Case& c : cases) {
        RawGif gif;
        EXPECT_EQ(read_raw_gif(c.file.data(), c.file.size(), gif), c.expected) << c.name;
    }
}
