#include "cli/cli_targets.h"

#include <climits>
#include <cstdlib>
#include <map>

namespace {

std::string real_path(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

OutputPlan refuse(std::string error)
{
    OutputPlan plan;
    plan.error = std::move(error);
    return plan;
}

// Standard input: read once, and only where its result has somewhere to go.
bool check_standard_input(const CliOptions& options, std::string* error)
{
    std::size_t count = 0;
    for (const std::string& file : options.files)
        count += file == kStandardStream ? 1 : 0;
    if (count > 1) {
        *error = "standard input (-) can be read only once";
        return false;
    }
    if (count == 1 && options.command == CliCommand::Optimize && !options.report_only &&
        (options.output == OutputMode::InPlace || options.output == OutputMode::Folder)) {
        *error = "standard input (-) has no file to replace or name to write under; use -o";
        return false;
    }
    return true;
}

}  // namespace

std::string canonical_path(const std::string& path)
{
    std::string whole = real_path(path);
    if (!whole.empty())
        return whole;
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string resolved = real_path(folder);
    return resolved.empty() ? path : (resolved == "/" ? "/" : resolved + "/") + name;
}

OutputPlan plan_outputs(const CliOptions& options)
{
    std::string error;
    if (!check_standard_input(options, &error))
        return refuse(error);
    OutputPlan plan;
    plan.ok = true;
    if (options.command != CliCommand::Optimize || options.report_only)
        return plan;
    std::map<std::string, std::size_t> inputs;  // canonical input -> its index
    for (std::size_t i = 0; i < options.files.size(); ++i)
        if (options.files[i] != kStandardStream)
            inputs.emplace(canonical_path(options.files[i]), i);
    std::map<std::string, std::size_t> written;  // canonical target -> the input writing it
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string& input = options.files[i];
        std::string target = output_path_for(options, input);
        if (options.output == OutputMode::InPlace) {
            const std::string real = real_path(input);  // a link is replaced through its target
            if (!real.empty())
                target = real;
        }
        plan.targets.push_back(target);
        if (target == kStandardStream)
            continue;
        const std::string key = canonical_path(target);
        const auto [at, fresh] = written.emplace(key, i);
        if (!fresh)
            return refuse(options.files[at->second] + " and " + input + " would both be written to " +
                          output_path_for(options, input));
        const auto same = inputs.find(key);
        if (options.output != OutputMode::InPlace && same != inputs.end())
            return refuse("the result of " + input + " would replace " + options.files[same->second] +
                          (same->second == i ? " itself; use --in-place to replace files"
                                             : ", which is also an input; leave one of them out"));
    }
    return plan;
}
