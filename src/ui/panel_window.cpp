#include "ui/panel_window.h"

#include <algorithm>
#include <cstdlib>

#include "app/preferences.h"
#include "framework/control_box.h"
#include "foundation/list.h"
#include "framework/frame_window.h"
#include "framework/progress_window.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"

namespace {

constexpr int kEdgeGap = 5;          // between a panel window and the main window's edges
constexpr int kPaneGap = 3;          // between panes, and between windows of the cascade
constexpr int kMinimumHeight = 200;  // a new panel window is never shorter when there is room
constexpr int kPanelWidth = 300;
constexpr int kScrollBarWidth = 11;
constexpr int kContentMargin = 6;
constexpr int kCascadeNear = 6;  // city-block distance under which a cascade point is taken

using platform::Rect;

PanelWindow* panel_of(FrameWindow* window)
{
    return window != nullptr ? static_cast<PanelWindow*>(window->data) : nullptr;
}

void save_preferences()
{
    PanelWindowState& state = panel_window_state();
    if (state.save_preferences != nullptr) {
        state.save_preferences();
        return;
    }
    (void)save_settings();  // a failed save keeps the old file; the placement stays in memory
}

// The framework has no move handler, so panel windows see their messages first.
std::intptr_t panel_proc(platform::Window* window, const platform::Message& message)
{
    auto* fw = static_cast<FrameWindow*>(platform::WindowUserData(window));
    if (message.type == platform::MessageType::move && fw != nullptr)
        if (PanelWindow* panel = panel_of(fw))
            panel->move_event();
    return DocumentWindowProc(window, message);
}

FrameWindowHandlers panel_handlers()
{
    FrameWindowHandlers h;
    h.activate = [](FrameWindow* w, bool active) {
        if (PanelWindow* p = panel_of(w))
            p->activate_event(active);
    };
    h.size = [](FrameWindow* w, int, int) {
        if (PanelWindow* p = panel_of(w))
            p->size_event();
    };
    h.close = [](FrameWindow* w) {
        if (PanelWindow* p = panel_of(w))
            p->close_event();
        return false;  // closing only hides
    };
    h.destroy = [](FrameWindow* w) {
        if (PanelWindow* p = panel_of(w))
            p->destroy_event();
    };
    h.key = [](FrameWindow* w, const KeyEvent& event) {
        PanelWindow* p = panel_of(w);
        return p != nullptr && p->on_key && p->on_key(event);
    };
    return h;
}

void set_client(FrameWindow* window, int left, int top, int width, int height)
{
    FrameWindowSetBounds(window, platform::MakeRect(left, top, width, height));
}

}  // namespace

// ---- The record

PanelWindow::~PanelWindow()
{
    if (m_window == nullptr || !FrameWindowAlive(m_window))
        return;
    m_window->data = nullptr;
    FrameWindowClose(m_window);
}

bool PanelWindow::visible() const
{
    return m_window != nullptr && FrameWindowAlive(m_window) && platform::WindowIsVisible(m_window->window);
}

void PanelWindow::show()
{
    if (m_window == nullptr || !FrameWindowAlive(m_window))
        return;
    platform::WindowShow(m_window->window, platform::Show::show);
    platform::WindowToTop(m_window->window);
}

void PanelWindow::hide()
{
    if (visible())
        platform::WindowShow(m_window->window, platform::Show::hide);
}

void PanelWindow::rebuild()
{
    if (m_content == nullptr || !m_builder)
        return;
    if (m_content_panel != nullptr)
        ViewDestroy(m_content_panel);
    m_content_panel = m_builder(m_content, false);
    relayout_panel_window(*this, m_content);
}

void PanelWindow::create(int window_class, const char* title, int top)
{
    if (window_class >= 0 && window_class < WindowClassCount())
        UseWindowClassOnce(WindowClassName(window_class));
    const std::uint16_t flags = frame_flag::tool | frame_flag::closable | frame_flag::dialog;
    m_window = CreateFrameWindow(nullptr, title, flags, platform::MakeRect(0, 0, kPanelWidth, kMinimumHeight));
    if (m_window == nullptr)
        return;
    m_window->data = this;
    m_window->handlers = panel_handlers();
    platform::WindowSetProc(m_window->window, panel_proc);
    m_scroll = ScrollPanelNew(nullptr, m_window, kPanelWidth, kMinimumHeight);
    BoxStyle style;
    style.margin_x = kContentMargin;
    style.margin_y = kContentMargin;
    m_content = BoxNew(BoxKind::column, m_scroll, m_window, style);
    if (m_builder)
        m_content_panel = m_builder(m_content, true);
    place(top);
    const platform::Size client = platform::WindowClientSize(m_window->window);
    ViewSetSize(m_scroll, client.width, client.height);
    m_built = true;
    show();
}

