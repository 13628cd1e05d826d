#include "platform/core/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool is_regular_descriptor(int file)
{
    struct stat info { };
    return fstat(file, &info) == 0 && S_ISREG(info.st_mode);
}

std::string without_trailing_slash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string executable_path()
{
    char buffer[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string home_folder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    struct passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return entry->pw_dir;
    return {};
}

}  // namespace

int file_open(const char* path, FileAccess access)
{
    int flags = (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    int file;
    do
        file = open(path, flags);
    while (file < 0 && errno == EINTR);
    if (file < 0)
        return kNoFile;
    if (!is_regular_descriptor(file)) {
        close(file);
        return kNoFile;
    }
    return file;
}

int file_create_new(const char* path)
{
    int file;
    do
        file = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (file < 0 && errno == EINTR);
    return file < 0 ? kNoFile : file;
}

bool file_close(int file) { return file >= 0 && close(file) == 0; }

bool file_read(int file, void* buffer, std::uint32_t count, std::uint32_t* bytes_read)
{
    auto* out = static_cast<char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        ssize_t got = read(file, out + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *bytes_read = done;
            return false;
        }
        if (got == 0)
            break;
        done += static_cast<std::uint32_t>(got);
    }
    *bytes_read = done;
    return true;
}

bool file_write(int file, const void* buffer, std::uint32_t count)
{
    const auto* in = static_cast<const char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        ssize_t put = write(file, in + done, count - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::uint32_t>(put);
    }
    return true;
}

bool file_seek(int file, std::uint64_t position)
{
    if (position > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return lseek(file, static_cast<off_t>(position), SEEK_SET) >= 0;
}

bool file_position(int file, std::uint64_t* position)
{
    off_t at = lseek(file, 0, SEEK_CUR);
    if (at < 0)
        return false;
    *position = static_cast<std::uint64_t>(at);
    return true;
}

bool file_size(int file, std::uint64_t* size)
{
    struct stat info { };
    if (fstat(file, &info) != 0)
        return false;
    *size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool file_sync(int file) { return fsync(file) == 0; }

int file_create_temporary(const char* target_path, std::string* temporary_path)
{
    std::string target = target_path;
    std::string::size_type slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    int file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file < 0)
        return kNoFile;
    struct stat info { };
    mode_t mode;
    if (stat(target_path, &info) == 0) {
        mode = info.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    // When this fails the file keeps mkostemp's private permissions, which still work.
    fchmod(file, mode);
    *temporary_path = pattern;
    return file;
}

bool sync_folder_of(const char* path)
{
    std::string text = path;
    std::string::size_type slash = text.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : text.substr(0, slash));
    int file = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (file < 0)
        return false;
    bool synced = fsync(file) == 0;
    close(file);
    return synced;
}

bool path_is_file(const char* path)
{
    struct stat info { };
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool path_is_folder(const char* path)
{
    struct stat info { };
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool path_delete(const char* path) { return unlink(path) == 0; }

bool path_rename(const char* from, const char* to) { return rename(from, to) == 0; }

bool make_folders(const std::string& path)
{
    if (path.empty())
        return false;
    if (path_is_folder(path.c_str()))
        return true;
    std::string::size_type slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !make_folders(path.substr(0, slash)))
        return false;
    if (mkdir(path.c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && path_is_folder(path.c_str());
}

std::string current_folder()
{
    char buffer[PATH_MAX + 1];
    if (!getcwd(buffer, sizeof buffer))
        return {};
    return without_trailing_slash(buffer);
}

std::string config_folder()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid for this variable and are ignored, as users expect.
    if (xdg && xdg[0] == '/') {
        base = without_trailing_slash(xdg);
    } else {
        std::string home = home_folder();
        if (home.empty())
            return {};
        base = without_trailing_slash(home) + "/.config";
    }
    std::string folder = (base == "/" ? "" : base) + "/quillon";
    return make_folders(folder) ? folder : std::string();
}

std::string program_folder()
{
    std::string path = executable_path();
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string program_name()
{
    std::string path = executable_path();
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform
