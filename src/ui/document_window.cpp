#include "ui/document_window.h"

#include <cstring>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "framework/alert.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "gif/gif_writer.h"
#include "platform/qt/draw.h"
#include "platform/qt/window.h"
#include "ui/commands.h"
#include "ui/frame_display.h"
#include "ui/panel_window.h"

struct DocumentViews {
    DocumentWindow* window = nullptr;
};

namespace {

constexpr int kBandRows = 32;
constexpr int kMinimumContent = 50;
constexpr int kScrollLine = 12;
// The question before a changed document is closed.
constexpr int kAskSaveChanges = 435, kAskSaveYes = 436, kAskSaveNo = 437;

const char* file_name_part(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

platform::Colour palette_colour(const Document& document, int index)
{
    const std::uint8_t* p = document.palette.get() + index * 3;
    return (static_cast<platform::Colour>(p[0]) << 16) | (static_cast<platform::Colour>(p[1]) << 8) | p[2];
}

// A new window at the next free cascade point, its content area equal to the screen as far
// as the main window's client area holds it (larger screens scroll).
void place_document_window(FrameWindow* window, int width, int height)
{
    place_new_window(window);
    const platform::Insets in = platform::WindowFrameInsets(window->window);
    const platform::Rect client = FrameWindowClientBounds(window);
    const platform::Size main = platform::WindowClientSize(MainWindowInfo().window);
    const int room_width = main.width - client.left - in.right - 3;
    const int room_height = main.height - client.top - in.bottom - 3;
    const int client_width = width <= room_width || room_width < kMinimumContent ? width : room_width;
    const int client_height = height <= room_height || room_height < kMinimumContent ? height : room_height;
    FrameWindowSetBounds(window, platform::MakeRect(client.left, client.top, client_width, client_height));
}

}  // namespace

// The framework calls these with the window record; each forwards to its document window.
struct DocumentWindowEvents {
    static DocumentWindow* owner(FrameWindow* window) { return static_cast<DocumentWindow*>(window->data); }
    static void paint(FrameWindow* window, const platform::Rect& area) { owner(window)->paint(area); }
    static bool key(FrameWindow* window, const KeyEvent& event) { return owner(window)->key_event(event.character); }
    static void activate(FrameWindow* window, bool active) { owner(window)->activate_event(active); }
    static bool close(FrameWindow* window) { return owner(window)->ask_to_save(); }
    static void destroy(FrameWindow* window) { owner(window)->destroy_event(); }
    static void size(FrameWindow* window, int, int)
    {
        DocumentWindow* self = owner(window);
        self->update_scroll_bars();
        platform::WindowInvalidate(window->window, nullptr);
        arrange_shown_panes(*self);
    }
    static void scroll(FrameWindow* window, platform::Orientation which, std::uint32_t code, int position)
    {
        owner(window)->scroll_event(which, code, position);
    }
};

DocumentWindow::DocumentWindow(DocumentPtr document, FrameWindow* window)
    : m_document(std::move(document)), m_window(window)
{
    m_frames = frame_table(*m_document);
    set_source_path(m_document->path.get());
    m_document->frame_count = static_cast<std::int32_t>(m_frames.size());
    auto* views = new (MemAlloc(sizeof(DocumentViews))) DocumentViews;
    views->window = this;
    m_document->views = views;
    const std::uint16_t width = m_document->screen_width;
    m_band.reset(RgbBufferNew(width, kBandRows));
    m_band_bitmap.reset(OffscreenNew(width, kBandRows));
}

DocumentWindow::~DocumentWindow()
{
    if (m_playback.timer)
        TaskCancel(m_playback.timer);
    for (auto& pane : m_panes)
        pane.reset();
    if (m_document && m_document->views) {
        m_document->views->~DocumentViews();
        MemFree(m_document->views);
        m_document->views = nullptr;
    }
}

DocumentWindow* DocumentWindow::open(DocumentPtr document)
{
    if (!document)
        return nullptr;
    FrameWindow* window =
        CreateFrameWindow(nullptr, file_name_part(document->path.get()), frame_flag::closable | frame_flag::resizable,
                          platform::MakeRect(0, 0, document->screen_width, document->screen_height));
    if (!window)
        return nullptr;
    place_document_window(window, document->screen_width, document->screen_height);
    auto* self = new DocumentWindow(std::move(document), window);
    window->data = self;
    self->build_window();
    return self;
}

void DocumentWindow::build_window()
{
    FrameWindowHandlers& h = m_window->handlers;
    h.paint = DocumentWindowEvents::paint;
    h.key = DocumentWindowEvents::key;
    h.activate = DocumentWindowEvents::activate;
    h.close = DocumentWindowEvents::close;
    h.destroy = DocumentWindowEvents::destroy;
    h.size = DocumentWindowEvents::size;
    h.scroll = DocumentWindowEvents::scroll;
    const platform::Insets in = platform::WindowFrameInsets(m_window->window);
    const int min_width = m_document->screen_width < kMinimumContent ? m_document->screen_width : kMinimumContent;
    const int min_height = m_document->screen_height < kMinimumContent ? m_document->screen_height : kMinimumContent;
    platform::WindowSetTrackingSizes(m_window->window,
                                     platform::Size{min_width + in.left + in.right, min_height + in.top + in.bottom},
                                     platform::Size{0, 0});
    m_document->current_frame = -1;
    show_frame(*m_document, 0);
    if (m_frames.size() > 1)
        (void)ensure_pane(PaneKind::Frame);
    update_scroll_bars();
    platform::WindowShow(m_window->window, platform::Show::show);
    platform::WindowActivate(m_window->window);
}

DocumentWindow* DocumentWindow::of(const Document* document)
{
    return document && document->views ? document->views->window : nullptr;
}

DocumentWindow* DocumentWindow::of(FrameWindow* window)
{
    if (!window || window->handlers.paint != DocumentWindowEvents::paint)
        return nullptr;
    return static_cast<DocumentWindow*>(window->data);
}

bool DocumentWindow::pane_shown(PaneKind kind) const
{
    if (!pane(kind))
        return false;
    return kind == PaneKind::Range || show_count(kind) > 0;
}

void DocumentWindow::change_show_count(PaneKind kind, int delta)
{
    Pane* p = pane(kind);
    if (!p)
        return;
    int& count = m_show_counts[static_cast<int>(kind)];
    const int before = count;
    count += delta;
    if (before < 1 && count >= 1)
        p->set_visible(true);
    else if (before >= 1 && count < 1)
        p->set_visible(false);
}

Pane* DocumentWindow::ensure_pane(PaneKind kind)
{
    auto& slot = m_panes[static_cast<int>(kind)];
    if (!slot && ui_state().pane_factory) {
        slot = ui_state().pane_factory(*this, kind);
        m_show_counts[static_cast<int>(kind)] = 0;
        if (slot)
            slot->refresh(m_document.get(), m_document->current_frame);
    }
    return slot.get();
}

void DocumentWindow::destroy_pane(PaneKind kind)
{
    m_panes[static_cast<int>(kind)].reset();
    m_show_counts[static_cast<int>(kind)] = 0;
}

void DocumentWindow::refresh_panes()
{
    for (auto& pane : m_panes)
        if (pane)
            pane->refresh(m_document.get(), m_document->current_frame);
}

void DocumentWindow::refresh_title()
{
    platform::WindowSetTitle(m_window->window, file_name_part(m_document->path.get()));
}

platform::Point DocumentWindow::image_offset() const
{
    const platform::Size area = platform::WindowClientSize(m_window->window);
    const int width = m_document->screen_width, height = m_document->screen_height;
    return platform::Point{area.width > width ? (area.width - width) / 2 : -m_scroll.x,
                           area.height > height ? (area.height - height) / 2 : -m_scroll.y};
}

void DocumentWindow::repaint(const ScreenRect& area)
{
    if (area.empty())
        return;
    const platform::Point offset = image_offset();
    const platform::Rect r = platform::MakeRect(area.left + offset.x, area.top + offset.y, area.width(), area.height());
    platform::WindowInvalidate(m_window->window, &r);
}

void DocumentWindow::paint(const platform::Rect& area)
{
    platform::Surface* surface = platform::WindowSurface(m_window->window);
    if (!surface)
        return;
    const platform::Point offset = image_offset();
    const platform::Rect image =
        platform::MakeRect(offset.x, offset.y, m_document->screen_width, m_document->screen_height);
    platform::Rect outside[4];
    const int count = platform::RectDifference(area, image, outside);
    for (int i = 0; i < count; ++i)
        platform::DrawFillRect(surface, outside[i], palette_colour(*m_document, 255));
    const platform::Rect inside = platform::RectIntersect(area, image);
    if (!platform::RectIsEmpty(inside))
        paint_bands(inside, offset);
}

// The canvas in bands of 32 rows: palette colours into the band buffer (each channel c as
// (c x 255) shr 8), the band into the offscreen bitmap, the bitmap into the window.
void DocumentWindow::paint_bands(const platform::Rect& inside, platform::Point offset)
{
    if (!m_band || !m_band_bitmap)
        return;
    platform::Surface* surface = platform::WindowSurface(m_window->window);
    const std::uint8_t* palette = m_document->palette.get();
    const int left = inside.left - offset.x, right = inside.right - offset.x;
    for (int top = inside.top - offset.y; top < inside.bottom - offset.y; top += kBandRows) {
        const int bottom = top + kBandRows < inside.bottom - offset.y ? top + kBandRows : inside.bottom - offset.y;
        const int rows = bottom - top;
        for (int r = 0; r < rows; ++r) {
            const std::uint8_t* source = m_document->canvas.row(top + r);
            std::uint8_t* out = m_band->pixels + static_cast<std::size_t>(kBandRows - 1 - r) * m_band->stride;
            for (int x = left; x < right; ++x) {
                const std::uint8_t* rgb = palette + source[x] * 3;
                out[x * 3 + 0] = static_cast<std::uint8_t>((rgb[2] * 255) >> 8);
                out[x * 3 + 1] = static_cast<std::uint8_t>((rgb[1] * 255) >> 8);
                out[x * 3 + 2] = static_cast<std::uint8_t>((rgb[0] * 255) >> 8);
            }
        }
        if (!RgbBufferToBitmap(m_band.get(), static_cast<std::uint16_t>(rows), m_band_bitmap.get()))
            return;
        platform::DrawCopy(surface, left + offset.x, top + offset.y, m_band_bitmap.get(),
                           platform::MakeRect(left, 0, right - left, rows));
    }
}

void DocumentWindow::update_scroll_bars()
{
    const platform::Size area = platform::WindowClientSize(m_window->window);
    const int width = m_document->screen_width, height = m_document->screen_height;
    const int max_x = width > area.width ? width - area.width : 0;
    const int max_y = height > area.height ? height - area.height : 0;
    m_scroll.x = m_scroll.x > max_x ? max_x : m_scroll.x;
    m_scroll.y = m_scroll.y > max_y ? max_y : m_scroll.y;
    platform::WindowSetScrollBar(m_window->window, platform::Orientation::horizontal, 0, width - 1, area.width,
                                 m_scroll.x);
    platform::WindowSetScrollBar(m_window->window, platform::Orientation::vertical, 0, height - 1, area.height,
                                 m_scroll.y);
}

void DocumentWindow::scroll_event(platform::Orientation which, std::uint32_t code, int position)
{
    const bool horizontal = which == platform::Orientation::horizontal;
    const platform::Size area = platform::WindowClientSize(m_window->window);
    int& value = horizontal ? m_scroll.x : m_scroll.y;
    const int page = horizontal ? area.width : area.height;
    switch (code) {
    case platform::scroll_code::line_up:
        value -= kScrollLine;
        break;
    case platform::scroll_code::line_down:
        value += kScrollLine;
        break;
    case platform::scroll_code::page_up:
        value -= page;
        break;
    case platform::scroll_code::page_down:
        value += page;
        break;
    case platform::scroll_code::thumb_position:
    case platform::scroll_code::thumb_track:
        value = position;
        break;
    default:
        return;
    }
    if (value < 0)
        value = 0;
    update_scroll_bars();
    platform::WindowInvalidate(m_window->window, nullptr);
}

bool DocumentWindow::key_event(std::uint8_t character) { return playback_key(*m_document, character); }

void DocumentWindow::activate_event(bool active)
{
    if (m_closing)
        return;
    if (active)
        window_switch(m_document.get());
    else if (ui_state().current == m_document.get())
        window_switch(nullptr);
}

// A changed document is not closed without asking: save, drop the changes, or keep it open.
bool DocumentWindow::ask_to_save()
{
    if (m_busy > 0) {
        FrameworkBeep();  // a save of this document is running; its progress pumps the loop
        return false;
    }
    if (!m_changed)
        return true;
    const StrPtr question(FormatNew(app_string(kAskSaveChanges), file_name_part(m_document->path.get())));
    const int answer =
        alert_ask(nullptr, alert_kind::exclamation, question.get(), app_string(kAskSaveYes), app_string(kAskSaveNo));
    if (answer != 1)
        return true;  // the second button: close without saving
    stop_playback(*m_document);
    // A save that fails or is declined keeps the window, and with it the edits.
    return save_current_document(*this, SaveMode::Write);
}

bool DocumentWindow::close()
{
    if (!ask_to_save())
        return false;
    FrameWindowClose(m_window);
    return true;
}

void DocumentWindow::destroy_event()
{
    m_closing = true;
    stop_playback(*m_document);
    const bool was_current = ui_state().current == m_document.get();
    for (int i = 0; i < kPaneCount; ++i)
        destroy_pane(static_cast<PaneKind>(i));
    m_window->data = nullptr;
    if (was_current)
        window_switch(nullptr);
    delete this;
    update_command_state(ui_state().current);
}

void arrange_shown_panes(DocumentWindow& owner)
{
    if (ui_state().pane_arranger)
        ui_state().pane_arranger(owner);
}

void show_frame(Document& document, int index, FrameSource source)
{
    if (index == document.current_frame)
        return;
    DocumentWindow* window = DocumentWindow::of(&document);
    if (document.frame_count <= 0 || (window && window->frames().empty())) {
        document.current_frame = 0;
        return;
    }
    std::vector<Frame*> local;
    const std::vector<Frame*>& frames = window ? window->frames() : (local = frame_table(document));
    const ScreenRect area = compose_frame(document, frames, index);
    document.current_frame = index;
    if (!window)
        return;
    (void)source;  // the frame pane keeps its slider where the user put it
    window->refresh_panes();
    window->repaint(area);
}

void refresh_frame(Document& document)
{
    const int current = document.current_frame;
    document.current_frame = -1;
    show_frame(document, current);
}
