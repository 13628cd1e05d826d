#include "cli/cli_reporter.h"

#include <iconv.h>

#include <cstdio>

#include "app/progress_text.h"
#include "app/string_tables.h"

namespace {

constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kLineWidth = 79;

std::int32_t milliseconds_between(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return static_cast<std::int32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

}  // namespace

namespace {

bool valid_utf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead >> 5) == 6                 ? 2
            : (lead >> 4) == 14                ? 3
            : (lead >> 3) == 30                ? 4
                                               : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// Program texts are bytes in the interface language's code page; terminals want UTF-8.
std::string to_utf8(const std::string& text)
{
    if (valid_utf8(text))
        return text;
    const char* code_page = interface_language() == 9 ? "CP932" : "CP1252";
    iconv_t converter = iconv_open("UTF-8//TRANSLIT", code_page);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string in = text;
    std::string out(text.size() * 4 + 4, '\0');
    char* source = in.data();
    std::size_t source_left = in.size();
    char* target = out.data();
    std::size_t target_left = out.size();
    while (source_left > 0) {
        if (iconv(converter, &source, &source_left, &target, &target_left) != static_cast<std::size_t>(-1))
            break;
        if (target_left == 0)
            break;
        *target++ = '?';  // a byte the code page does not define
        --target_left;
        ++source;
        --source_left;
    }
    iconv_close(converter);
    out.resize(out.size() - target_left);
    return out;
}

}  // namespace

std::string terminal_text(const char* text)
{
    std::string out;
    for (const char* c = text ? text : ""; *c; ++c)
        out += *c == '\r' ? '\n' : *c;
    return to_utf8(out);
}

void CliReporter::alert(AlertKind kind, const char* message, const char* /*button*/)
{
    m_messages.push_back(CliMessage{kind, terminal_text(message)});
}

bool CliReporter::ask(AlertKind kind, const char* message, const char* /*yes_button*/, const char* /*no_button*/)
{
    m_messages.push_back(CliMessage{kind, terminal_text(message)});
    return m_answer;
}

std::vector<CliMessage> CliReporter::take_messages()
{
    std::vector<CliMessage> out = std::move(m_messages);
    m_messages.clear();
    return out;
}

void CliReporter::begin_progress(const char* caption, std::uint32_t total)
{
    if (m_depth++ > 0)
        return;
    m_caption = terminal_text(caption);
    m_total = total;
    m_done = 0;
    m_start = m_last_draw = m_last_estimate = m_now();
    m_remaining.clear();
    m_shown = false;
}

void CliReporter::restart_progress(std::uint32_t total)
{
    if (m_depth != 1)
        return;
    m_total = total;
    m_start = m_last_estimate = m_now();
}

void CliReporter::set_progress_caption(const char* text)
{
    if (m_depth == 1)
        m_caption = terminal_text(text);
}

void CliReporter::advance_progress(std::uint32_t units)
{
    if (m_depth != 1)
        return;
    const auto now = m_now();
    const std::int32_t elapsed = milliseconds_between(m_start, now);
    // The show rule counts from the start of the file, so that a file of several short
    // steps that takes long as a whole still shows its progress.
    const std::int32_t shown_after = m_in_file ? milliseconds_between(m_file_start, now) : elapsed;
    if (!m_shown && m_progress_bar && (m_file_shown || progress_should_show(shown_after, m_done, m_total))) {
        m_shown = true;
        m_file_shown = m_in_file;
    }
    m_done = units > m_total - m_done ? m_total : m_done + units;
    if (!m_shown)
        return;
    if (milliseconds_between(m_last_estimate, now) >= 1000) {
        const StrPtr text = remaining_time_text(elapsed, m_done, m_total);
        m_remaining = text ? terminal_text(text.get()) : std::string();
        m_last_estimate = now;
    }
    draw_bar(false);
}

void CliReporter::end_progress()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (m_shown)
        clear_bar();
    m_shown = false;
}

void CliReporter::draw_bar(bool force)
{
    const auto now = m_now();
    if (!force && milliseconds_between(m_last_draw, now) < 100)
        return;
    m_last_draw = now;
    const int filled = m_total ? static_cast<int>(static_cast<std::uint64_t>(m_done) * kBarWidth / m_total) : 0;
    const int percent = m_total ? static_cast<int>(static_cast<std::uint64_t>(m_done) * 100 / m_total) : 0;
    std::string line = m_caption + " [" + std::string(static_cast<std::size_t>(filled), '#') +
        std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] " + std::to_string(percent) + "%";
    if (!m_remaining.empty())
        line += "  " + m_remaining;
    for (char& c : line)
        if (c == '\n')
            c = ' ';
    if (line.size() > kLineWidth)
        line.resize(kLineWidth);
    std::fprintf(m_out, "\r%s\033[K", line.c_str());
    std::fflush(m_out);
}

void CliReporter::clear_bar()
{
    std::fprintf(m_out, "\r\033[K");
    std::fflush(m_out);
}

void CliReporter::begin_file()
{
    m_in_file = true;
    m_file_shown = false;
    m_file_start = m_now();
}

void CliReporter::end_file()
{
    m_in_file = false;
    m_file_shown = false;
}

OverallProgress::OverallProgress(bool enabled, std::size_t files, std::FILE* out, ClockNow now)
    : m_enabled(enabled), m_files(files), m_out(out), m_now(now), m_start(now()), m_last_draw(m_start)
{
}

void OverallProgress::update(std::size_t done, std::size_t running)
{
    if (!m_enabled || m_files == 0)
        return;
    const auto now = m_now();
    const auto total = static_cast<std::uint32_t>(m_files);
    if (!m_shown && !progress_should_show(milliseconds_between(m_start, now), static_cast<std::uint32_t>(done), total))
        return;
    if (m_on_screen &&
        (milliseconds_between(m_last_draw, now) < 100 || (done == m_drawn_done && running == m_drawn_running)))
        return;  // drawn lately, or nothing new to show
    m_drawn_done = done;
    m_drawn_running = running;
    m_shown = m_on_screen = true;
    m_last_draw = now;
    const std::size_t filled = done * kBarWidth / m_files;
    const std::string line = "quillon-cli: " + std::to_string(done) + " of " + std::to_string(m_files) +
        " files done, " + std::to_string(running) + " at work [" + std::string(filled, '#') +
        std::string(kBarWidth - filled, '-') + "] " + std::to_string(done * 100 / m_files) + "%";
    std::fprintf(m_out, "\r%s\033[K", line.c_str());
    std::fflush(m_out);
}

void OverallProgress::hide()
{
    if (!m_on_screen)
        return;
    m_on_screen = false;
    std::fprintf(m_out, "\r\033[K");
    std::fflush(m_out);
}
