#include "codec/lzw_encoder.h"

#include <algorithm>
#include <cstring>

#include "codec/output_buffer.h"

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;
constexpr int kHashSize = LzwEncoder::kHashSize;
// 5003 needs four doublings to reach 65536; the pixel is shifted by 8 - 4 before hashing.
constexpr int kHashShift = 4;
static_assert((255 << kHashShift) < 4096 && 4096 <= kHashSize, "the first slot needs no modulo");

// Codes packed least significant bit first into packets of a count byte and up to 255 data
// bytes, with the code width that follows the encoder's next free code.
class CodePacker {
public:
    CodePacker(OutputBuffer& output, int initial_width, std::uint32_t give_up_at)
        : m_output(output), m_give_up_at(give_up_at), m_initial_width(initial_width), m_width(initial_width),
          m_largest((1 << initial_width) - 1)
    {
    }

    int width() const { return m_width; }
    std::uint32_t bits_held() const { return m_bits; }
    // The output has reached the total at which the caller gives up on this encoding.
    bool given_up() const { return m_output.total() >= m_give_up_at; }

    void emit(int code, int next_free, bool& clear_flag)
    {
        m_accumulator |= static_cast<std::uint64_t>(code) << m_bits;
        m_bits += static_cast<std::uint32_t>(m_width);
        while (m_bits >= 8) {
            put(static_cast<std::uint8_t>(m_accumulator));
            m_accumulator >>= 8;
            m_bits -= 8;
        }
        if (clear_flag) {
            m_width = m_initial_width;
            m_largest = (1 << m_width) - 1;
            clear_flag = false;
        } else if (next_free > m_largest) {
            ++m_width;
            m_largest = m_width == kMaxWidth ? kMaxCodes : (1 << m_width) - 1;
        }
    }

    void flush()
    {
        while (m_bits > 0) {
            put(static_cast<std::uint8_t>(m_accumulator));
            m_accumulator >>= 8;
            m_bits = m_bits > 8 ? m_bits - 8 : 0;
        }
        m_accumulator = 0;
        if (m_count > 1) {
            m_packet[0] = static_cast<std::uint8_t>(m_count - 1);
            m_output.append(m_packet, m_count);
            m_count = 1;
        }
    }

private:
    void put(std::uint8_t byte)
    {
        m_packet[m_count++] = byte;
        if (m_count == 256) {
            m_packet[0] = 255;
            m_output.append(m_packet, 256);
            m_count = 1;
        }
    }

    OutputBuffer& m_output;
    std::uint32_t m_give_up_at;
    int m_initial_width;
    int m_width;
    int m_largest;
    std::uint64_t m_accumulator = 0;
    std::uint32_t m_bits = 0;
    std::uint32_t m_count = 1;
    std::uint8_t m_packet[256];
};

}  // namespace

PixelSource::PixelSource(const ScreenRect& rect, bool interlaced) : m_rect(rect), m_interlaced(interlaced)
{
    if (!rect.empty()) {
        m_width = static_cast<std::uint32_t>(rect.width());
        m_height = static_cast<std::uint32_t>(rect.height());
    }
    m_step = interlaced ? 8 : 1;
    m_done = m_height == 0;
}

const std::uint8_t* PixelSource::next_row()
{
    // The interlace passes: rows 0, 4, 2 and 1 from the top with steps 8, 8, 4 and 2.
    static constexpr int kPassStart[4] = {0, 4, 2, 1};
    static constexpr int kPassStep[4] = {8, 8, 4, 2};
    if (m_done)
        return nullptr;
    const std::uint8_t* row = row_at(m_rect.top + m_row);
    m_row += m_step;
    while (m_row >= static_cast<int>(m_height)) {
        if (!m_interlaced || m_pass == 3) {
            m_done = true;
            break;
        }
        ++m_pass;
        m_row = kPassStart[m_pass];
        m_step = kPassStep[m_pass];
    }
    return row;
}

