#include "gif/lzw_decoder.h"

#include <algorithm>
#include <cstring>

#include "gif/codec_state.h"
#include "gif/input_window.h"

namespace {

constexpr int kMaxWidth = 12;
constexpr int kEndOfData = -1;  // a zero-length sub-block where data was needed
constexpr int kReadError = -2;  // the source ended inside a sub-block or its length byte
// The longest string: every entry above the first free code chained, the first byte of the
// previous string for a code equal to the next free slot, and the final byte. Entries always
// point to lower codes, so no string can be longer and the stack cannot overflow.
constexpr int kStackSize = LzwDecoder::kTableSize + 2;

// Codes least significant bit first, from the chain of data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(InputWindow& input) : m_input(input) {}

    int read(int width)
    {
        if (m_bits < static_cast<std::uint32_t>(width)) {
            int status = fill(static_cast<std::uint32_t>(width));
            if (status < 0)
                return status;
        }
        int code = static_cast<int>(m_accumulator & ((1u << width) - 1));
        m_accumulator >>= width;
        m_bits -= static_cast<std::uint32_t>(width);
        return code;
    }

private:
    int fill(std::uint32_t width)
    {
        while (m_bits < width) {
            if (m_left == 0) {
                std::uint32_t length = 0;
                m_data = m_input.read_sub_block(length);
                if (!m_data)
                    return kReadError;
                if (length == 0)
                    return kEndOfData;
                m_left = length;
            }
            // Only bytes of the current sub-block are taken ahead of need.
            while (m_left && m_bits <= 56) {
                m_accumulator |= static_cast<std::uint64_t>(*m_data++) << m_bits;
                m_bits += 8;
                --m_left;
            }
        }
        return 0;
    }

    InputWindow& m_input;
    const std::uint8_t* m_data = nullptr;
    std::uint32_t m_left = 0;
    std::uint64_t m_accumulator = 0;
    std::uint32_t m_bits = 0;
};

// Where decoded rows go. Pixels collect in the row buffer and reach the canvas only as whole
// rows, so a stream that breaks off mid-row leaves the canvas with complete rows only.
class RowWriter {
public:
    RowWriter(const DecodeTarget& target, std::uint8_t* row_buffer)
        : m_canvas(*target.canvas),
          m_left(target.rect.left),
          m_top(target.rect.top),
          m_bottom(target.rect.bottom),
          m_row(target.rect.top),
          m_width(static_cast<std::uint32_t>(target.rect.width())),
          m_interlaced(target.interlaced),
          m_aware(target.transparent_aware == TransparentAware::Yes),
          m_transparent(target.transparent_index),
          m_row_buffer(row_buffer)
    {
    }

    // The row buffer holds a complete row.
    void row_done()
    {
        if (!m_done && m_row < m_bottom) {
            std::uint8_t* out = m_canvas.row(m_row) + m_left;
            if (m_aware)
                copy_opaque_pixels(out);
            else
                std::memcpy(out, m_row_buffer, m_width);
        }
        advance();
    }

private:
    void copy_opaque_pixels(std::uint8_t* out) const
    {
        const std::uint8_t* in = m_row_buffer;
        const std::uint8_t transparent = m_transparent;
        for (std::uint32_t x = 0; x < m_width; ++x) {
            if (in[x] != transparent)
                out[x] = in[x];
        }
    }

    void advance()
    {
        if (!m_interlaced) {
            ++m_row;
            return;
        }
        if (m_done)
            return;
        // Passes start at rows 0, 4, 2 and 1 with steps 8, 8, 4 and 2; after the fourth pass
        // (the step has become 1) every further row is ignored.
        m_row += m_step;
        while (m_row >= m_bottom) {
            m_step = m_next_step;
            m_next_step /= 2;
            if (m_step <= 1) {
                m_done = true;
                return;
            }
            m_row = m_top + m_next_step;
        }
    }

    Canvas& m_canvas;
    int m_left;
    int m_top;
    int m_bottom;
    int m_row;
    std::uint32_t m_width;
    bool m_interlaced;
    bool m_aware;
    std::uint8_t m_transparent;
    std::uint8_t* m_row_buffer;
    int m_step = 8;
    int m_next_step = 8;
    bool m_done = false;
};

// The string table of one image: what every code stands for, and the code width that
// follows the table's growth.
class StringTable {
public:
    StringTable(std::uint16_t* prefix, std::uint8_t* suffix, std::uint8_t* stack, int minimum_size)
        : m_prefix(prefix),
          m_suffix(suffix),
          m_stack(stack),
          m_minimum_size(minimum_size),
          m_clear_code(1 << minimum_size),
          m_first_free(m_clear_code + 2)
    {
        reset();
    }

    int width() const { return m_width; }
    int clear_code() const { return m_clear_code; }
    std::uint8_t* stack() const { return m_stack; }

    void reset()
    {
        m_width = m_minimum_size + 1;
        m_width_limit = 1 << m_width;
        m_next_free = m_first_free;
    }

    // The first code after a clear code must be a root; it stands for itself (codes of a
    // 9-bit minimum size keep their low 8 bits). Returns the stack top, or null.
    std::uint8_t* start(int code)
    {
        if (code >= m_first_free)
            return nullptr;
        m_first_byte = static_cast<std::uint8_t>(code);
        m_previous = code;
        m_stack[0] = m_first_byte;
        return m_stack + 1;
    }

