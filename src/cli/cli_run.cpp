#include "cli/cli_run.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "cli/cli_extra.h"
#include "document/document.h"
#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "platform/core/files.h"

namespace {

constexpr int kCannotRead = 266, kCannotReadButton = 267;

void write_all(int fd, const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const ssize_t written = ::write(fd, text.data() + at, text.size() - at);
        if (written <= 0)
            return;
        at += static_cast<std::size_t>(written);
    }
}

// The file could not be opened at all: the same message as a file that cannot be read.
void report_unreadable(CliReporter& out, const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const StrPtr text(FormatNew(app_string(kCannotRead), name.c_str()));
    out.alert(AlertKind::Stop, text.get(), app_string(kCannotReadButton));
}

// Whether the last load met damage (a warning of severity 3): the document then holds only
// what came before it. Trailing codes (2) and data after the end (4) lose nothing.
constexpr std::uint8_t kDamageSeverity = 3;
bool g_damaged = false;

bool note_warning(std::uint8_t severity, const char* text, bool more_follow)
{
    if (severity == kDamageSeverity)
        g_damaged = true;
    return ask_warning_alert(severity, text, more_follow);
}

DocumentPtr load_file(const std::string& path, CliReporter& out)
{
    g_damaged = false;
    const int fd = platform::file_open(path.c_str(), platform::FileAccess::Read);
    if (fd == platform::kNoFile) {
        report_unreadable(out, path);
        return nullptr;
    }
    out.set_answer(true);  // see every warning
    set_warning_ask(note_warning);
    DocumentPtr document(load_gif_document(path.c_str(), fd, Tolerance::Tolerant));
    set_warning_ask(nullptr);
    platform::file_close(fd);
    return document;
}

const char* disposal_name(int disposal)
{
    static const char* const kNames[] = {"none", "keep", "background", "previous"};
    return disposal >= 0 && disposal < 4 ? kNames[disposal] : "other";
}

std::string comment_line(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c)
        out += *c == '\r' ? std::string("\\n") : std::string(1, *c);
    return out;
}

void print_results(const CliOptions& options, const FileResult& result)
{
    if (options.json) {
        std::string line = result_json(result) + "\n";
        write_all(STDOUT_FILENO, line);
        return;
    }
    std::string out, err;
    print_result(result, options.quiet, out, err);
    std::fflush(stdout);
    write_all(STDOUT_FILENO, out);
    write_all(STDERR_FILENO, err);
}

FileResult run_one(const CliOptions& options, const std::string& path, CliReporter& reporter, std::string& listing)
{
    if (options.command == CliCommand::Info)
        return describe_file(path, reporter, listing);
    return optimize_file(options, path, reporter);
}

int status_of(const FileResult& result)
{
    return result.status == FileStatus::Written || result.status == FileStatus::Reported ? kExitFine : kExitFileProblem;
}

int run_in_process(const CliOptions& options, bool progress_bar)
{
    CliReporter reporter(progress_bar);
    Reporter* previous = set_reporter(&reporter);
    int status = kExitFine;
    for (const std::string& path : options.files) {
        std::string listing;
        const FileResult result = run_one(options, path, reporter, listing);
        write_all(STDOUT_FILENO, listing);
        print_results(options, result);
        if (status_of(result) != kExitFine)
            status = kExitFileProblem;
    }
    set_reporter(previous);
    return status;
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    std::string bytes;
};

// A worker process: one file, its result (and listing) sent back through the pipe.
[[noreturn]] void run_worker(const CliOptions& options, const std::string& path, int fd)
{
    CliReporter reporter(false);
    set_reporter(&reporter);
    std::string listing;
    FileResult result = run_one(options, path, reporter, listing);
    std::string bytes = encode_result(result);
    std::string packet;
    packet += std::to_string(listing.size()) + "\n" + listing + bytes;
    write_all(fd, packet);
    ::close(fd);
    _exit(status_of(result));
}

bool start_worker(const CliOptions& options, std::size_t index, Worker* worker)
{
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0)
        return false;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(pipe_fds[0]);
        run_worker(options, options.files[index], pipe_fds[1]);
    }
    ::close(pipe_fds[1]);
    worker->pid = pid;
    worker->fd = pipe_fds[0];
    worker->index = index;
    worker->bytes.clear();
    return true;
}

