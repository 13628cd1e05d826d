#include "codec/lzw_decoder.h"

#include <algorithm>
#include <cstring>

#include "codec/codec_state.h"
#include "codec/input_window.h"

namespace {

constexpr int kMaxWidth = 12;
constexpr int kEndOfData = -1;  // a zero-length sub-block where data was needed
constexpr int kReadError = -2;  // the source ended inside a sub-block or its length byte
// Each entry is one byte longer than an earlier code's string, so no string is longer than
// the table: the image keeps this much room behind its last pixel, and the last string of
// an image may run into it without a check on every byte.
constexpr std::size_t kImageSlack = LzwDecoder::kTableSize + 16;

// Copies a string of the image to the place after it. The string lies wholly before that
// place and the image has room behind its end, so a short one is moved as one 16-byte block
// (bytes past its end are overwritten later).
inline void copy_run(std::uint8_t* to, const std::uint8_t* from, std::uint32_t length)
{
    if (length <= 16) {
        std::uint8_t block[16];
        std::memcpy(block, from, 16);
        std::memcpy(to, block, 16);
    } else {
        std::memcpy(to, from, length);
    }
}

// Codes least significant bit first, from the chain of data sub-blocks.
class CodeReader {
public:
    explicit CodeReader(InputWindow& input) : m_input(input) { }

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

// Where decoded rows go. Pixels collect in the decoder's image and reach the canvas only as
// whole rows, so a stream that breaks off mid-row leaves the canvas with complete rows only.
class RowWriter {
public:
    explicit RowWriter(const DecodeTarget& target)
        : m_canvas(*target.canvas), m_left(target.rect.left), m_top(target.rect.top), m_bottom(target.rect.bottom),
          m_row(target.rect.top), m_width(static_cast<std::uint32_t>(target.rect.width())),
          m_interlaced(target.interlaced), m_aware(target.transparent_aware == TransparentAware::Yes),
          m_transparent(target.transparent_index)
    {
    }

    // The next complete row, in stream order.
    void row_done(const std::uint8_t* pixels)
    {
        if (!m_done && m_row < m_bottom) {
            std::uint8_t* out = m_canvas.row(m_row) + m_left;
            if (m_aware)
                copy_opaque_pixels(pixels, out);
            else
                std::memcpy(out, pixels, m_width);
        }
        advance();
    }

private:
    void copy_opaque_pixels(const std::uint8_t* in, std::uint8_t* out) const
    {
        const std::uint8_t transparent = m_transparent;
        // Every pixel is written, transparent ones with what was there: a form the compiler
        // turns into whole-vector blends.
        for (std::uint32_t x = 0; x < m_width; ++x)
            out[x] = in[x] != transparent ? in[x] : out[x];
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
    int m_step = 8;
    int m_next_step = 8;
    bool m_done = false;
};

// The string table of one image and the code width that follows its growth. Every string
// is a run of pixels already in the image, so expanding a code copies that run. The entry
// made after each code is the previous code's string and the first byte of this one, and in
// the image the two follow each other: the new entry is the previous run, one byte longer.
class StringTable {
public:
    StringTable(std::uint32_t* start, std::uint16_t* length, int minimum_size)
        : m_start(start), m_length(length), m_minimum_size(minimum_size), m_clear_code(1 << minimum_size),
          m_first_free(m_clear_code + 2)
    {
        reset();
    }

    int width() const { return m_width; }
    int clear_code() const { return m_clear_code; }

    void reset()
    {
        m_width = m_minimum_size + 1;
        m_width_limit = 1 << m_width;
        m_next_free = m_first_free;
    }

    // The first code after a clear code must be a root; it stands for itself (codes of a
    // 9-bit minimum size keep their low 8 bits). Writes it at image[at] and returns its
    // length, or 0 for any other code.
    std::uint32_t start(int code, std::uint8_t* image, std::uint32_t at)
    {
        if (code >= m_first_free)
            return 0;
        image[at] = static_cast<std::uint8_t>(code);
        remember(code, at, 1);
        return 1;
    }

    // Writes the string of the code at image[at], defines the next entry and returns the
    // string's length, or 0 for a code the table does not know yet. The end code is not
    // special here: it stands for the one-byte string of its value.
    std::uint32_t expand(int code, std::uint8_t* image, std::uint32_t at)
    {
        // Data must start with a clear code; a code beyond the next free slot is unknown.
        if (m_previous < 0 || code > m_next_free)
            return 0;
        std::uint32_t length = 1;
        if (code < m_first_free) {
            image[at] = static_cast<std::uint8_t>(code);
        } else if (code < m_next_free) {
            length = m_length[code];
            copy_run(image + at, image + m_start[code], length);
        } else {
            // The string about to be defined: the previous string plus its own first byte.
            length = m_previous_length + 1;
            copy_run(image + at, image + m_previous_start, m_previous_length);
            image[at + m_previous_length] = image[m_previous_start];
        }
        if (m_next_free < m_width_limit) {
            m_start[m_next_free] = m_previous_start;
            m_length[m_next_free] = static_cast<std::uint16_t>(m_previous_length + 1);
            ++m_next_free;
        }
        if (m_next_free >= m_width_limit && m_width < kMaxWidth) {
            m_width_limit <<= 1;
            ++m_width;
        }
        remember(code, at, length);
        return length;
    }

private:
    void remember(int code, std::uint32_t at, std::uint32_t length)
    {
        m_previous = code;
        m_previous_start = at;
        m_previous_length = length;
    }

