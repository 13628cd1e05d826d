#include "foundation/file_access.h"

#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "platform/core/files.h"

#include <string>

namespace {

OpenFile* new_open_file(const FileRef* ref, int handle)
{
    auto* file = static_cast<OpenFile*>(MemAlloc(sizeof(OpenFile)));
    file->ref = FileRefCopy(ref);
    file->handle = handle;
    return file;
}

bool is_folder(const FileRef* ref) { return ref->type.id == kFileTypeFolder; }

}  // namespace

bool FileExists(const FileRef* ref)
{
    if (is_folder(ref))
        return true;
    StrPtr path(FileRefPathNew(ref));
    return platform::path_is_file(path.get());
}

bool FileCreate(const FileRef* ref)
{
    StrPtr path(FileRefPathNew(ref));
    int handle = platform::file_create_new(path.get());
    if (handle == platform::kNoFile)
        return false;
    return platform::file_close(handle);
}

bool FileDelete(const FileRef* ref)
{
    StrPtr path(FileRefPathNew(ref));
    if (platform::path_is_file(path.get()))
        platform::path_delete(path.get());
    return !platform::path_is_file(path.get());
}

OpenFile* FileOpen(const FileRef* ref, FileMode mode)
{
    StrPtr path(FileRefPathNew(ref));
    auto access = mode == FileMode::Read ? platform::FileAccess::Read : platform::FileAccess::ReadWrite;
    int handle = platform::file_open(path.get(), access);
    if (handle == platform::kNoFile)
        return nullptr;
    return new_open_file(ref, handle);
}

void FileClose(OpenFile* file)
{
    if (!file)
        return;
    platform::file_close(file->handle);
    FileRefFree(file->ref);
    MemFree(file);
}

bool FileRead(OpenFile* file, std::uint32_t count, std::uint32_t* bytes_read, void* buffer)
{
    return platform::file_read(file->handle, buffer, count, bytes_read);
}

bool FileReadLine(OpenFile* file, std::uint32_t buffer_size, std::uint32_t* length, char* buffer)
{
    std::uint32_t start = 0;
    if (!FileGetPos(file, &start))
        return false;
    std::uint32_t got = 0;
    if (!FileRead(file, buffer_size, &got, buffer) || got < 2)
        return false;
    for (std::uint32_t i = 0; i + 1 < got; ++i) {
        if (buffer[i] == '\r' && buffer[i + 1] == '\n') {
            *length = i;
            return FileSetPos(file, start + i + 2);
        }
    }
    // No line end in the chunk: the whole chunk is the line, and reading goes on after it.
    *length = got;
    return true;
}

bool FileWrite(OpenFile* file, std::uint32_t count, const void* buffer)
{
    return platform::file_write(file->handle, buffer, count);
}

bool FileWriteLine(OpenFile* file, std::uint32_t count, const void* buffer)
{
    return FileWrite(file, count, buffer) && FileWrite(file, 2, "\r\n");
}

bool FileSize(OpenFile* file, std::uint32_t* size)
{
    std::uint64_t full = 0;
    if (!platform::file_size(file->handle, &full) || full > UINT32_MAX)
        return false;
    *size = static_cast<std::uint32_t>(full);
    return true;
}

bool FileGetPos(OpenFile* file, std::uint32_t* position)
{
    std::uint64_t full = 0;
    if (!platform::file_position(file->handle, &full) || full > UINT32_MAX)
        return false;
    *position = static_cast<std::uint32_t>(full);
    return true;
}

bool FileSetPos(OpenFile* file, std::uint32_t position) { return platform::file_seek(file->handle, position); }

FileReplacement::FileReplacement(const FileRef* target) : m_target(FileRefCopy(target))
{
    StrPtr path(FileRefPathNew(target));
    std::string temporary;
    int handle = platform::file_create_temporary(path.get(), &temporary);
    if (handle == platform::kNoFile)
        return;
    m_temporary_path = StrDup(temporary.c_str());
    FileRefPtr temporary_ref(FileRefFromPath(m_temporary_path));
    m_file = new_open_file(temporary_ref ? temporary_ref.get() : target, handle);
}

FileReplacement::~FileReplacement()
{
    discard();
    FileRefFree(m_target);
}

bool FileReplacement::note(bool ok)
{
    if (!ok)
        m_failed = true;
    return ok;
}

bool FileReplacement::write(const void* data, std::uint32_t count)
{
    if (!m_file || m_failed)
        return false;
    return note(FileWrite(m_file, count, data));
}

bool FileReplacement::commit()
{
    if (!m_file || m_failed) {
        discard();
        return false;
    }
    bool synced = platform::file_sync(m_file->handle);
    bool closed = platform::file_close(m_file->handle);
    m_file->handle = platform::kNoFile;
    StrPtr target(FileRefPathNew(m_target));
    if (!synced || !closed || !platform::path_rename(m_temporary_path, target.get())) {
        discard();
        return false;
    }
    platform::sync_folder_of(target.get());
    FileRefFree(m_file->ref);
    MemFree(m_file);
    m_file = nullptr;
    StrFree(m_temporary_path);
    m_temporary_path = nullptr;
    return true;
}

void FileReplacement::discard()
{
    if (m_file) {
        if (m_file->handle != platform::kNoFile)
            platform::file_close(m_file->handle);
        FileRefFree(m_file->ref);
        MemFree(m_file);
        m_file = nullptr;
    }
    if (m_temporary_path) {
        platform::path_delete(m_temporary_path);
        StrFree(m_temporary_path);
        m_temporary_path = nullptr;
    }
}

bool FileReplaceContents(const FileRef* target, const void* data, std::uint32_t count)
{
    FileReplacement replacement(target);
    return replacement.is_open() && replacement.write(data, count) && replacement.commit();
}
