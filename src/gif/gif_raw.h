// The raw block layer: a GIF file walked block by block with every block kept as stored
// (offsets into the caller's bytes, colour tables as read). Every length and index comes
// from the file and is checked against the bytes before use; nothing is decoded. The extra
// compression mode rebuilds files from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A stretch of the file's bytes.
struct RawSpan {
    std::size_t offset = 0;
    std::size_t length = 0;
};

// One image with the control extension that went before it (if any) and the other
// extensions stored between the previous image and this one.
struct RawImage {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    bool sorted = false;
    std::vector<std::uint32_t> local_table;  // 0xRRGGBB entries; empty when none

    bool has_control = false;
    std::uint8_t disposal = 0;
    bool user_input = false;
    std::uint16_t delay = 0;
    bool has_transparent = false;
    std::uint8_t transparent_index = 0;

    RawSpan data;  // minimum code size byte, sub-blocks, terminator
    std::vector<RawSpan> extensions_before;
};

struct RawGif {
    std::uint16_t width = 0, height = 0;
    std::uint8_t screen_flags = 0;  // as stored
    std::uint8_t background = 0;
    std::uint8_t aspect = 0;
    std::vector<std::uint32_t> global_table;  // empty when none
    std::vector<RawImage> images;
    std::vector<RawSpan> trailing_extensions;
    bool has_plain_text = false;  // a plain text extension somewhere
};

enum class RawReadResult : std::uint8_t {
    Complete,
    NotGif,   // no GIF signature
    Damaged,  // a block runs past the end, an unknown block, or no trailer
};

[[nodiscard]] RawReadResult read_raw_gif(const std::uint8_t* bytes, std::size_t size, RawGif& gif);
