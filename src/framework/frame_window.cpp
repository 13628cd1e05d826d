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

// Build string resources: 100 title, 101 main window mode, 102 numbered document classes,
// 103 backgrounds of the numbered classes, 104 shortcut combination.
struct BuildStringEntry {
    int number;
    const char* text;
    bool present;
};

// The framework's windows: the registered classes, the main window, every framework
// window, the focused and modal ones, the drawing target, the build strings and the hooks
// the view tree and the application install.
struct WindowRegistry {
    std::vector<WindowClass> classes;
    const char* class_once = nullptr;
    MainWindowRecord main;
    bool has_background = false;
    platform::Colour background = 0;
    ListPtr windows;
    FrameWindow* focused = nullptr;
    std::vector<FrameWindow*> modal;
    FrameWindow* (*modal_view_window)(FrameWindow*) = nullptr;
    platform::Surface* target = nullptr;
    FrameworkViewHooks view_hooks;
    BuildStringEntry build_strings[5] = {
        {100, "Quillon", true}, {101, "0", true}, {102, "200 204", true}, {103, "0", true}, {104, "2", true}};
    void (*beep_hook)() = nullptr;
};

WindowRegistry& registry()
{
    static WindowRegistry state;
    return state;
}

List* window_list()
{
    if (registry().windows == nullptr)
        registry().windows.reset(ListNew());
    return registry().windows.get();
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
    if (registry().focused == fw)
        registry().focused = nullptr;
    for (FrameWindow*& m : registry().modal)
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
    for (const BuildStringEntry& e : registry().build_strings)
        if (e.number == number)
            return e.present ? e.text : nullptr;
    return nullptr;
}

void SetBuildString(int number, const char* text)
{
    for (BuildStringEntry& e : registry().build_strings)
        if (e.number == number) {
            e.present = text != nullptr;
            e.text = text != nullptr ? text : "";
        }
    if (number == build_string::shortcut_keys) {
        const char* s = BuildString(build_string::shortcut_keys);
        bool odd = s != nullptr && s[0] != 0 && (static_cast<std::uint8_t>(s[0]) & 1);
        SetShortcutCombination(odd ? ShortcutCombination::ctrl_alt : ShortcutCombination::ctrl);
    }
}

// ---- Window classes

void WindowClassesEnd()
{
    for (WindowClass& c : registry().classes)
        MemFree(c.name);
    registry().classes.clear();
    registry().class_once = nullptr;
}

void RegisterWindowClasses()
{
    WindowClassesEnd();
    registry().classes.push_back(WindowClass{StrDup("JChildWindow"), -1, true});
    const char* range = BuildString(build_string::document_classes);
    const char* rest = nullptr;
    int first = 200, last = 200;
    if (range != nullptr) {
        first = parse_number(range, &rest);
        last = parse_number(rest, nullptr);
    }
    const char* backgrounds = BuildString(build_string::class_backgrounds);
    if (backgrounds == nullptr)
        backgrounds = "";
    std::size_t background_count = StrLen(backgrounds);
    for (int d = 0; d <= last - first && d < 100; ++d) {
        // An odd digit at position d leaves the class without background.
        bool none = static_cast<std::size_t>(d) < background_count &&
            CharIsDigit(static_cast<std::uint8_t>(backgrounds[d])) && ((backgrounds[d] - '0') & 1);
        int icon = first + d + (NewShell() ? 10 : 0);
        registry().classes.push_back(WindowClass{FormatNew("JChildWindow-%d%", d), icon, !none});
    }
    registry().classes.push_back(WindowClass{StrDup("JMainWindow"), 1, true});
    const char* keys = BuildString(build_string::shortcut_keys);
    bool odd = keys != nullptr && keys[0] != 0 && (static_cast<std::uint8_t>(keys[0]) & 1);
    SetShortcutCombination(odd ? ShortcutCombination::ctrl_alt : ShortcutCombination::ctrl);
}

int WindowClassCount() { return static_cast<int>(registry().classes.size()); }

const char* WindowClassName(int index)
{
    if (index < 0 || index >= WindowClassCount())
        return nullptr;
    return registry().classes[static_cast<std::size_t>(index)].name;
}

int WindowClassIcon(const char* class_name)
{
    for (const WindowClass& c : registry().classes)
        if (StrEqual(c.name, class_name))
            return c.icon;
    return -1;
}

void UseWindowClassOnce(const char* class_name)
{
    registry().class_once = nullptr;
    for (const WindowClass& c : registry().classes)
        if (StrEqual(c.name, class_name))
            registry().class_once = c.name;
}

