// The fuzz targets: one function per parser that takes untrusted bytes, shared by the
// libFuzzer programs of this folder and by the regression test that replays every kept
// finding (tests/fuzz_regress). Each function feeds the bytes to the engine the way a user's
// file would reach it and checks the invariants that must hold whatever the bytes are; a
// broken invariant traps, so the fuzzer reports it like a crash.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Loads the bytes as a GIF file (reader, normalisation), saves the document to memory
// (optimizer, writer) and loads that output again: it must load strictly with as many frames
// and show the same screens, colour for colour, after every frame.
int gif_roundtrip(const std::uint8_t* data, std::size_t size);
// The LZW decoder alone. Bytes 0-3 choose the canvas, the frame rectangle, interlacing and
// transparency; the rest is image data (minimum code size byte, sub-blocks).
int lzw_decode(const std::uint8_t* data, std::size_t size);
// The reader of blocks as stored: the blocks it lists follow one another without gaps from
// the end of the global table, and reading stops inside the data.
int raw_blocks(const std::uint8_t* data, std::size_t size);
// The preference file reader; a file it accepts is written back and must read again.
int preference_file(const std::uint8_t* data, std::size_t size);
// The language file reader. Byte 0 chooses the language (a Western, a single-byte
// non-Western or one of two double-byte ones); the rest is the file.
int language_file(const std::uint8_t* data, std::size_t size);
// The string table unpacker. Byte 0 chooses: the table decoder on the rest, the resource
// unpacker on the rest with a correct check value in front, the unpacker on the raw rest,
// or packing the rest and unpacking it again (which must give the same bytes back).
int string_table(const std::uint8_t* data, std::size_t size);

struct Target {
    const char* name;
    int (*run)(const std::uint8_t* data, std::size_t size);
};
// Every target, by the name of its folder of inputs; ends with a null name.
extern const Target kTargets[];
const Target* find_target(const char* name);

// Writes crafted seed inputs for the target into folder (which must exist): files the
// target's parser accepts, made with the engine's own writers. Count of files written.
int write_seeds(const char* target, const char* folder);

}  // namespace fuzz
