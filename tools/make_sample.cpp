// Writes the project's bundled sample animation: moving shapes and a line of text over a
// still background, stored the way simple exporters write it (every frame full screen, no
// transparency, a local colour table per frame), so that the optimizer has real work to do.
// Self-contained on purpose: the sample must not depend on the code it demonstrates.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kDefaultFrames = 20;

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// A plain LZW encoder (8-bit minimum code size) with a clear code when the table is full.
class LzwWriter {
public:
    explicit LzwWriter(Bytes& out) : m_out(out) { }

    void encode(const std::vector<std::uint8_t>& pixels)
    {
        m_out.push_back(8);
        reset_table();
        emit(kClear);
        int prefix = pixels.empty() ? -1 : pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | pixels[i];
            auto found = m_table.find(key);
            if (found != m_table.end()) {
                prefix = found->second;
                continue;
            }
            emit(prefix);
            if (m_next < 4096) {
                m_table.emplace(key, m_next);
                ++m_next;
                if (m_next > (1 << m_width) && m_width < 12)
                    ++m_width;
            } else {
                emit(kClear);
                reset_table();
            }
            prefix = pixels[i];
        }
        if (prefix >= 0)
            emit(prefix);
        emit(kEnd);
        if (m_bits > 0)
            push_byte(static_cast<std::uint8_t>(m_accumulator & 0xFF));
        flush_packet();
        m_out.push_back(0);
    }

private:
    static constexpr int kClear = 256;
    static constexpr int kEnd = 257;

    void reset_table()
    {
        m_table.clear();
        m_next = 258;
        m_width = 9;
    }

    void emit(int code)
    {
        m_accumulator |= static_cast<std::uint32_t>(code) << m_bits;
        m_bits += m_width;
        while (m_bits >= 8) {
            push_byte(static_cast<std::uint8_t>(m_accumulator & 0xFF));
            m_accumulator >>= 8;
            m_bits -= 8;
        }
    }

    void push_byte(std::uint8_t value)
    {
        m_packet.push_back(value);
        if (m_packet.size() == 255)
            flush_packet();
    }

    void flush_packet()
    {
        if (m_packet.empty())
            return;
        m_out.push_back(static_cast<std::uint8_t>(m_packet.size()));
        m_out.insert(m_out.end(), m_packet.begin(), m_packet.end());
        m_packet.clear();
    }

    Bytes& m_out;
    std::unordered_map<std::uint32_t, int> m_table;
    Bytes m_packet;
    std::uint32_t m_accumulator = 0;
    int m_bits = 0;
    int m_next = 258;
    int m_width = 9;
};

// 5 x 7 glyphs for the letters of the caption, one byte per row, bit 4 = leftmost column.
struct Glyph {
    char letter;
    std::array<std::uint8_t, 7> rows;
};
constexpr Glyph kGlyphs[] = {
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {' ', {0, 0, 0, 0, 0, 0, 0}},
};

class Picture {
public:
    Picture() : m_pixels(kWidth * kHeight, 0) { }

    void set(int x, int y, std::uint8_t index)
    {
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
            m_pixels[static_cast<std::size_t>(y * kWidth + x)] = index;
    }

    void fill_rect(int left, int top, int width, int height, std::uint8_t index)
    {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                set(x, y, index);
    }

    void fill_circle(int cx, int cy, int radius, std::uint8_t index)
    {
        for (int y = -radius; y <= radius; ++y)
            for (int x = -radius; x <= radius; ++x)
                if (x * x + y * y <= radius * radius)
                    set(cx + x, cy + y, index);
    }

    void text(int left, int top, const char* words, int scale, std::uint8_t index)
    {
        for (const char* c = words; *c; ++c, left += 6 * scale) {
            for (const Glyph& glyph : kGlyphs) {
                if (glyph.letter != *c)
                    continue;
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (glyph.rows[static_cast<std::size_t>(row)] & (0x10 >> col))
                            fill_rect(left + col * scale, top + row * scale, scale, scale, index);
            }
        }
    }

