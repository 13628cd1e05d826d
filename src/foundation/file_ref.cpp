#include "foundation/file_ref.h"

#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "platform/core/files.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// A registry entry owning its texts; the view is handed out.
struct RegisteredType {
    StrPtr extension;
    StrPtr pattern_suffix;
    StrPtr description;
    FileTypeEntry view;
};

struct FileRefState {
    std::vector<RegisteredType> registry;
    bool new_shell = true;
};

FileRefState& state()
{
    static FileRefState s;
    return s;
}

// When current folder cannot be read, references are made relative to the root.
constexpr const char* kFallbackFolder = "/";

bool same_ignoring_ascii_case(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (CharToLower(static_cast<std::uint8_t>(*a)) != CharToLower(static_cast<std::uint8_t>(*b)))
            return false;
    }
    return *a == *b;
}

bool is_folder(const FileRef* ref) { return ref->type.id == kFileTypeFolder; }

// The name with its extension; cut to 8 characters for access when NewShell is off.
char* path_of(const FileRef* ref, bool for_access)
{
    bool cut = for_access && !state().new_shell;
    if (ref->type.extension[0] == '\0')
        return FormatNew(cut ? "%s%%s 0,8%" : "%s%%s%", ref->directory, ref->name);
    return FormatNew(cut ? "%s%%s 0,8%.%s%" : "%s%%s%.%s%", ref->directory, ref->name, ref->type.extension);
}

FileRef* new_ref_taking(char* directory, char* name, std::uint16_t type_id, char* extension)
{
    auto* ref = static_cast<FileRef*>(MemAlloc(sizeof(FileRef)));
    ref->directory = directory;
    ref->name = name;
    ref->type.id = type_id;
    ref->type.extension = extension;
    return ref;
}

}  // namespace

void RegisterFileType(std::uint16_t id, const char* extension, const char* pattern_suffix, const char* description)
{
    RegisteredType entry;
    entry.extension.reset(StrDup(extension ? extension : ""));
    entry.pattern_suffix.reset(StrDup(pattern_suffix ? pattern_suffix : ""));
    entry.description.reset(StrDup(description ? description : ""));
    entry.view = {id, entry.extension.get(), entry.pattern_suffix.get(), entry.description.get()};
    state().registry.push_back(std::move(entry));
}

const FileTypeEntry* FileTypeEntryById(std::uint16_t id)
{
    for (const RegisteredType& entry : state().registry) {
        if (entry.view.id == id)
            return &entry.view;
    }
    return nullptr;
}

bool FileTypeById(std::uint16_t id, FileType* type)
{
    const FileTypeEntry* entry = FileTypeEntryById(id);
    if (!entry)
        return false;
    type->id = id;
    type->extension = StrDup(entry->extension);
    return true;
}

void FileTypeClear(FileType* type)
{
    StrFree(type->extension);
    type->extension = nullptr;
}

std::uint16_t FileTypeIdForExtension(const char* extension)
{
    if (!extension || !extension[0])
        return kFileTypeNoExtension;
    // File systems here are case-sensitive, but "ANIM.GIF" is still a GIF to its user.
    for (const RegisteredType& entry : state().registry) {
        if (entry.view.extension[0] && same_ignoring_ascii_case(entry.view.extension, extension))
            return entry.view.id;
    }
    return kFileTypeUnknown;
}

void FileTypeRegistryClear() { state().registry.clear(); }

FileRef* FileRefNew(const char* directory, const char* name, std::uint16_t type_id, const char* extension)
{
    return new_ref_taking(StrDup(directory ? directory : ""), StrDup(name ? name : ""), type_id,
                          StrDup(extension ? extension : ""));
}

FileRef* FileRefFromPath(const char* path)
{
    if (!path)
        return nullptr;
    const char* slash = StrFindLastChar(path, '/');
    if (!slash)
        return nullptr;
    const char* name = slash + 1;
    const char* period = StrFindLastChar(name, '.');
    char* directory = StrDupN(path, static_cast<std::size_t>(name - path));
    if (!period)
        return new_ref_taking(directory, StrDup(name), kFileTypeNoExtension, StrDup(""));
    // The reference keeps the extension as written, so that the path it builds is the
    // path it came from; the registry only decides the type id.
    return new_ref_taking(directory, StrDupN(name, static_cast<std::size_t>(period - name)),
                          FileTypeIdForExtension(period + 1), StrDup(period + 1));
}

FileRef* FileRefCopy(const FileRef* ref)
{
    if (!ref)
        return nullptr;
    return FileRefNew(ref->directory, ref->name, ref->type.id, ref->type.extension);
}

void FileRefFree(FileRef* ref)
{
    if (!ref)
        return;
    StrFree(ref->directory);
    StrFree(ref->name);
    StrFree(ref->type.extension);
    MemFree(ref);
}

char* FileRefPath(const FileRef* ref, char* destination)
{
    char* path = path_of(ref, true);
    if (!destination) {
        TempKeep(path);
        return path;
    }
    std::memcpy(destination, path, StrLen(path) + 1);
    StrFree(path);
    return destination;
}

char* FileRefPathNew(const FileRef* ref) { return path_of(ref, true); }

char* FileRefDisplayPath(const FileRef* ref) { return path_of(ref, false); }

char* FileRefDisplayName(const FileRef* ref)
{
    if (ref->type.extension[0] == '\0')
        return StrDup(ref->name);
    return FormatNew("%s%.%s%", ref->name, ref->type.extension);
}

bool FileRefSame(const FileRef* a, const FileRef* b)
{
    return StrEqual(a->directory, b->directory) && StrEqual(a->name, b->name) && a->type.id == b->type.id &&
        StrEqual(a->type.extension, b->type.extension);
}

FileRef* FolderOf(const FileRef* ref)
{
    std::string directory = ref->directory;
    if (directory.empty())
        return nullptr;  // the root folder has no folder above it
    if (directory == "/")
        return FileRefNew("", "/", kFileTypeFolder, "");
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    std::string::size_type slash = directory.find_last_of('/');
    std::string parent = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? directory : directory.substr(slash + 1);
    return FileRefNew(parent.c_str(), name.c_str(), kFileTypeFolder, "");
}

FileRef* FileInFolder(const FileRef* folder, const char* name, std::uint16_t type_id)
{
    std::string directory = folder->directory;
    if (is_folder(folder)) {
        directory += folder->name;
        if (directory.empty() || directory.back() != '/')
            directory += '/';
    }
    const FileTypeEntry* entry = FileTypeEntryById(type_id);
    return FileRefNew(directory.c_str(), name, type_id, entry ? entry->extension : "");
}

FileRef* CurrentFolderRef()
{
    std::string folder = platform::current_folder();
    const char* shown = folder.empty() ? kFallbackFolder : folder.c_str();
    bool has_slash = shown[StrLen(shown) - 1] == '/';
    StrPtr directory(FormatNew(has_slash ? "%s%" : "%s%/", shown));
    std::string program = platform::program_name();
    std::string::size_type end = program.find_first_of(". ");
    StrPtr name(StrDupN(program.c_str(), end == std::string::npos ? program.size() : end));
    return FileRefNew(directory.get(), name.get(), kFileTypeProgram, "");
}

FileRef* PrefsFolderRef()
{
    std::string folder = platform::config_folder();
    if (folder.empty())
        return nullptr;
    FileRefPtr placeholder(FileRefNew((folder + "/").c_str(), "PREFS", kFileTypeNoExtension, ""));
    return FolderOf(placeholder.get());
}

void FileSetNewShell(bool new_shell) { state().new_shell = new_shell; }

bool FileNewShell() { return state().new_shell; }
