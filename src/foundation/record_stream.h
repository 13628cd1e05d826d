// The tagged record stream of the preference file: self-describing big-endian records
// {16-bit tag, 8-bit type, 32-bit length, payload} over an 8192-byte buffered reader or
// writer. One schema function lists every field once; the stream's mode decides whether a
// field call initialises, resets to the default, reads, writes or measures it. Progress
// goes through RecordProgress; the application connects it to its progress reporter.
#pragma once
#include <cstdint>
#include <memory>

#include "foundation/file_ref.h"

enum class RecordMode : std::uint32_t { Initialise = 0, Defaults = 1, Read = 2, Write = 3, Measure = 4 };

// Record types on file.
constexpr std::uint8_t kRecordByte = 3;
constexpr std::uint8_t kRecordU16 = 4;
constexpr std::uint8_t kRecordText = 5;
constexpr std::uint8_t kRecordU32 = 8;
constexpr std::uint8_t kRecordRect = 15;

constexpr std::uint16_t kRecordNoTag = 0;       // no pending header
constexpr std::uint16_t kRecordEndTag = 65535;  // the end of the records was reached
constexpr std::uint32_t kRecordBufferSize = 8192;
constexpr std::uint32_t kRecordHeaderSize = 7;
// Longest text record taken; a longer one is treated as a record of the wrong length.
constexpr std::uint32_t kRecordTextLimit = 1u << 20;

// Receives the progress of one read or write; every begin has exactly one end.
class RecordProgress {
public:
    virtual ~RecordProgress() = default;
    virtual void begin(const char* /*caption*/, std::uint32_t /*total*/) { }
    virtual void restart(std::uint32_t /*total*/) { }
    virtual void detail(const char* /*text*/) { }
    virtual void advance(std::uint32_t /*units*/) { }
    virtual void end() { }
};

// A rectangle of four signed 16-bit values, stored in field order.
struct RecordRect {
    std::int16_t a, b, c, d;
};

class RecordReader;
class RecordWriter;

struct RecordStream {
    RecordStream();
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    RecordMode mode = RecordMode::Initialise;
    std::unique_ptr<RecordReader> reader;  // mode Read
    std::unique_ptr<RecordWriter> writer;  // mode Write
    std::uint32_t remaining = 0;           // Read: bytes not yet consumed; Measure: bytes counted
    bool error = false;                    // sticky: once set, every read request fails
    std::uint16_t tag = kRecordNoTag;      // tag of the pending header
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    bool progress_open = false;
    RecordProgress* progress = nullptr;  // not owned; null for none
};

using RecordSchema = void (*)(RecordStream& stream, void* argument);

// Opens file for reading (mode Read) and begins a progress report whose caption is the
// pattern formatted with the file's display name. False, doing nothing else, when the
// file is missing or cannot be opened.
[[nodiscard]] bool open_record_reader(RecordStream& stream, const FileRef* file, const char* caption_pattern,
                                      RecordProgress* progress);
// Measures the schema's bytes, then writes them to file through a replacement file, so a
// failure leaves any old file as it was. True when the new file is in place.
[[nodiscard]] bool write_record_file(RecordStream& stream, const FileRef* file, RecordSchema schema, void* argument,
                                     const char* caption_pattern, const char* detail, RecordProgress* progress);
// Ends the progress report; closes the reader, or flushes and commits the writer. False
// when a write failed (the old file is then kept).
bool close_record_stream(RecordStream& stream);

// Field operations: true when the field was handled (in mode Read: found with the right
// type and length, and read).
bool record_byte(RecordStream& stream, std::uint16_t tag, std::uint8_t& value, std::uint8_t default_value);
bool record_u16(RecordStream& stream, std::uint16_t tag, std::uint16_t& value, std::uint16_t default_value);
bool record_u32(RecordStream& stream, std::uint16_t tag, std::uint32_t& value, std::uint32_t default_value);
// value is an owned heap string (or null before initialisation).
bool record_text(RecordStream& stream, std::uint16_t tag, char*& value, const char* default_value);
bool record_rect(RecordStream& stream, std::uint16_t tag, RecordRect& value, const RecordRect& default_value);
// Writes or counts the seven zero bytes that end the records.
bool record_end_marker(RecordStream& stream);

// Raw bytes outside the records (the preference file's header texts). Read: exactly count
// bytes, or false with the error flag set. Write/Measure: writes or counts them.
bool record_raw_read(RecordStream& stream, void* buffer, std::uint32_t count);
bool record_raw_write(RecordStream& stream, const void* data, std::uint32_t count);
