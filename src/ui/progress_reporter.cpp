#include "ui/progress_reporter.h"

#include "framework/progress_window.h"

#include <algorithm>
#include <cstdio>

#include "app/progress_text.h"
#include "foundation/heap_string.h"
#include "framework/alert.h"
#include "framework/control_box.h"
#include "framework/control_progress.h"
#include "framework/control_text.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"

struct ProgressReporter::Report {
    FrameWindow* window = nullptr;
    View* panel = nullptr;
    View* filler = nullptr;  // keeps the panel at its computed size
    View* caption = nullptr;
    View* bar = nullptr;
    View* time = nullptr;
    std::uint32_t total = 0;  // 0: the amount of work is not known
    std::uint32_t done = 0;
    double total_real = 0;
    std::uint32_t start = 0;
    std::uint32_t last_estimate = 0;
    StrPtr caption_text;
    StrPtr detail_text;
    bool placed = false;  // the window has its first position

    bool lost = false;  // its window went away with the main window: not shown again

    bool shown() const { return window != nullptr; }
};

namespace {

constexpr int kPanelOffset = 5;
constexpr int kGap = 6;
constexpr int kBarHeight = 10;
constexpr int kBarNaturalWidth = 50;
constexpr int kNestedOffset = 30;
constexpr std::uint32_t kEstimateInterval = 1000;
constexpr std::uint32_t kIndicatorInterval = 100;  // repaints of the busy indicator

StrPtr copy_of(const char* text) { return StrPtr(StrDup(text != nullptr ? text : "")); }

std::uint32_t loop_clock() { return LoopTick(); }

// The window can go before its report ends (the program is closing): the report forgets it.
void window_destroyed(FrameWindow* window)
{
    auto* report = static_cast<ProgressReporter::Report*>(window->data);
    if (report == nullptr)
        return;
    report->window = nullptr;
    report->panel = report->filler = report->caption = report->bar = report->time = nullptr;
    report->lost = true;
}

}  // namespace

ProgressReporter::ProgressReporter() = default;

// The windows belong to the framework, which frees what is left at shutdown.
ProgressReporter::~ProgressReporter() = default;

// ---- Alerts

void ProgressReporter::alert(AlertKind kind, const char* message, const char* button)
{
    if (platform::MainWindow() == nullptr || !LoopRunning()) {
        std::fprintf(stderr, "%s\n", message != nullptr ? message : "");
        return;
    }
    alert_ask(nullptr, static_cast<int>(kind), message, button, nullptr);
}

bool ProgressReporter::ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button)
{
    if (platform::MainWindow() == nullptr || !LoopRunning())
        return false;
    return alert_ask(nullptr, static_cast<int>(kind), message, yes_button, no_button) == 1;
}

void ProgressReporter::beep() { FrameworkBeep(); }

// ---- Reports

void ProgressReporter::begin_progress(const char* caption, std::uint32_t total)
{
    auto report = std::make_unique<Report>();
    report->caption_text = copy_of(caption);
    report->detail_text = copy_of("");
    report->total = total;
    report->total_real = static_cast<double>(total);
    report->start = report->last_estimate = now();
    m_reports.push_back(std::move(report));
    begin_busy_cursor();
}

void ProgressReporter::restart_progress(std::uint32_t total)
{
    Report* report = report_at(0);
    if (report == nullptr)
        return;
    report->total = total;
    report->total_real = static_cast<double>(total);
    report->done = std::min(report->done, total);
    report->start = report->last_estimate = now();
    if (!report->shown())
        return;
    ProgressBarSetTotal(report->bar, total);
    if (total != 0)
        ProgressBarSetValue(report->bar, report->done);
    // The estimate on show was for the work before the restart.
    (void)LabelSetTextIfDifferent(report->time, report->detail_text.get());
    PaintWindowNow(report->window);
}

void ProgressReporter::set_progress_detail(const char* text)
{
    if (Report* report = report_at(0))
        report->detail_text = copy_of(text);
}

void ProgressReporter::set_progress_caption(const char* text)
{
    Report* report = report_at(0);
    if (report == nullptr)
        return;
    report->caption_text = copy_of(text);
    if (!report->shown())
        return;
    const int before = report->caption->width;
    LabelSetText(report->caption, report->caption_text.get());
    if (report->caption->width > before)
        lay_out(*report);
    PaintWindowNow(report->window);
}