    std::uint32_t* const m_start;
    std::uint16_t* const m_length;
    const int m_minimum_size;
    const int m_clear_code;
    const int m_first_free;
    int m_width = 0;
    int m_width_limit = 0;
    int m_next_free = 0;
    int m_previous = -1;  // none until the first clear code
    std::uint32_t m_previous_start = 0;
    std::uint32_t m_previous_length = 0;
};

// The next string of the data, written into the image at `filled`: its length, or 0 when
// the data is damaged. Clear codes before it reset the table.
std::uint32_t next_string(CodeReader& reader, StringTable& table, std::uint8_t* image, std::uint32_t filled)
{
    int code = reader.read(table.width());
    if (code < 0)
        return 0;
    if (code != table.clear_code())
        return table.expand(code, image, filled);
    table.reset();
    do {
        code = reader.read(table.width());
    } while (code == table.clear_code());
    return code >= 0 ? table.start(code, image, filled) : 0;
}

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
    : m_start(static_cast<std::uint32_t*>(MemAlloc(sizeof(std::uint32_t) * kTableSize))),
      m_length(static_cast<std::uint16_t*>(MemAlloc(sizeof(std::uint16_t) * kTableSize)))
{
    std::memset(m_start.get(), 0, sizeof(std::uint32_t) * kTableSize);
    std::memset(m_length.get(), 0, sizeof(std::uint16_t) * kTableSize);
}

std::uint8_t* LzwDecoder::image_for(std::size_t pixels)
{
    const std::size_t needed = pixels + kImageSlack;
    if (needed > m_image_capacity) {
        m_image.reset();
        m_image.reset(static_cast<std::uint8_t*>(MemAlloc(needed)));
        m_image_capacity = needed;
    }
    return m_image.get();
}

DecodeResult LzwDecoder::decode(InputWindow& input, const DecodeTarget& target)
{
    // Whatever the data says, only rows of a rectangle inside the canvas are ever written.
    if (target.rows_written)
        *target.rows_written = 0;
    if (!target.canvas || !target.canvas->pixels || !canvas_contains(*target.canvas, target.rect))
        return DecodeResult::Failed;

    std::uint8_t minimum_size = 0;
    if (!input.read_byte(minimum_size) || minimum_size < 2 || minimum_size > 9)
        return DecodeResult::Failed;
    StringTable table(m_start.get(), m_length.get(), minimum_size);
    CodeReader reader(input);

    // The rectangle lies inside the canvas, so the image is never larger than the canvas.
    const std::uint32_t row_width = static_cast<std::uint32_t>(target.rect.width());
    std::uint32_t rows_left = row_width ? static_cast<std::uint32_t>(target.rect.height()) : 0;
    std::uint8_t* const image = image_for(std::size_t{row_width} * rows_left);
    struct ImageRelease {
        LzwDecoder& decoder;
        ~ImageRelease()
        {
            if (decoder.m_image_capacity > kKeptImageBytes) {
                decoder.m_image.reset();
                decoder.m_image_capacity = 0;
            }
        }
    } release{*this};
    RowWriter writer(target);
    std::uint32_t filled = 0;     // pixels decoded so far, the last string's tail included
    std::uint32_t row_start = 0;  // where the next row to hand on begins

    while (rows_left) {
        const std::uint32_t length = next_string(reader, table, image, filled);
        if (!length)
            return DecodeResult::Failed;
        // Every full row goes to the canvas; bytes beyond the last row are dropped.
        filled += length;
        while (filled - row_start >= row_width) {
            writer.row_done(image + row_start);
            if (target.rows_written)
                ++*target.rows_written;
            row_start += row_width;
            if (--rows_left == 0)
                break;
        }
    }
    return finish_image(reader, input, table);
}

DecodeResult decode_image(Canvas& canvas, const Frame& frame, bool interlaced, TransparentAware transparent_aware,
                          std::uint32_t* rows_written)
{
    CodecState& state = codec_state();
    DecodeTarget target;
    target.canvas = &canvas;
    target.rect = frame.rect;
    target.interlaced = interlaced;
    target.transparent_aware = transparent_aware;
    target.transparent_index = frame.transparent_index;
    target.rows_written = rows_written;
    bool memory = frame.encoded_data != nullptr;
    if (memory)
        state.input.set_window_to_memory(frame.encoded_length, frame.encoded_data.get());
    DecodeResult result = state.decoder.decode(state.input, target);
    if (memory)
        state.input.end_memory_window();
    return result;
}
