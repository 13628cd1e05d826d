// The outcome of one file of a quillon-cli run: sizes, messages and status, as printed for
// people or as one JSON object, and as the bytes a worker process sends to the driver.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_reporter.h"

// Skipped: not smaller; Damaged: not written because the load lost part of the file.
enum class FileStatus : std::uint8_t { Written, Reported, Skipped, Failed, Damaged };

struct FileResult {
    std::string path;
    std::string output;  // empty for --report and failures before a save
    FileStatus status = FileStatus::Failed;
    std::uint32_t old_size = 0;
    std::uint32_t new_size = 0;
    double saved_percent = 0.0;
    bool has_sizes = false;
    std::vector<CliMessage> messages;
};

const char* status_name(FileStatus status);

// One JSON object on one line (no trailing newline). Texts are passed through as bytes,
// with the characters JSON requires escaped.
std::string result_json(const FileResult& result);
std::string json_string(const std::string& text);

// What a person reads: the messages of the file, one block each. `quiet` keeps failures
// only. Information goes to `out`, warnings and failures to `err`.
void print_result(const FileResult& result, bool quiet, std::string& out, std::string& err);

// Worker transport: a result as bytes and back. decode_result is false on damaged bytes.
std::string encode_result(const FileResult& result);
[[nodiscard]] bool decode_result(const std::string& bytes, FileResult* result);