// A kept placement gives the size, then the position. Otherwise the window goes down the
// right edge of the main window's client area from the given top, at least 200 pixels high
// when the area is tall enough.
void PanelWindow::place(int top)
{
    if (m_placement != nullptr && m_placement->width > 0 && m_placement->height > 0) {
        set_client(m_window, 0, 0, m_placement->width, m_placement->height);
        const SettingsRect at = placement_on_screen(*m_placement, platform::ScreenWorkArea(),
                                                    platform::WindowFrameInsets(m_window->window));
        set_client(m_window, at.left, at.top, at.width, at.height);
        return;
    }
    const Rect area = MainClientScreenArea();
    const platform::Insets frame = platform::WindowFrameInsets(m_window->window);
    int client_top = area.top + top + frame.top + kEdgeGap;
    int height = area.bottom - client_top - frame.bottom - kEdgeGap;
    if (height < kMinimumHeight && platform::RectHeight(area) - 10 - frame.top - frame.bottom > kMinimumHeight) {
        height = kMinimumHeight;
        client_top = area.bottom - kEdgeGap - frame.bottom - kMinimumHeight;
    }
    const int left = area.right - frame.right - kPanelWidth - kEdgeGap;
    set_client(m_window, left, client_top, kPanelWidth, std::max(height, 1));
}

// Stores the window's client rectangle in the kept placement; saves when it changed.
void PanelWindow::keep_placement()
{
    if (m_placement == nullptr || m_window == nullptr || !FrameWindowAlive(m_window))
        return;
    const Rect client = FrameWindowClientBounds(m_window);
    const SettingsRect now{client.left, client.top, static_cast<std::int16_t>(platform::RectWidth(client)),
                           static_cast<std::int16_t>(platform::RectHeight(client))};
    if (now.left == m_placement->left && now.top == m_placement->top && now.width == m_placement->width &&
        now.height == m_placement->height)
        return;
    *m_placement = now;
    save_preferences();
}

// ---- Events

void PanelWindow::activate_event(bool active)
{
    // A hook may add hooks: walk by index.
    auto& hooks = panel_window_state().focus_hooks;
    for (std::size_t i = 0; i < hooks.size(); ++i)
        hooks[i](active);
}

void PanelWindow::size_event()
{
    if (!m_built || m_window == nullptr)
        return;
    const platform::Size client = platform::WindowClientSize(m_window->window);
    ViewSetSize(m_scroll, client.width, client.height);
    BoxRelayout(m_scroll);
    keep_placement();
}

void PanelWindow::move_event()
{
    if (m_built)
        keep_placement();
}

void PanelWindow::close_event()
{
    hide();
    if (on_hidden)
        on_hidden();
}

void PanelWindow::destroy_event()
{
    m_window = nullptr;
    m_scroll = m_content = m_content_panel = nullptr;
    m_built = false;
}

