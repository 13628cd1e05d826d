#include "framework/file_dialog.h"

#include "foundation/file_ref.h"
#include "foundation/heap_string.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"

namespace {

// The file dialogs' memory: the name chosen last, and the scripted answers of tests.
struct DialogState {
    std::string last_name;
    FileDialogScript* script = nullptr;
};

DialogState& dialog_state()
{
    static DialogState state;
    return state;
}

bool has_wildcard(const char* text)
{
    for (const char* p = text; *p != '\0'; ++p)
        if (*p == '*' || *p == '?')
            return true;
    return false;
}

// The directory and file name a dialog starts with.
void starting_place(const FileRef* start, FileDialogRecord* record)
{
    if (start == nullptr) {
        record->file_name = dialog_state().last_name;
        return;
    }
    if (start->type.id == kFileTypeFolder) {
        record->directory = std::string(start->directory) + start->name;
        record->file_name = dialog_state().last_name;
        return;
    }
    record->directory = start->directory;
    record->file_name = start->name;
    if (start->type.extension != nullptr && start->type.extension[0] != '\0')
        record->file_name += std::string(".") + start->type.extension;
}

// The name part of a path: after its last '/'.
std::size_t name_start(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// Emulates the dialog's default extension for a scripted answer.
std::string scripted_path(const FileDialogScript& script, const FileDialogRecord& record)
{
    std::string path = script.answer_path;
    const std::size_t start = name_start(path);
    const bool has_extension = path.find('.', start) != std::string::npos;
    if (!has_extension && !record.default_extension.empty() && script.answer_filter >= 0 &&
        script.answer_filter < static_cast<int>(record.filters.size())) {
        const std::string pattern = record.filters[static_cast<std::size_t>(script.answer_filter)].pattern;
        const std::string extension = FileDialogDefaultExtension(pattern.c_str() + 1);
        if (!extension.empty())
            path += "." + extension;
    }
    return path;
}

// Runs the dialog (or the script); the chosen path, empty when cancelled. record's
// filter_index comes back as the chosen filter.
std::string run_dialog(FileDialogRecord& record)
{
    if (dialog_state().script != nullptr) {
        dialog_state().script->last_request = record;
        if (dialog_state().script->answer_path == nullptr)
            return std::string();
        record.filter_index = dialog_state().script->answer_filter;
        return scripted_path(*dialog_state().script, record);
    }
    std::vector<platform::FileFilter> filters;
    for (const FileFilterEntry& entry : record.filters)
        filters.push_back(platform::FileFilter{entry.description.c_str(), entry.pattern.c_str()});
    platform::FileDialogRequest request;
    request.owner = platform::MainWindow();
    request.filters = filters.data();
    request.filter_count = static_cast<int>(filters.size());
    request.filter_index = record.filter_index;
    request.initial_folder = record.directory.c_str();
    request.initial_name = record.file_name.c_str();
    request.default_suffix = record.default_extension.c_str();
    // The framework's own windows take no input while the system dialog is up.
    ModalEnter(nullptr);
    std::string path = record.save ? platform::AskSavePath(request) : platform::AskOpenPath(request);
    ModalLeave();
    record.filter_index = request.filter_index;
    return path;
}

}  // namespace

std::vector<FileFilterEntry> FileDialogFilterEntries(const std::uint16_t* type_ids, std::size_t count)
{
    std::vector<FileFilterEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const FileTypeEntry* type = FileTypeEntryById(type_ids[i]);
        if (type == nullptr)
            continue;
        entries.push_back(FileFilterEntry{type->description, std::string("*") + type->pattern_suffix});
    }
    return entries;
}

std::string FileDialogFilterText(const std::vector<FileFilterEntry>& entries)
{
    std::string text;
    for (const FileFilterEntry& entry : entries) {
        text += entry.description;
        text += '\0';
        text += entry.pattern;
        text += '\0';
    }
    text += '\0';
    return text;
}

std::string FileDialogDefaultExtension(const char* pattern_suffix)
{
    if (pattern_suffix == nullptr || has_wildcard(pattern_suffix))
        return std::string();
    const char* text = pattern_suffix[0] == '.' ? pattern_suffix + 1 : pattern_suffix;
    return text;
}

FileRef* AskOpenFile(const FileRef* start, const std::uint16_t* type_ids, std::size_t count, std::uint16_t* chosen_type)
{
    // The filters keep the positions of the registered types in the caller's list.
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < count; ++i)
        if (FileTypeEntryById(type_ids[i]) != nullptr)
            positions.push_back(i);
    if (positions.empty())
        return nullptr;
    FileDialogRecord record;
    record.filters = FileDialogFilterEntries(type_ids, count);
    const std::size_t wanted = chosen_type != nullptr ? *chosen_type : 0;
    for (std::size_t f = 0; f < positions.size(); ++f)
        if (positions[f] == wanted)
            record.filter_index = static_cast<int>(f);
    const FileTypeEntry* shown = FileTypeEntryById(type_ids[positions[static_cast<std::size_t>(record.filter_index)]]);
    record.default_extension = FileDialogDefaultExtension(shown->pattern_suffix);
    starting_place(start, &record);
    const std::string path = run_dialog(record);
    if (path.empty())
        return nullptr;
    if (chosen_type != nullptr && record.filter_index >= 0 && record.filter_index < static_cast<int>(positions.size()))
        *chosen_type = static_cast<std::uint16_t>(positions[static_cast<std::size_t>(record.filter_index)]);
    return FileRefFromPath(path.c_str());
}

FileRef* AskSaveFile(const FileRef* start, std::uint16_t type_id)
{
    const FileTypeEntry* type = FileTypeEntryById(type_id);
    FileDialogRecord record;
    record.save = true;
    if (type != nullptr) {
        record.filters = FileDialogFilterEntries(&type_id, 1);
        record.default_extension = FileDialogDefaultExtension(type->pattern_suffix);
    }
    starting_place(start, &record);
    const std::string path = run_dialog(record);
    if (path.empty())
        return nullptr;
    // The chosen directory and base name (the name up to its last period) with the given type.
    const std::size_t start_of_name = name_start(path);
    const std::string directory = path.substr(0, start_of_name);
    std::string name = path.substr(start_of_name);
    const std::size_t period = name.rfind('.');
    if (period != std::string::npos && period > 0)
        name.erase(period);
    const char* extension = type != nullptr ? type->extension : "";
    return FileRefNew(directory.empty() ? "./" : directory.c_str(), name.c_str(), type_id, extension);
}

void SetLastFileName(const char* name) { dialog_state().last_name = name != nullptr ? name : ""; }

const char* LastFileName() { return dialog_state().last_name.c_str(); }

void FileDialogSetScript(FileDialogScript* script) { dialog_state().script = script; }
