#include "framework/frame_window.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "framework/event_loop.h"
#include "framework/menu_text.h"
#include "framework/menus.h"
#include "platform/qt/system.h"

namespace {

struct WindowClass {
    char* name;
    int icon;         // icon resource, -1 for none
    bool background;  // filled with the window colour
};

std::vector<WindowClass> g_classes;
const char* g_class_once = nullptr;
MainWindowRecord g_main;
bool g_has_background = false;
platform::Colour g_background = 0;
ListPtr g_windows;
FrameWindow* g_focused = nullptr;
std::vector<FrameWindow*> g_modal;
FrameWindow* (*g_modal_view_window)(FrameWindow*) = nullptr;
platform::Surface* g_target = nullptr;
FrameworkViewHooks g_view_hooks;

// Build string resources: 100 title, 101 main window mode, 102 numbered document classes,
// 103 backgrounds of the numbered classes, 104 shortcut combination.
struct BuildStringEntry {
    int number;
    const char* text;
    bool present;
};
BuildStringEntry g_build_strings[] = {
    {100, "Quillon", true}, {101, "0", true}, {102, "200 204", true}, {103, "0", true}, {104, "2", true}};

List* window_list()
{
    if (g_windows == nullptr)
        g_windows.reset(ListNew());
    return g_windows.get();
}

int parse_number(const char* text, const char** rest)
{
    int value = 0;
    while (*text == ' ')
        ++text;
    while (CharIsDigit(static_cast<std::uint8_t>(*text)))
        value = value * 10 + (*text++ - '0');
    if (rest != nullptr)
        *rest = text;
    return value;
}

}  // namespace

void FrameWindowForget(FrameWindow* fw)
{
    if (!FrameWindowAlive(fw))
        return;
    List* list = window_list();
    for (ListValue v = ListFirst(list); v != 0; v = ListNext(list)) {
        if (ListPointer<FrameWindow>(v) == fw) {
            ListRemove(list);
            break;
        }
    }
    if (g_focused == fw)
        g_focused = nullptr;
    for (FrameWindow*& m : g_modal)
        if (m == fw)
            m = nullptr;
    // Handlers up the stack may still hold the record: it lives to the end of the step.
    if (TempDepth() > 0)
        TempKeep(fw);
    else
        MemFree(fw);
}

// ---- Build strings

const char* BuildString(int number)
{
    for (const BuildStringEntry& e : g_build_strings)
        if (e.number == number)
            return e.present ? e.text : nullptr;
    return nullptr;
}

void SetBuildString(int number, const char* text)
{
    for (BuildStringEntry& e : g_build_strings)
        if (e.number == number) {
            e.present = text != nullptr;
            e.text = text != nullptr ? text : "";
        }
    if (number == 104) {
        const char* s = BuildString(104);
        bool odd = s != nullptr && s[0] != 0 && (static_cast<std::uint8_t>(s[0]) & 1);
        SetShortcutCombination(odd ? ShortcutCombination::ctrl_alt : ShortcutCombination::ctrl);
    }
}

// ---- Window classes

void WindowClassesEnd()
{
    for (WindowClass& c : g_classes)
        MemFree(c.name);
    g_classes.clear();
    g_class_once = nullptr;
}

void RegisterWindowClasses()
{
    WindowClassesEnd();
    g_classes.push_back(WindowClass{StrDup("JChildWindow"), -1, true});
    const char* range = BuildString(102);
    const char* rest = nullptr;
    int first = 200, last = 200;
    if (range != nullptr) {
        first = parse_number(range, &rest);
        last = parse_number(rest, nullptr);
    }
    const char* backgrounds = BuildString(103);
    if (backgrounds == nullptr)
        backgrounds = "";
    std::size_t background_count = StrLen(backgrounds);
    for (int d = 0; d <= last - first && d < 100; ++d) {
        // An odd digit at position d leaves the class without background.
        bool none = static_cast<std::size_t>(d) < background_count &&
            CharIsDigit(static_cast<std::uint8_t>(backgrounds[d])) && ((backgrounds[d] - '0') & 1);
        int icon = first + d + (NewShell() ? 10 : 0);
        g_classes.push_back(WindowClass{FormatNew("JChildWindow-%d%", d), icon, !none});
    }
    g_classes.push_back(WindowClass{StrDup("JMainWindow"), 1, true});
    const char* keys = BuildString(104);
    bool odd = keys != nullptr && keys[0] != 0 && (static_cast<std::uint8_t>(keys[0]) & 1);
    SetShortcutCombination(odd ? ShortcutCombination::ctrl_alt : ShortcutCombination::ctrl);
}

