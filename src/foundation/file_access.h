// Open files over file references: whole-block reads and writes, CR LF lines, sizes and
// positions, existence, creation and deletion; and FileReplacement, which writes a new
// version of a file beside it and renames it over the old one only when it is complete.
// The preference file and the GIF writer use it; nothing here talks to the user.
#pragma once
#include <cstdint>
#include <memory>

#include "foundation/file_ref.h"

// exclusive: read and write, nobody else; read: read, others may read; update: read and
// write, others may read and write. (POSIX does not enforce the sharing part.)
enum class FileMode { Exclusive, Read, Update };

struct OpenFile {
    FileRef* ref;  // owned copy
    int handle;
};

// True for a folder reference; otherwise true when the path is an existing regular file.
bool FileExists(const FileRef* ref);
// False when the file exists (it is left untouched); otherwise creates it empty.
bool FileCreate(const FileRef* ref);
// Deletes the file when it exists; true when it is gone afterwards.
bool FileDelete(const FileRef* ref);
// Opens an existing file; none when it is missing or cannot be opened.
OpenFile* FileOpen(const FileRef* ref, FileMode mode);
void FileClose(OpenFile* file);
// Reading past the end succeeds with 0 bytes.
[[nodiscard]] bool FileRead(OpenFile* file, std::uint32_t count, std::uint32_t* bytes_read, void* buffer);
// Reads up to buffer_size bytes and returns the text before the first CR LF among them
// (the position moves behind the CR LF), or the whole chunk when there is none. False at
// the end: when fewer than 2 bytes remain.
[[nodiscard]] bool FileReadLine(OpenFile* file, std::uint32_t buffer_size, std::uint32_t* length, char* buffer);
[[nodiscard]] bool FileWrite(OpenFile* file, std::uint32_t count, const void* buffer);
// Writes the bytes, then CR LF.
[[nodiscard]] bool FileWriteLine(OpenFile* file, std::uint32_t count, const void* buffer);
// False when the size cannot be read or does not fit 32 bits.
[[nodiscard]] bool FileSize(OpenFile* file, std::uint32_t* size);
[[nodiscard]] bool FileGetPos(OpenFile* file, std::uint32_t* position);
[[nodiscard]] bool FileSetPos(OpenFile* file, std::uint32_t position);

struct OpenFileDeleter {
    void operator()(OpenFile* file) const { FileClose(file); }
};
using OpenFilePtr = std::unique_ptr<OpenFile, OpenFileDeleter>;

// A new version of target, written to a temporary file in the same folder. commit()
// forces it to the disk and renames it over the target in one step; without a successful
// commit (any failure, or destruction before it) the temporary is removed and the target
// is left exactly as it was.
class FileReplacement {
public:
    explicit FileReplacement(const FileRef* target);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False when the temporary file could not be created.
    bool is_open() const { return m_file != nullptr; }
    // The temporary file to write to (null when not open).
    OpenFile* file() { return m_file; }
    // Records a failed write so that commit() refuses; returns ok for chaining.
    bool note(bool ok);
    [[nodiscard]] bool write(const void* data, std::uint32_t count);
    [[nodiscard]] bool commit();

private:
    void discard();

    FileRef* m_target = nullptr;
    OpenFile* m_file = nullptr;
    char* m_temporary_path = nullptr;
    bool m_failed = false;
};

// Replaces target's contents with data through a FileReplacement.
[[nodiscard]] bool FileReplaceContents(const FileRef* target, const void* data, std::uint32_t count);
