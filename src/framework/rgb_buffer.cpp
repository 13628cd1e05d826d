#include "framework/rgb_buffer.h"

#include <cstring>

#include "foundation/memory.h"
#include "framework/frame_window.h"
#include "platform/qt/draw.h"

namespace {

// BITMAPINFOHEADER followed by room for 256 RGBQUAD entries; entry 0 black, entry 1 white.
// The transfer header shared by every RGB buffer, filled on first use.
struct RgbState {
    std::uint8_t header[kRgbTransferHeaderSize];
    bool header_ready = false;
};

RgbState& rgb_state()
{
    static RgbState state;
    return state;
}

void put_u16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put_u32(std::uint8_t* at, std::uint32_t value)
{
    put_u16(at, static_cast<std::uint16_t>(value));
    put_u16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

void prepare_header()
{
    if (rgb_state().header_ready)
        return;
    std::memset(rgb_state().header, 0, sizeof rgb_state().header);
    put_u32(rgb_state().header + 0, 40);     // header size
    put_u16(rgb_state().header + 12, 1);     // planes
    put_u16(rgb_state().header + 14, 24);    // bits per pixel
    put_u32(rgb_state().header + 16, 0);     // no compression
    put_u32(rgb_state().header + 20, 0);     // image size: implied by the other fields
    put_u32(rgb_state().header + 24, 2834);  // 72 dots per inch, horizontally
    put_u32(rgb_state().header + 28, 2834);  // and vertically
    std::uint8_t* white = rgb_state().header + 40 + 4;
    white[0] = white[1] = white[2] = 255;
    rgb_state().header_ready = true;
}

}  // namespace

std::uint32_t RgbBufferStride(std::uint16_t width) { return ((width + 1u) * 3u) & ~3u; }

RgbBuffer* RgbBufferNew(std::uint16_t width, std::uint16_t height)
{
    auto* buffer = static_cast<RgbBuffer*>(MemAlloc(sizeof(RgbBuffer)));
    buffer->width = width;
    buffer->height = height;
    buffer->stride = RgbBufferStride(width);
    const std::size_t bytes = static_cast<std::size_t>(buffer->stride) * height;
    buffer->pixels = static_cast<std::uint8_t*>(MemAlloc(bytes == 0 ? 1 : bytes));
    return buffer;
}

void RgbBufferFree(RgbBuffer* buffer)
{
    if (buffer == nullptr)
        return;
    MemFree(buffer->pixels);
    MemFree(buffer);
}

OffscreenBitmap* OffscreenNew(std::uint16_t width, std::uint16_t height) { return platform::SurfaceNew(width, height); }

void OffscreenFree(OffscreenBitmap* bitmap)
{
    if (bitmap != nullptr)
        platform::SurfaceFree(bitmap);
}

bool RgbBufferToBitmap(const RgbBuffer* buffer, std::uint16_t rows, OffscreenBitmap* bitmap)
{
    if (buffer == nullptr || bitmap == nullptr)
        return false;
    const platform::Size size = platform::SurfaceSize(bitmap);
    if (buffer->width != size.width || rows > size.height || rows > buffer->height)
        return false;
    // Setting the bits of a bitmap that is the drawing target would draw into it meanwhile.
    if (DrawingTarget() == bitmap)
        DrawOnMainWindow();
    prepare_header();
    put_u32(rgb_state().header + 4, static_cast<std::uint32_t>(size.width));
    put_u32(rgb_state().header + 8, static_cast<std::uint32_t>(size.height));
    if (rows == 0)
        return true;
    // The top `rows` rows of a bottom-up buffer are its last rows in memory; they land on
    // the bitmap's scan lines counted from its bottom, which are its top rows.
    const std::uint8_t* source = buffer->pixels + static_cast<std::size_t>(buffer->height - rows) * buffer->stride;
    platform::DrawBottomUpRows(bitmap, size.height - rows, rows, source, buffer->width,
                               static_cast<int>(buffer->stride));
    return true;
}

const std::uint8_t* RgbTransferHeader()
{
    prepare_header();
    return rgb_state().header;
}
