// The driver of quillon-cli: sets up the engine (formatter, texts, settings from the
// preference file with the command line's overrides), optimizes each file with the same
// engine as the desktop program, in worker processes when asked, and prints the results in
// the order of the files. main() only calls run_cli.
#pragma once
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_result.h"

// Exit statuses.
constexpr int kExitFine = 0;
constexpr int kExitFileProblem = 1;  // some file failed or was skipped
constexpr int kExitUsage = 2;

int run_cli(const std::vector<std::string>& arguments);

// Engine start-up shared by the program and its tests; safe to call more than once.
void start_engine();
// Applies the per-run overrides of the command line to the settings record.
void apply_setting_overrides(const CliOptions& options);

// One file, in this process, written to `target` ("-": standard output; empty for
// --report), reporting through `reporter`.
FileResult optimize_file(const CliOptions& options, const std::string& path, const std::string& target,
                         CliReporter& reporter);
// The `info` description of one file: a listing for people, or with `json` the result's
// details; with the load's messages.
FileResult describe_file(const std::string& path, bool json, CliReporter& reporter, std::string& listing);
