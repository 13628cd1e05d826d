#include "cli/cli_extra.h"

#include <unistd.h>

#include <vector>

#include "codec/output_buffer.h"
#include "extra/extra_mode.h"
#include "foundation/file_access.h"
#include "foundation/file_ref.h"

#include <cerrno>

namespace {

struct FileRefOwner {
    void operator()(FileRef* ref) const { FileRefFree(ref); }
};
using FileRefPtr = std::unique_ptr<FileRef, FileRefOwner>;

bool read_standard_input(std::vector<std::uint8_t>& bytes)
{
    std::uint8_t block[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, block, sizeof block);
        if (got == 0)
            return true;
        if (got < 0 && errno != EINTR)
            return false;
        if (got > 0)
            bytes.insert(bytes.end(), block, block + got);
    }
}

bool read_whole(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    if (path == kStandardStream)
        return read_standard_input(bytes);
    FileRefPtr ref(FileRefFromPath(path.c_str()));
    OpenFile* file = ref ? FileOpen(ref.get(), FileMode::Read) : nullptr;
    if (!file)
        return false;
    std::uint32_t size = 0, read = 0;
    bool ok = FileSize(file, &size);
    if (ok) {
        bytes.resize(size);
        ok = size == 0 || (FileRead(file, size, &read, bytes.data()) && read == size);
    }
    FileClose(file);
    return ok;
}

const char* outcome_text(ExtraOutcome outcome)
{
    switch (outcome) {
    case ExtraOutcome::NotSmaller:
        return "Extra compression: the result was not smaller; the file is kept as it is.";
    case ExtraOutcome::Unsettled:
        return "Extra compression: viewers do not agree about what this file shows (or it needs more "
               "than 256 colours in one frame); the file is kept as it is.";
    case ExtraOutcome::Damaged:
        return "Extra compression: the file is damaged or not a complete GIF file; nothing was written.";
    case ExtraOutcome::TooLarge:
        return "Extra compression: the screen is larger than 4096 x 4096 pixels; the file is kept as it is.";
    case ExtraOutcome::Smaller:
        break;
    }
    return "";
}

}  // namespace

FileResult optimize_file_extra(const CliOptions& options, const std::string& path, const std::string& target,
                               CliReporter& reporter, WriteTarget write)
{
    FileResult result;
    result.path = path;
    std::vector<std::uint8_t> input, output;
    if (!read_whole(path, input)) {
        result.messages.push_back({AlertKind::Stop, "The file " + path + " could not be read."});
        return result;
    }
    ExtraOutcome outcome = extra_compress(input.data(), input.size(), PlanLevers(), output);
    if (outcome == ExtraOutcome::Damaged) {
        result.status = FileStatus::Damaged;
        result.messages.push_back({AlertKind::Stop, outcome_text(outcome)});
        return result;
    }
    if (outcome != ExtraOutcome::Smaller) {
        result.messages.push_back({AlertKind::Information, outcome_text(outcome)});
        output = input;  // the input stands
    }
    result.has_sizes = true;
    result.old_size = static_cast<std::uint32_t>(input.size());
    result.new_size = static_cast<std::uint32_t>(output.size());
    result.saved_percent = input.empty() ? 0.0 : 100.0 * (1.0 - static_cast<double>(output.size()) / input.size());
    if (options.report_only) {
        result.status = FileStatus::Reported;
        return result;
    }
    if (outcome != ExtraOutcome::Smaller && !options.allow_larger) {
        result.status = FileStatus::Skipped;
        return result;
    }
    OutputBuffer& out = output_buffer();
    out.reset();
    out.append(output.data(), output.size());
    const bool written = write(target, reporter);
    for (CliMessage& message : reporter.take_messages())
        result.messages.push_back(std::move(message));
    if (!written)
        return result;
    result.output = options.output == OutputMode::InPlace ? path : target;
    result.status = FileStatus::Written;
    return result;
}
