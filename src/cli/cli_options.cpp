#include "cli/cli_options.h"

#include <cerrno>
#include <cmath>
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

bool parse_factor(const std::string& text, double* out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > 1000.0)
        return false;
    *out = value;
    return true;
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

// ---- Options without a value ----

using FlagAction = void (*)(CliOptions&);

struct FlagOption {
    const char* name;
    FlagAction apply;
};

const FlagOption kFlags[] = {
    {"--help", [](CliOptions& o) { o.command = CliCommand::Help; }},
    {"--version", [](CliOptions& o) { o.command = CliCommand::Version; }},
    {"--quiet", [](CliOptions& o) { o.quiet = true; }},
    {"--json", [](CliOptions& o) { o.json = true; }},
    {"--allow-larger", [](CliOptions& o) { o.allow_larger = true; }},
    {"--allow-merge", [](CliOptions& o) { o.allow_merge = true; }},
    {"--keep-damaged", [](CliOptions& o) { o.keep_damaged = true; }},
    {"--report", [](CliOptions& o) { o.report_only = true; }},
    {"--extra", [](CliOptions& o) { o.extra = true; }},
    {"--no-end-code-saving", [](CliOptions& o) { o.end_code_saving = 0; }},
    {"--no-offset-frames", [](CliOptions& o) { o.offset_frames = 0; }},
    {"--full-first-frame", [](CliOptions& o) { o.crop_first_frame = 0; }},
    {"--no-transparency-search", [](CliOptions& o) { o.transparency_search = 0; }},
    {"--strip-comments", [](CliOptions& o) { o.edits.strip_comments = true; }},
    {"--stamp", [](CliOptions& o) { o.edits.stamp = true; }},
    {"--no-interlace", [](CliOptions& o) { o.edits.no_interlace = true; }},
};

// ---- Options with a value ----

using ValueAction = bool (*)(CliOptions&, const std::string& value, std::string* error);

struct ValueOption {
    const char* name;
    ValueAction apply;
};

bool apply_output(CliOptions& o, const std::string& value, std::string* error)
{
    if (value.empty()) {
        *error = "-o needs a file name";
        return false;
    }
    o.output_path = value;
    return set_output(o, OutputMode::Single, error);
}

bool apply_out_dir(CliOptions& o, const std::string& value, std::string* error)
{
    if (value.empty()) {
        *error = "--out-dir needs a folder";
        return false;
    }
    o.output_folder = value;
    return set_output(o, OutputMode::Folder, error);
}

bool apply_jobs(CliOptions& o, const std::string& value, std::string* error)
{
    if (parse_int(value, 1, 256, &o.jobs))
        return true;
    *error = "-j needs a number of workers from 1 to 256";
    return false;
}

bool apply_rule(CliOptions& o, const std::string& value, std::string* error)
{
    if (parse_int(value, 0, 6, &o.transparent_index_rule))
        return true;
    *error = "--transparent-index-rule needs a number from 0 to 6";
    return false;
}

bool apply_loop(CliOptions& o, const std::string& value, std::string* error)
{
    if (value == "forever") {
        o.edits.loop = LoopEdit::Forever;
    } else if (value == "none") {
        o.edits.loop = LoopEdit::None;
    } else if (parse_int(value, 1, 65535, &o.edits.loop_count)) {
        o.edits.loop = LoopEdit::Count;
    } else {
        *error = "--loop needs forever, none or a count from 1 to 65535";
        return false;
    }
    return true;
}

bool apply_delay_scale(CliOptions& o, const std::string& value, std::string* error)
{
    if (parse_factor(value, &o.edits.delay_scale))
        return true;
    *error = "--delay-scale needs a factor from 0 to 1000, such as 0.5";
    return false;
}

bool apply_delay_limit(const std::string& value, const char* name, int* limit, std::string* error)
{
    if (parse_int(value, 0, 65535, limit))
        return true;
    *error = std::string(name) + " needs hundredths of a second from 0 to 65535";
    return false;
}

bool apply_delay_min(CliOptions& o, const std::string& value, std::string* error)
{
    return apply_delay_limit(value, "--delay-min", &o.edits.delay_min, error);
}

bool apply_delay_max(CliOptions& o, const std::string& value, std::string* error)
{
    return apply_delay_limit(value, "--delay-max", &o.edits.delay_max, error);
}

// A-B, A- or A (frame numbers from 1).
bool apply_frames(CliOptions& o, const std::string& value, std::string* error)
{
    const std::size_t dash = value.find('-');
    const std::string first = value.substr(0, dash);
    const std::string last = dash == std::string::npos ? first : value.substr(dash + 1);
    int a = 0, b = 0;
    if (parse_int(first, 1, 65535, &a) && (last.empty() || parse_int(last, 1, 65535, &b)) && (b == 0 || a <= b)) {
        o.edits.first_frame = a;
        o.edits.last_frame = b;
        return true;
    }
    *error = "--frames needs a range of frame numbers such as 2-10 (or 5- for the rest)";
    return false;
}

bool apply_comment(CliOptions& o, const std::string& value, std::string* /*error*/)
{
    o.edits.has_comment = true;
    o.edits.comment = value;
    return true;
}

const ValueOption kValueOptions[] = {
    {"--output", apply_output},       {"--out-dir", apply_out_dir},
    {"--jobs", apply_jobs},           {"--transparent-index-rule", apply_rule},
    {"--loop", apply_loop},           {"--delay-scale", apply_delay_scale},
    {"--delay-min", apply_delay_min}, {"--delay-max", apply_delay_max},
    {"--frames", apply_frames},       {"--comment", apply_comment},
};

