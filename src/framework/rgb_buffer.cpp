#include "framework/rgb_buffer.h"

#include <cstring>

#include "foundation/memory.h"

namespace {

// BITMAPINFOHEADER followed by room for 256 RGBQUAD entries; entry 0 black, entry 1 white.
std::uint8_t g_header[kRgbTransferHeaderSize];
bool g_header_ready = false;

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

std::uint32_t get_u32(const std::uint8_t* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

void prepare_header()
{
    if (g_header_ready)
        return;
    std::memset(g_header, 0, sizeof g_header);
    put_u32(g_header + 0, 40);     // header size
    put_u16(g_header + 12, 1);     // planes
    put_u16(g_header + 14, 24);    // bits per pixel
    put_u32(g_header + 16, 0);     // no compression
    put_u32(g_header + 20, 0);     // image size: implied by the other fields
    put_u32(g_header + 24, 2834);  // 72 dots per inch, horizontally
    put_u32(g_header + 28, 2834);  // and vertically
    std::uint8_t* white = g_header + 40 + 4;
    white[0] = white[1] = white[2] = 255;
    g_header_ready = true;
}

// Sets `count` scan lines of the bitmap from bottom-up 24-bit rows described by the header,
// scan line `first` counting from the bottom, as the device-independent transfer does.
void set_scan_lines(OffscreenBitmap* bitmap, std::uint32_t first, std::uint32_t count, const std::uint8_t* source)
{
    const std::uint32_t width = get_u32(g_header + 4);
    const std::uint32_t height = get_u32(g_header + 8);
    const std::uint32_t stride = RgbBufferStride(static_cast<std::uint16_t>(width));
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t scan = first + k;
        if (scan >= height)
            break;
        const std::uint8_t* from = source + static_cast<std::size_t>(k) * stride;
        std::uint32_t* to = bitmap->pixels + static_cast<std::size_t>(height - 1 - scan) * bitmap->width;
        for (std::uint32_t x = 0; x < width; ++x, from += 3)
            to[x] = (static_cast<std::uint32_t>(from[2]) << 16) | (from[1] << 8) | from[0];
    }
}

}  // namespace

std::uint32_t RgbBufferStride(std::uint16_t width)
{
    return ((width + 1u) * 3u) & ~3u;
}

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

OffscreenBitmap* OffscreenNew(std::uint16_t width, std::uint16_t height)
{
    auto* bitmap = static_cast<OffscreenBitmap*>(MemAlloc(sizeof(OffscreenBitmap)));
    bitmap->width = width;
    bitmap->height = height;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * sizeof(std::uint32_t);
    bitmap->pixels = static_cast<std::uint32_t*>(MemAlloc(bytes == 0 ? 4 : bytes));
    std::memset(bitmap->pixels, 0, bytes == 0 ? 4 : bytes);
    return bitmap;
}

void OffscreenFree(OffscreenBitmap* bitmap)
{
    if (bitmap == nullptr)
        return;
    MemFree(bitmap->pixels);
    MemFree(bitmap);
}

bool RgbBufferToBitmap(const RgbBuffer* buffer, std::uint16_t rows, OffscreenBitmap* bitmap)
{
    if (buffer == nullptr || bitmap == nullptr)
        return false;
    if (buffer->width != bitmap->width || rows > bitmap->height || rows > buffer->height)
        return false;
    prepare_header();
    put_u32(g_header + 4, bitmap->width);
    put_u32(g_header + 8, bitmap->height);
    // The top `rows` rows of a bottom-up buffer are its last rows in memory; they land on the
    // bitmap's scan lines counted from its bottom, which are its top rows.
    const std::uint8_t* source = buffer->pixels + static_cast<std::size_t>(buffer->height - rows) * buffer->stride;
    set_scan_lines(bitmap, static_cast<std::uint32_t>(bitmap->height - rows), rows, source);
    return true;
}

const std::uint8_t* RgbTransferHeader()
{
    prepare_header();
    return g_header;
}
