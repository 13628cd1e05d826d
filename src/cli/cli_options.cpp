#include "cli/cli_options.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool parse_int(const std::string& text, long low, long high, int* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    *out = static_cast<int>(value);
    return true;
}

// Options that take a value accept "--name VALUE" and "--name=VALUE".
bool take_value(const std::vector<std::string>& arguments, std::size_t* i, const std::string& name, std::string* value)
{
    const std::string& argument = arguments[*i];
    if (argument == name) {
        if (*i + 1 >= arguments.size())
            return false;
        *value = arguments[++*i];
        return true;
    }
    *value = argument.substr(name.size() + 1);
    return true;
}

bool option_matches(const std::string& argument, const std::string& name)
{
    return argument == name || argument.rfind(name + "=", 0) == 0;
}

CliParse failure(std::string error)
{
    CliParse result;
    result.error = std::move(error);
    return result;
}

bool set_output(CliOptions& options, OutputMode mode, std::string* error)
{
    if (options.output != OutputMode::Beside && options.output != mode) {
        *error = "-o, --in-place and --out-dir exclude each other";
        return false;
    }
    options.output = mode;
    return true;
}

// One option at arguments[*i]; false with *error set when it is not understood.
bool parse_option(const std::vector<std::string>& arguments, std::size_t* i, CliOptions& options, std::string* error)
{
    const std::string& argument = arguments[*i];
    std::string value;
    struct Flag {
        const char* name;
        int CliOptions::*field;
        int setting;
    };
    static const Flag kSettingFlags[] = {
        {"--no-end-code-saving", &CliOptions::end_code_saving, 0},
        {"--no-offset-frames", &CliOptions::offset_frames, 0},
        {"--full-first-frame", &CliOptions::crop_first_frame, 0},
        {"--no-transparency-search", &CliOptions::transparency_search, 0},
    };
    for (const Flag& flag : kSettingFlags) {
        if (argument == flag.name) {
            options.*flag.field = flag.setting;
            return true;
        }
    }
    if (argument == "-h" || argument == "--help") {
        options.command = CliCommand::Help;
        return true;
    }
    if (argument == "-V" || argument == "--version") {
        options.command = CliCommand::Version;
        return true;
    }
    if (argument == "-q" || argument == "--quiet") {
        options.quiet = true;
        return true;
    }
    if (argument == "--json") {
        options.json = true;
        return true;
    }
    if (argument == "--extra") {
        options.extra = true;
        return true;
    }
    if (argument == "--allow-larger") {
        options.allow_larger = true;
        return true;
    }
    if (argument == "--keep-damaged") {
        options.keep_damaged = true;
        return true;
    }
    if (argument == "--report") {
        options.report_only = true;
        return true;
    }
    if (argument == "--in-place")
        return set_output(options, OutputMode::InPlace, error);
    if (argument == "-o" || option_matches(argument, "--output")) {
        if (!take_value(arguments, i, argument == "-o" ? "-o" : "--output", &value) || value.empty()) {
            *error = "-o needs a file name";
            return false;
        }
        options.output_path = value;
        return set_output(options, OutputMode::Single, error);
    }
    if (option_matches(argument, "--out-dir")) {
        if (!take_value(arguments, i, "--out-dir", &value) || value.empty()) {
            *error = "--out-dir needs a folder";
            return false;
        }
        options.output_folder = value;
        return set_output(options, OutputMode::Folder, error);
    }
    if (argument == "-j" || option_matches(argument, "--jobs") ||
        (argument.rfind("-j", 0) == 0 && argument.size() > 2)) {
        if (argument.rfind("-j", 0) == 0 && argument.size() > 2)
            value = argument.substr(2);
        else if (!take_value(arguments, i, argument == "-j" ? "-j" : "--jobs", &value))
            value.clear();
        if (!parse_int(value, 1, 256, &options.jobs)) {
            *error = "-j needs a number of workers from 1 to 256";
            return false;
        }
        return true;
    }
    if (option_matches(argument, "--transparent-index-rule")) {
        if (!take_value(arguments, i, "--transparent-index-rule", &value) ||
            !parse_int(value, 0, 6, &options.transparent_index_rule)) {
            *error = "--transparent-index-rule needs a number from 0 to 6";
            return false;
        }
        return true;
    }
    *error = "unknown option " + argument;
    return false;
}

}  // namespace