    const std::vector<std::uint8_t>& pixels() const { return m_pixels; }
    std::vector<std::uint8_t>& pixels() { return m_pixels; }

private:
    std::vector<std::uint8_t> m_pixels;
};

// Palette: 0-191 a background ramp of blues and greens, 192-255 bright shape colours.
std::array<std::uint8_t, 768> make_palette()
{
    std::array<std::uint8_t, 768> palette{};
    for (int i = 0; i < 192; ++i) {
        palette[static_cast<std::size_t>(i * 3)] = static_cast<std::uint8_t>(20 + i / 4);
        palette[static_cast<std::size_t>(i * 3 + 1)] = static_cast<std::uint8_t>(60 + (i % 64) * 2);
        palette[static_cast<std::size_t>(i * 3 + 2)] = static_cast<std::uint8_t>(120 + i / 2);
    }
    for (int i = 192; i < 256; ++i) {
        int k = i - 192;
        palette[static_cast<std::size_t>(i * 3)] = static_cast<std::uint8_t>(255 - k * 2);
        palette[static_cast<std::size_t>(i * 3 + 1)] = static_cast<std::uint8_t>((k * 37) & 0xFF);
        palette[static_cast<std::size_t>(i * 3 + 2)] = static_cast<std::uint8_t>(k * 4);
    }
    return palette;
}

// A still background: soft diagonal bands with a little ordered texture.
Picture make_background()
{
    Picture picture;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            int band = ((x + 2 * y) / 6) % 64;
            int texture = ((x * 7 + y * 13) % 5 == 0) ? 64 : 0;
            picture.set(x, y, static_cast<std::uint8_t>(band + texture + ((y / 50) % 2) * 128 / 2));
        }
    return picture;
}

Picture make_frame(const Picture& background, int frame)
{
    Picture picture = background;
    int t = frame;
    picture.fill_circle(30 + t * 11, 60 + (t % 6) * 4, 18, 200);
    picture.fill_rect(250 - t * 8, 120, 34, 26, 220);
    picture.fill_circle(160, 100, 6 + (t % 8) * 2, 240);
    picture.text(20, 170, "QUILLON SAMPLE", 2, static_cast<std::uint8_t>(250 + (t / 4) % 6));
    return picture;
}

Bytes make_gif(int frames)
{
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, kWidth);
    put16(out, kHeight);
    out.push_back(0x00);  // no global colour table
    out.push_back(0);     // background index
    out.push_back(0);     // aspect
    // Looping block: repeat forever.
    const std::uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                 'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    out.insert(out.end(), loop, loop + sizeof loop);
    const auto palette = make_palette();
    const Picture background = make_background();
    for (int frame = 0; frame < frames; ++frame) {
        // Graphic control: disposal 1 (leave in place), delay 8/100 s, no transparency.
        const std::uint8_t control[] = {0x21, 0xF9, 0x04, 0x04, 8, 0, 0, 0};
        out.insert(out.end(), control, control + sizeof control);
        out.push_back(0x2C);
        put16(out, 0);
        put16(out, 0);
        put16(out, kWidth);
        put16(out, kHeight);
        out.push_back(0x87);  // local colour table of 256 entries, not interlaced
        out.insert(out.end(), palette.begin(), palette.end());
        LzwWriter(out).encode(make_frame(background, frame).pixels());
    }
    out.push_back(0x3B);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    // An optional frame count (1 to 100) makes a shorter sample for tests.
    const int frames = argc == 3 ? std::atoi(argv[2]) : kDefaultFrames;
    if (argc < 2 || argc > 3 || frames < 1 || frames > 100) {
        std::fprintf(stderr, "usage: make_sample OUTPUT.gif [FRAMES]\n");
        return 2;
    }
    const Bytes gif = make_gif(frames);
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(gif.data(), 1, gif.size(), file) == gif.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "make_sample: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
