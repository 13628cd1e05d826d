// Platform windows and the program's own message queue, on Qt 6 Widgets. Owns the Qt
// application object, every platform window (main window with its menu bar and document
// area, document windows, tool windows, popups, dialog-like windows), the translation of Qt
// events into messages, and each window's software surface (see draw.h). It does not know
// framework windows, views or menus models: the framework sits on top and calls this.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/qt/geometry.h"

namespace platform {

struct Window;   // owned by this layer; destroyed with WindowDestroy
struct Surface;  // drawing surface, see draw.h

// ---- Application

// Creates the Qt application object once (argc and argv must outlive it). False when Qt
// cannot start (no display platform).
[[nodiscard]] bool PlatformStart(int& argc, char** argv);
// Destroys every remaining window and the Qt application object.
void PlatformEnd();
bool PlatformStarted();

// ---- Key codes (Win32-like virtual key codes) and modifier bits

namespace key {
constexpr std::uint16_t back = 0x08, tab = 0x09, enter = 0x0D, shift = 0x10, control = 0x11, alt = 0x12, pause = 0x13,
                        escape = 0x1B, space = 0x20, page_up = 0x21, page_down = 0x22, end = 0x23, home = 0x24,
                        left = 0x25, up = 0x26, right = 0x27, down = 0x28, insert = 0x2D, del = 0x2E;
// '0'-'9' are 0x30-0x39, 'A'-'Z' are 0x41-0x5A; F1-F12 are 0x70-0x7B.
constexpr std::uint16_t f1 = 0x70;
constexpr std::uint16_t F(int n) { return static_cast<std::uint16_t>(f1 + n - 1); }
}  // namespace key

// Modifier bits as the framework's key and mouse events carry them. The shortcut bit
// (0x4) is the framework's to set; the platform reports only what is held.
namespace modifier {
constexpr std::uint8_t shift = 0x2, shortcut = 0x4, control = 0x8, alt = 0x10, right_button = 0x80;
}

// ---- Messages

enum class MessageType : std::uint16_t {
    none,
    paint,     // generated when the queue is empty and the window has an update region
    key_down,  // key, modifiers, repeat, character (Unicode, 0 for keys without one)
    key_up,
    sys_key_down,  // a key with Alt held (or F10), as the system reports it
    sys_key_up,
    mouse_down,  // point (client), modifiers, button, clicks (2 = double click)
    mouse_up,
    mouse_move,
    nc_mouse_down,  // a press on a window frame or title bar (click-away rule)
    activate,       // value: 1 active, 0 inactive
    activate_app,   // value: 1 the program became active, 0 it lost activation
    size,           // size: new client size
    move,           // point: new position of the outer frame
    close,          // the user asked to close; the default procedure destroys the window
    destroy,        // sent (not posted) while the window is destroyed
    hscroll,        // value: scroll code, position: thumb position
    vscroll,
    command,       // value: 16-bit command identifier (menu items)
    sys_command,   // value: a system command below
    quit,          // value: exit code; no window
    enter_idle,    // sent to the main window while a menu or system dialog runs its own loop
    user,          // posted by the program with its own value and position
    files_dropped  // main window: files were dropped on it (TakeDroppedFiles)
};

namespace sys_command {
constexpr std::uint32_t close = 0xF060, next_window = 0xF040, minimize = 0xF020, maximize = 0xF030, restore = 0xF120,
                        mouse_menu = 0xF090;
}

namespace scroll_code {
constexpr std::uint32_t line_up = 0, line_down = 1, page_up = 2, page_down = 3, thumb_position = 4, thumb_track = 5,
                        top = 6, bottom = 7, end_scroll = 8;
}

enum class MouseButton : std::uint8_t { none, left, right, middle };

struct Message {
    Window* window = nullptr;
    MessageType type = MessageType::none;
    std::uint32_t value = 0;      // command id, scroll code, activation state, exit code
    std::uint16_t key = 0;        // key messages: virtual key code
    std::uint32_t character = 0;  // key_down: the Unicode character of the key
    std::uint8_t modifiers = 0;   // shift, control, alt bits
    std::uint16_t repeat = 1;     // key messages
    MouseButton button = MouseButton::none;
    std::uint8_t clicks = 0;
    Point point;             // mouse: client coordinates; move: frame position
    Size size;               // size message
    int position = 0;        // scroll thumb position
    std::uint32_t time = 0;  // tick count when the event arrived
};

// A window procedure answers the messages dispatched to its window.
using WindowProc = std::intptr_t (*)(Window* window, const Message& message);
// What a window does with a message its procedure does not handle: close destroys the
// window, paint validates it, the rest is ignored.
std::intptr_t DefaultWindowProc(Window* window, const Message& message);

// Gives Qt the chance to process its pending events without blocking, then reports the
// first queued message (for the filter window only when one is given) without removing it.
// When the queue holds no such message but a window has an update region, a paint message
// is reported for it.
bool PeekMessage(Message* out, Window* filter);
// Removes and returns the first message for the filter (or any window), waiting for Qt
// events while there is none. False for the quit message.
bool GetMessage(Message* out, Window* filter);
// Calls the procedure of the message's window; messages without window are dropped.
std::intptr_t DispatchMessage(const Message& message);
// Calls the window's procedure at once.
std::intptr_t SendMessage(Window* window, const Message& message);
void PostMessage(const Message& message);
void PostQuitMessage(int exit_code);
// Lets Qt process events for at most the given time, returning early when an event came.
void WaitForEvents(std::uint32_t milliseconds);

// The local files dropped on the main window since the last call (UTF-8 paths), in order.
std::vector<std::string> TakeDroppedFiles();

// ---- Windows

enum class WindowKind : std::uint8_t {
    main,         // the main window: menu bar, document area, no parent
    document,     // a document window inside the main window's document area
    tool,         // top-level, topmost, small title bar
    popup,        // top-level, topmost, thin border, no title bar
    plain_popup,  // like popup but owned by its parent and not topmost
    dialog        // owned by its parent, title bar
};

// Window decorations, independent of the kind.
namespace window_style {
constexpr std::uint32_t system_menu = 0x1,  // close button and system menu
    resizable = 0x2, minimize_box = 0x4, maximize_box = 0x8, caption = 0x10;
}

struct WindowDesc {
    WindowKind kind = WindowKind::document;
    Window* parent = nullptr;  // document, plain_popup, dialog: the owner
    const char* title = "";    // bytes, decoded as the interface text
    std::uint32_t style = 0;   // window_style bits
    WindowProc proc = nullptr;
    void* user = nullptr;
    const char* class_name = "";  // kept for the framework's diagnostics
};

// Created hidden, at a default position and size.
Window* WindowCreate(const WindowDesc& desc);
// Sends the destroy message, destroys child document windows first (main window), frees
// the window. Ignored for a window already being destroyed.
void WindowDestroy(Window* window);
bool WindowIsAlive(const Window* window);

void* WindowUserData(const Window* window);
void WindowSetUserData(Window* window, void* user);
WindowKind WindowKindOf(const Window* window);
WindowProc WindowProcOf(const Window* window);
void WindowSetProc(Window* window, WindowProc proc);
Window* WindowParent(const Window* window);

// Outer bounds: document windows in the main window's client (document area)
// coordinates, every other window in screen coordinates.
void WindowSetBounds(Window* window, const Rect& outer);
Rect WindowBounds(const Window* window);
Size WindowClientSize(const Window* window);
// Frame insets; known once the window has been shown (estimated before).
Insets WindowFrameInsets(const Window* window);
void WindowSetTrackingSizes(Window* window, Size minimum, Size maximum);
Point WindowClientToScreen(const Window* window, Point client);
Point WindowScreenToClient(const Window* window, Point screen);

enum class Show : std::uint8_t { hide, show, show_no_activate, minimize, maximize, restore };
void WindowShow(Window* window, Show how);
bool WindowIsVisible(const Window* window);
bool WindowIsMinimized(const Window* window);

void WindowSetTitle(Window* window, const char* title);
void WindowEnable(Window* window, bool enabled);
bool WindowIsEnabled(const Window* window);

// Z-order and activation. Document windows are ordered within the document area.
void WindowToTop(Window* window);
void WindowToBottom(Window* window);  // without activating, moving or sizing
void WindowActivate(Window* window);
Window* ActiveWindow();          // the active top-level window (main, tool, dialog)
Window* ActiveDocumentWindow();  // the active document window of the main window
Window* MainWindow();
// Document windows in z-order, front first; returns the count written (at most room).
int DocumentWindows(Window** out, int room);

// Keyboard focus and mouse capture.
void WindowSetFocus(Window* window);
Window* FocusWindow();
void WindowSetCapture(Window* window);
void ReleaseCapture();
Window* CaptureWindow();

// Scroll bars of a window's client area; hidden when max <= min or page covers the range.
enum class Orientation : std::uint8_t { horizontal, vertical };
void WindowSetScrollBar(Window* window, Orientation which, int minimum, int maximum, int page, int position);
int WindowScrollPosition(const Window* window, Orientation which);
void WindowSetScrollPosition(Window* window, Orientation which, int position);

// Update region and painting. Invalidating with null invalidates the whole client area.
void WindowInvalidate(Window* window, const Rect* area);
void WindowValidate(Window* window);
bool WindowNeedsPaint(const Window* window);
// Begins painting: the bounding box of the update region is returned, the surface is
// clipped to the region, and the region is emptied. EndPaint removes the clip and shows the
// surface.
Rect BeginPaint(Window* window);
void EndPaint(Window* window);
// The window's software surface, of its client size.
Surface* WindowSurface(Window* window);

// The pointer.
Point CursorPosition();          // screen coordinates
Window* WindowAt(Point screen);  // the topmost visible window of the program there
enum class CursorShape : std::uint8_t { arrow, ibeam, wait, cross, hand, size_we, size_ns };
void SetCursorShape(CursorShape shape);

// The close and next-window entries of a document window's system menu. Choosing the
// next-window entry sends sys_command next_window.
void WindowSetSystemMenuTexts(Window* window, const char* close_text, const char* next_text);

// Saves the window as it is shown (client area with child document windows, menu bar of
// the main window) as a PNG file. False on failure.
[[nodiscard]] bool WindowSaveScreenshot(Window* window, const char* path);

}  // namespace platform
