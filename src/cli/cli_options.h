// The command line of quillon-cli: what the user asked for, parsed without side effects so
// that the parsing and the naming of output files can be tested on their own. The driver
// (cli_run) acts on the result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand : std::uint8_t { Optimize, Info, Help, Version };
enum class OutputMode : std::uint8_t { Beside, Single, InPlace, Folder };

struct CliOptions {
    CliCommand command = CliCommand::Optimize;
    OutputMode output = OutputMode::Beside;
    std::string output_path;    // -o OUT
    std::string output_folder;  // --out-dir DIR
    std::vector<std::string> files;
    bool allow_larger = false;
    bool extra = false;         // --extra: the extra compression mode
    bool keep_damaged = false;  // write what was read before the damage of a damaged file
    bool report_only = false;   // --report: the size report without writing
    bool quiet = false;
    bool json = false;
    int jobs = 0;  // 0: the number of cores

    // Per-run overrides of the settings read from the preference file; -1 keeps the file's.
    int end_code_saving = -1;
    int offset_frames = -1;
    int crop_first_frame = -1;
    int transparency_search = -1;
    int transparent_index_rule = -1;
};

struct CliParse {
    bool ok = false;
    CliOptions options;
    std::string error;  // what was wrong, for a usage error
};

CliParse parse_command_line(const std::vector<std::string>& arguments);

// The file an optimized input is written to under the chosen output mode.
std::string output_path_for(const CliOptions& options, const std::string& input);

const char* usage_text();
