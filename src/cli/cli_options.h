// The command line of quillon-cli: what the user asked for, parsed without side effects so
// that the parsing and the naming of output files can be tested on their own. The driver
// (cli_run) acts on the result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand : std::uint8_t { Optimize, Info, Help, Version };
enum class OutputMode : std::uint8_t { Beside, Single, InPlace, Folder };

// "-" names standard input as a file and standard output as -o's target.
inline constexpr const char* kStandardStream = "-";

// --loop: leave the file's looping, repeat for ever, a number of times, or play once.
enum class LoopEdit : std::uint8_t { Keep, Forever, Count, None };

// The edits applied to every document between the load and the save, in this order:
// comments, stamp, looping, delays, interlace.
struct CliEdits {
    LoopEdit loop = LoopEdit::Keep;
    int loop_count = 0;         // LoopEdit::Count: 1 to 65535
    double delay_scale = -1.0;  // below 0: delays unchanged
    int delay_min = 0;          // hundredths of a second
    int delay_max = 65535;
    int first_frame = 0;  // --frames A-B, 1-based and inclusive; 0: from the first
    int last_frame = 0;   // 0: to the last
    bool strip_comments = false;
    bool has_comment = false;  // --comment TEXT replaces the trailing comment
    std::string comment;
    bool stamp = false;
    bool no_interlace = false;

    bool any() const
    {
        return loop != LoopEdit::Keep || delay_scale >= 0.0 || strip_comments || has_comment || stamp || no_interlace;
    }
};

struct CliOptions {
    CliCommand command = CliCommand::Optimize;
    OutputMode output = OutputMode::Beside;
    std::string output_path;    // -o OUT
    std::string output_folder;  // --out-dir DIR
    std::vector<std::string> files;
    bool allow_larger = false;
    bool allow_merge = false;   // --in-place may replace a file whose colours get merged
    bool extra = false;         // --extra: the extra compression mode
    bool keep_damaged = false;  // write what was read before the damage of a damaged file
    bool report_only = false;   // --report: the size report without writing
    bool quiet = false;
    bool json = false;
    int jobs = 0;  // 0: the number of cores
    CliEdits edits;

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
    std::string error;  // what was wrong, for a usage error (one line)
};

CliParse parse_command_line(const std::vector<std::string>& arguments);

// The file an optimized input is written to under the chosen output mode ("-" for standard
// output).
std::string output_path_for(const CliOptions& options, const std::string& input);

const char* usage_text();
