// The view tree inside a framework window: rectangles with a behaviour class, placed in
// window coordinates, shown or hidden, sized by themselves or by their parent. A class is a
// table of operations; containers hold their children themselves. This module owns creation,
// sizing, showing, moving, destruction (freed at the end of the event-loop step), painting
// order, mouse delivery with capture and the pressed view, keyboard focus within a window.
// The control classes (control_*.h) and the window layer (window.h) build on it.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/qt/geometry.h"

struct FrameWindow;
struct KeyEvent;
struct View;

using platform::Rect;

// The operation table of a view class. The framework itself calls initialise, destroy,
// mouse down, mouse up, set size, hide, show, add child, remove child and child resized; the
// other entries are the classes' own. Any entry may be null. Controls put typed callbacks
// on top of it (widgets.h).
struct ViewClass {
    const char* name = "";
    void (*init)(View* view) = nullptr;
    void (*destroy)(View* view) = nullptr;
    void (*draw)(View* view, const Rect& area) = nullptr;
    void (*mouse_down)(View* view, std::uint8_t modifiers, int x, int y) = nullptr;
    void (*mouse_drag)(View* view, std::uint8_t modifiers, int x, int y) = nullptr;
    void (*mouse_up)(View* view, std::uint8_t modifiers, int x, int y) = nullptr;
    bool (*key)(View* view, const KeyEvent& key) = nullptr;  // true when taken
    void (*set_size)(View* view, int width, int height) = nullptr;
    void (*hide)(View* view, int argument) = nullptr;
    void (*show)(View* view, int argument) = nullptr;
    void (*add_child)(View* parent, View* child) = nullptr;
    void (*remove_child)(View* parent, View* child) = nullptr;
    void (*child_resized)(View* parent, View* child, int width, int height) = nullptr;
    // Own slots of the framework's classes.
    void (*child_shown)(View* parent, View* child) = nullptr;  // a child was shown or hidden
    void (*focus)(View* view, bool gained) = nullptr;
    int (*child_count)(View* view) = nullptr;  // containers: children in order
    View* (*child_at)(View* view, int index) = nullptr;
    bool takes_focus = false;  // Tab stops at it
    // The pointer's shape over the view (platform::CursorShape: 0 arrow, 1 I-beam, 4 hand).
    std::uint8_t cursor = 0;
};

namespace view_flag {
constexpr std::uint16_t shown = 0x1, enabled = 0x2, being_destroyed = 0x4;
}

// A class's own record of one view (a button's text and state, a box's children). The view
// owns it; it goes when the view is destroyed, after the class's destroy operation.
struct ViewRecord {
    virtual ~ViewRecord() = default;
};

struct ViewObserver {
    void (*function)(View* view, void* data);
    void* data;
};

struct View {
    FrameWindow* window = nullptr;
    View* parent = nullptr;
    const ViewClass* cls = nullptr;
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t width = 16;
    std::int16_t height = 16;
    std::uint16_t flags = view_flag::enabled;
    std::unique_ptr<ViewRecord> record;      // the class's own
    std::unique_ptr<ViewRecord> attachment;  // kept by a builder above the class (a composite's parts)
    ViewObserver* observers = nullptr;
    std::uint16_t observer_count = 0;
};

// `record` becomes the view's class record before the class initialises it (and before the
// parent, which may lay itself out at once, sees it).
View* ViewNew(const ViewClass* cls, FrameWindow* window, int x, int y, std::unique_ptr<ViewRecord> record = {});
View* ViewNewChild(const ViewClass* cls, View* parent, int x, int y, std::unique_ptr<ViewRecord> record = {});
// The view's class record as its class's type (the class knows it).
template <typename T> T* ViewRecordOf(const View* view) { return static_cast<T*>(view->record.get()); }
void ViewDestroy(View* view);

void ViewSetSize(View* view, int width, int height);
void ViewSetWidth(View* view, int width);
void ViewSetHeight(View* view, int height);
void ViewGrow(View* view, int width, int height);
void ViewShow(View* view, int argument);
void ViewHide(View* view, int argument);
Rect ViewRect(const View* view);
void ViewInvalidate(View* view);
void ViewInvalidateRect(View* view, const Rect& area);
void ViewMoveTo(View* view, int x, int y);

bool ViewIsShown(const View* view);
// Shown, and every ancestor shown, and not being destroyed.
bool ViewIsVisible(const View* view);
bool ViewIsEnabled(const View* view);
void ViewSetEnabled(View* view, bool enabled);
bool ViewIsBeingDestroyed(const View* view);

// Destroy observers run, the last registered first, when the view is destroyed.
void ViewAddObserver(View* view, void (*function)(View*, void*), void* data);
// Forgets the observer registered with that function and data (nothing when there is none).
void ViewRemoveObserver(View* view, void (*function)(View*, void*), void* data);

// The default operations the classes build on: set size invalidates the old and the new
// rectangle; draw draws the children.
void ViewDefaultSetSize(View* view, int width, int height);
void ViewDrawChildren(View* view, const Rect& area);

// ---- Per-window state: top-level views, focus, pressed view, default and cancel buttons

int ViewTopLevelCount(FrameWindow* window);
View* ViewTopLevelAt(FrameWindow* window, int index);
View* ViewFocus(FrameWindow* window);
void ViewSetFocus(View* view);  // null clears nothing; see ViewClearFocus
void ViewClearFocus(FrameWindow* window);
void ViewFocusNext(FrameWindow* window, bool backwards);
View* ViewPressed();
// The view under the pointer while no button is down (hover feedback), or null.
View* ViewHovered();
// The view that receives every press while it tracks the mouse (an open menu, a drag).
void ViewTrackMouse(View* view);
void ViewStopTracking(View* view);
View* ViewTracking();
// Capture by the window on a press; tests and drag-less windows may switch it off.
void ViewSetCaptureEnabled(bool enabled);

// The deepest shown view of the window under a point, or null.
View* ViewAt(FrameWindow* window, int x, int y);

// ---- Called by the window layer (installed as the windows' view hooks on first use)

void ViewsInstallHooks();
// The activation rule: while a modal window is up only it takes presses; otherwise a press
// in a window that is not the focused one (and not a tool window) only activates it.
bool ViewsPressAllowed(FrameWindow* window);

// Paints every visible view that meets the area.
void ViewsPaint(FrameWindow* window, const Rect& area);
// The activation rule and delivery of presses and releases. `modifiers` already carries the
// framework's bits (and 0x80 for the right button). Returns true when a view took it.
bool ViewsMouseDown(FrameWindow* window, std::uint8_t modifiers, int x, int y);
bool ViewsMouseMove(FrameWindow* window, std::uint8_t modifiers, int x, int y);
bool ViewsMouseUp(FrameWindow* window, std::uint8_t modifiers, int x, int y);
// Keys for the window: the focused view first, then Tab, Return and Escape.
bool ViewsKey(FrameWindow* window, const KeyEvent& key);
// The window goes away: its views are destroyed and its state dropped.
void ViewsWindowClosing(FrameWindow* window);

// Buttons that Return and Escape press in the window.
void ViewSetDefaultButton(FrameWindow* window, View* button);
void ViewSetCancelButton(FrameWindow* window, View* button);
View* ViewDefaultButton(FrameWindow* window);
