// Open and Save dialogs that speak in file references and registered file types: the
// framework builds the filter list and the default extension from the type registry, runs
// the platform's common dialog (following a change of the chosen type), and turns the
// chosen path back into a reference. Tests script the answer instead of showing a dialog.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FileRef;

struct FileFilterEntry {
    std::string description;
    std::string pattern;  // "*" + the type's pattern suffix, e.g. "*.gif"
};

// Entries for the registered types among `type_ids`, in order; unknown ids are skipped.
std::vector<FileFilterEntry> FileDialogFilterEntries(const std::uint16_t* type_ids, std::size_t count);
// description NUL pattern NUL for each entry, then one more NUL.
std::string FileDialogFilterText(const std::vector<FileFilterEntry>& entries);
// The pattern suffix without its period, or empty when it holds a wildcard.
std::string FileDialogDefaultExtension(const char* pattern_suffix);

// `chosen_type` is in/out: the index into `type_ids` of the type shown first, then chosen.
FileRef* AskOpenFile(const FileRef* start, const std::uint16_t* type_ids, std::size_t count,
                     std::uint16_t* chosen_type);
FileRef* AskSaveFile(const FileRef* start, std::uint16_t type_id);
void SetLastFileName(const char* name);
const char* LastFileName();

// A scripted answer in place of the dialog, for tests: the request is recorded and the
// given path (or a cancel when null) is answered with the given filter chosen. As the real
// dialog does, a name without extension receives the chosen filter's default extension.
struct FileDialogRecord {
    bool save = false;
    std::vector<FileFilterEntry> filters;
    int filter_index = 0;  // zero-based
    std::string directory;
    std::string file_name;
    std::string default_extension;
};
struct FileDialogScript {
    bool active = false;
    const char* answer_path = nullptr;  // null: cancelled
    int answer_filter = 0;              // zero-based filter chosen by the "user"
    FileDialogRecord last_request;      // filled by the dialog
};
// Null returns to the real dialog.
void FileDialogSetScript(FileDialogScript* script);
