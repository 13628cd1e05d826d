// The edit options of quillon-cli applied to a loaded document through the engine's edits
// (the same calls as the desktop program's commands).
#pragma once
#include <string>

#include "cli/cli_options.h"
#include "document/document.h"

// False with `problem` set when the edits do not fit the document (a frame range beyond
// its frames); the document is then unchanged.
[[nodiscard]] bool apply_edits(const CliEdits& edits, Document& document, std::string* problem);
