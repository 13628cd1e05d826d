// The raw block layer: a GIF file walked block by block exactly as stored, without decoding
// images or changing anything. Every length and index comes from the file and is checked
// against the end of the data, so a cut or hostile file gives a shorter list and a reason,
// never a read past the end.
//
// Two views of the same walk: `read_raw_blocks` lists every block with its offset, length
// and fixed fields (describing files as they are on disk); `read_raw_gif` groups them into
// images with their control extension, colour tables and the spans of the other extensions,
// for anything that rebuilds a file and carries blocks over unchanged.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class RawBlockKind : std::uint8_t {
    Image,
    GraphicControl,
    Comment,
    Application,
    PlainText,
    UnknownExtension,  // an extension label this format does not define
};

struct RawScreen {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t packed = 0;         // the packed byte as stored
    std::uint16_t global_table = 0;  // entries; 0 when there is none
    bool table_sorted = false;
    std::uint8_t colour_resolution = 0;  // bits per primary colour, 1 to 8
    std::uint8_t background_index = 0;
    std::uint8_t aspect = 0;
};

// The fixed fields of an image descriptor and where its parts lie.
struct RawImageBlock {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::uint16_t local_table = 0;  // entries; 0 when there is none
    bool interlaced = false;
    bool table_sorted = false;
    std::uint8_t minimum_code_size = 0;
    std::uint32_t data_bytes = 0;   // LZW bytes in the sub-blocks
    std::uint32_t data_offset = 0;  // of the minimum code size byte
};

struct RawGraphicControl {
    std::uint8_t disposal = 0;  // as stored, 0 to 7
    bool user_input = false;
    bool transparent = false;
    std::uint16_t delay = 0;
    std::uint8_t transparent_index = 0;
    bool single_block = false;  // stored as one four-byte sub-block, the only well-formed way
};

struct RawBlock {
    RawBlockKind kind = RawBlockKind::UnknownExtension;
    std::uint32_t offset = 0;  // of the introducer
    std::uint32_t length = 0;  // from the introducer through the block terminator
    std::uint8_t label = 0;    // extension label; 0x2C for an image
    RawImageBlock image;
    RawGraphicControl control;
    std::string text;        // a comment's bytes; an application's identifier and code
    std::int32_t loop = -1;  // looping blocks: the count (0 for ever); -1 otherwise
};

struct RawFile {
    std::string version;  // "GIF87a" or "GIF89a"
    RawScreen screen;
    std::vector<RawBlock> blocks;     // in file order
    bool trailer = false;             // the trailer byte was found
    std::uint32_t end = 0;            // where reading stopped: after the trailer, or at the fault
    std::string fault;                // why reading stopped early; empty when it did not
    std::uint32_t after_trailer = 0;  // bytes that follow the trailer
};

// Reads the blocks of `size` bytes. False only when the data does not start with a GIF
// header and logical screen; a fault later ends the list with `fault` set.
[[nodiscard]] bool read_raw_blocks(const std::uint8_t* data, std::size_t size, RawFile* file);

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
    Damaged,  // a block runs past the end, an unknown block, a malformed control extension, or no trailer
};

// Only a whole, well-formed file is Complete; `gif` is then filled.
[[nodiscard]] RawReadResult read_raw_gif(const std::uint8_t* bytes, std::size_t size, RawGif& gif);
