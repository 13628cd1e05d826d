// Frame encoding and decoding: the stored form of a frame (minimum code size byte, LZW
// sub-blocks, terminator) made from a rectangle of a canvas, and decoded back onto one.
// Used by the reader (every loaded image), the optimizer (candidate encodings), the writer
// (images without a stored encoding) and the views (composing frames).
#pragma once
#include <cstdint>

#include "document/document.h"
#include "codec/lzw_decoder.h"
#include "codec/lzw_encoder.h"

class OutputBuffer;

// The pixels of a rectangle of a canvas (stride = canvas width). The caller guarantees the
// rectangle lies inside the canvas.
class CanvasPixelSource final : public PixelSource {
public:
    CanvasPixelSource(const Canvas& canvas, const ScreenRect& rect, bool interlaced);

protected:
    const std::uint8_t* row_at(int y) override;

private:
    const Canvas& m_canvas;
    // Rows of a rectangle reaching outside the canvas are read through this row, with 0
    // where the canvas has no pixels.
    MemPtr<std::uint8_t> m_clipped_row;
    bool m_clipped = false;
};

// Rows produced by the caller: producer(context, y) returns the width pixels of screen row y
// of the rectangle, called once per row in encoding order; the pointer is read before the
// next call. The optimizer uses it for its pixel-substitution modes.
using RowProducer = const std::uint8_t* (*)(void* context, int y);

class ProducedPixelSource final : public PixelSource {
public:
    ProducedPixelSource(const ScreenRect& rect, bool interlaced, RowProducer producer, void* context);

protected:
    const std::uint8_t* row_at(int y) override;

private:
    RowProducer m_producer;
    void* m_context;
};

// Minimum code size for a number of colours: fewer than 3 gives 2, otherwise 1 + the index
// of the highest set bit of (count - 1); at most 9, the largest the decoder accepts (counts
// above 256 never arise from 8-bit pixels).
std::uint8_t minimum_code_size_for(std::uint32_t colour_count);

// Appends a complete image-data part (minimum code size byte, sub-blocks, terminator) for the
// source to the output, without resetting it: the writer's entry for images that have no
// stored encoding.
void append_image_data(OutputBuffer& output, PixelSource& source, std::uint8_t minimum_code_size, EndCode end_code);

// The entry for a caller without a stored encoding: a complete image appended to the output.
// The image descriptor (at the source rectangle's left and top, with the interlace flag and,
// when local_table is given, a local table of 1 shl local_bits RGB triples), the minimum
// code size byte (the local table's bits, or the header's table bits recorded with
// set_header_table_bits; at least 2), the codes with the end code always written, and the
// terminator.
void write_image(OutputBuffer& output, PixelSource& source, bool interlaced, const std::uint8_t* local_table,
                 int local_bits);
// Recorded by the writer when it writes a header: the bits of its global table.
void set_header_table_bits(int bits);

// Encodes the frame rectangle of the canvas and stores the result in the frame's encoded
// length and data. The colour count (palette size) sets the minimum code size; the end code
// follows the end-code saving setting unless given.
void encode_frame_into(Frame& frame, const Canvas& canvas, bool interlaced, std::uint16_t palette_size);
void encode_frame_into(Frame& frame, const Canvas& canvas, bool interlaced, std::uint16_t palette_size,
                       EndCode end_code);
// The same for rows made by the caller over the frame rectangle.
void encode_frame_rows(Frame& frame, RowProducer producer, void* context, bool interlaced, std::uint16_t palette_size,
                       EndCode end_code);
// Any source: resets the process-wide output buffer, encodes, and returns the finished block.
// With a limit, an encoding whose length would reach it is abandoned part way: the result is
// then null (length 0), as such an encoding is of no use to a caller looking for a shorter one.
MemPtr<std::uint8_t> encode_source(PixelSource& source, std::uint16_t palette_size, EndCode end_code,
                                   std::uint32_t& length, std::uint32_t give_up_at = LzwEncoder::kNoLimit);
// The end-code rule of the end-code saving setting.
EndCode end_code_from_settings();

// decode_image of the frame's stored data onto the canvas at its rectangle, with its own
// interlace flag; with transparent_aware, the frame's transparent index leaves pixels alone.
[[nodiscard]] DecodeResult decode_frame_onto(Canvas& canvas, const Frame& frame, TransparentAware transparent_aware);
