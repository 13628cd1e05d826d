// The terminal side of the reporting interface for quillon-cli: alerts and questions are
// collected as messages of the file being worked on (the driver prints them, or puts them
// into JSON), questions get the answer the command line chose, and long operations draw a
// progress bar on stderr when it is a terminal.
#pragma once
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/report.h"

struct CliMessage {
    AlertKind kind;
    std::string text;  // line breaks as '\n'
};

using ClockNow = std::chrono::steady_clock::time_point (*)();

class CliReporter final : public Reporter {
public:
    // `progress_bar`: draw a bar on `out` (standard error) for files that take long.
    explicit CliReporter(bool progress_bar, std::FILE* out = stderr, ClockNow now = &std::chrono::steady_clock::now)
        : m_progress_bar(progress_bar), m_out(out), m_now(now)
    {
    }

    // One file's work (its load, edits and save) is timed as a whole: once it has taken
    // long enough by the show rule, its reports draw the bar.
    void begin_file();
    void end_file();

    void alert(AlertKind kind, const char* message, const char* button) override;
    bool ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button) override;

    void begin_progress(const char* caption, std::uint32_t total) override;
    void restart_progress(std::uint32_t total) override;
    void set_progress_caption(const char* text) override;
    void advance_progress(std::uint32_t units) override;
    void end_progress() override;

    // The answer every question gets until changed.
    void set_answer(bool answer) { m_answer = answer; }
    std::vector<CliMessage> take_messages();

private:
    void draw_bar(bool force);
    void clear_bar();

    bool m_progress_bar;
    std::FILE* m_out;
    ClockNow m_now;
    bool m_in_file = false;
    bool m_file_shown = false;
    std::chrono::steady_clock::time_point m_file_start;
    bool m_answer = true;
    std::vector<CliMessage> m_messages;

    int m_depth = 0;  // nested reports; only the outermost one is drawn
    std::string m_caption;
    std::uint32_t m_total = 0;
    std::uint32_t m_done = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last_draw;
    std::chrono::steady_clock::time_point m_last_estimate;
    std::string m_remaining;
    bool m_shown = false;
};

// The one line of a run in worker processes: files done of all, and how many are at work,
// shown on a terminal once the run has taken long enough by the show rule.
class OverallProgress {
public:
    OverallProgress(bool enabled, std::size_t files, std::FILE* out = stderr,
                    ClockNow now = &std::chrono::steady_clock::now);
    // Draws the line when it is due (at most ten times a second).
    void update(std::size_t done, std::size_t running);
    // Takes the line away, before other output and at the end.
    void hide();

private:
    bool m_enabled;
    std::size_t m_files;
    std::FILE* m_out;
    ClockNow m_now;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_last_draw;
    bool m_shown = false;
    bool m_on_screen = false;
    std::size_t m_drawn_done = 0, m_drawn_running = 0;
};

// A program text for the terminal: CR line breaks become '\n'.
std::string terminal_text(const char* text);
