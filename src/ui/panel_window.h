// Panel windows: small top-level tool windows with a scrolling content area, created once,
// hidden rather than destroyed when the user closes them, remembering where the user put
// them. Also where the panes of a document window go (stacked in columns beside it) and
// where a new document or information window is first placed (a cascade with a random
// fallback). The panes, the settings window and the information windows build on it.
#pragma once
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "app/settings.h"
#include "platform/qt/geometry.h"

struct FrameWindow;
struct KeyEvent;
struct View;

// Fills the content container (a column) on creation (first_time true) and on every
// rebuild; returns the content's root control.
using PanelContentBuilder = std::function<View*(View* container, bool first_time)>;

class PanelWindow {
public:
    PanelWindow() = default;
    ~PanelWindow();  // closes the window (a document's panes go with the document)
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    bool built() const { return m_built; }
    FrameWindow* window() const { return m_window; }
    View* scroll_view() const { return m_scroll; }
    View* content() const { return m_content; }
    View* content_panel() const { return m_content_panel; }
    bool visible() const;
    void show();
    void hide();
    // Discards the content panel and calls the builder again (first_time false).
    void rebuild();

    // The user closed the window (it is only hidden).
    std::function<void()> on_hidden;
    // A key for the window that no control took; true when used (the playback keys).
    std::function<bool(const KeyEvent&)> on_key;

    // The framework's handlers reach the record through these.
    void activate_event(bool active);
    void size_event();
    void move_event();
    void close_event();
    void destroy_event();

private:
    friend void open_panel_window(PanelWindow&, int, const char*, int, SettingsRect*, PanelContentBuilder);
    void create(int window_class, const char* title, int top);
    void place(int top);
    void keep_placement();

    FrameWindow* m_window = nullptr;
    View* m_scroll = nullptr;
    View* m_content = nullptr;
    View* m_content_panel = nullptr;
    bool m_built = false;
    PanelContentBuilder m_builder;
    SettingsRect* m_placement = nullptr;  // kept in the settings; null when not kept
};

// The first call creates the window (class number -1: the default class), builds its
// content and places it: at the kept placement, or down the right edge of the main
// window's client area from `top` (client coordinates of the main window). Later calls
// bring it to the front, showing it again when it was hidden.
void open_panel_window(PanelWindow& panel, int window_class, const char* title, int top, SettingsRect* placement,
                       PanelContentBuilder builder);

// Where a kept placement (a client rectangle) opens: cut to the screen's work area and moved
// into it, frame included, so that a window never opens off the screen.
SettingsRect placement_on_screen(const SettingsRect& placement, const platform::Rect& screen,
                                 const platform::Insets& frame);

// Grows the window to its content (never shrinks it); keep_inside then moves it left and
// up so that it stays 5 pixels inside the main window's client area.
enum class KeepInside : std::uint8_t { No, Yes };
void fit_panel_window(PanelWindow& panel, KeepInside keep_inside);
// Sizes the window to its content, smaller or larger (a pane when it is first built).
void size_panel_window_to_content(PanelWindow& panel);
// A control changed its size: every container from it up to the content is laid out
// again, then the scroll view is refitted.
void relayout_panel_window(PanelWindow& panel, View* changed);

// Called with true whenever any panel window becomes active, false when it stops being.
void add_panel_focus_hook(std::function<void(bool active)> hook);

// Places the panes (top-level windows, in order) beside the document window: a column
// beside it, further columns outward, once below it when the columns run out of room.
void arrange_panes(FrameWindow* document_window, int count, FrameWindow* const* panes);

// First position of a new document window (inside the main window) or information window:
// the first free cascade point, else a random point inside the main window's client area.
void place_new_window(FrameWindow* window);

// What the panel windows share: the focus hooks, the random source of the cascade and the
// save that follows a change of a kept placement.
struct PanelWindowState {
    std::vector<std::function<void(bool)>> focus_hooks;
    std::mt19937 random{0x51C0FFEEu};
    void (*save_preferences)() = nullptr;  // null: save_settings
};
PanelWindowState& panel_window_state();
// A number in [0, bound) from the random source by rejection; 0 for a bound of 0.
std::uint32_t panel_random_below(std::uint32_t bound);