int WindowClassCount() { return static_cast<int>(g_classes.size()); }

const char* WindowClassName(int index)
{
    if (index < 0 || index >= WindowClassCount())
        return nullptr;
    return g_classes[static_cast<std::size_t>(index)].name;
}

int WindowClassIcon(const char* class_name)
{
    for (const WindowClass& c : g_classes)
        if (StrEqual(c.name, class_name))
            return c.icon;
    return -1;
}

void UseWindowClassOnce(const char* class_name)
{
    g_class_once = nullptr;
    for (const WindowClass& c : g_classes)
        if (StrEqual(c.name, class_name))
            g_class_once = c.name;
}

// ---- The main window

platform::Window* CreateMainWindow()
{
    if (platform::WindowIsAlive(g_main.window))
        return g_main.window;
    const char* title = BuildString(100);
    const char* mode_text = BuildString(101);
    int mode = mode_text != nullptr ? parse_number(mode_text, nullptr) : 0;
    platform::WindowDesc desc;
    desc.kind = platform::WindowKind::main;
    desc.title = title != nullptr ? title : "Test Application";
    desc.proc = MainWindowProc;
    desc.class_name = "JMainWindow";
    desc.style =
        platform::window_style::system_menu | platform::window_style::caption | platform::window_style::minimize_box;
    if (mode != 2)
        desc.style |= platform::window_style::resizable | platform::window_style::maximize_box;
    g_main.window = platform::WindowCreate(desc);
    if (g_main.window == nullptr)
        return nullptr;
    platform::WindowSetTrackingSizes(g_main.window, g_main.min_track, g_main.max_track);
    platform::WindowSetBounds(g_main.window, platform::MakeRect(40, 40, 900, 650));
    SetLoopRunning(true);
    platform::WindowShow(g_main.window,
                         mode == 1 || Process().show_state == 3 ? platform::Show::maximize : platform::Show::show);
    return g_main.window;
}

const MainWindowRecord& MainWindowInfo() { return g_main; }

void SetMainBackground(const platform::Colour* colour)
{
    g_has_background = colour != nullptr;
    g_background = colour != nullptr ? *colour : 0;
    if (platform::WindowIsAlive(g_main.window))
        platform::WindowInvalidate(g_main.window, nullptr);
}

// ---- Framework windows

