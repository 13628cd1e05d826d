// RGB buffers and their transfer into offscreen bitmaps.
#include "framework/rgb_buffer.h"

#include <gtest/gtest.h>

#include "platform/qt/draw.h"

namespace {

// Paints picture row y (top-down) of the buffer in one colour.
void fill_row(RgbBuffer* buffer, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::uint8_t* row = buffer->pixels + static_cast<std::size_t>(buffer->height - 1 - y) * buffer->stride;
    for (int x = 0; x < buffer->width; ++x) {
        row[x * 3] = b;
        row[x * 3 + 1] = g;
        row[x * 3 + 2] = r;
    }
}

TEST(RgbBuffer, StrideIsThreeBytesPerPixelRoundedUpTo4)
{
    const struct {
        std::uint16_t width;
        std::uint32_t stride;
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {0, 0}, {1000, 3000}};
    for (const auto& c : cases) {
        RgbBufferPtr buffer(RgbBufferNew(c.width, 2));
        EXPECT_EQ(buffer->stride, c.stride) << c.width;
        EXPECT_EQ(RgbBufferStride(c.width), c.stride);
    }
}

TEST(RgbBuffer, CopiesTheTopRowsIntoTheTopRows)
{
    RgbBufferPtr buffer(RgbBufferNew(3, 4));
    fill_row(buffer.get(), 0, 255, 0, 0);
    fill_row(buffer.get(), 1, 0, 255, 0);
    fill_row(buffer.get(), 2, 0, 0, 255);
    fill_row(buffer.get(), 3, 9, 9, 9);
    OffscreenPtr bitmap(OffscreenNew(3, 6));
    ASSERT_TRUE(RgbBufferToBitmap(buffer.get(), 2, bitmap.get()));
    EXPECT_EQ(platform::SurfacePixel(bitmap.get(), 0, 0), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(bitmap.get(), 2, 1), 0x00FF00u);
    EXPECT_EQ(platform::SurfacePixel(bitmap.get(), 1, 2), 0xFFFFFFu);  // untouched (new surfaces are white)
}

TEST(RgbBuffer, RefusalsLeaveTheBitmapAlone)
{
    RgbBufferPtr buffer(RgbBufferNew(4, 3));
    for (int y = 0; y < 3; ++y)
        fill_row(buffer.get(), y, 10, 20, 30);
    OffscreenPtr wider(OffscreenNew(5, 3));
    OffscreenPtr lower(OffscreenNew(4, 2));
    OffscreenPtr taller(OffscreenNew(4, 8));
    EXPECT_FALSE(RgbBufferToBitmap(buffer.get(), 1, wider.get()));   // widths differ
    EXPECT_FALSE(RgbBufferToBitmap(buffer.get(), 3, lower.get()));   // more rows than the bitmap
    EXPECT_FALSE(RgbBufferToBitmap(buffer.get(), 4, taller.get()));  // more rows than the buffer
    EXPECT_TRUE(RgbBufferToBitmap(buffer.get(), 0, taller.get()));   // nothing to copy
    for (platform::Surface* s : {wider.get(), lower.get(), taller.get()})
        EXPECT_EQ(platform::SurfacePixel(s, 0, 0), 0xFFFFFFu);
}

}  // namespace
