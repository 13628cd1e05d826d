// Seed inputs for the fuzz targets: small files each target's parser accepts, so that the
// fuzzer starts from the interesting paths instead of finding every header by chance.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "document/document.h"
#include "app/preferences.h"
#include "app/settings.h"
#include "app/text_resource.h"
#include "foundation/file_ref.h"
#include "foundation/heap_string.h"
#include "fuzz/fuzz_targets.h"
#include "codec/frame_coding.h"

namespace fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool save(const std::string& folder, const std::string& name, const Bytes& bytes)
{
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Image data (minimum code size byte, sub-blocks, terminator) of a width x height image
// whose pixel at (x, y) is pattern(x, y) % colours.
Bytes image_data(int width, int height, int colours, bool interlaced, int pattern)
{
    Canvas canvas;
    canvas_resize(canvas, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            canvas.row(y)[x] = static_cast<std::uint8_t>((pattern == 0 ? x + y : x * y + pattern * x) % colours);
    Frame frame;
    frame.rect = ScreenRect{0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
    encode_frame_into(frame, canvas, interlaced, static_cast<std::uint16_t>(colours), EndCode::Always);
    return Bytes(frame.encoded_data.get(), frame.encoded_data.get() + frame.encoded_length);
}

void put16(Bytes& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_table(Bytes& out, int bits)
{
    for (int i = 0; i < (1 << bits); ++i) {
        out.push_back(static_cast<std::uint8_t>(i * 37));
        out.push_back(static_cast<std::uint8_t>(i * 91));
        out.push_back(static_cast<std::uint8_t>(255 - i * 13));
    }
}

Bytes gif_header(const char* signature, int width, int height, int table_bits)
{
    Bytes out(signature, signature + 6);
    put16(out, width);
    put16(out, height);
    out.push_back(static_cast<std::uint8_t>(table_bits ? 0x80 | (table_bits - 1) : 0));  // global table, size
    out.push_back(0);                                                                    // background index
    out.push_back(0);                                                                    // aspect
    if (table_bits)
        put_table(out, table_bits);
    return out;
}

void graphic_control(Bytes& out, int disposal, int delay, bool transparent, int index)
{
    const std::uint8_t packed = static_cast<std::uint8_t>((disposal << 2) | (transparent ? 1 : 0));
    const Bytes block = {0x21, 0xF9, 4, packed, static_cast<std::uint8_t>(delay), 0, static_cast<std::uint8_t>(index),
                         0};
    out.insert(out.end(), block.begin(), block.end());
}

void image(Bytes& out, int left, int top, int width, int height, int local_bits, bool interlaced, int pattern)
{
    out.push_back(0x2C);
    put16(out, left);
    put16(out, top);
    put16(out, width);
    put16(out, height);
    out.push_back(static_cast<std::uint8_t>((local_bits ? 0x80 | (local_bits - 1) : 0) | (interlaced ? 0x40 : 0)));
    if (local_bits)
        put_table(out, local_bits);
    const Bytes data = image_data(width, height, 1 << (local_bits ? local_bits : 2), interlaced, pattern);
    out.insert(out.end(), data.begin(), data.end());
}

void comment(Bytes& out, const std::string& text)
{
    out.push_back(0x21);
    out.push_back(0xFE);
    out.push_back(static_cast<std::uint8_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

int gif_seeds(const std::string& folder)
{
    int count = 0;
    Bytes single = gif_header("GIF89a", 4, 3, 2);
    image(single, 0, 0, 4, 3, 0, false, 0);
    single.push_back(0x3B);
    count += save(folder, "single.gif", single);

    Bytes animation = gif_header("GIF89a", 12, 10, 2);
    const Bytes loop = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
    animation.insert(animation.end(), loop.begin(), loop.end());
    comment(animation, "leading");
    graphic_control(animation, 1, 10, false, 0);
    image(animation, 0, 0, 12, 10, 0, false, 0);
    comment(animation, "second");
    graphic_control(animation, 2, 5, true, 3);
    image(animation, 2, 3, 5, 4, 3, true, 1);
    graphic_control(animation, 3, 7, true, 0);
    image(animation, 6, 1, 6, 9, 0, false, 2);
    graphic_control(animation, 0, 0, false, 0);
    image(animation, 1, 1, 3, 3, 1, true, 3);
    comment(animation, "trailing");
    animation.push_back(0x3B);
    count += save(folder, "animation.gif", animation);

    Bytes old = gif_header("GIF87a", 6, 6, 0);
    image(old, 0, 0, 6, 6, 0, false, 4);
    image(old, 4, 4, 4, 4, 0, true, 5);  // widens the screen
    old.push_back(0x3B);
    old.push_back(0x00);  // data after the trailer
    count += save(folder, "gif87a_without_table.gif", old);
    return count;
}

int lzw_seeds(const std::string& folder)
{
    struct Case {
        int width, height, flags, colours, pattern;
    };
    const Case cases[] = {
        {8, 8, 0x00, 4, 0}, {17, 9, 0x01, 16, 1}, {64, 64, 0x00, 256, 2},
        {1, 1, 0x00, 2, 0}, {33, 5, 0x16, 8, 3},  {5, 40, 0x41, 32, 1},
    };
    int count = 0;
    int number = 0;
    for (const Case& c : cases) {
        Bytes out = {static_cast<std::uint8_t>(c.width - 1), static_cast<std::uint8_t>(c.height - 1),
                     static_cast<std::uint8_t>(c.flags), 3};
        const Bytes data = image_data(c.width, c.height, c.colours, (c.flags & 1) != 0, c.pattern);
        out.insert(out.end(), data.begin(), data.end());
        count += save(folder, "image" + std::to_string(number++) + ".lzw", out);
    }
    return count;
}

int preference_seeds(const std::string& folder)
{
    int count = 0;
    const std::string defaults_path = folder + "/defaults.rqs";
    const FileRefPtr defaults_file(FileRefFromPath(defaults_path.c_str()));
    Settings defaults;
    {
        RecordStream stream;
        stream.mode = RecordMode::Initialise;
        settings_schema(stream, &defaults);
        stream.mode = RecordMode::Defaults;
        settings_schema(stream, &defaults);
    }
    count += write_preference_file(defaults_file.get(), defaults);

    const std::string changed_path = folder + "/changed.rqs";
    const FileRefPtr changed_file(FileRefFromPath(changed_path.c_str()));
    int number = 0;
    for (std::uint8_t Settings::*option : kSettingsOptionBytes)
        defaults.*option = static_cast<std::uint8_t>(number++ & 1);
    StrFree(defaults.template_text);
    defaults.template_text = StrDup("Stamp <date> and a longer text");
    defaults.rule_value = 5;
    defaults.interface_language = 9;
    defaults.main_window = SettingsRect{-40, 10, 20, 900};
    count += write_preference_file(changed_file.get(), defaults);
    return count;
}

int language_seeds(const std::string& folder)
{
    // Byte 0 chooses the language (bits 0-1): Swedish, Japanese, single-byte, Korean.
    const char* const files[] = {
        "\x00g0 Noll\ng1 Ett\n+\\nmore\nm0 Arkiv\nj0 \\'e\\:u\\0101\ngw2 tv\\aa\ngm3 ignored\ng3 tre\n",
        "\x01g0 \\x82\\xa0\nm0 menu\r\ng1 text\n",
        "\x00# comment\no0 \\~n\nw0 window\nw1 \\\\ back\n",
        "\x00g0text\n",
        // Shift_JIS: a two-byte character whose second byte is a backslash, half-width
        // katakana, a lead byte cut off at the end of the line.
        "\x01g0 \x83\x5c\xb1\xb2 \\n\x82\xa0\ng1 \x82\n+\x83\x41\n",
        "\x02g0 \xc1\xe1\\n\xf0\nl0 \\\\x\n",
        "\x03g0 \xa1\xb0\xc7\xd1\xa1\xb1\nr0 \xa1\xa1\\n\n",
    };
    int count = 0;
    int number = 0;
    for (const char* text : files) {
        const std::size_t length = 1 + std::strlen(text + 1);
        count += save(folder, "language" + std::to_string(number++) + ".txt", Bytes(text, text + length));
    }
    return count;
}

// The target's input: a selector byte, then the bytes it works on.
Bytes with_selector(std::uint8_t selector, const std::uint8_t* begin, const std::uint8_t* end)
{
    Bytes input(static_cast<std::size_t>(end - begin) + 1);
    input[0] = selector;
    std::copy(begin, end, input.begin() + 1);
    return input;
}

int string_table_seeds(const std::string& folder)
{
    const Bytes table = encode_string_table({"", "Quillon", "two\rlines", std::string(300, 'x')});
    const std::uint8_t* table_end = table.data() + table.size();
    // Mode 1 puts the check value in front itself: the seed is the resource without it.
    const Bytes resource = pack_text_resource(table.data(), table.size());
    const std::uint8_t* resource_end = resource.data() + resource.size();
    int count = 0;
    count += save(folder, "table.bin", with_selector(0, table.data(), table_end));
    count += save(folder, "resource.bin", with_selector(1, resource.data() + 8, resource_end));
    count += save(folder, "raw_resource.bin", with_selector(2, resource.data(), resource_end));
    count += save(folder, "repack.bin", with_selector(3, table.data(), table_end));
    return count;
}

}  // namespace

int write_seeds(const char* target, const char* folder)
{
    const std::string where(folder);
    const std::string name(target);
    if (name == "gif_roundtrip" || name == "raw_blocks")
        return gif_seeds(where);
    if (name == "lzw_decode")
        return lzw_seeds(where);
    if (name == "preference_file")
        return preference_seeds(where);
    if (name == "language_file")
        return language_seeds(where);
    if (name == "string_table")
        return string_table_seeds(where);
    return 0;
}

}  // namespace fuzz
