// Where the results of a quillon-cli run go, decided and checked before any work: two inputs
// never write one file, a result never silently replaces another input, --in-place follows a
// symbolic link to the file it names, and standard input and output are used once.
#pragma once
#include <string>
#include <vector>

#include "cli/cli_options.h"

struct OutputPlan {
    bool ok = false;
    std::string error;                 // a usage error (one line) when not ok
    std::vector<std::string> targets;  // per input: the file to write, or "-" for standard output
};

OutputPlan plan_outputs(const CliOptions& options);

// The path with its folder (and the file itself, when it exists) resolved to the real one.
std::string canonical_path(const std::string& path);