void ProgressReporter::advance_progress(std::uint32_t units)
{
    Report* report = report_at(0);
    if (report == nullptr)
        return;
    const std::uint32_t tick = now();
    const auto elapsed = static_cast<std::int32_t>(tick - report->start);
    if (!report->shown() && !report->lost && progress_should_show(elapsed, report->done, report->total))
        show_window(*report);
    report->done = units > report->total - report->done ? report->total : report->done + units;
    if (!report->shown())
        return;
    if (report->total == 0) {
        ProgressBarStep(report->bar);
        if (tick - report->last_estimate >= kIndicatorInterval) {
            report->last_estimate = tick;
            PaintWindowNow(report->window);
        }
        return;
    }
    ProgressBarAdvance(report->bar, units);
    if (static_cast<std::int32_t>(tick - report->last_estimate) >= static_cast<std::int32_t>(kEstimateInterval)) {
        update_estimate(*report, tick);
        report->last_estimate = tick;
        PaintWindowNow(report->window);
    }
}

void ProgressReporter::end_progress()
{
    if (m_reports.empty())
        return;
    Report& report = *m_reports.back();
    if (report.shown()) {
        report.done = report.total;
        if (report.total != 0)
            ProgressBarSetValue(report.bar, report.total);
        PaintWindowNow(report.window);
        report.window->data = nullptr;
        FrameWindowClose(report.window);
        DrawOnMainWindow();
    }
    m_reports.pop_back();
    end_busy_cursor();
}

// ---- The busy cursor

void ProgressReporter::begin_busy_cursor()
{
    if (m_busy++ != 0)
        return;
    // The shape over the views is theirs again once the pointer moves, so the shape to
    // return to is the plain arrow.
    m_cursor_before = platform::CursorShape::arrow;
    (m_cursor != nullptr ? m_cursor : platform::SetCursorShape)(platform::CursorShape::wait);
}

void ProgressReporter::end_busy_cursor()
{
    if (m_busy == 0 || --m_busy != 0)
        return;
    (m_cursor != nullptr ? m_cursor : platform::SetCursorShape)(m_cursor_before);
}

void ProgressReporter::set_clock(ProgressClock clock) { m_clock = clock; }

void ProgressReporter::set_cursor_setter(CursorSetter setter) { m_cursor = setter; }

// ---- The window

void ProgressReporter::show_window(Report& report)
{
    if (platform::MainWindow() == nullptr || !LoopRunning())
        return;
    report.window = CreateFrameWindow(nullptr, "", frame_flag::plain_popup, platform::MakeRect(0, 0, 20, 20));
    if (report.window == nullptr)
        return;
    report.window->data = &report;
    report.window->handlers.destroy = window_destroyed;
    ++m_windows_shown;
    BoxStyle style;
    report.panel = BoxNew(BoxKind::free, nullptr, report.window, style);
    ViewMoveTo(report.panel, kPanelOffset, kPanelOffset);
    report.filler = SpacerNew(report.panel, 1, 1);
    report.caption = LabelNew(report.panel, LabelKind::text_line, report.caption_text.get(), TextStyle::normal);
    report.bar = ProgressBarNew(report.panel, report.total, kBarNaturalWidth, kBarHeight);
    if (report.total != 0)
        ProgressBarSetValue(report.bar, report.done);
    report.time = LabelNew(report.panel, LabelKind::text_line, report.detail_text.get(), TextStyle::normal);
    lay_out(report);
    platform::WindowShow(report.window->window, platform::Show::show_no_activate);
    PaintWindowNow(report.window);
    DrawOnMainWindow();
}