CliParse parse_command_line(const std::vector<std::string>& arguments)
{
    CliParse result;
    CliOptions& options = result.options;
    std::size_t first = 0;
    if (!arguments.empty() && arguments[0] == "info") {
        options.command = CliCommand::Info;
        first = 1;
    }
    bool only_files = false;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (only_files || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_files = true;
            continue;
        }
        const CliCommand before = options.command;
        if (!parse_option(arguments, &i, options, &result.error))
            return result;
        if (before == CliCommand::Info && options.command != CliCommand::Help && options.command != CliCommand::Version)
            options.command = CliCommand::Info;
    }
    if (options.command == CliCommand::Help || options.command == CliCommand::Version) {
        result.ok = true;
        return result;
    }
    if (options.files.empty())
        return failure(options.command == CliCommand::Info ? "info needs a file" : "no input files");
    if (options.output == OutputMode::Single && options.files.size() != 1)
        return failure("-o takes exactly one input file; use --out-dir for several");
    result.ok = true;
    return result;
}

std::string output_path_for(const CliOptions& options, const std::string& input)
{
    switch (options.output) {
    case OutputMode::Single:
        return options.output_path;
    case OutputMode::InPlace:
        return input;
    case OutputMode::Folder: {
        const std::size_t slash = input.find_last_of('/');
        const std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
        std::string folder = options.output_folder;
        if (folder.back() != '/')
            folder += '/';
        return folder + name;
    }
    case OutputMode::Beside:
        break;
    }
    // NAME.gif -> NAME.opt.gif; a name without the extension gets ".opt.gif" appended.
    const std::size_t slash = input.find_last_of('/');
    const std::size_t dot = input.find_last_of('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    if (has_extension) {
        std::string extension = input.substr(dot);
        for (char& c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (extension == ".gif")
            return input.substr(0, dot) + ".opt" + input.substr(dot);
    }
    return input + ".opt.gif";
}

const char* usage_text()
{
    return "Usage: quillon-cli [options] FILE...\n"
           "       quillon-cli info FILE...\n"
           "\n"
           "Rewrites animated GIF files so that they take fewer bytes while showing exactly\n"
           "the same animation. By default each FILE is written to NAME.opt.gif beside it.\n"
           "\n"
           "Output:\n"
           "  -o, --output OUT           write the one input file to OUT\n"
           "      --out-dir DIR          write every result into DIR under its own name\n"
           "      --in-place             replace each input file (safely: the old file stays\n"
           "                             until the new one is completely written)\n"
           "      --allow-larger         also write results that are not smaller than the input\n"
           "      --keep-damaged         also write files that were damaged (only what comes\n"
           "                             before the damage is kept; by default they are skipped)\n"
           "      --report               only report the size a save would give; write nothing\n"
           "\n"
           "Optimization (defaults come from the desktop program's preference file):\n"
           "      --extra                extra compression (slower): every frame and colour kept\n"
           "                             exactly, even with more than 256 colours\n"
           "      --no-end-code-saving   always write the LZW end code\n"
           "      --no-offset-frames     keep every frame at the top-left corner\n"
           "      --full-first-frame     write the first frame at full screen size\n"
           "      --no-transparency-search  encode frames without trying transparency modes\n"
           "      --transparent-index-rule N  how the transparent index is chosen (0-6)\n"
           "\n"
           "Running:\n"
           "  -j, --jobs N               optimize files in N worker processes (default: cores)\n"
           "  -q, --quiet                print only failures\n"
           "      --json                 print one JSON object per file\n"
           "  -h, --help                 show this help\n"
           "  -V, --version              show the version\n"
           "\n"
           "Exit status: 0 when every file was fine, 1 when a file failed or was skipped,\n"
           "2 for a usage error.\n";
}
