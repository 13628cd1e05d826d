#include "framework/progress_window.h"

#include <algorithm>
#include <memory>

#include "foundation/heap_string.h"
#include "framework/control_box.h"
#include "framework/control_progress.h"
#include "framework/control_text.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "platform/qt/paint_now.h"

namespace {

constexpr std::uint16_t kProgressFlags = 0x38;  // a bordered popup that holds controls
constexpr int kBarHeight = 16;
constexpr int kCaptionGap = 8;

struct ProgressRecord {
    FrameWindow* window = nullptr;
    View* caption = nullptr;
    View* bar = nullptr;
    std::uint32_t total = 0;
    std::uint32_t done = 0;
    std::uint32_t start = 0;
    StrPtr caption_text;
};

// The one paced progress window of the process.
struct ProgressState {
    std::unique_ptr<ProgressRecord> progress;
};

ProgressState& progress_state()
{
    static ProgressState state;
    return state;
}

void build_window(ProgressRecord* record)
{
    FrameWindow* main = FrameWindowOf(platform::MainWindow());
    record->window = CreateFrameWindow(main, "", kProgressFlags, platform::MakeRect(0, 0, 200, 80));
    if (record->window == nullptr)
        return;
    BoxStyle style;
    View* root = BoxNew(BoxKind::free, nullptr, record->window, style);
    record->caption = LabelNew(root, LabelKind::text_line, record->caption_text.get(), TextStyle::normal);
    const platform::Rect area = MainClientScreenArea();
    const int caption_w = record->caption->width;
    const int caption_h = record->caption->height;
    const int content_w = std::max(caption_w * 5 / 4, platform::RectWidth(area) / 10 * 4);
    const int content_h = std::max(caption_h * 5 / 4, platform::RectHeight(area) / 5);
    const int bar_w = content_w * 3 / 4;
    record->bar = ProgressBarNew(root, record->total, bar_w, kBarHeight);
    const int block = caption_h + kCaptionGap + kBarHeight;
    const int top = 10 + std::max((content_h - block) / 2, 0);
    BoxSetChildOffset(root, record->caption, 10 + (content_w - caption_w) / 2, top);
    BoxSetChildOffset(root, record->bar, 10 + (content_w - bar_w) / 2, top + caption_h + kCaptionGap);
    const int width = content_w + 20;
    const int height = std::max(content_h, block) + 20;
    const platform::Rect bounds =
        platform::MakeRect(area.left + (platform::RectWidth(area) - width) / 2,
                           area.top + (platform::RectHeight(area) - height) / 2, width, height);
    FrameWindowSetBounds(record->window, bounds);
    platform::WindowShow(record->window->window, platform::Show::show_no_activate);
    PaintWindowNow(record->window);
    DrawOnMainWindow();
}

}  // namespace

std::uint32_t ProgressPacingWait(std::uint32_t done, std::uint32_t total, std::uint32_t elapsed)
{
    if (total == 0)
        return 0;
    const std::uint64_t target = static_cast<std::uint64_t>(done) * 1000u / total;
    return target > elapsed ? static_cast<std::uint32_t>(target - elapsed) : 0;
}

void ProgressOpen(const char* caption, std::uint32_t total)
{
    if (progress_state().progress != nullptr)
        ProgressClose();
    auto record = std::make_unique<ProgressRecord>();
    record->total = total;
    record->start = LoopTick();
    record->caption_text.reset(StrDup(caption != nullptr ? caption : ""));
    progress_state().progress = std::move(record);
    build_window(progress_state().progress.get());
}

void ProgressAdvance(std::uint32_t units)
{
    ProgressRecord* record = progress_state().progress.get();
    if (record == nullptr)
        return;
    const std::uint32_t room = record->total - record->done;
    const std::uint32_t step = std::min(units, room);
    record->done += step;
    if (record->bar != nullptr) {
        ProgressBarAdvance(record->bar, step);
        PaintWindowNow(record->window);
    }
    // Elapsed time is a difference of tick counts, so a wrap of the counter does no harm.
    const std::uint32_t wait = ProgressPacingWait(record->done, record->total, LoopTick() - record->start);
    if (wait > 0)
        LoopWait(wait);
}

void ProgressClose()
{
    ProgressRecord* record = progress_state().progress.get();
    if (record == nullptr)
        return;
    ProgressAdvance(record->total - record->done);
    LoopWait(150);
    DrawOnMainWindow();
    const std::unique_ptr<ProgressRecord> closing = std::move(progress_state().progress);
    if (closing->window != nullptr)
        FrameWindowClose(closing->window);
}

bool ProgressIsOpen() { return progress_state().progress != nullptr; }

std::uint32_t ProgressDone() { return progress_state().progress != nullptr ? progress_state().progress->done : 0; }

std::uint32_t ProgressTotal() { return progress_state().progress != nullptr ? progress_state().progress->total : 0; }

FrameWindow* ProgressWindow()
{
    return progress_state().progress != nullptr ? progress_state().progress->window : nullptr;
}

void PaintWindowNow(FrameWindow* window)
{
    if (window == nullptr || !FrameWindowAlive(window) || window->window == nullptr ||
        !platform::WindowNeedsPaint(window->window))
        return;
    platform::Message paint;
    paint.window = window->window;
    paint.type = platform::MessageType::paint;
    platform::DispatchMessage(paint);
    // The caller is busy outside the event loop: the pixels go to the screen now.
    if (FrameWindowAlive(window))
        platform::WindowShowSurfaceNow(window->window);
}

platform::Rect MainClientScreenArea()
{
    platform::Window* main = platform::MainWindow();
    if (main == nullptr)
        return platform::MakeRect(0, 0, 640, 480);
    const platform::Size client = platform::WindowClientSize(main);
    const platform::Point origin = platform::WindowClientToScreen(main, platform::Point{0, 0});
    return platform::MakeRect(origin.x, origin.y, client.width, client.height);
}
