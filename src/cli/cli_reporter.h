// The terminal side of the reporting interface for quillon-cli: alerts and questions are
// collected as messages of the file being worked on (the driver prints them, or puts them
// into JSON), questions get the answer the command line chose, and long operations draw a
// progress bar on stderr when it is a terminal.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "app/report.h"

struct CliMessage {
    AlertKind kind;
    std::string text;  // line breaks as '\n'
};

class CliReporter final : public Reporter {
public:
    // `progress_bar`: draw a bar on stderr for operations that take long.
    explicit CliReporter(bool progress_bar) : m_progress_bar(progress_bar) { }

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

// A program text for the terminal: CR line breaks become '\n'.
std::string terminal_text(const char* text);
