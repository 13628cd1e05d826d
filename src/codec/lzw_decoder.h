// The LZW decoder: turns the image data of one GIF image (minimum code size byte, data
// sub-blocks, terminator) read through an input window into rows of colour indexes written
// into a canvas at a frame rectangle, in plain or interlaced row order. It never writes
// outside the canvas, whatever the data says. Its tables live in the codec state.
#pragma once
#include <cstdint>

#include "document/document.h"
#include "foundation/memory.h"

class InputWindow;

enum class DecodeResult : std::uint8_t {
    Complete = 0,
    Failed = 1,
    TrailingSkipped = 2,  // complete, but codes after the image were skipped
};

// Whether pixels equal to the transparent index leave the canvas unchanged.
enum class TransparentAware : std::uint8_t { No, Yes };

struct DecodeTarget {
    Canvas* canvas = nullptr;
    ScreenRect rect;
    bool interlaced = false;
    TransparentAware transparent_aware = TransparentAware::No;
    std::uint8_t transparent_index = 0;
    std::uint32_t* rows_written = nullptr;  // when given: counts the rows handed to the canvas
};

class LzwDecoder {
public:
    static constexpr int kTableSize = 4096;

    LzwDecoder();
    // Decodes the image data at the window's position into the target.
    [[nodiscard]] DecodeResult decode(InputWindow& input, const DecodeTarget& target);

private:
    // Room for the pixels of a rectangle of this many, grown as needed; the block is kept
    // between images unless it is larger than kKeptImageBytes.
    std::uint8_t* image_for(std::size_t pixels);
    static constexpr std::size_t kKeptImageBytes = std::size_t{64} << 20;

    // Every string in the table is a run of pixels already decoded: where it starts in the
    // image and how long it is.
    MemPtr<std::uint32_t> m_start;   // 4096 entries
    MemPtr<std::uint16_t> m_length;  // 4096 entries
    MemPtr<std::uint8_t> m_image;
    std::size_t m_image_capacity = 0;
};

// Decodes one image into the canvas at the frame's rectangle, through the process-wide
// window and decoder. When the frame holds encoded data the window is pointed at it for the
// duration of the call; otherwise the image data is read at the window's current position
// (the reader's file). The frame's transparent index is the one honoured. `rows_written`,
// when given, receives the number of rows written in stream order, also when decoding fails.
[[nodiscard]] DecodeResult decode_image(Canvas& canvas, const Frame& frame, bool interlaced,
                                        TransparentAware transparent_aware, std::uint32_t* rows_written = nullptr);
