#include "codec/frame_coding.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/settings.h"
#include "codec/codec_state.h"

CanvasPixelSource::CanvasPixelSource(const Canvas& canvas, const ScreenRect& rect, bool interlaced)
    : PixelSource(rect, interlaced), m_canvas(canvas)
{
    if (width() && !(canvas.pixels && canvas_contains(canvas, rect))) {
        m_clipped = true;
        m_clipped_row.reset(static_cast<std::uint8_t*>(MemAlloc(width())));
    }
}

const std::uint8_t* CanvasPixelSource::row_at(int y)
{
    const int left = rect().left;
    if (!m_clipped)
        return m_canvas.row(y) + left;
    std::uint8_t* out = m_clipped_row.get();
    std::memset(out, 0, width());
    if (m_canvas.pixels && y >= 0 && y < m_canvas.height) {
        int from = std::max(left, 0);
        int to = std::min<int>(rect().right, m_canvas.width);
        if (to > from)
            std::memcpy(out + (from - left), m_canvas.row(y) + from, static_cast<std::size_t>(to - from));
    }
    return out;
}

ProducedPixelSource::ProducedPixelSource(const ScreenRect& rect, bool interlaced, RowProducer producer, void* context)
    : PixelSource(rect, interlaced), m_producer(producer), m_context(context)
{
}

const std::uint8_t* ProducedPixelSource::row_at(int y) { return m_producer(m_context, y); }

std::uint8_t minimum_code_size_for(std::uint32_t colour_count)
{
    std::uint32_t size = colour_count < 3 ? 1 : static_cast<std::uint32_t>(std::bit_width(colour_count - 1));
    if (size == 1)
        size = 2;
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(size, 9));
}

void append_image_data(OutputBuffer& output, PixelSource& source, std::uint8_t minimum_code_size, EndCode end_code)
{
    output.append_byte(minimum_code_size);
    codec_state().encoder.lzw_encode(source, output, minimum_code_size + 1, source.pixel_count(), end_code);
    output.append_byte(0);
}

void set_header_table_bits(int bits) { codec_state().header_table_bits = std::clamp(bits, 2, 8); }

void write_image(OutputBuffer& output, PixelSource& source, bool interlaced, const std::uint8_t* local_table,
                 int local_bits)
{
    const ScreenRect& rect = source.rect();
    local_bits = std::clamp(local_bits, 1, 8);
    output.append_byte(0x2C);  // image separator
    output.append_u16(static_cast<std::uint16_t>(rect.left));
    output.append_u16(static_cast<std::uint16_t>(rect.top));
    output.append_u16(static_cast<std::uint16_t>(source.width()));
    output.append_u16(static_cast<std::uint16_t>(source.height()));
    std::uint8_t packed = interlaced ? 0x40 : 0x00;  // bit 6: interlaced
    if (local_table)
        packed |= static_cast<std::uint8_t>(0x80 | (local_bits - 1));  // bit 7: local table; bits 0-2: its size
    output.append_byte(packed);
    int code_size = codec_state().header_table_bits;
    if (local_table) {
        output.append(local_table, 3u << local_bits);
        code_size = std::max(local_bits, 2);
    }
    append_image_data(output, source, static_cast<std::uint8_t>(code_size), EndCode::Always);
}

MemPtr<std::uint8_t> encode_source(PixelSource& source, std::uint16_t palette_size, EndCode end_code,
                                   std::uint32_t& length, std::uint32_t give_up_at)
{
    OutputBuffer& output = codec_state().output;
    output.reset();
    const std::uint8_t minimum_code_size = minimum_code_size_for(palette_size);
    output.append_byte(minimum_code_size);
    // The terminator still follows the codes: the limit applies to the finished length.
    const std::uint32_t codes_limit =
        give_up_at == LzwEncoder::kNoLimit ? give_up_at : (give_up_at ? give_up_at - 1 : 0);
    if (!codec_state().encoder.lzw_encode(source, output, minimum_code_size + 1, source.pixel_count(), end_code,
                                          codes_limit)) {
        length = 0;
        return nullptr;
    }
    output.append_byte(0);
    length = output.total();
    return output.finish();
}

EndCode end_code_from_settings() { return settings().end_code_saving != 0 ? EndCode::SaveWhenFree : EndCode::Always; }

void encode_frame_into(Frame& frame, const Canvas& canvas, bool interlaced, std::uint16_t palette_size)
{
    encode_frame_into(frame, canvas, interlaced, palette_size, end_code_from_settings());
}

void encode_frame_into(Frame& frame, const Canvas& canvas, bool interlaced, std::uint16_t palette_size,
                       EndCode end_code)
{
    CanvasPixelSource source(canvas, frame.rect, interlaced);
    std::uint32_t length = 0;
    MemPtr<std::uint8_t> data = encode_source(source, palette_size, end_code, length);
    frame_set_encoding(frame, std::move(data), length);
}

void encode_frame_rows(Frame& frame, RowProducer producer, void* context, bool interlaced, std::uint16_t palette_size,
                       EndCode end_code)
{
    ProducedPixelSource source(frame.rect, interlaced, producer, context);
    std::uint32_t length = 0;
    MemPtr<std::uint8_t> data = encode_source(source, palette_size, end_code, length);
    frame_set_encoding(frame, std::move(data), length);
}

DecodeResult decode_frame_onto(Canvas& canvas, const Frame& frame, TransparentAware transparent_aware)
{
    // A frame without a stored encoding has nothing to draw; reading would take the bytes
    // from whatever the input window points at.
    if (!frame.encoded_data)
        return DecodeResult::Failed;
    return decode_image(canvas, frame, frame.interlaced != 0, transparent_aware);
}
