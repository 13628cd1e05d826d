// The LZW encoder: a hashing encoder (5003 slots, open addressing) that turns a run of 8-bit
// colour indexes pulled from a pixel source into GIF codes packed into sub-blocks of at most
// 255 bytes, appended to an output buffer. A full table emits a clear code and starts again.
// Its tables live in the codec state; frame_coding.h feeds it frames.
#pragma once
#include <cstdint>

#include "document/document.h"
#include "foundation/memory.h"

class OutputBuffer;

// The pixels of a frame rectangle handed to the encoder row by row, top to bottom or, when
// interlaced, in the four passes (rows 0, 4, 2, 1 from the top with steps 8, 8, 4, 2).
// Subclasses say where the pixels of screen row y of the rectangle are.
class PixelSource {
public:
    PixelSource(const ScreenRect& rect, bool interlaced);
    virtual ~PixelSource() = default;

    // The next row of width() pixels in encoding order, or null after the last one.
    const std::uint8_t* next_row();
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    std::uint32_t pixel_count() const { return m_width * m_height; }
    const ScreenRect& rect() const { return m_rect; }

protected:
    // The width() pixels of screen row y (rect().top <= y < rect().bottom).
    virtual const std::uint8_t* row_at(int y) = 0;

private:
    ScreenRect m_rect;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    int m_row = 0;  // offset from the top of the next row
    int m_step = 1;
    int m_pass = 0;
    bool m_interlaced = false;
    bool m_done = false;
};

enum class EndCode : std::uint8_t {
    Always,        // the end code is always written
    SaveWhenFree,  // written only when it fits into the last byte
};

class LzwEncoder {
public:
    static constexpr int kHashSize = 5003;

    LzwEncoder();
    // Encodes pixel_count pixels of the source with codes starting at initial_width bits
    // (minimum code size + 1, 3 to 9) and appends the sub-blocks (not the minimum code size
    // byte, not the terminator) to the output.
    //
    // A caller that only wants the encoding when it is shorter than one it already has gives
    // the output total at which it loses interest: once the output holds that many bytes the
    // encoding stops early and false is returned (the output then holds a partial encoding).
    // Without a limit, or when it is never reached, the whole encoding is written and the
    // result is true.
    static constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;
    bool lzw_encode(PixelSource& source, OutputBuffer& output, int initial_width, std::uint32_t pixel_count,
                    EndCode end_code, std::uint32_t give_up_at = kNoLimit);

private:
    // 5003 slots, each a 20-bit key (pixel shl 12 + prefix) above its 12-bit code, all ones
    // when empty: one load finds both, which is what the encoder waits on for every pixel.
    MemPtr<std::uint32_t> m_table;
};
