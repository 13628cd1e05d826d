// Framework windows: the window classes, the main window, document windows, tool windows,
// popups and dialog-like windows with their creation flags, handlers and the window list;
// the modal state, the focused and target windows, the current drawing target; the main
// and document window procedures with the keyboard handling and the click-away rule.
// The view tree (view.h) plugs into the windows through FrameworkViewHooks.
#pragma once
#include <cstdint>

#include "foundation/list.h"
#include "platform/qt/draw.h"
#include "platform/qt/geometry.h"
#include "platform/qt/window.h"

struct FrameWindow;
struct MenuItem;

// ---- Creation flags

namespace frame_flag {
constexpr std::uint16_t closable = 0x1,  // Ctrl+F4 and the close box close it
    resizable = 0x2,                     // document windows: thick frame, maximize box
    click_away = 0x10,                   // closes on a click elsewhere (topmost popup)
    dialog = 0x20,                       // holds dialog controls (keyboard navigation)
    plain_popup = 0x40,                  // bordered popup owned by its parent
    end_modal = 0x100,                   // set when a modal run of the window must end
    no_minimize = 0x200,                 // document windows without minimize box
    tool = 0x1000,                       // topmost tool window with a small caption
    popup = 0x2000;                      // topmost bordered popup
}

// Frame insets the framework assumes for each kind of window.
constexpr int kDocumentInset = 40, kPopupInset = 1, kToolInset = 20;

// ---- Events the windows hand to their handlers

// Characters of key events: printable characters in the interface code page, and these
// codes for the keys that have no character.
namespace key_char {
constexpr std::uint8_t home = 1, enter = 3, end = 4, back = 8, tab = 9, page_up = 11, page_down = 12, ret = 13,
                       escape = 27, left = 28, right = 29, up = 30, down = 31, del = 127;
}

struct KeyEvent {
    std::uint8_t character = 0;
    std::uint8_t modifiers = 0;  // platform::modifier bits, shortcut bit included
    std::uint16_t repeat = 1;
    std::uint16_t key = 0;  // the platform key code behind it
    platform::Point point;  // pointer position, client coordinates of the window
};

struct FrameWindowHandlers {
    // A key for the window; true when it was used.
    bool (*key)(FrameWindow* window, const KeyEvent& event) = nullptr;
    // A menu item is about to run its command (or none: a click outside a click-away popup).
    void (*notify)(FrameWindow* window, MenuItem* item) = nullptr;
    // Paints the window's own content (after its views) inside the area.
    void (*paint)(FrameWindow* window, const platform::Rect& area) = nullptr;
    // Presses and releases outside any view.
    void (*mouse_down)(FrameWindow* window, std::uint8_t modifiers, int x, int y) = nullptr;
    void (*mouse_up)(FrameWindow* window, std::uint8_t modifiers, int x, int y) = nullptr;
    // The user asked to close the window; true lets it close (default when absent).
    bool (*close)(FrameWindow* window) = nullptr;
    void (*size)(FrameWindow* window, int width, int height) = nullptr;
    void (*activate)(FrameWindow* window, bool active) = nullptr;
    // Scroll bar events: orientation, scroll code, thumb position.
    void (*scroll)(FrameWindow* window, platform::Orientation which, std::uint32_t code, int position) = nullptr;
    // The window is being destroyed; the record is freed after this returns.
    void (*destroy)(FrameWindow* window) = nullptr;
    // Told which menu item was chosen, before the command runs (none: nothing chosen);
    // the focused window gets it, for status texts.
    void (*chosen)(FrameWindow* window, MenuItem* item) = nullptr;
};

// Per-window state of the view tree; owned and defined by the view module.
struct ViewTreeState;

struct FrameWindow {
    platform::Window* window = nullptr;
    std::uint16_t flags = 0;
    FrameWindowHandlers handlers;
    int frame_inset = 0;
    void* data = nullptr;            // the application's
    ViewTreeState* views = nullptr;  // the view module's
    const char* class_name = "";
};

// ---- The view tree's entry points into the windows (installed once by the view module).

struct FrameworkViewHooks {
    // Paints the views of the window that meet the area (before the window's own paint).
    void (*paint)(FrameWindow* window, const platform::Rect& area) = nullptr;
    // A mouse press or release in client coordinates (modifier bits, 0x80 for the right
    // button); true when the view tree took it. Otherwise the window's own handler runs.
    bool (*mouse_down)(FrameWindow* window, std::uint8_t modifiers, int x, int y) = nullptr;
    bool (*mouse_up)(FrameWindow* window, std::uint8_t modifiers, int x, int y) = nullptr;
    void (*mouse_move)(FrameWindow* window, std::uint8_t modifiers, int x, int y) = nullptr;
    // A key for the window's focused view before the window's own key handler; true when
    // it was used.
    bool (*key)(FrameWindow* window, const KeyEvent& event) = nullptr;
    // The window is being destroyed: destroy its views.
    void (*destroy)(FrameWindow* window) = nullptr;
};
void SetFrameworkViewHooks(const FrameworkViewHooks& hooks);

// ---- Window classes

