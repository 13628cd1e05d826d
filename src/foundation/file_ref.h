// File references: a file is named by {directory, base name, file type}, and its path is
// built only at the moment of access. Also the registry of file types the application
// fills at start-up, and the standard folders (current folder, the configuration folder
// where preference files live). Open files and their reads and writes: foundation/file_access.
#pragma once
#include <cstdint>
#include <memory>

// Type ids the framework itself uses.
constexpr std::uint16_t kFileTypeNoExtension = 0;
constexpr std::uint16_t kFileTypeProgram = 9;
constexpr std::uint16_t kFileTypeFolder = 10;
constexpr std::uint16_t kFileTypeUnknown = 12;

// A file type: two are equal when both the id and the extension text are equal.
struct FileType {
    std::uint16_t id = 0;
    char* extension = nullptr;  // owned heap string without the period, never null
};

struct FileTypeEntry {
    std::uint16_t id;
    const char* extension;       // without the period
    const char* pattern_suffix;  // a period and the extension, for dialog filters
    const char* description;     // shown in dialog filters
};

// A directory always ends with '/'. A reference of the folder type names a folder: its
// directory is the parent and its base name the folder's own name. All parts are owned.
struct FileRef {
    char* directory;
    char* name;
    FileType type;
};

// ---- The registry.
void RegisterFileType(std::uint16_t id, const char* extension, const char* pattern_suffix, const char* description);
// The registered entry for an id, or null. Valid until the registry is cleared.
const FileTypeEntry* FileTypeEntryById(std::uint16_t id);
// A copy of the registered type with that id into *type (release with FileTypeClear).
bool FileTypeById(std::uint16_t id, FileType* type);
void FileTypeClear(FileType* type);
// The id registered for an extension (ASCII case ignored), kFileTypeUnknown when none;
// an empty extension is kFileTypeNoExtension.
std::uint16_t FileTypeIdForExtension(const char* extension);
// Tests only: forgets every registered type.
void FileTypeRegistryClear();

// ---- References.
FileRef* FileRefNew(const char* directory, const char* name, std::uint16_t type_id, const char* extension);
// Splits a full path at its last '/' and the last '.' after it; none when the path has no
// '/'. A name without a period gets the type without extension.
FileRef* FileRefFromPath(const char* path);
FileRef* FileRefCopy(const FileRef* ref);
void FileRefFree(FileRef* ref);
// The access path into destination (which must hold it), or as a temporary text when
// destination is null. With NewShell off the base name is cut to 8 characters.
char* FileRefPath(const FileRef* ref, char* destination);
// The access path as a text owned by the caller.
char* FileRefPathNew(const FileRef* ref);
// The whole path as shown to the user (never cut), owned by the caller.
char* FileRefDisplayPath(const FileRef* ref);
// The base name with its extension, as shown in captions, owned by the caller.
char* FileRefDisplayName(const FileRef* ref);
bool FileRefSame(const FileRef* a, const FileRef* b);
// The folder that holds the reference's file, as a folder reference; none at the root.
FileRef* FolderOf(const FileRef* ref);
// A file inside a folder reference (or beside the file a non-folder reference names).
FileRef* FileInFolder(const FileRef* folder, const char* name, std::uint16_t type_id);
// The current folder, with the program's name as base name and the program type.
FileRef* CurrentFolderRef();
// The user's configuration folder as a folder reference (created when missing), or none.
FileRef* PrefsFolderRef();

// Names are never cut on this platform; the flag keeps the old 8-character rule testable.
void FileSetNewShell(bool new_shell);
bool FileNewShell();

struct FileRefDeleter {
    void operator()(FileRef* ref) const { FileRefFree(ref); }
};
using FileRefPtr = std::unique_ptr<FileRef, FileRefDeleter>;
