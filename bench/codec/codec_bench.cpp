// Decoding and encoding throughput of the codec beside giflib on the same frames. For every
// file, the frames giflib decodes are the workload: decoding runs our decoder on each
// frame's stored image data and giflib's DGifGetLine over the whole file; encoding runs our
// frame encoding and giflib's EGifPutLine on the decoded pixels, at the same code size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "codec/codec_state.h"
#include "codec/frame_coding.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct Image {
    int width = 0, height = 0;
    bool interlaced = false;
    std::size_t offset = 0, length = 0;  // image data: code size byte .. terminator
    Bytes pixels;                        // rows in natural order, from giflib
    int bits = 8;                        // code size for encoding (enough for the pixels)
};

struct Totals {
    double pixels = 0;
    double ours_decode = 0, giflib_decode = 0, ours_encode = 0, giflib_encode = 0;
    double ours_bytes = 0, giflib_bytes = 0;
};

Bytes read_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

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

// The images of the file and where their data lies, up to the first damaged block.
std::vector<Image> walk_images(const Bytes& file)
{
    std::vector<Image> images;
    if (file.size() < 13)
        return images;
    std::size_t at = 13;
    if (file[10] & 0x80)
        at += 3u * (1u << ((file[10] & 7) + 1));
    while (at < file.size()) {
        std::uint8_t introducer = file[at++];
        if (introducer == 0x21 && at < file.size()) {
            if (!(at = skip_sub_blocks(file, at + 1)))
                break;
        } else if (introducer == 0x2C && at + 9 <= file.size()) {
            Image image;
            image.width = file[at + 4] | (file[at + 5] << 8);
            image.height = file[at + 6] | (file[at + 7] << 8);
            std::uint8_t packed = file[at + 8];
            image.interlaced = (packed & 0x40) != 0;
            at += 9;
            if (packed & 0x80)
                at += 3u * (1u << ((packed & 7) + 1));
            if (at >= file.size())
                break;
            image.offset = at;
            std::size_t end = skip_sub_blocks(file, at + 1);
            if (!end)
                break;
            image.length = end - at;
            at = end;
            images.push_back(std::move(image));
        } else {
            break;
        }
    }
    return images;
}

struct MemoryReader {
    const Bytes* bytes;
    std::size_t at;
};

int read_memory(GifFileType* gif, GifByteType* out, int n)
{
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    std::size_t count = std::min<std::size_t>(reader->bytes->size() - reader->at, static_cast<std::size_t>(n));
    std::memcpy(out, reader->bytes->data() + reader->at, count);
    reader->at += count;
    return static_cast<int>(count);
}

int write_memory(GifFileType* gif, const GifByteType* bytes, int n)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

const int kPassStart[4] = {0, 4, 2, 1};
const int kPassStep[4] = {8, 8, 4, 2};

// giflib decoding of the first `count` images of the file (every row through DGifGetLine).
// With `keep`, the pixels are stored in the images. Returns the number of images decoded.
std::size_t giflib_decode(const Bytes& file, std::vector<Image>& images, std::size_t count, bool keep)
{
    MemoryReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, read_memory, &error);
    if (!gif)
        return 0;
    std::size_t done = 0;
    Bytes scratch;
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    while (done < count && DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
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
        int width = gif->Image.Width, height = gif->Image.Height;
        Bytes& pixels = keep ? images[done].pixels : scratch;
        pixels.resize(static_cast<std::size_t>(width) * height);
        bool ok = true;
        int pass = 0, y = 0;
        for (int n = 0; n < height && ok; ++n) {
            ok = DGifGetLine(gif, pixels.data() + static_cast<std::size_t>(y) * width, width) == GIF_OK;
            if (!gif->Image.Interlace) {
                ++y;
                continue;
            }
            y += kPassStep[pass];
            while (y >= height && pass < 3)
                y = kPassStart[++pass];
        }
        if (!ok)
            break;
        ++done;
    }
    DGifCloseFile(gif, &error);
    return done;
}

