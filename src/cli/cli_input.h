// The inputs of quillon-cli: opening a named file or standard input with a message that says
// what is wrong (no such file, a folder, the system's reason), and loading it through the
// reader with the warnings collected in batch terms (damage is noted, not asked about).
#pragma once
#include <cstdint>
#include <string>

#include "cli/cli_reporter.h"
#include "cli/cli_result.h"
#include "document/document.h"

struct LoadedInput {
    DocumentPtr document;  // null when nothing could be loaded
    bool damaged = false;  // the load met damage: the document holds only what came before it
    std::string problem;   // why the file could not be opened, when it could not
};

// Why the file could not be opened, as an error of the result ("x.gif: no such file").
void note_problem(const LoadedInput& loaded, FileResult& result);

// The file's display name in messages: "standard input" for "-".
std::string input_name(const std::string& path);

// Loads the file (tolerantly) or standard input for "-". Warnings become messages of the
// reporter; the damage warning is kept back in `damage_text` for the caller to word. With
// `bytes`, the file's bytes as stored are kept there too.
LoadedInput load_input(const std::string& path, CliReporter& reporter, std::string* damage_text,
                       std::string* bytes = nullptr);