FrameWindow* CreateFrameWindow(FrameWindow* parent, const char* title, std::uint16_t flags,
                               const platform::Rect& bounds)
{
    namespace ws = platform::window_style;
    platform::WindowDesc desc;
    auto* fw = new (MemAlloc(sizeof(FrameWindow))) FrameWindow;
    if (flags & frame_flag::click_away)
        flags |= frame_flag::dialog;
    bool closable = flags & frame_flag::closable;
    if (flags & frame_flag::tool) {
        desc.kind = platform::WindowKind::tool;
        desc.style = ws::caption | (closable ? ws::system_menu : 0);
        fw->frame_inset = kToolInset;
    } else if (flags & (frame_flag::click_away | frame_flag::popup)) {
        desc.kind = platform::WindowKind::popup;
        fw->frame_inset = kPopupInset;
    } else if (flags & frame_flag::plain_popup) {
        desc.kind = platform::WindowKind::plain_popup;
        fw->frame_inset = kPopupInset;
    } else if (flags & frame_flag::dialog) {
        desc.kind = platform::WindowKind::dialog;
        desc.style = ws::caption | (closable ? ws::system_menu : 0);
        fw->frame_inset = kDocumentInset;
    } else {
        desc.kind = platform::WindowKind::document;
        desc.style = ws::caption | ws::system_menu | ws::minimize_box;
        if (flags & frame_flag::resizable)
            desc.style |= ws::resizable | ws::maximize_box;
        if (flags & frame_flag::no_minimize)
            desc.style &= ~ws::minimize_box;
        fw->frame_inset = kDocumentInset;
    }
    bool top_level = flags & (frame_flag::tool | frame_flag::popup | frame_flag::click_away);
    if (!top_level)
        desc.parent = parent != nullptr ? parent->window : g_main.window;
    fw->class_name = g_class_once != nullptr ? g_class_once : "JChildWindow";
    g_class_once = nullptr;
    desc.class_name = fw->class_name;
    desc.title = title != nullptr ? title : "";
    desc.proc = DocumentWindowProc;
    desc.user = fw;
    fw->flags = flags;
    fw->window = platform::WindowCreate(desc);
    if (fw->window == nullptr) {
        MemFree(fw);
        return nullptr;
    }
    ListAppend(window_list(), ListValueOf(fw));
    // Placed twice: the second time the frame around the client area is known.
    FrameWindowSetBounds(fw, bounds);
    FrameWindowSetBounds(fw, bounds);
    if (desc.kind == platform::WindowKind::document) {
        platform::WindowSetSystemMenuTexts(fw->window, "&Close\tCtrl+F4", "Nex&t\tCtrl+F6");
        if (platform::WindowIsVisible(g_main.window))
            MarkMenuBarRedraw();
    }
    return fw;
}

void FrameWindowClose(FrameWindow* window)
{
    if (FrameWindowAlive(window))
        platform::WindowDestroy(window->window);
}

void FrameWindowSetBounds(FrameWindow* window, const platform::Rect& client)
{
    if (!FrameWindowAlive(window))
        return;
    platform::Insets in = platform::WindowFrameInsets(window->window);
    platform::Rect outer{
        static_cast<std::int16_t>(client.top - in.top), static_cast<std::int16_t>(client.left - in.left),
        static_cast<std::int16_t>(client.bottom + in.bottom), static_cast<std::int16_t>(client.right + in.right)};
    platform::WindowSetBounds(window->window, outer);
}

platform::Rect FrameWindowClientBounds(FrameWindow* window)
{
    if (!FrameWindowAlive(window))
        return platform::Rect{};
    platform::Rect outer = platform::WindowBounds(window->window);
    platform::Insets in = platform::WindowFrameInsets(window->window);
    return platform::Rect{
        static_cast<std::int16_t>(outer.top + in.top), static_cast<std::int16_t>(outer.left + in.left),
        static_cast<std::int16_t>(outer.bottom - in.bottom), static_cast<std::int16_t>(outer.right - in.right)};
}

FrameWindow* FrameWindowOf(const platform::Window* window)
{
    if (window == nullptr || !platform::WindowIsAlive(window) || window == g_main.window)
        return nullptr;
    auto* fw = static_cast<FrameWindow*>(platform::WindowUserData(window));
    return FrameWindowAlive(fw) ? fw : nullptr;
}

List* FrameWindowList() { return window_list(); }

bool FrameWindowAlive(const FrameWindow* window)
{
    if (window == nullptr)
        return false;
    List* list = window_list();
    for (ListNode* n = list->first; n != nullptr; n = n->next)
        if (ListPointer<const FrameWindow>(n->value) == window)
            return true;
    return false;
}

FrameWindow* ActiveDocument() { return FrameWindowOf(platform::ActiveDocumentWindow()); }

// ---- Focus, modal state, targets

FrameWindow* FocusedFrameWindow() { return FrameWindowAlive(g_focused) ? g_focused : nullptr; }
void SetFocusedFrameWindow(FrameWindow* window) { g_focused = window; }

