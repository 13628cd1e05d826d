// 24-bit pixel buffers that the display composes into, the offscreen bitmaps they are moved
// into, and the transfer between the two. The buffer layout is the bottom-up, blue-green-red
// device-independent layout described by the shared transfer header, so a transfer copies rows
// without converting colours. Painting an offscreen bitmap into a window is the drawing layer's.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

struct RgbBuffer {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t stride = 0;        // bytes per row: width x 3 rounded up to a multiple of 4
    std::uint8_t* pixels = nullptr;  // stride x height bytes, bottom row first, B G R per pixel
};

namespace platform {
struct Surface;
}
// An offscreen bitmap is a free-standing surface of the drawing layer.
using OffscreenBitmap = platform::Surface;

constexpr std::size_t kRgbTransferHeaderSize = 1064;  // 40-byte header + 256 colour entries

std::uint32_t RgbBufferStride(std::uint16_t width);
RgbBuffer* RgbBufferNew(std::uint16_t width, std::uint16_t height);
void RgbBufferFree(RgbBuffer* buffer);
// Null for a size the drawing layer refuses (0 or above 32767).
OffscreenBitmap* OffscreenNew(std::uint16_t width, std::uint16_t height);
void OffscreenFree(OffscreenBitmap* bitmap);

// Copies the top `rows` rows of the buffer into the top `rows` rows of the bitmap. Refused
// without effect when the widths differ or `rows` exceeds either height.
bool RgbBufferToBitmap(const RgbBuffer* buffer, std::uint16_t rows, OffscreenBitmap* bitmap);

// The shared transfer header as it stood for the last transfer (little-endian fields).
const std::uint8_t* RgbTransferHeader();

struct RgbBufferDeleter {
    void operator()(RgbBuffer* buffer) const { RgbBufferFree(buffer); }
};
using RgbBufferPtr = std::unique_ptr<RgbBuffer, RgbBufferDeleter>;
struct OffscreenDeleter {
    void operator()(OffscreenBitmap* bitmap) const { OffscreenFree(bitmap); }
};
using OffscreenPtr = std::unique_ptr<OffscreenBitmap, OffscreenDeleter>;