// ---- The main window

platform::Window* CreateMainWindow()
{
    if (platform::WindowIsAlive(registry().main.window))
        return registry().main.window;
    const char* title = BuildString(build_string::title);
    const char* mode_text = BuildString(build_string::main_window_mode);
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
    registry().main.window = platform::WindowCreate(desc);
    if (registry().main.window == nullptr)
        return nullptr;
    platform::WindowSetTrackingSizes(registry().main.window, registry().main.min_track, registry().main.max_track);
    platform::WindowSetBounds(registry().main.window, platform::MakeRect(40, 40, 900, 650));
    SetLoopRunning(true);
    platform::WindowShow(registry().main.window,
                         mode == 1 || Process().show_state == 3 ? platform::Show::maximize : platform::Show::show);
    return registry().main.window;
}

const MainWindowRecord& MainWindowInfo() { return registry().main; }

void SetMainBackground(const platform::Colour* colour)
{
    registry().has_background = colour != nullptr;
    registry().background = colour != nullptr ? *colour : 0;
    if (platform::WindowIsAlive(registry().main.window))
        platform::WindowInvalidate(registry().main.window, nullptr);
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
        desc.parent = parent != nullptr ? parent->window : registry().main.window;
    fw->class_name = registry().class_once != nullptr ? registry().class_once : "JChildWindow";
    registry().class_once = nullptr;
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
        if (platform::WindowIsVisible(registry().main.window))
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
    if (window == nullptr || !platform::WindowIsAlive(window) || window == registry().main.window)
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

FrameWindow* FocusedFrameWindow() { return FrameWindowAlive(registry().focused) ? registry().focused : nullptr; }
void SetFocusedFrameWindow(FrameWindow* window) { registry().focused = window; }

FrameWindow* ModalWindow()
{
    for (auto it = registry().modal.rbegin(); it != registry().modal.rend(); ++it)
        if (FrameWindowAlive(*it))
            return *it;
    return nullptr;
}

void ModalEnter(FrameWindow* window) { registry().modal.push_back(window); }

void ModalLeave()
{
    if (!registry().modal.empty())
        registry().modal.pop_back();
}

FrameWindow* CommandTargetWindow()
{
    FrameWindow* modal = ModalWindow();
    if (modal != nullptr) {
        FrameWindow* of_view = registry().modal_view_window != nullptr ? registry().modal_view_window(modal) : nullptr;
        return FrameWindowAlive(of_view) ? of_view : modal;
    }
    return FocusedFrameWindow();
}

void SetModalViewWindowSource(FrameWindow* (*source)(FrameWindow* modal)) { registry().modal_view_window = source; }

// ---- Beep

void FrameworkBeep()
{
    if (registry().beep_hook != nullptr)
        registry().beep_hook();
    else
        platform::Beep();
}

void SetBeepHook(void (*hook)()) { registry().beep_hook = hook; }

// ---- Drawing target

platform::Surface* DrawingTarget() { return registry().target; }
void SetDrawingTarget(platform::Surface* surface) { registry().target = surface; }
void DrawOnMainWindow()
{
    registry().target =
        platform::WindowIsAlive(registry().main.window) ? platform::WindowSurface(registry().main.window) : nullptr;
}
void ResetDrawingTarget() { registry().target = nullptr; }

void SetFrameworkViewHooks(const FrameworkViewHooks& hooks) { registry().view_hooks = hooks; }
const FrameworkViewHooks& ViewHooks() { return registry().view_hooks; }

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
        registry().main.window = nullptr;
        return 0;
    case MessageType::paint: {
        platform::Rect area = platform::BeginPaint(window);
        if (registry().has_background) {
            platform::Size size = platform::WindowClientSize(window);
            platform::DrawFillRect(platform::WindowSurface(window), platform::MakeRect(0, 0, size.width, size.height),
                                   registry().background);
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
    case MessageType::activate:
        // The main window has the keyboard again (back from a tool window): the front
        // document window, which stayed active inside it, takes the keys.
        if (message.value != 0 && ModalWindow() == nullptr && ActiveDocument() != nullptr)
            SetFocusedFrameWindow(ActiveDocument());
        return 0;
    case MessageType::activate_app:
        CallAppNotification(message.value != 0 ? AppNotification::activated : AppNotification::deactivated);
        return 0;
    default:
        return platform::DefaultWindowProc(window, message);
    }
}