// Short options and the long ones they stand for.
struct ShortOption {
    char letter;
    const char* name;
};
const ShortOption kShortOptions[] = {
    {'h', "--help"}, {'V', "--version"}, {'q', "--quiet"}, {'o', "--output"}, {'j', "--jobs"}};

// The parse of the whole command line, argument by argument.
class Parser {
public:
    Parser(const std::vector<std::string>& arguments, CliOptions& options, std::string* error)
        : m_arguments(arguments), m_options(options), m_error(error)
    {
    }

    // The long option at m_at ("--name" or "--name=value").
    [[nodiscard]] bool long_option(const std::string& argument)
    {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (name == "--in-place" && equals == std::string::npos)
            return set_output(m_options, OutputMode::InPlace, m_error);
        for (const FlagOption& flag : kFlags) {
            if (name != flag.name)
                continue;
            if (equals != std::string::npos)
                return fail(name + " takes no value");
            flag.apply(m_options);
            return true;
        }
        for (const ValueOption& option : kValueOptions) {
            if (name != option.name)
                continue;
            std::string value;
            if (equals != std::string::npos)
                value = argument.substr(equals + 1);
            else if (!next_argument(&value))
                return fail(name + " needs a value");
            return option.apply(m_options, value, m_error);
        }
        return fail("unknown option " + name);
    }

    // A cluster of short options: "-qj 2", "-qj2", "-o out.gif".
    [[nodiscard]] bool short_options(const std::string& argument)
    {
        for (std::size_t k = 1; k < argument.size(); ++k) {
            const char* name = long_name(argument[k]);
            if (!name)
                return fail(std::string("unknown option -") + argument[k]);
            if (takes_value(name)) {
                const std::string rest = argument.substr(k + 1);
                return rest.empty() ? long_option(name) : long_option(std::string(name) + "=" + rest);
            }
            if (!long_option(name))
                return false;
        }
        return true;
    }

    std::size_t m_at = 0;

private:
    bool next_argument(std::string* value)
    {
        if (m_at + 1 >= m_arguments.size())
            return false;
        *value = m_arguments[++m_at];
        return true;
    }
    static const char* long_name(char letter)
    {
        for (const ShortOption& option : kShortOptions)
            if (option.letter == letter)
                return option.name;
        return nullptr;
    }
    static bool takes_value(const std::string& name)
    {
        for (const ValueOption& option : kValueOptions)
            if (name == option.name)
                return true;
        return false;
    }
    bool fail(std::string error)
    {
        *m_error = std::move(error);
        return false;
    }

    const std::vector<std::string>& m_arguments;
    CliOptions& m_options;
    std::string* m_error;
};

CliParse failure(std::string error)
{
    CliParse result;
    result.error = std::move(error);
    return result;
}

// What the options say together, once all are read.
bool check_combination(const CliOptions& options, std::string* error)
{
    if (options.files.empty()) {
        *error = options.command == CliCommand::Info ? "info needs a file" : "no input files";
        return false;
    }
    if (options.output == OutputMode::Single && options.files.size() != 1) {
        *error = "-o takes exactly one input file; use --out-dir for several";
        return false;
    }
    const CliEdits& edits = options.edits;
    if (edits.delay_scale < 0.0 && (edits.delay_min != 0 || edits.delay_max != 65535 || edits.first_frame != 0)) {
        *error = "--delay-min, --delay-max and --frames go with --delay-scale";
        return false;
    }
    if (edits.delay_min > edits.delay_max) {
        *error = "--delay-min is above --delay-max";
        return false;
    }
    if (edits.strip_comments && edits.has_comment) {
        *error = "--strip-comments and --comment exclude each other";
        return false;
    }
    return true;
}

}  // namespace

CliParse parse_command_line(const std::vector<std::string>& arguments)
{
    CliParse result;
    CliOptions& options = result.options;
    Parser parser(arguments, options, &result.error);
    if (!arguments.empty() && arguments[0] == "info")
        parser.m_at = 1;
    const bool info = parser.m_at == 1;
    bool only_files = false;
    for (; parser.m_at < arguments.size(); ++parser.m_at) {
        const std::string& argument = arguments[parser.m_at];
        if (only_files || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_files = true;
            continue;
        }
        const bool understood = argument[1] == '-' ? parser.long_option(argument) : parser.short_options(argument);
        if (!understood)
            return result;
    }
    if (options.command == CliCommand::Help || options.command == CliCommand::Version) {
        result.ok = true;
        return result;
    }
    if (info)
        options.command = CliCommand::Info;
    if (!check_combination(options, &result.error))
        return failure(result.error);
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
    if (input == kStandardStream)
        return kStandardStream;  // a filter: standard input to standard output
    // NAME.gif -> NAME.opt.gif; a name without the extension gets ".opt.gif" appended.
    const std::size_t slash = input.find_last_of('/');
    const std::size_t dot = input.find_last_of('.');
    // A dot that starts the file's name makes it hidden; it is not an extension.
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const bool has_extension = dot != std::string::npos && dot > name_start;
    if (has_extension) {
        std::string extension = input.substr(dot);
        for (char& c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (extension == ".gif")
            return input.substr(0, dot) + ".opt" + input.substr(dot);
    }
    return input + ".opt.gif";
}
