// The outcome of one file of a quillon-cli run: sizes, messages and status, as printed for
// people or as one JSON object, and as the bytes a worker process sends to the driver.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_reporter.h"

// Skipped: left alone on purpose (not smaller, colours would be merged in place); Damaged:
// not written because the load lost part of the file.
enum class FileStatus : std::uint8_t { Written, Reported, Skipped, Failed, Damaged };

struct FileResult {
    std::string path;
    std::string output;  // empty for --report and failures before a save
    FileStatus status = FileStatus::Failed;
    std::uint32_t old_size = 0;
    std::uint32_t new_size = 0;
    double saved_percent = 0.0;
    bool has_sizes = false;
    std::uint32_t colours = 0;    // distinct colours of the file as read; 0 when not loaded
    bool colours_merged = false;  // more than 255: the result shows merged colours
    bool damaged = false;         // written from a damaged file: the sizes are no saving
    std::string reason;           // why a file was skipped, left alone or failed (one line)
    std::string details;          // info --json: the description, as members of the object
    std::vector<CliMessage> messages;
};

const char* status_name(FileStatus status);
// Whether the file counts as fine for the exit status.
bool result_is_fine(const FileResult& result);

// "1,234,567 bytes" in the terminal's plain digits; "1,234,567" alone.
std::string byte_text(std::uint64_t bytes);
std::string grouped_number(std::uint64_t value);
// The size line of a file with sizes: "a.gif: 1,000 -> 500 bytes, 50.0% smaller" (a saving
// under 0.05% is told in bytes).
std::string size_line(const FileResult& result);

// The totals of a batch, for its last line.
struct BatchTotals {
    std::size_t files = 0;
    std::size_t written = 0;
    std::size_t skipped = 0;  // skipped and damaged files left alone
    std::size_t failed = 0;
    std::uint64_t old_bytes = 0;  // over the files written or reported
    std::uint64_t new_bytes = 0;
    void add(const FileResult& result);
};
std::string totals_line(const BatchTotals& totals);

// One JSON object on one line (no trailing newline). Texts are passed through as bytes,
// with the characters JSON requires escaped.
std::string result_json(const FileResult& result);
std::string json_string(const std::string& text);

// What a person reads: the messages of the file, one block each. `quiet` keeps failures
// only. Information goes to `out`, warnings and failures to `err`.
// Messages for people start with the program's name.
void print_result(const FileResult& result, bool quiet, std::string& out, std::string& err);

// Worker transport: a result as bytes and back. decode_result is false on damaged bytes.
std::string encode_result(const FileResult& result);
[[nodiscard]] bool decode_result(const std::string& bytes, FileResult* result);