SettingsRect placement_on_screen(const SettingsRect& placement, const platform::Rect& screen,
                                 const platform::Insets& frame)
{
    const int most_width = std::max(platform::RectWidth(screen) - frame.left - frame.right, 1);
    const int most_height = std::max(platform::RectHeight(screen) - frame.top - frame.bottom, 1);
    const int width = std::clamp<int>(placement.width, 1, most_width);
    const int height = std::clamp<int>(placement.height, 1, most_height);
    // The far edge first: on a screen narrower than the frames the near edge wins.
    const int left =
        std::max<int>(std::min<int>(placement.left, screen.right - frame.right - width), screen.left + frame.left);
    const int top =
        std::max<int>(std::min<int>(placement.top, screen.bottom - frame.bottom - height), screen.top + frame.top);
    return SettingsRect{static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                        static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
}

// ---- Opening, fitting, relayout

void open_panel_window(PanelWindow& panel, int window_class, const char* title, int top, SettingsRect* placement,
                       PanelContentBuilder builder)
{
    if (panel.m_window != nullptr && FrameWindowAlive(panel.m_window)) {
        panel.show();
        return;
    }
    panel.m_placement = placement;
    panel.m_builder = std::move(builder);
    panel.create(window_class, title, top);
}

namespace {

// The content's size with the scroll bar and the margins fitting asks for, the height cut
// to what the main window's client area holds.
platform::Size wanted_size(PanelWindow& panel)
{
    const Rect area = MainClientScreenArea();
    const platform::Insets frame = platform::WindowFrameInsets(panel.window()->window);
    return platform::Size{panel.content()->width + kScrollBarWidth + 6,
                          std::min(panel.content()->height + kScrollBarWidth + 10,
                                   platform::RectHeight(area) - frame.top - frame.bottom - 10)};
}

}  // namespace

void fit_panel_window(PanelWindow& panel, KeepInside keep_inside)
{
    if (!panel.built() || panel.window() == nullptr || panel.content() == nullptr)
        return;
    FrameWindow* window = panel.window();
    const Rect area = MainClientScreenArea();
    const platform::Insets frame = platform::WindowFrameInsets(window->window);
    const platform::Size wanted = wanted_size(panel);
    const Rect client = FrameWindowClientBounds(window);
    const int width = std::max(wanted.width, platform::RectWidth(client));
    const int height = std::max(wanted.height, platform::RectHeight(client));
    int left = client.left;
    int top = client.top;
    if (keep_inside == KeepInside::Yes) {
        left -= std::max(left + width + frame.right - (area.right - kEdgeGap), 0);
        top -= std::max(top + height + frame.bottom - (area.bottom - kEdgeGap), 0);
    }
    set_client(window, left, top, width, height);
    panel.size_event();
}

void size_panel_window_to_content(PanelWindow& panel)
{
    if (!panel.built() || panel.window() == nullptr || panel.content() == nullptr)
        return;
    const platform::Size wanted = wanted_size(panel);
    const Rect client = FrameWindowClientBounds(panel.window());
    set_client(panel.window(), client.left, client.top, std::max(wanted.width, 1), std::max(wanted.height, 1));
    panel.size_event();
}

void relayout_panel_window(PanelWindow& panel, View* changed)
{
    if (panel.content() == nullptr)
        return;
    if (changed != nullptr)
        BoxRelayoutUp(changed);
    BoxRelayout(panel.content());
    if (panel.scroll_view() != nullptr)
        BoxRelayout(panel.scroll_view());
}

void add_panel_focus_hook(std::function<void(bool active)> hook)
{
    panel_window_state().focus_hooks.push_back(std::move(hook));
}

PanelWindowState& panel_window_state()
{
    static PanelWindowState state;
    return state;
}

std::uint32_t panel_random_below(std::uint32_t bound)
{
    if (bound == 0)
        return 0;
    // Draws at or above the largest multiple of the bound that fits in 32 bits are thrown
    // away, so that every remainder is equally likely.
    const std::uint64_t limit = (std::uint64_t{1} << 32) / bound * bound;
    std::mt19937& random = panel_window_state().random;
    std::uint64_t draw = random();
    while (draw >= limit)
        draw = random();
    return static_cast<std::uint32_t>(draw % bound);
}

// ---- Pane arrangement

namespace {

// A window's outer rectangle in screen coordinates (document windows live in the main
// window's client area).
Rect screen_bounds(FrameWindow* window)
{
    Rect r = platform::WindowBounds(window->window);
    if (platform::WindowKindOf(window->window) != platform::WindowKind::document)
        return r;
    const Rect area = MainClientScreenArea();
    return platform::MakeRect(r.left + area.left, r.top + area.top, platform::RectWidth(r), platform::RectHeight(r));
}

void move_outer(FrameWindow* window, int left, int top)
{
    const Rect r = platform::WindowBounds(window->window);
    platform::WindowSetBounds(window->window,
                              platform::MakeRect(left, top, platform::RectWidth(r), platform::RectHeight(r)));
}

// Beside the document window, on the right when the pane fits there, else on the left,
// else on the side with more room; as high as the document window where the area allows.
Rect place_first_pane(const Rect& document, const Rect& area, int width, int height, bool* right_side)
{
    const int top = std::max<int>(std::min<int>(document.top, area.bottom - height), area.top);
    const int right_x = document.right + kPaneGap;
    const int left_x = document.left - kPaneGap - width;
    if (right_x + width <= area.right)
        *right_side = true;
    else if (left_x >= area.left)
        *right_side = false;
    else
        *right_side = area.right - document.right >= document.left - area.left;
    int x = *right_side ? right_x : left_x;
    x = std::max(std::min(x, area.right - width), static_cast<int>(area.left));
    return platform::MakeRect(x, top, width, height);
}

}  // namespace

void arrange_panes(FrameWindow* document_window, int count, FrameWindow* const* panes)
{
    if (document_window == nullptr || !FrameWindowAlive(document_window) || count <= 0 || panes == nullptr)
        return;
    const Rect area = MainClientScreenArea();
    const Rect document = screen_bounds(document_window);
    bool rightward = true;
    bool fallback_used = false;
    int row_top = 0;
    Rect previous{};
    bool first = true;
    for (int i = 0; i < count; ++i) {
        FrameWindow* pane = panes[i];
        if (pane == nullptr || !FrameWindowAlive(pane))
            continue;
        const Rect outer = platform::WindowBounds(pane->window);
        const int w = platform::RectWidth(outer);
        const int h = platform::RectHeight(outer);
        Rect at;
        if (first) {
            at = place_first_pane(document, area, w, h, &rightward);
            row_top = at.top;
            first = false;
        } else {
            at = platform::MakeRect(rightward ? previous.left : previous.right - w, previous.bottom + kPaneGap, w, h);
            if (at.bottom > area.bottom) {
                // A new column at the top of the row, beyond the previous pane.
                const int x = rightward ? previous.right + kPaneGap : previous.left - kPaneGap - w;
                at = platform::MakeRect(x, row_top, w, h);
                const bool leaves = rightward ? at.right > area.right : at.left < area.left;
                if (leaves && !fallback_used && document.bottom + kPaneGap + h <= area.bottom) {
                    // Once per arrangement: below the document window, columns turning back.
                    fallback_used = true;
                    int below_x = rightward ? document.right - w : document.left;
                    below_x = std::max(std::min(below_x, area.right - w), static_cast<int>(area.left));
                    at = platform::MakeRect(below_x, document.bottom + kPaneGap, w, h);
                    row_top = at.top;
                    rightward = !rightward;
                }
            }
        }
        move_outer(pane, at.left, at.top);
        previous = at;
    }
}

// ---- Cascade placement

namespace {

bool same_family(FrameWindow* a, FrameWindow* b)
{
    const bool a_doc = platform::WindowKindOf(a->window) == platform::WindowKind::document;
    const bool b_doc = platform::WindowKindOf(b->window) == platform::WindowKind::document;
    return a_doc == b_doc;
}

// True when no other shown window of the same family has its corner near (x, y).
bool cascade_point_free(FrameWindow* window, int x, int y)
{
    for (ListNode* node = FrameWindowList()->first; node != nullptr; node = node->next) {
        FrameWindow* other = ListPointer<FrameWindow>(node->value);
        if (other == window || other->window == nullptr || !platform::WindowIsVisible(other->window) ||
            !same_family(window, other))
            continue;
        const Rect c = FrameWindowClientBounds(other);
        if (std::abs(c.left - x) + std::abs(c.top - y) < kCascadeNear)
            return false;
    }
    return true;
}

}  // namespace

void place_new_window(FrameWindow* window)
{
    if (window == nullptr || !FrameWindowAlive(window))
        return;
    // Document windows are placed in the main window's client coordinates, others on the screen.
    Rect area = MainClientScreenArea();
    if (platform::WindowKindOf(window->window) == platform::WindowKind::document)
        area = platform::MakeRect(0, 0, platform::RectWidth(area), platform::RectHeight(area));
    const platform::Insets frame = platform::WindowFrameInsets(window->window);
    const platform::Size size = platform::WindowClientSize(window->window);
    const int x0 = area.left + frame.left + kPaneGap;
    const int y0 = area.top + frame.top + kPaneGap;
    int x = x0;
    int y = y0;
    while (x + size.width + frame.right + kPaneGap <= area.right) {
        if (cascade_point_free(window, x, y)) {
            set_client(window, x, y, size.width, size.height);
            return;
        }
        x += frame.left + kPaneGap;
        y += frame.top + kPaneGap;
        if (y + size.height + frame.bottom + kPaneGap > area.bottom)
            y = y0;
    }
    const int outer_w = size.width + frame.left + frame.right;
    const int outer_h = size.height + frame.top + frame.bottom;
    const int room_x = platform::RectWidth(area) - outer_w - 7;
    const int room_y = platform::RectHeight(area) - outer_h - 7;
    x = x0 + static_cast<int>(panel_random_below(room_x > 0 ? static_cast<std::uint32_t>(room_x) : 0));
    y = y0 + static_cast<int>(panel_random_below(room_y > 0 ? static_cast<std::uint32_t>(room_y) : 0));
    set_client(window, x, y, size.width, size.height);
}
