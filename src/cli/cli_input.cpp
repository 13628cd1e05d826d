#include "cli/cli_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/cli_options.h"
#include "gif/gif_reader.h"

namespace {

// Damage is severity 3: the document then holds only what came before it. Trailing codes
// (2), data after the end (4) and the minor warnings (1) lose nothing.
constexpr std::uint8_t kDamageSeverity = 3;
// A GIF file addresses its bytes in 32 bits.
constexpr std::uint64_t kLargestInput = 0xFFFFFFFFu;

// The load in progress: where its warnings go. One load at a time per process.
struct WarningSink {
    CliReporter* reporter = nullptr;
    std::string* damage_text = nullptr;
    bool damaged = false;
};

WarningSink& sink()
{
    static WarningSink current;
    return current;
}

bool collect_warning(std::uint8_t severity, const char* text, bool /*more_follow*/)
{
    WarningSink& to = sink();
    if (severity == kDamageSeverity) {
        if (!to.damaged && to.damage_text)
            *to.damage_text = terminal_text(text);
        to.damaged = true;
        return true;
    }
    if (to.reporter)
        to.reporter->alert(AlertKind::Exclamation, text, "");
    return true;
}

// Standard input copied into an anonymous file, so that the reader can size and map it as
// it does a named file. kNoFile with `problem` set on failure.
int standard_input_file(std::string* problem)
{
    const int fd = ::memfd_create("quillon-cli-stdin", MFD_CLOEXEC);
    if (fd < 0) {
        *problem = std::string("cannot read standard input: ") + std::strerror(errno);
        return -1;
    }
    std::uint64_t total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        total += got > 0 ? static_cast<std::uint64_t>(got) : 0;
        if (got < 0 || total > kLargestInput ||
            ::write(fd, buffer, static_cast<std::size_t>(got)) != static_cast<ssize_t>(got)) {
            *problem = got < 0 ? std::string("cannot read standard input: ") + std::strerror(errno)
                               : std::string("standard input is too large for a GIF file");
            ::close(fd);
            return -1;
        }
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        *problem = "cannot read standard input";
        return -1;
    }
    return fd;
}

// The named file opened for reading, or -1 with what is true about it.
int named_file(const std::string& path, std::string* problem)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        *problem = errno == ENOENT ? "no such file" : std::string("cannot read it: ") + std::strerror(errno);
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        *problem = "is a folder, not a file";
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = "is not a regular file";
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        *problem = std::string("cannot read it: ") + std::strerror(errno);
    return fd;
}

// The whole file behind `fd`, read from its start without moving its position.
bool read_whole(int fd, std::string* bytes)
{
    struct stat info { };
    if (::fstat(fd, &info) != 0 || info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > kLargestInput)
        return false;
    bytes->resize(static_cast<std::size_t>(info.st_size));
    std::size_t at = 0;
    while (at < bytes->size()) {
        const ssize_t got = ::pread(fd, bytes->data() + at, bytes->size() - at, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        at += static_cast<std::size_t>(got);
    }
    bytes->resize(at);
    return true;
}

}  // namespace

void note_problem(const LoadedInput& loaded, FileResult& result)
{
    if (!loaded.problem.empty())
        result.messages.push_back(CliMessage{AlertKind::Stop, input_name(result.path) + ": " + loaded.problem});
}

std::string input_name(const std::string& path) { return path == kStandardStream ? "standard input" : path; }

LoadedInput load_input(const std::string& path, CliReporter& reporter, std::string* damage_text, std::string* bytes)
{
    LoadedInput loaded;
    const bool standard = path == kStandardStream;
    const int fd = standard ? standard_input_file(&loaded.problem) : named_file(path, &loaded.problem);
    if (fd < 0)
        return loaded;
    if (bytes && !read_whole(fd, bytes))
        bytes->clear();
    sink() = WarningSink{&reporter, damage_text, false};
    set_warning_ask(collect_warning);
    loaded.document.reset(load_gif_document(standard ? "standard input" : path.c_str(), fd, Tolerance::Tolerant));
    set_warning_ask(nullptr);
    loaded.damaged = sink().damaged;
    sink() = WarningSink{};
    ::close(fd);
    return loaded;
}
