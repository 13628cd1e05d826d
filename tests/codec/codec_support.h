// Test helpers of the codec tests: a plain bit packer for hand-made code streams, a minimal
// GIF block walker that finds the image data of every frame, and giflib as the independent
// decoder to compare with.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace codec_test {

using Bytes = std::vector<std::uint8_t>;

// Packs (code, width) pairs least significant bit first and wraps them in data sub-blocks
// of at most 255 bytes, after the minimum code size byte; the terminator is appended when
// asked.
struct CodeStream {
    std::vector<std::pair<int, int>> codes;
    void add(int code, int width) { codes.emplace_back(code, width); }
    Bytes image_data(std::uint8_t minimum_code_size, bool terminator = true) const;
};

// One image of a GIF file as the block walker finds it.
struct RawImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::size_t data_offset = 0;  // the minimum code size byte
    std::size_t data_length = 0;  // up to and including the terminator
};

Bytes read_file(const std::string& path);
// The images of a GIF file, up to the first damaged block.
std::vector<RawImage> walk_images(const Bytes& file);

// Frames decoded by giflib, each width x height indexes in natural row order (interlaced
// images are put back in order). Stops at the first frame giflib cannot decode.
struct GiflibFrame {
    int width = 0, height = 0;
    Bytes pixels;
};
std::vector<GiflibFrame> giflib_decode(const Bytes& file, std::size_t max_frames = 1u << 30);

// A GIF file of one image around the given image data (a global table of 256 grey entries).
Bytes wrap_image(int width, int height, bool interlaced, const Bytes& image_data);

}  // namespace codec_test
