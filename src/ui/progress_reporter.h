// The desktop side of the reporting interface: alerts and questions become framework
// alerts, long operations get a progress window once they have run long enough (a bar, or
// a busy indicator when the amount of work is unknown, and the remaining time in words),
// nested reports stack their windows 30 pixels right and down, and a busy cursor shows that
// input is not taken. Loads, saves and preference writes reach it through reporter().
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "app/report.h"
#include "platform/qt/window.h"

struct FrameWindow;
struct View;

// The millisecond tick count the reporter reads (the event loop's clock by default).
using ProgressClock = std::uint32_t (*)();
using CursorSetter = void (*)(platform::CursorShape shape);

class ProgressReporter final : public Reporter {
public:
    ProgressReporter();
    ~ProgressReporter() override;
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    void alert(AlertKind kind, const char* message, const char* button) override;
    bool ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button) override;
    void beep() override;

    void begin_progress(const char* caption, std::uint32_t total) override;
    void restart_progress(std::uint32_t total) override;
    void set_progress_detail(const char* text) override;
    void set_progress_caption(const char* text) override;
    void advance_progress(std::uint32_t units) override;
    void end_progress() override;

    // Nesting: the wait cursor from the first begin to the last end. Commands that are busy
    // without a report call these directly.
    void begin_busy_cursor();
    void end_busy_cursor();
    int busy_depth() const { return m_busy; }

    // Null restores the defaults (the event loop's tick count, the platform's cursor).
    void set_clock(ProgressClock clock);
    void set_cursor_setter(CursorSetter setter);

    // What the reports show, innermost first at level 0 (tests and screenshots).
    int depth() const { return static_cast<int>(m_reports.size()); }
    FrameWindow* window(int level = 0) const;
    std::uint32_t done(int level = 0) const;
    std::uint32_t bar_value(int level = 0) const;  // 0 without a shown bar
    bool busy_indicator(int level = 0) const;
    const char* caption_text(int level = 0) const;
    const char* time_text(int level = 0) const;                      // the time label's text, "" when hidden
    std::uint32_t windows_shown() const { return m_windows_shown; }  // since the start

    struct Report;

private:
    Report* report_at(int level) const;
    std::uint32_t now() const;
    void show_window(Report& report);
    void lay_out(Report& report);
    void place_window(Report& report, int width, int height);
    void update_estimate(Report& report, std::uint32_t now);

    std::vector<std::unique_ptr<Report>> m_reports;  // outermost first
    ProgressClock m_clock = nullptr;
    CursorSetter m_cursor = nullptr;
    std::uint16_t m_busy = 0;
    std::uint32_t m_windows_shown = 0;
    platform::CursorShape m_cursor_before = platform::CursorShape::arrow;
};

// The program's one progress reporter.
ProgressReporter& progress_reporter();
// Makes it the reporter the engine talks to (start-up). Returns the one it replaced.
Reporter* install_progress_reporter();