// The panel's natural size grown by a quarter, at least four tenths of the main window's
// width and a fifth of its height, never smaller than the window already is.
void ProgressReporter::lay_out(Report& report)
{
    const int natural_w =
        std::max({static_cast<int>(report.caption->width), kBarNaturalWidth, static_cast<int>(report.time->width)});
    const int natural_h = report.caption->height + kGap + kBarHeight + kGap + report.time->height;
    const platform::Rect main = MainClientScreenArea();
    const platform::Size current = platform::WindowClientSize(report.window->window);
    int w = std::max(natural_w * 5 / 4, platform::RectWidth(main) / 10 * 4);
    int h = std::max(natural_h * 5 / 4, platform::RectHeight(main) / 5);
    w = std::max(w, current.width - 2 * kPanelOffset);
    h = std::max(h, current.height - 2 * kPanelOffset);
    ViewSetSize(report.bar, w * 3 / 4, kBarHeight);
    ViewSetSize(report.filler, w, h);
    // The three lines as one block in the middle of the panel.
    const int top = std::max((h - natural_h) / 2, 0);
    BoxSetChildOffset(report.panel, report.caption, (w - report.caption->width) / 2, top);
    BoxSetChildOffset(report.panel, report.bar, (w - report.bar->width) / 2, top + report.caption->height + kGap);
    BoxSetChildOffset(report.panel, report.time, (w - report.time->width) / 2,
                      top + report.caption->height + kGap + kBarHeight + kGap);
    const int width = w + 2 * kPanelOffset;
    const int height = h + 2 * kPanelOffset;
    if (report.placed && current.width == width && current.height == height)
        return;
    const bool visible = platform::WindowIsVisible(report.window->window);
    if (visible)
        platform::WindowShow(report.window->window, platform::Show::hide);
    place_window(report, width, height);
    if (visible)
        platform::WindowShow(report.window->window, platform::Show::show_no_activate);
}

// A nested report's window goes 30 pixels right of and below the nearest enclosing window;
// the outermost one is centred over the main window.
void ProgressReporter::place_window(Report& report, int width, int height)
{
    platform::Rect area = MainClientScreenArea();
    int left = area.left + (platform::RectWidth(area) - width) / 2;
    int top = area.top + (platform::RectHeight(area) - height) / 2;
    for (auto it = m_reports.rbegin(); it != m_reports.rend(); ++it) {
        if (it->get() == &report || !(*it)->shown())
            continue;
        const platform::Rect outer = FrameWindowClientBounds((*it)->window);
        left = outer.left + kNestedOffset;
        top = outer.top + kNestedOffset;
        break;
    }
    if (report.placed) {
        const platform::Rect client = FrameWindowClientBounds(report.window);
        left = client.left;
        top = client.top;
    }
    report.placed = true;
    FrameWindowSetBounds(report.window, platform::MakeRect(left, top, width, height));
}

void ProgressReporter::update_estimate(Report& report, std::uint32_t tick)
{
    const StrPtr text = remaining_time_text(static_cast<std::int32_t>(tick - report.start), report.done, report.total);
    if (text == nullptr)
        return;
    const int before = report.time->width;
    if (LabelSetTextIfDifferent(report.time, text.get()) && report.time->width > before)
        lay_out(report);
}

// ---- Queries

ProgressReporter::Report* ProgressReporter::report_at(int level) const
{
    if (level < 0 || level >= depth())
        return nullptr;
    return m_reports[m_reports.size() - 1 - static_cast<std::size_t>(level)].get();
}

std::uint32_t ProgressReporter::now() const { return m_clock != nullptr ? m_clock() : loop_clock(); }

FrameWindow* ProgressReporter::window(int level) const
{
    Report* report = report_at(level);
    return report != nullptr && report->shown() ? report->window : nullptr;
}

std::uint32_t ProgressReporter::done(int level) const
{
    Report* report = report_at(level);
    return report != nullptr ? report->done : 0;
}

std::uint32_t ProgressReporter::bar_value(int level) const
{
    Report* report = report_at(level);
    return report != nullptr && report->shown() ? ProgressBarValue(report->bar) : 0;
}

bool ProgressReporter::busy_indicator(int level) const
{
    Report* report = report_at(level);
    return report != nullptr && report->shown() && ProgressBarTotal(report->bar) == 0;
}

const char* ProgressReporter::caption_text(int level) const
{
    Report* report = report_at(level);
    return report != nullptr ? report->caption_text.get() : "";
}

const char* ProgressReporter::time_text(int level) const
{
    Report* report = report_at(level);
    return report != nullptr && report->shown() ? LabelText(report->time) : "";
}

ProgressReporter& progress_reporter()
{
    static ProgressReporter instance;
    return instance;
}

Reporter* install_progress_reporter() { return set_reporter(&progress_reporter()); }
