#include "gif/save_files.h"

#include <unistd.h>

#include "platform/core/files.h"

namespace {

// A temporary name in the target's folder, unique to this process.
std::string temporary_path_for(const char* path, int attempt)
{
    const std::string target(path);
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + ".quillon-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
}

}  // namespace

int SaveFileOperations::create_beside(const char* target, std::string* temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = temporary_path_for(target, attempt);
        const int fd = platform::file_create_new(temporary->c_str());
        if (fd != platform::kNoFile)
            return fd;
        if (!platform::path_is_file(temporary->c_str()))
            return platform::kNoFile;  // not a name clash: the folder refuses new files
    }
    return platform::kNoFile;
}

bool SaveFileOperations::write(int file, const void* data, std::uint32_t length)
{
    return platform::file_write(file, data, length);
}

bool SaveFileOperations::sync(int file) { return platform::file_sync(file); }

bool SaveFileOperations::close(int file) { return platform::file_close(file); }

bool SaveFileOperations::replace(const char* from, const char* target) { return platform::path_rename(from, target); }

void SaveFileOperations::remove(const char* path) { platform::path_delete(path); }
