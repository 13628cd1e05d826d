// The blocks of a GIF file exactly as stored: where each one starts, how long it is and
// what its fixed fields say, without decoding images or changing anything. Every read is
// checked against the end of the data, so a cut or hostile file gives a shorter list and a
// reason, never a read past the end. Used to describe files as they are on disk and by
// anything that must carry blocks over unchanged.
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
    std::uint16_t global_table = 0;  // entries; 0 when there is none
    bool table_sorted = false;
    std::uint8_t colour_resolution = 0;  // bits per primary colour, 1 to 8
    std::uint8_t background_index = 0;
    std::uint8_t aspect = 0;
};

struct RawImage {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::uint16_t local_table = 0;  // entries; 0 when there is none
    bool interlaced = false;
    bool table_sorted = false;
    std::uint8_t minimum_code_size = 0;
    std::uint32_t data_bytes = 0;  // LZW bytes in the sub-blocks
};

struct RawGraphicControl {
    std::uint8_t disposal = 0;  // as stored, 0 to 7
    bool user_input = false;
    bool transparent = false;
    std::uint16_t delay = 0;
    std::uint8_t transparent_index = 0;
};

struct RawBlock {
    RawBlockKind kind = RawBlockKind::UnknownExtension;
    std::uint32_t offset = 0;  // of the introducer
    std::uint32_t length = 0;  // from the introducer through the block terminator
    std::uint8_t label = 0;    // extension label; 0x2C for an image
    RawImage image;
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
