// Helpers for the reader and writer tests: a builder of GIF files block by block (with a
// plain LZW encoder of its own, so inputs never come from the code under test), a reporter
// that records what the engine tells the user, and loading a byte array as a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "app/report.h"

namespace gif_file_test {

using Bytes = std::vector<std::uint8_t>;

// LZW image data (minimum code size byte, sub-blocks, terminator) for the pixels.
Bytes lzw_image_data(const std::vector<std::uint8_t>& pixels, int minimum_code_size);

class GifBuilder {
public:
    GifBuilder& header(const char* signature = "GIF89a");
    // Logical screen; a global table of 1 << bits entries when colours is not empty
    // (missing entries are zero).
    GifBuilder& screen(int width, int height, const std::vector<std::uint32_t>& colours = {}, int bits = 0,
                       int background = 0);
    GifBuilder& graphic_control(int disposal, int delay, bool transparent = false, int transparent_index = 0,
                                bool user_input = false);
    GifBuilder& comment(const std::string& text);
    GifBuilder& application(const std::string& identifier, const Bytes& first_sub_block);
    GifBuilder& netscape_loop(int count);
    // An image; a local table when local is not empty (1 << local_bits entries).
    GifBuilder& image(int left, int top, int width, int height, const std::vector<std::uint8_t>& pixels,
                      const std::vector<std::uint32_t>& local = {}, int local_bits = 0, bool interlaced = false);
    GifBuilder& raw(const Bytes& bytes);
    GifBuilder& trailer();
    const Bytes& bytes() const { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }

private:
    void put16(int value);
    void put_table(const std::vector<std::uint32_t>& colours, int bits);
    Bytes m_bytes;
};

struct RecordedAlert {
    AlertKind kind;
    std::string text;
};

class RecordingReporter final : public Reporter {
public:
    RecordingReporter();
    ~RecordingReporter() override;
    void alert(AlertKind kind, const char* message, const char* button) override;
    bool ask(AlertKind kind, const char* message, const char* yes, const char* no) override;
    void beep() override { ++beeps; }

    std::vector<RecordedAlert> alerts;
    bool answer = true;
    int beeps = 0;

private:
    Reporter* m_previous;
};

// Warnings of the last load (severity, text), recorded through the ask hook.
struct RecordedWarning {
    int severity;
    std::string text;
};
std::vector<RecordedWarning>& recorded_warnings();
void record_warnings();  // installs the recording ask hook and clears the record

// A fresh temporary folder for one test, removed by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

bool write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);
// Loads bytes written to `folder/name`; null when the reader refuses.
DocumentPtr load_bytes(const TempFolder& folder, const Bytes& bytes, const std::string& name = "test.gif",
                       bool tolerant = true);
DocumentPtr load_path(const std::string& path, bool tolerant = true);
// Starts what the engine needs once (formatter, texts).
void start_engine_for_tests();

// The set-up of the reader and writer tests: the engine started, warnings recorded, a
// scratch folder, and a reporter that records what the user is told.
class GifFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_engine_for_tests();
        record_warnings();
    }
    TempFolder folder;
    RecordingReporter reporter;
};

}  // namespace gif_file_test
