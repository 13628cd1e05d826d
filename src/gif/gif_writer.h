// The GIF writer: runs the pre-save pass of the optimizer over a document, assembles the
// GIF89a file in the codec's output buffer (header, looping block, comments, graphic control
// extensions, image descriptors, the stored frame encodings, trailer), compares its size with
// the old file, and writes it safely: to a temporary file in the same folder that is then
// renamed over the target, so a failed save never loses the old file. Used by the desktop
// save commands and by quillon-cli.
#pragma once
#include <cstdint>

#include "document/document.h"

class OutputBuffer;
class SaveFileOperations;

enum class SaveMode : std::uint8_t {
    Report = 0,  // only report the size the file would have
    Write = 1,
};

// What a save did, for callers that report on their own (the command-line program).
enum class SaveOutcome : std::uint8_t {
    Reported,  // mode Report: nothing written
    Written,
    Declined,     // the new file was not smaller and the question was answered no
    WriteFailed,  // the old file is untouched
};

struct SaveSummary {
    SaveOutcome outcome = SaveOutcome::Reported;
    std::uint32_t old_size = 0;
    std::uint32_t new_size = 0;
    double saved_percent = 0.0;
};

// Builds the file for the document's path and hands it to the save report: mode Write
// writes it (asking first when it is not shorter), mode Report only tells the sizes.
// True when a file was written.
bool save_document(Document& document, SaveMode mode, SaveSummary* summary = nullptr);

// Which colours a file built elsewhere holds: the document's (merged into 255 when the
// original had more), or every colour of the original file.
enum class FileColours : std::uint8_t { AsDocument, EveryOriginal };

// The same report, question and safe write for a file already assembled in the output buffer
// (the extra compression mode builds its own).
bool save_output_buffer(Document& document, SaveMode mode, FileColours colours, SaveSummary* summary = nullptr);

// Runs the pre-save pass and assembles the whole file in the output buffer; returns its
// length. `path` names the file in the progress captions.
std::uint32_t write_gif_to_buffer(Document& document, const char* path);

// Block emitters, each appending to the output buffer.
void write_header(OutputBuffer& out, std::uint16_t width, std::uint16_t height, std::uint8_t background_index,
                  int table_bits, const std::uint8_t* palette);
void write_looping_block(OutputBuffer& out, std::uint16_t loop_count);
void write_comment(OutputBuffer& out, const char* text);
void write_graphic_control(OutputBuffer& out, const Frame& frame);
void write_image_descriptor(OutputBuffer& out, const Frame& frame);
void write_trailer(OutputBuffer& out);

// Table bits for a colour count: fewer than 3 colours give 1 bit, otherwise 1 + the index of
// the highest set bit of (count - 1).
int table_bits_for(std::uint32_t colour_count);

// The size text of a byte count (strings 135-137: "1,234,567 bytes"); owned by the caller.
StrPtr save_size_text(std::uint32_t bytes);

// Writes `length` bytes of the output buffer to `path` through a temporary file in the same
// folder that replaces the target only once it is complete, by the save file operations. Shows the failure messages and
// returns false when anything fails; the old file is then untouched.
[[nodiscard]] bool write_output_to_file(const OutputBuffer& out, const char* path);

// The file operations later saves go through (not owned; it must outlive them). Null puts
// the platform's own back.
void set_save_file_operations(SaveFileOperations* operations);