    // Pushes the string of the code, last byte first, and defines the next entry. Returns
    // the stack top, or null for a code the table does not know yet. The end code is not
    // special here: it stands for the one-byte string of its value.
    std::uint8_t* expand(int code)
    {
        // Data must start with a clear code; a code beyond the next free slot is unknown.
        if (m_previous < 0 || code > m_next_free)
            return nullptr;
        std::uint8_t* top = m_stack;
        int current = code;
        if (code == m_next_free) {
            // The string about to be defined: the previous string plus its own first byte.
            *top++ = m_first_byte;
            current = m_previous;
        }
        while (current >= m_first_free) {
            *top++ = m_suffix[current];
            current = m_prefix[current];
        }
        m_first_byte = static_cast<std::uint8_t>(current);
        *top++ = m_first_byte;
        if (m_next_free < m_width_limit) {
            m_prefix[m_next_free] = static_cast<std::uint16_t>(m_previous);
            m_suffix[m_next_free] = m_first_byte;
            ++m_next_free;
        }
        if (m_next_free >= m_width_limit && m_width < kMaxWidth) {
            m_width_limit <<= 1;
            ++m_width;
        }
        m_previous = code;
        return top;
    }

private:
    std::uint16_t* const m_prefix;
    std::uint8_t* const m_suffix;
    std::uint8_t* const m_stack;
    const int m_minimum_size;
    const int m_clear_code;
    const int m_first_free;
    int m_width = 0;
    int m_width_limit = 0;
    int m_next_free = 0;
    int m_previous = -1;  // none until the first clear code
    std::uint8_t m_first_byte = 0;
};

// After the last row: the end code and the terminator, nothing, or codes that are skipped.
// A clear code here resets the width like anywhere else, so that an end code after it is
// read at the width it was written with.
DecodeResult finish_image(CodeReader& reader, InputWindow& input, StringTable& table)
{
    int code = reader.read(table.width());
    while (code == table.clear_code()) {
        table.reset();
        code = reader.read(table.width());
    }
    if (code == kEndOfData)
        return DecodeResult::Complete;  // the terminator ended the data already
    if (code == kReadError)
        return DecodeResult::Failed;
    if (code == table.clear_code() + 1) {
        std::uint8_t terminator = 0;
        if (!input.read_byte(terminator) || terminator != 0)
            return DecodeResult::Failed;
        return DecodeResult::Complete;
    }
    for (;;) {
        std::uint32_t length = 0;
        if (!input.read_sub_block(length))
            return DecodeResult::Failed;
        if (length == 0)
            return DecodeResult::TrailingSkipped;
    }
}

}  // namespace

LzwDecoder::LzwDecoder()
    : m_prefix(static_cast<std::uint16_t*>(MemAlloc(sizeof(std::uint16_t) * kTableSize))),
      m_suffix(static_cast<std::uint8_t*>(MemAlloc(kTableSize))),
      m_stack(static_cast<std::uint8_t*>(MemAlloc(kStackSize)))
{
    std::memset(m_prefix.get(), 0, sizeof(std::uint16_t) * kTableSize);
    std::memset(m_suffix.get(), 0, kTableSize);
}

DecodeResult LzwDecoder::decode(InputWindow& input, const DecodeTarget& target)
{
    // Whatever the data says, only rows of a rectangle inside the canvas are ever written.
    if (!target.canvas || !target.canvas->pixels || !canvas_contains(*target.canvas, target.rect))
        return DecodeResult::Failed;

    std::uint8_t minimum_size = 0;
    if (!input.read_byte(minimum_size) || minimum_size < 2 || minimum_size > 9)
        return DecodeResult::Failed;
    StringTable table(m_prefix.get(), m_suffix.get(), m_stack.get(), minimum_size);
    CodeReader reader(input);

    const std::uint32_t row_width = static_cast<std::uint32_t>(target.rect.width());
    std::uint32_t rows_left = row_width ? static_cast<std::uint32_t>(target.rect.height()) : 0;
    MemPtr<std::uint8_t> row_buffer(static_cast<std::uint8_t*>(MemAlloc(row_width ? row_width : 1)));
    RowWriter writer(target, row_buffer.get());
    std::uint8_t* const row = row_buffer.get();
    std::uint8_t* const stack = table.stack();
    std::uint32_t filled = 0;

    while (rows_left) {
        int code = reader.read(table.width());
        if (code < 0)
            return DecodeResult::Failed;
        std::uint8_t* top = nullptr;
        if (code == table.clear_code()) {
            table.reset();
            do {
                code = reader.read(table.width());
            } while (code == table.clear_code());
            if (code >= 0)
                top = table.start(code);
        } else {
            top = table.expand(code);
        }
        if (!top)
            return DecodeResult::Failed;
        // Pop the string (last byte first on the stack) into the row buffer; every full row
        // goes to the canvas. Bytes beyond the last row are dropped.
        while (top != stack) {
            std::uint32_t count = std::min<std::uint32_t>(static_cast<std::uint32_t>(top - stack), row_width - filled);
            std::uint8_t* out = row + filled;
            for (std::uint32_t i = 0; i < count; ++i)
                out[i] = *--top;
            filled += count;
            if (filled == row_width) {
                writer.row_done();
                filled = 0;
                if (--rows_left == 0)
                    break;
            }
        }
    }
    return finish_image(reader, input, table);
}

DecodeResult decode_image(Canvas& canvas, const Frame& frame, bool interlaced, TransparentAware transparent_aware)
{
    CodecState& state = codec_state();
    DecodeTarget target;
    target.canvas = &canvas;
    target.rect = frame.rect;
    target.interlaced = interlaced;
    target.transparent_aware = transparent_aware;
    target.transparent_index = frame.transparent_index;
    bool memory = frame.encoded_data != nullptr;
    if (memory)
        state.input.set_window_to_memory(frame.encoded_length, frame.encoded_data.get());
    DecodeResult result = state.decoder.decode(state.input, target);
    if (memory)
        state.input.end_memory_window();
    return result;
}
