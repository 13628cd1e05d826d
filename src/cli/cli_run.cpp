#include "cli/cli_run.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "cli/cli_edits.h"
#include "cli/cli_input.h"
#include "cli/cli_extra.h"
#include "cli/cli_targets.h"
#include "codec/output_buffer.h"
#include "document/document.h"
#include "foundation/formatter.h"
#include "gif/gif_writer.h"
#include "platform/core/files.h"

namespace {

[[nodiscard]] bool write_all(int fd, const void* data, std::size_t length)
{
    const auto* bytes = static_cast<const char*>(data);
    std::size_t at = 0;
    while (at < length) {
        const ssize_t written = ::write(fd, bytes + at, length - at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += static_cast<std::size_t>(written);
    }
    return true;
}

void write_text(int fd, const std::string& text) { (void)write_all(fd, text.data(), text.size()); }

// The finished file in the output buffer, to standard output.
[[nodiscard]] bool write_buffer_to_stdout()
{
    const OutputBuffer& out = output_buffer();
    for (std::size_t i = 0; i < out.chunk_count(); ++i)
        if (!write_all(STDOUT_FILENO, out.chunk_data(i), out.chunk_length(i)))
            return false;
    return true;
}

// Where text for people goes: standard error when standard output carries a GIF file.
struct Streams {
    int out = STDOUT_FILENO;
};

void print_results(const CliOptions& options, const Streams& streams, const FileResult& result)
{
    if (options.json) {
        write_text(streams.out, result_json(result) + "\n");
        return;
    }
    std::string out, err;
    print_result(result, options.quiet, out, err);
    std::fflush(stdout);
    write_text(streams.out, out);
    write_text(STDERR_FILENO, err);
}

// One file of the run: its listing or its optimization to the planned target.
struct Job {
    const CliOptions& options;
    const OutputPlan& plan;
    Streams streams;
};

FileResult run_one(const Job& job, std::size_t index, CliReporter& reporter, std::string& listing)
{
    const std::string& path = job.options.files[index];
    if (job.options.command == CliCommand::Info)
        return describe_file(path, job.options.json, reporter, listing);
    const std::string target = job.plan.targets.empty() ? std::string() : job.plan.targets[index];
    return optimize_file(job.options, path, target, reporter);
}

int status_of(const FileResult& result) { return result_is_fine(result) ? kExitFine : kExitFileProblem; }

// The results in file order, with the batch's last line.
class ResultPrinter {
public:
    explicit ResultPrinter(const Job& job) : m_job(job) { }
    void print(const std::string& listing, const FileResult& result)
    {
        write_text(m_job.streams.out, listing);
        print_results(m_job.options, m_job.streams, result);
        m_totals.add(result);
        if (status_of(result) != kExitFine)
            m_status = kExitFileProblem;
    }
    int finish()
    {
        const CliOptions& options = m_job.options;
        if (m_totals.files > 1 && !options.json && !options.quiet && options.command == CliCommand::Optimize)
            write_text(m_job.streams.out, totals_line(m_totals) + "\n");
        return m_status;
    }

private:
    const Job& m_job;
    BatchTotals m_totals;
    int m_status = kExitFine;
};

int run_in_process(const Job& job, bool progress_bar)
{
    CliReporter reporter(progress_bar);
    Reporter* previous = set_reporter(&reporter);
    ResultPrinter printer(job);
    for (std::size_t i = 0; i < job.options.files.size(); ++i) {
        std::string listing;
        reporter.begin_file();
        const FileResult result = run_one(job, i, reporter, listing);
        reporter.end_file();
        printer.print(listing, result);
    }
    set_reporter(previous);
    return printer.finish();
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    std::string bytes;
};

// A worker process: one file, its result (and listing) sent back through the pipe.
[[noreturn]] void run_worker(const Job& job, std::size_t index, int fd)
{
    CliReporter reporter(false);
    set_reporter(&reporter);
    std::string listing;
    FileResult result = run_one(job, index, reporter, listing);
    std::string bytes = encode_result(result);
    std::string packet;
    packet += std::to_string(listing.size()) + "\n" + listing + bytes;
    write_text(fd, packet);
    ::close(fd);
    _exit(status_of(result));
}

bool start_worker(const Job& job, std::size_t index, Worker* worker)
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
        run_worker(job, index, pipe_fds[1]);
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

// How often the overall line is redrawn while workers are busy.
constexpr int kRedrawMilliseconds = 200;

int run_in_workers(const Job& job, std::size_t jobs)
{
    const CliOptions& options = job.options;
    const std::size_t count = options.files.size();
    std::vector<FileResult> results(count);
    std::vector<std::string> listings(count);
    std::vector<bool> ready(count, false);
    std::vector<Worker> active;
    std::size_t next = 0, printed = 0;
    ResultPrinter printer(job);
    OverallProgress overall(!options.quiet && !options.json && isatty(STDERR_FILENO), count);
    while (printed < count) {
        while (active.size() < jobs && next < count) {
            Worker worker;
            if (!start_worker(job, next, &worker)) {
                CliReporter reporter(false);
                Reporter* previous = set_reporter(&reporter);
                results[next] = run_one(job, next, reporter, listings[next]);
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
            overall.update(printed, active.size());
            if (::poll(fds.data(), fds.size(), kRedrawMilliseconds) <= 0)
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
            overall.hide();
            printer.print(listings[printed], results[printed]);
            ++printed;
        }
    }
    overall.hide();
    return printer.finish();
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
        record.end_code_saving = static_cast<std::uint8_t>(options.end_code_saving);
    if (options.offset_frames >= 0)
        record.offset_frames = static_cast<std::uint8_t>(options.offset_frames);
    if (options.crop_first_frame >= 0)
        record.crop_first_frame = static_cast<std::uint8_t>(options.crop_first_frame);
    if (options.transparency_search >= 0)
        record.transparency_search = static_cast<std::uint8_t>(options.transparency_search);
    if (options.transparent_index_rule >= 0)
        record.rule_value = static_cast<std::uint16_t>(options.transparent_index_rule);
}

namespace {

double saved_percent(std::uint32_t old_size, std::uint32_t new_size)
{
    return old_size ? (static_cast<double>(old_size) - new_size) * 100.0 / old_size : 0.0;
}

// Why an optimized file is not written, or an empty text when it may be.
std::string reason_to_leave(const CliOptions& options, const FileResult& result)
{
    if (result.damaged && !options.keep_damaged)
        return "damaged, so not written: the result would hold only what could be read "
               "(--keep-damaged writes that)";
    if (options.output == OutputMode::InPlace && result.colours_merged && !options.allow_merge)
        return "not replaced: its " + grouped_number(result.colours) +
            " colours would be merged into 255, so its frames would change (--allow-merge replaces it anyway)";
    return {};
}

// The save of a built file; false when it could not be written (the reporter was told why).
bool write_result(const std::string& target, CliReporter& reporter)
{
    if (target != kStandardStream)
        return write_output_to_file(output_buffer(), target.c_str());
    if (write_buffer_to_stdout())
        return true;
    const std::string problem = std::string("cannot write standard output: ") + std::strerror(errno);
    reporter.alert(AlertKind::Stop, problem.c_str(), "");
    return false;
}

}  // namespace

FileResult optimize_file(const CliOptions& options, const std::string& path, const std::string& target,
                         CliReporter& reporter)
{
    if (options.extra)
        return optimize_file_extra(options, path, target, reporter, write_result);
    FileResult result;
    result.path = path;
    std::string damage_text;
    LoadedInput loaded = load_input(path, reporter, &damage_text);
    if (!loaded.document) {
        result.messages = reporter.take_messages();
        note_problem(loaded, result);
        return result;
    }
    Document& document = *loaded.document;
    result.colours = document.file_colours;
    result.colours_merged = document.file_colours > 255;
    result.damaged = loaded.damaged;
    if (loaded.damaged && (options.keep_damaged || options.report_only))
        reporter.alert(AlertKind::Exclamation, damage_text.c_str(), "");
    if (!options.report_only) {
        result.reason = reason_to_leave(options, result);
        if (!result.reason.empty()) {
            result.status = loaded.damaged && !options.keep_damaged ? FileStatus::Damaged : FileStatus::Skipped;
            result.messages = reporter.take_messages();
            return result;
        }
    }
    if (!apply_edits(options.edits, document, &result.reason)) {
        result.messages = reporter.take_messages();
        return result;
    }
    const std::string name = target.empty() || target == kStandardStream ? input_name(path) : target;
    result.old_size = document.file_size;
    result.new_size = write_gif_to_buffer(document, name.c_str());
    result.saved_percent = saved_percent(result.old_size, result.new_size);
    result.has_sizes = true;
    if (options.report_only) {
        result.status = FileStatus::Reported;
    } else if (result.new_size >= result.old_size && !options.allow_larger && !options.edits.any()) {
        result.status = FileStatus::Skipped;
        result.reason = "not written: the result (" + byte_text(result.new_size) + ") is not smaller than the file (" +
            byte_text(result.old_size) + "); --allow-larger writes it anyway";
    } else if (write_result(target, reporter)) {
        result.status = FileStatus::Written;
        result.output = options.output == OutputMode::InPlace ? path : target;
    } else {
        result.status = FileStatus::Failed;
    }
    result.messages = reporter.take_messages();
    return result;
}

namespace {

int usage_error(const std::string& error)
{
    std::fprintf(stderr, "quillon-cli: %s (quillon-cli --help lists the options)\n", error.c_str());
    return kExitUsage;
}

}  // namespace

int run_cli(const std::vector<std::string>& arguments)
{
    const CliParse parse = parse_command_line(arguments);
    if (!parse.ok)
        return usage_error(parse.error);
    const CliOptions& options = parse.options;
    if (options.command == CliCommand::Help) {
        std::fputs(usage_text(), stdout);
        return kExitFine;
    }
    if (options.command == CliCommand::Version) {
        std::printf("quillon-cli %s\n", QUILLON_VERSION);
        return kExitFine;
    }
    const OutputPlan plan = plan_outputs(options);
    if (!plan.ok)
        return usage_error(plan.error);
    for (const std::string& target : plan.targets)
        if (target == kStandardStream && isatty(STDOUT_FILENO))
            return usage_error("standard output is a terminal; send it to a file or a pipe, or use -o FILE");
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
    Job job{options, plan, Streams{}};
    for (const std::string& target : plan.targets)
        if (target == kStandardStream)
            job.streams.out = STDERR_FILENO;  // standard output carries the file
    if (jobs <= 1) {
        const bool bar = !options.quiet && !options.json && isatty(STDERR_FILENO);
        return run_in_process(job, bar);
    }
    return run_in_workers(job, jobs);
}