std::size_t giflib_encode(const Image& image, Bytes& out)
{
    out.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&out, write_memory, &error);
    ColorMapObject* map = GifMakeMapObject(1 << image.bits, nullptr);
    EGifPutScreenDesc(gif, image.width, image.height, image.bits, 0, map);
    EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr);
    for (int y = 0; y < image.height; ++y)
        EGifPutLine(gif, const_cast<GifPixelType*>(image.pixels.data() + static_cast<std::size_t>(y) * image.width),
                    image.width);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out.size();
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void bench_file(const char* path, int repeat, Totals& totals)
{
    Bytes file = read_file(path);
    std::vector<Image> images = walk_images(file);
    // Frames with minimum code sizes giflib refuses or we refuse are left out of both.
    std::size_t usable = 0;
    while (usable < images.size() && file[images[usable].offset] >= 2 && file[images[usable].offset] <= 8 &&
           static_cast<std::size_t>(images[usable].width) * images[usable].height <= 16'000'000)
        ++usable;
    usable = giflib_decode(file, images, usable, true);
    if (usable == 0)
        return;
    images.resize(usable);
    double pixels = 0;
    for (Image& image : images) {
        pixels += static_cast<double>(image.width) * image.height;
        int largest = image.pixels.empty() ? 0 : *std::max_element(image.pixels.begin(), image.pixels.end());
        image.bits = std::max(2, static_cast<int>(minimum_code_size_for(static_cast<std::uint32_t>(largest + 1))));
    }

    CodecState& state = codec_state();
    Canvas canvas;
    double ours_decode = 1e30, giflib_decode_time = 1e30, ours_encode = 1e30, giflib_encode_time = 1e30;
    double ours_bytes = 0, giflib_bytes = 0;
    Bytes giflib_out;
    giflib_out.reserve(1 << 20);
    for (int r = 0; r < repeat; ++r) {
        auto start = Clock::now();
        for (const Image& image : images) {
            if (canvas.width != image.width || canvas.height != image.height)
                canvas_resize(canvas, static_cast<std::uint16_t>(image.width),
                              static_cast<std::uint16_t>(image.height));
            state.input.set_window_to_memory(static_cast<std::uint32_t>(image.length), file.data() + image.offset);
            DecodeTarget target{&canvas,
                                {0, 0, static_cast<std::int16_t>(image.height), static_cast<std::int16_t>(image.width)},
                                image.interlaced,
                                TransparentAware::No,
                                0};
            if (state.decoder.decode(state.input, target) == DecodeResult::Failed)
                std::fprintf(stderr, "%s: decoding failed\n", path);
            state.input.end_memory_window();
        }
        ours_decode = std::min(ours_decode, seconds_since(start));

        start = Clock::now();
        giflib_decode(file, images, usable, false);
        giflib_decode_time = std::min(giflib_decode_time, seconds_since(start));

        start = Clock::now();
        ours_bytes = 0;
        for (const Image& image : images) {
            Canvas source;
            source.width = static_cast<std::uint16_t>(image.width);
            source.height = static_cast<std::uint16_t>(image.height);
            // Borrow the pixels: the canvas never frees them.
            source.pixels.reset(const_cast<std::uint8_t*>(image.pixels.data()));
            CanvasPixelSource pixels(
                source, {0, 0, static_cast<std::int16_t>(image.height), static_cast<std::int16_t>(image.width)}, false);
            std::uint32_t length = 0;
            MemPtr<std::uint8_t> data =
                encode_source(pixels, static_cast<std::uint16_t>(1 << image.bits), EndCode::Always, length);
            (void)source.pixels.release();
            ours_bytes += length;
        }
        ours_encode = std::min(ours_encode, seconds_since(start));

        start = Clock::now();
        giflib_bytes = 0;
        for (const Image& image : images)
            giflib_bytes += static_cast<double>(giflib_encode(image, giflib_out));
        giflib_encode_time = std::min(giflib_encode_time, seconds_since(start));
    }
    totals.pixels += pixels;
    totals.ours_decode += ours_decode;
    totals.giflib_decode += giflib_decode_time;
    totals.ours_encode += ours_encode;
    totals.giflib_encode += giflib_encode_time;
    totals.ours_bytes += ours_bytes;
    totals.giflib_bytes += giflib_bytes;
    const char* name = std::strrchr(path, '/');
    double mp = pixels / 1e6;
    std::printf("%-44s %4zu frames %8.2f MP  decode %7.1f / %7.1f MP/s  encode %7.1f / %7.1f MP/s\n",
                name ? name + 1 : path, usable, mp, mp / ours_decode, mp / giflib_decode_time, mp / ours_encode,
                mp / giflib_encode_time);
}

}  // namespace

int main(int argc, char** argv)
{
    int repeat = 3;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: codec_bench [--repeat N] FILE.gif...\n");
        return 2;
    }
    std::printf("per file: ours / giflib, best of %d runs\n", repeat);
    Totals totals;
    for (int i = first; i < argc; ++i)
        bench_file(argv[i], repeat, totals);
    double mp = totals.pixels / 1e6;
    std::printf("\ntotal %.1f MP\n", mp);
    std::printf("decode: ours %.1f MP/s, giflib DGifGetLine %.1f MP/s, ratio %.2f\n", mp / totals.ours_decode,
                mp / totals.giflib_decode, totals.giflib_decode / totals.ours_decode);
    std::printf("encode: ours %.1f MP/s, giflib EGifPutLine %.1f MP/s, ratio %.2f\n", mp / totals.ours_encode,
                mp / totals.giflib_encode, totals.giflib_encode / totals.ours_encode);
    std::printf("encoded size: ours %.0f bytes, giflib %.0f bytes (giflib's include its file header)\n",
                totals.ours_bytes, totals.giflib_bytes);
    return 0;
}