FrameWindow* ModalWindow()
{
    for (auto it = g_modal.rbegin(); it != g_modal.rend(); ++it)
        if (FrameWindowAlive(*it))
            return *it;
    return nullptr;
}

void ModalEnter(FrameWindow* window) { g_modal.push_back(window); }

void ModalLeave()
{
    if (!g_modal.empty())
        g_modal.pop_back();
}

FrameWindow* CommandTargetWindow()
{
    FrameWindow* modal = ModalWindow();
    if (modal != nullptr) {
        FrameWindow* of_view = g_modal_view_window != nullptr ? g_modal_view_window(modal) : nullptr;
        return FrameWindowAlive(of_view) ? of_view : modal;
    }
    return FocusedFrameWindow();
}

void SetModalViewWindowSource(FrameWindow* (*source)(FrameWindow* modal)) { g_modal_view_window = source; }

// ---- Beep

namespace {
void (*g_beep_hook)() = nullptr;
}

void FrameworkBeep()
{
    if (g_beep_hook != nullptr)
        g_beep_hook();
    else
        platform::Beep();
}

void SetBeepHook(void (*hook)()) { g_beep_hook = hook; }

// ---- Drawing target

platform::Surface* DrawingTarget() { return g_target; }
void SetDrawingTarget(platform::Surface* surface) { g_target = surface; }
void DrawOnMainWindow()
{
    g_target = platform::WindowIsAlive(g_main.window) ? platform::WindowSurface(g_main.window) : nullptr;
}
void ResetDrawingTarget() { g_target = nullptr; }

void SetFrameworkViewHooks(const FrameworkViewHooks& hooks) { g_view_hooks = hooks; }
const FrameworkViewHooks& ViewHooks() { return g_view_hooks; }

// ---- The main window procedure

std::intptr_t MainWindowProc(platform::Window* window, const platform::Message& message)
{
    using platform::MessageType;
    if (FrameworkShuttingDown())
        return platform::DefaultWindowProc(window, message);
    switch (message.type) {
    case MessageType::destroy:
        platform::PostQuitMessage(0);
        SetLoopRunning(false);
        g_main.window = nullptr;
        return 0;
    case MessageType::paint: {
        platform::Rect area = platform::BeginPaint(window);
        if (g_has_background) {
            platform::Size size = platform::WindowClientSize(window);
            platform::DrawFillRect(platform::WindowSurface(window), platform::MakeRect(0, 0, size.width, size.height),
                                   g_background);
        }
        (void)area;
        platform::EndPaint(window);
        return 0;
    }
    case MessageType::key_down:
    case MessageType::key_up:
    case MessageType::sys_key_down:
    case MessageType::sys_key_up:
        return HandleKeyMessage(message) ? 1 : platform::DefaultWindowProc(window, message);
    case MessageType::command:
        DispatchCommand(static_cast<std::uint16_t>(message.value & 0xFFFF));
        return 0;
    case MessageType::files_dropped:
        // Dropped files take the shell's way in: the open slot of the document event table.
        for (const std::string& path : platform::TakeDroppedFiles())
            CallDocumentEvent(DocumentEvent::open, path.c_str());
        return 0;
    case MessageType::sys_command:
        return HandleSysCommand(window, message);
    case MessageType::close:
        // Closing the main window is the program's quit request when it has one.
        if (CallDocumentEvent(DocumentEvent::quit, nullptr))
            return 0;
        return platform::DefaultWindowProc(window, message);
    case MessageType::mouse_move:
        TrackPointer();
        return 0;
    case MessageType::mouse_down:
    case MessageType::mouse_up:
    case MessageType::nc_mouse_down:
        ApplyClickAway();
        return platform::DefaultWindowProc(window, message);
    case MessageType::enter_idle:
        RunDueTask();
        return 0;
    default:
        return platform::DefaultWindowProc(window, message);
    }
}