// The result a worker sent; a worker that died without one gives a failure.
FileResult finish_worker(const CliOptions& options, Worker& worker, std::string* listing)
{
    int wait_status = 0;
    ::waitpid(worker.pid, &wait_status, 0);
    FileResult result;
    const std::size_t newline = worker.bytes.find('\n');
    if (newline != std::string::npos) {
        const std::size_t length = std::strtoul(worker.bytes.substr(0, newline).c_str(), nullptr, 10);
        if (worker.bytes.size() - newline - 1 >= length) {
            *listing = worker.bytes.substr(newline + 1, length);
            if (decode_result(worker.bytes.substr(newline + 1 + length), &result))
                return result;
        }
    }
    result = FileResult{};
    result.path = options.files[worker.index];
    result.status = FileStatus::Failed;
    result.messages.push_back(CliMessage{AlertKind::Stop, result.path + ": the worker process stopped unexpectedly"});
    return result;
}

int run_in_workers(const CliOptions& options, std::size_t jobs)
{
    const std::size_t count = options.files.size();
    std::vector<FileResult> results(count);
    std::vector<std::string> listings(count);
    std::vector<bool> ready(count, false);
    std::vector<Worker> active;
    std::size_t next = 0, printed = 0;
    int status = kExitFine;
    while (printed < count) {
        while (active.size() < jobs && next < count) {
            Worker worker;
            if (!start_worker(options, next, &worker)) {
                CliReporter reporter(false);
                Reporter* previous = set_reporter(&reporter);
                results[next] = run_one(options, options.files[next], reporter, listings[next]);
                set_reporter(previous);
                ready[next] = true;
            } else {
                active.push_back(std::move(worker));
            }
            ++next;
        }
        if (!active.empty()) {
            std::vector<pollfd> fds;
            for (const Worker& worker : active)
                fds.push_back(pollfd{worker.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0)
                continue;
            for (std::size_t i = active.size(); i-- > 0;) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                char buffer[65536];
                const ssize_t got = ::read(active[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    active[i].bytes.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                ::close(active[i].fd);
                const std::size_t index = active[i].index;
                results[index] = finish_worker(options, active[i], &listings[index]);
                ready[index] = true;
                active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        while (printed < count && ready[printed]) {
            write_all(STDOUT_FILENO, listings[printed]);
            print_results(options, results[printed]);
            if (status_of(results[printed]) != kExitFine)
                status = kExitFileProblem;
            ++printed;
        }
    }
    return status;
}

}  // namespace

void start_engine()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    std::setlocale(LC_ALL, "");
    FormatterStart();
    initialise_settings();
    (void)read_settings();  // no preference file yet: the defaults stay
    set_interface_language(settings().interface_language);
}

void apply_setting_overrides(const CliOptions& options)
{
    Settings& record = settings();
    if (options.end_code_saving >= 0)
        record.options[1] = static_cast<std::uint8_t>(options.end_code_saving);
    if (options.offset_frames >= 0)
        record.options[2] = static_cast<std::uint8_t>(options.offset_frames);
    if (options.crop_first_frame >= 0)
        record.options[3] = static_cast<std::uint8_t>(options.crop_first_frame);
    if (options.transparency_search >= 0)
        record.options[4] = static_cast<std::uint8_t>(options.transparency_search);
    if (options.transparent_index_rule >= 0)
        record.rule_value = static_cast<std::uint16_t>(options.transparent_index_rule);
}

FileResult optimize_file(const CliOptions& options, const std::string& path, CliReporter& reporter)
{
    if (options.extra)
        return optimize_file_extra(options, path);
    FileResult result;
    result.path = path;
    DocumentPtr document = load_file(path, reporter);
    if (!document) {
        result.messages = reporter.take_messages();
        return result;
    }
    SaveSummary summary;
    if (g_damaged && !options.report_only && !options.keep_damaged) {
        // Writing would drop everything after the damage (with --in-place, from the only
        // copy): leave the file alone unless asked.
        result.status = FileStatus::Damaged;
        result.messages = reporter.take_messages();
        return result;
    }
    if (options.report_only) {
        (void)save_document(*document, SaveMode::Report, &summary);
        result.status = FileStatus::Reported;
    } else {
        result.output = output_path_for(options, path);
        document->path.reset(StrDup(result.output.c_str()));
        reporter.set_answer(options.allow_larger);
        (void)save_document(*document, SaveMode::Write, &summary);
        switch (summary.outcome) {
        case SaveOutcome::Written:
            result.status = FileStatus::Written;
            break;
        case SaveOutcome::Declined:
            result.status = FileStatus::Skipped;
            break;
        default:
            result.status = FileStatus::Failed;
            break;
        }
        if (result.status != FileStatus::Written)
            result.output.clear();
    }
    result.has_sizes = true;
    result.old_size = summary.old_size;
    result.new_size = summary.new_size;
    result.saved_percent = summary.saved_percent;
    result.messages = reporter.take_messages();
    return result;
}

FileResult describe_file(const std::string& path, CliReporter& reporter, std::string& listing)
{
    FileResult result;
    result.path = path;
    DocumentPtr document = load_file(path, reporter);
    result.messages = reporter.take_messages();
    if (!document)
        return result;
    result.status = FileStatus::Reported;
    result.has_sizes = true;
    result.old_size = result.new_size = document->file_size;
    Document& d = *document;
    char line[512];
    listing += path + "\n";
    std::snprintf(line, sizeof line, "  screen %u x %u, %u colours%s, %d frames, total delay %u/100 s\n",
                  d.screen_width, d.screen_height, d.palette_size, d.has_256_colours ? " (256 merged to 255)" : "",
                  d.frame_count, d.total_delay);
    listing += line;
    if (d.loop_present)
        listing += d.loop_count == 0 ? "  loops forever\n" : "  loops " + std::to_string(d.loop_count) + " times\n";
    else
        listing += "  no looping block\n";
    if (d.leading_comment && d.leading_comment.get()[0])
        listing += "  leading comment: " + comment_line(d.leading_comment.get()) + "\n";
    int index = 0;
    for (Frame* frame = document_first_frame(d); frame; frame = document_next_frame(d), ++index) {
        std::snprintf(line, sizeof line, "  frame %d: %dx%d at (%d,%d), delay %u, disposal %d (%s), %s%s, %u bytes\n",
                      index + 1, frame->rect.width(), frame->rect.height(), frame->rect.left, frame->rect.top,
                      frame->delay, frame->disposal, disposal_name(frame->disposal),
                      frame->transparent ? ("transparent " + std::to_string(frame->transparent_index)).c_str()
                                         : "opaque",
                      frame->interlaced ? ", interlaced" : "", frame->encoded_length);
        listing += line;
        if (frame->comment && frame->comment.get()[0])
            listing += "    comment: " + comment_line(frame->comment.get()) + "\n";
    }
    if (d.trailing_comment && d.trailing_comment.get()[0])
        listing += "  trailing comment: " + comment_line(d.trailing_comment.get()) + "\n";
    return result;
}

int run_cli(const std::vector<std::string>& arguments)
{
    const CliParse parse = parse_command_line(arguments);
    if (!parse.ok) {
        std::fprintf(stderr, "quillon-cli: %s\n\n%s", parse.error.c_str(), usage_text());
        return kExitUsage;
    }
    const CliOptions& options = parse.options;
    if (options.command == CliCommand::Help) {
        std::fputs(usage_text(), stdout);
        return kExitFine;
    }
    if (options.command == CliCommand::Version) {
        std::printf("quillon-cli %s\n", QUILLON_VERSION);
        return kExitFine;
    }
    start_engine();
    apply_setting_overrides(options);
    if (options.output == OutputMode::Folder && !options.report_only &&
        !platform::make_folders(options.output_folder)) {
        std::fprintf(stderr, "quillon-cli: cannot create the folder %s\n", options.output_folder.c_str());
        return kExitFileProblem;
    }
    std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                        : static_cast<std::size_t>(sysconf(_SC_NPROCESSORS_ONLN));
    if (jobs < 1)
        jobs = 1;
    if (jobs > options.files.size())
        jobs = options.files.size();
    if (jobs <= 1) {
        const bool bar = !options.quiet && !options.json && isatty(STDERR_FILENO);
        return run_in_process(options, bar);
    }
    return run_in_workers(options, jobs);
}
