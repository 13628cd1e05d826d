// Kernel file services on POSIX: descriptors with whole-block reads and writes, positions,
// sizes, deletion and renaming, and the standard folders (current folder, the user's
// configuration folder, the program's own folder). foundation/file_access builds the file
// references and handles of the rest of the program on top of these; nothing else calls them.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

constexpr int kNoFile = -1;

enum class FileAccess { Read, ReadWrite };

// Opens an existing file; kNoFile when it is missing, not a regular file or not accessible.
[[nodiscard]] int file_open(const char* path, FileAccess access);
// Creates a new file for reading and writing; kNoFile when the name exists already.
[[nodiscard]] int file_create_new(const char* path);
bool file_close(int file);
// Reads up to count bytes (fewer only at the end of the file); false on a read error.
[[nodiscard]] bool file_read(int file, void* buffer, std::uint32_t count, std::uint32_t* bytes_read);
// Writes all count bytes or fails.
[[nodiscard]] bool file_write(int file, const void* buffer, std::uint32_t count);
[[nodiscard]] bool file_seek(int file, std::uint64_t position);
[[nodiscard]] bool file_position(int file, std::uint64_t* position);
[[nodiscard]] bool file_size(int file, std::uint64_t* size);
// Forces the file's data to the disk.
[[nodiscard]] bool file_sync(int file);

// Creates a new, uniquely named file in the folder of target_path (".name.XXXXXX") for a
// replacement of the target: its permissions are the target's when it exists, else the
// usual ones for a new file. kNoFile on failure.
[[nodiscard]] int file_create_temporary(const char* target_path, std::string* temporary_path);
// Forces the folder entry changes (a rename) of the folder holding path to the disk.
bool sync_folder_of(const char* path);

bool path_is_file(const char* path);    // an existing regular file
bool path_is_folder(const char* path);  // an existing directory
bool path_delete(const char* path);
// Renames from over to in one step (the target, when it exists, is replaced atomically).
[[nodiscard]] bool path_rename(const char* from, const char* to);
// Makes the folder and any missing parents; true when it exists afterwards.
bool make_folders(const std::string& path);

// Absolute folder paths without trailing '/' (except the root "/"); empty on failure.
std::string current_folder();
// $XDG_CONFIG_HOME/quillon, else ~/.config/quillon; created when missing.
std::string config_folder();
// The folder of the running executable, and the executable's file name.
std::string program_folder();
std::string program_name();

}  // namespace platform