namespace {

constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr int kCodeBits = 12;
constexpr std::uint32_t kCodeMask = (1u << kCodeBits) - 1;

// Whether the slot holds the key (an empty slot holds none: its bits would read as the
// largest key).
inline bool holds(std::uint32_t entry, std::uint32_t key) { return (entry >> kCodeBits) == key && entry != kEmptySlot; }

// Looks for the key in the hash table, from its first slot on; on return the slot is where
// the key was found or, when it was not, where it is to be stored. A slot holding key 0
// ends the search like an empty one once the probing has begun, as the table has always
// done.
inline bool find_key(const std::uint32_t* table, std::uint32_t key, int& slot, int& code)
{
    std::uint32_t entry = table[slot];
    if (holds(entry, key)) {
        code = static_cast<int>(entry & kCodeMask);
        return true;
    }
    if (entry == kEmptySlot)
        return false;
    const int step = slot == 0 ? 1 : kHashSize - slot;
    do {
        slot -= step;
        if (slot < 0)
            slot += kHashSize;
        entry = table[slot];
        if (holds(entry, key)) {
            code = static_cast<int>(entry & kCodeMask);
            return true;
        }
    } while (entry > kCodeMask && entry != kEmptySlot);  // a key above 0
    return false;
}

// The string table of one encoding: the hash of (pixel, prefix) keys and their codes.
struct EncodeTables {
    std::uint32_t* table;
    int clear_code;
    int next_free;
    bool clear_flag;

    void clear() { std::memset(table, 0xFF, sizeof(std::uint32_t) * kHashSize); }
};

// Feeds a run of pixels to the encoder; the prefix is the code of the string so far.
void encode_run(const std::uint8_t* pixel, const std::uint8_t* stop, int& prefix_in_out, EncodeTables& tables,
                CodePacker& packer)
{
    std::uint32_t* const table = tables.table;
    int prefix = prefix_in_out;
    for (; pixel != stop; ++pixel) {
        const int c = *pixel;
        const std::uint32_t key = static_cast<std::uint32_t>((c << 12) + prefix);
        // (c shl 4) and the prefix are both below 4096, so their exclusive or is already
        // below the table size and the modulo changes nothing.
        int slot = (c << kHashShift) ^ prefix;
        if (find_key(table, key, slot, prefix))
            continue;
        packer.emit(prefix, tables.next_free, tables.clear_flag);
        prefix = c;
        if (tables.next_free < kMaxCodes) {
            table[slot] = key << kCodeBits | static_cast<std::uint32_t>(tables.next_free++);
        } else {
            // The table is full: start again with a clear code.
            tables.clear();
            tables.next_free = tables.clear_code + 2;
            tables.clear_flag = true;
            packer.emit(tables.clear_code, tables.next_free, tables.clear_flag);
        }
    }
    prefix_in_out = prefix;
}

}  // namespace

LzwEncoder::LzwEncoder() : m_table(static_cast<std::uint32_t*>(MemAlloc(sizeof(std::uint32_t) * kHashSize)))
{
    std::memset(m_table.get(), 0xFF, sizeof(std::uint32_t) * kHashSize);
}

bool LzwEncoder::lzw_encode(PixelSource& source, OutputBuffer& output, int initial_width, std::uint32_t pixel_count,
                            EndCode end_code, std::uint32_t give_up_at)
{
    CodePacker packer(output, initial_width, give_up_at);
    EncodeTables tables{m_table.get(), 1 << (initial_width - 1), 0, false};
    tables.next_free = tables.clear_code + 2;
    const int end = tables.clear_code + 1;

    const std::uint32_t row_width = source.width();
    const std::uint8_t* row = pixel_count ? source.next_row() : nullptr;
    if (pixel_count == 0 || row_width == 0 || !row) {
        // No pixels: the end code alone.
        packer.emit(end, tables.next_free, tables.clear_flag);
        packer.flush();
        return !packer.given_up();
    }
    tables.clear();
    packer.emit(tables.clear_code, tables.next_free, tables.clear_flag);

    int prefix = row[0];
    std::uint32_t x = 1;
    std::uint32_t remaining = pixel_count - 1;
    while (remaining) {
        if (x == row_width) {
            row = source.next_row();
            if (!row)
                break;
            x = 0;
        }
        std::uint32_t run = std::min(row_width - x, remaining);
        encode_run(row + x, row + x + run, prefix, tables, packer);
        remaining -= run;
        x += run;
        // Checked once a row: output only grows, so an encoding that has reached the limit
        // cannot come out below it.
        if (packer.given_up())
            return false;
    }

    packer.emit(prefix, tables.next_free, tables.clear_flag);
    // Saving the end code: written only when it fits into the byte already begun.
    std::uint32_t held_bits = packer.bits_held();
    bool end_fits = held_bits >= 1 && held_bits <= 7 && held_bits + static_cast<std::uint32_t>(packer.width()) < 9;
    if (end_code == EndCode::Always || end_fits)
        packer.emit(end, tables.next_free, tables.clear_flag);
    packer.flush();
    return !packer.given_up();
}
