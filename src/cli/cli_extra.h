// quillon-cli --extra: one file through the extra compression mode, with the same results
// and output names as the default save.
#pragma once
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_reporter.h"
#include "cli/cli_result.h"

// How a finished file in the output buffer reaches its target (a file or standard output).
using WriteTarget = bool (*)(const std::string& target, CliReporter& reporter);

// `path` may be "-" (standard input); the result goes to the planned `target` through `write`.
[[nodiscard]] FileResult optimize_file_extra(const CliOptions& options, const std::string& path,
                                             const std::string& target, CliReporter& reporter, WriteTarget write);
