#include "gif/gif_raw.h"

#include <cstring>

namespace {

class RawCursor {
public:
    RawCursor(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) { }

    std::size_t position() const { return m_at; }
    bool has(std::size_t n) const { return n <= m_size - m_at; }
    // The next n bytes, or null (and nothing consumed) when fewer remain.
    const std::uint8_t* take(std::size_t n)
    {
        if (!has(n))
            return nullptr;
        const std::uint8_t* p = m_bytes + m_at;
        m_at += n;
        return p;
    }
    // Skips data sub-blocks up to and including the terminator; false when they run out.
    bool skip_sub_blocks()
    {
        for (;;) {
            const std::uint8_t* length = take(1);
            if (!length)
                return false;
            if (*length == 0)
                return true;
            if (!take(*length))
                return false;
        }
    }

private:
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
};

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool read_table(RawCursor& cursor, std::uint8_t flags, std::vector<std::uint32_t>& table)
{
    std::size_t entries = std::size_t{2} << (flags & 7);
    const std::uint8_t* p = cursor.take(entries * 3);
    if (!p)
        return false;
    table.resize(entries);
    for (std::size_t i = 0; i < entries; ++i)
        table[i] = static_cast<std::uint32_t>(p[3 * i] << 16 | p[3 * i + 1] << 8 | p[3 * i + 2]);
    return true;
}

// An extension after its introducer: the control extension fills `pending`, any other is
// kept as a span for the next image.
bool read_extension(RawCursor& cursor, RawGif& gif, RawImage& pending, std::vector<RawSpan>& kept)
{
    std::size_t start = cursor.position() - 1;
    const std::uint8_t* label = cursor.take(1);
    if (!label)
        return false;
    if (*label == 0xF9) {
        const std::uint8_t* body = cursor.take(6);
        if (!body || body[0] != 4 || body[5] != 0)
            return false;
        pending.has_control = true;
        pending.disposal = static_cast<std::uint8_t>(body[1] >> 2 & 7);
        pending.user_input = (body[1] & 2) != 0;
        pending.has_transparent = (body[1] & 1) != 0;
        pending.delay = u16(body + 2);
        pending.transparent_index = body[4];
        return true;
    }
    if (*label == 0x01)
        gif.has_plain_text = true;
    if (!cursor.skip_sub_blocks())
        return false;
    kept.push_back({start, cursor.position() - start});
    return true;
}

bool read_image(RawCursor& cursor, RawImage& image)
{
    const std::uint8_t* d = cursor.take(9);
    if (!d)
        return false;
    image.left = u16(d);
    image.top = u16(d + 2);
    image.width = u16(d + 4);
    image.height = u16(d + 6);
    image.interlaced = (d[8] & 0x40) != 0;
    image.sorted = (d[8] & 0x20) != 0;
    if ((d[8] & 0x80) && !read_table(cursor, d[8], image.local_table))
        return false;
    image.data.offset = cursor.position();
    if (!cursor.take(1) || !cursor.skip_sub_blocks())
        return false;
    image.data.length = cursor.position() - image.data.offset;
    return true;
}

}  // namespace

RawReadResult read_raw_gif(const std::uint8_t* bytes, std::size_t size, RawGif& gif)
{
    gif = RawGif();
    RawCursor cursor(bytes, size);
    const std::uint8_t* header = cursor.take(13);
    if (!header || (std::memcmp(header, "GIF87a", 6) != 0 && std::memcmp(header, "GIF89a", 6) != 0))
        return RawReadResult::NotGif;
    gif.width = u16(header + 6);
    gif.height = u16(header + 8);
    gif.screen_flags = header[10];
    gif.background = header[11];
    gif.aspect = header[12];
    if ((gif.screen_flags & 0x80) && !read_table(cursor, gif.screen_flags, gif.global_table))
        return RawReadResult::Damaged;
    RawImage pending;
    for (;;) {
        const std::uint8_t* introducer = cursor.take(1);
        if (!introducer)
            return RawReadResult::Damaged;
        if (*introducer == 0x3B) {
            gif.trailing_extensions = std::move(pending.extensions_before);
            return RawReadResult::Complete;
        }
        if (*introducer == 0x21) {
            if (!read_extension(cursor, gif, pending, pending.extensions_before))
                return RawReadResult::Damaged;
        } else if (*introducer == 0x2C) {
            if (!read_image(cursor, pending))
                return RawReadResult::Damaged;
            gif.images.push_back(std::move(pending));
            pending = RawImage();
        } else {
            return RawReadResult::Damaged;
        }
    }
}
