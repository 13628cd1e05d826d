// The codec's process-wide buffers, created once at start-up and kept until exit: the input
// window, the decoder's tables, the encoder's hash and code tables and the output buffer.
// One load, one save or one frame encoding runs at a time per process.
#pragma once
#include "codec/input_window.h"
#include "codec/lzw_decoder.h"
#include "codec/lzw_encoder.h"
#include "codec/output_buffer.h"

struct CodecState {
    InputWindow input;
    LzwDecoder decoder;
    LzwEncoder encoder;
    OutputBuffer output;
    int header_table_bits = 2;  // minimum code size of images without a local table
};

// Creates the state on the first call (start-up calls it once); the same object afterwards.
CodecState& codec_state();
// Releases the state at exit; a later codec_state() creates a fresh one.
void release_codec_state();