// "JChildWindow", "JChildWindow-0" .. "JChildWindow-4" (from string resource 102), and
// "JMainWindow". Registered by FrameworkStart.
void RegisterWindowClasses();
// Frees the class names (shutdown).
void WindowClassesEnd();
int WindowClassCount();
const char* WindowClassName(int index);
// The icon resource of a numbered document class (-1 for none).
int WindowClassIcon(const char* class_name);
// The class the next CreateFrameWindow uses instead of "JChildWindow" (used once).
void UseWindowClassOnce(const char* class_name);

// ---- Build string resources 100-104 (title, mode, icons, backgrounds, shortcut keys)

namespace build_string {
constexpr int title = 100, main_window_mode = 101, document_classes = 102, class_backgrounds = 103, shortcut_keys = 104;
}

const char* BuildString(int number);  // null for a missing one
// Tests replace them (null text removes one).
void SetBuildString(int number, const char* text);

// ---- The main window

struct MainWindowRecord {
    platform::Window* window = nullptr;
    platform::Size min_track{250, 250};
    platform::Size max_track{3000, 3000};
};
// Creates and shows the main window with its title and style from the build strings.
platform::Window* CreateMainWindow();
const MainWindowRecord& MainWindowInfo();
// The colour the main window's client area is filled with on paint (none: not filled).
void SetMainBackground(const platform::Colour* colour);

// ---- Framework windows

// Creates a framework window as the flags say (document windows inside the main window),
// links it into the window list and places it: bounds is the client area (document
// windows: in the main window's client coordinates; others: screen coordinates). Hidden.
FrameWindow* CreateFrameWindow(FrameWindow* parent, const char* title, std::uint16_t flags,
                               const platform::Rect& bounds);
// Destroys the platform window; the record is freed at once (destroy handler first).
void FrameWindowClose(FrameWindow* window);
// Unlinks a record whose platform window is gone and frees it (the destroy message does it).
void FrameWindowForget(FrameWindow* window);
// Sets the client area bounds (coordinates as in CreateFrameWindow).
void FrameWindowSetBounds(FrameWindow* window, const platform::Rect& client);
platform::Rect FrameWindowClientBounds(FrameWindow* window);
FrameWindow* FrameWindowOf(const platform::Window* window);  // null for non-framework ones
// Every framework window, in creation order.
List* FrameWindowList();
bool FrameWindowAlive(const FrameWindow* window);
// The active document window (or null).
FrameWindow* ActiveDocument();

// ---- Focus, modal state and targets

FrameWindow* FocusedFrameWindow();
void SetFocusedFrameWindow(FrameWindow* window);
// The modal window: the innermost window in a modal run (or a system dialog), or null.
FrameWindow* ModalWindow();
void ModalEnter(FrameWindow* window);  // pushes it
void ModalLeave();                     // pops it
// The window a chosen command is reported to: the modal window's current view's window
// when there is one (the view module says which), else the modal window, else the focused
// window.
FrameWindow* CommandTargetWindow();
void SetModalViewWindowSource(FrameWindow* (*source)(FrameWindow* modal));

// The system beep (a refused entry, a disabled shortcut); tests count it.
void FrameworkBeep();
void SetBeepHook(void (*hook)());

// ---- The current drawing target

// The surface drawing goes to: a window's, an offscreen bitmap's, or none.
platform::Surface* DrawingTarget();
void SetDrawingTarget(platform::Surface* surface);
void DrawOnMainWindow();
void ResetDrawingTarget();

// ---- Messages of framework windows

std::intptr_t MainWindowProc(platform::Window* window, const platform::Message& message);
std::intptr_t DocumentWindowProc(platform::Window* window, const platform::Message& message);
// Key event characters from a platform key message (0 when the key gives none).
std::uint8_t KeyEventCharacter(const platform::Message& message);
// The modifier bits of a key or mouse event, shortcut bit included.
std::uint8_t EventModifiers(std::uint8_t held);
// The time of the last key press or mouse button press.
std::uint32_t LastInputTime();
void NoteInput();
// Delivers a key event as the framework's keyboard handling does (Ctrl+F4, Ctrl+F6,
// shortcuts, the focused or modal window). True when the key was used.
bool HandleKeyEvent(const KeyEvent& event);
// The click-away rule: tells a modal click-away popup that the user clicked elsewhere.
void ApplyClickAway();
// Command dispatch of a 16-bit command identifier; true when an item handled it.
bool DispatchCommand(std::uint16_t id);
// Pointer tracking: hands the pointer position to the view tree of the window under it
// when it moved since the last time (the idle step and move messages both call it).
void TrackPointer();
// The keyboard handling of a key message of the main or a document window; true when used.
bool HandleKeyMessage(const platform::Message& message);
// System commands of the main and document windows.
std::intptr_t HandleSysCommand(platform::Window* window, const platform::Message& message);
const FrameworkViewHooks& ViewHooks();
// Ctrl+F6: sends the active document window to the back and activates the next one.
void CycleDocumentWindows();
// F6 and Shift+F6 (no Ctrl, no Alt, no modal window): the keyboard moves on to the next or
// the previous window of the group the application keeps around the active document (its
// panes). The handler answers true when it used the key.
enum class CycleDirection : std::uint8_t { forward, backward };
using WindowGroupCycle = bool (*)(CycleDirection direction);
void SetWindowGroupCycle(WindowGroupCycle handler);
