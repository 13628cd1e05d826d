// quillon-cli --extra: one file through the extra compression mode, with the same results
// and output names as the default save.
#pragma once
#include <string>

#include "cli/cli_options.h"
#include "cli/cli_result.h"

[[nodiscard]] FileResult optimize_file_extra(const CliOptions& options, const std::string& path);
