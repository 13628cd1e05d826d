#include "codec/codec_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>

#include <gif_lib.h>

namespace codec_test {

Bytes CodeStream::image_data(std::uint8_t minimum_code_size, bool terminator) const
{
    Bytes packed;
    std::uint64_t accumulator = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        accumulator |= static_cast<std::uint64_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            packed.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
            accumulator >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        packed.push_back(static_cast<std::uint8_t>(accumulator & 0xFF));
    Bytes out{minimum_code_size};
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + n));
    }
    if (terminator)
        out.push_back(0);
    return out;
}

Bytes read_file(const std::string& path)
{
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        }
    }
    std::fclose(file);
    return bytes;
}

namespace {

int u16_at(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// Skips data sub-blocks from `at`; returns the offset after the terminator, or 0 when the
// file ends first.
std::size_t skip_sub_blocks(const Bytes& file, std::size_t at)
{
    while (at < file.size()) {
        std::size_t n = file[at];
        at += 1 + n;
        if (n == 0)
            return at <= file.size() ? at : 0;
    }
    return 0;
}

}  // namespace

std::vector<RawImage> walk_images(const Bytes& file)
{
    std::vector<RawImage> images;
    if (file.size() < 13)
        return images;
    std::size_t at = 13;
    if (file[10] & 0x80)
        at += 3u * (1u << ((file[10] & 7) + 1));
    while (at < file.size()) {
        std::uint8_t introducer = file[at++];
        if (introducer == 0x21) {
            if (at >= file.size())
                break;
            at = skip_sub_blocks(file, at + 1);
            if (!at)
                break;
        } else if (introducer == 0x2C) {
            if (at + 9 > file.size())
                break;
            RawImage image;
            image.left = u16_at(file, at);
            image.top = u16_at(file, at + 2);
            image.width = u16_at(file, at + 4);
            image.height = u16_at(file, at + 6);
            std::uint8_t packed = file[at + 8];
            image.interlaced = (packed & 0x40) != 0;
            at += 9;
            if (packed & 0x80)
                at += 3u * (1u << ((packed & 7) + 1));
            if (at >= file.size())
                break;
            image.data_offset = at;
            std::size_t end = skip_sub_blocks(file, at + 1);
            if (!end)
                break;
            image.data_length = end - at;
            images.push_back(image);
            at = end;
        } else {
            break;
        }
    }
    return images;
}

namespace {

// Row order of an interlaced image of the given height: the n-th stored row's index.
std::vector<int> interlaced_rows(int height)
{
    std::vector<int> rows;
    const int start[4] = {0, 4, 2, 1};
    const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            rows.push_back(y);
    return rows;
}

struct MemoryReader {
    const Bytes* bytes;
    std::size_t at;
};

int read_memory(GifFileType* gif, GifByteType* out, int n)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    std::size_t left = reader->bytes->size() - reader->at;
    std::size_t count = std::min<std::size_t>(left, static_cast<std::size_t>(n));
    std::memcpy(out, reader->bytes->data() + reader->at, count);
    reader->at += count;
    return static_cast<int>(count);
}

}  // namespace

std::vector<GiflibFrame> giflib_decode(const Bytes& file, std::size_t max_frames)
{
    std::vector<GiflibFrame> frames;
    MemoryReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_memory, &error);
    if (!gif)
        return frames;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    while (frames.size() < max_frames && DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif, &code, &extension) != GIF_OK)
                break;
            while (extension && DGifGetExtensionNext(gif, &extension) == GIF_OK) { }
            if (extension)
                break;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK)
            break;
        GiflibFrame frame;
        frame.width = gif->Image.Width;
        frame.height = gif->Image.Height;
        frame.pixels.assign(static_cast<std::size_t>(frame.width) * frame.height, 0);
        std::vector<int> order;
        if (gif->Image.Interlace)
            order = interlaced_rows(frame.height);
        bool ok = true;
        for (int n = 0; n < frame.height && ok; ++n) {
            int y = gif->Image.Interlace ? order[static_cast<std::size_t>(n)] : n;
            ok = DGifGetLine(gif, frame.pixels.data() + static_cast<std::size_t>(y) * frame.width, frame.width) ==
                GIF_OK;
        }
        if (!ok)
            break;
        frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return frames;
}

Bytes wrap_image(int width, int height, bool interlaced, const Bytes& image_data)
{
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(width);
    put16(height);
    out.push_back(0xF7);  // global table of 256 entries
    out.push_back(0);     // background index
    out.push_back(0);     // aspect
    for (int i = 0; i < 256; ++i)
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)});
    out.push_back(0x2C);
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.push_back(interlaced ? 0x40 : 0x00);
    out.insert(out.end(), image_data.begin(), image_data.end());
    out.push_back(0x3B);
    return out;
}

}  // namespace codec_test
