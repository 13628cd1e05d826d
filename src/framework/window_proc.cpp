// The document window procedure, the keyboard handling, command dispatch, the click-away
// rule and pointer tracking.
#include <vector>

#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/menu_text.h"
#include "framework/menus.h"
#include "platform/qt/system.h"
#include "platform/qt/text.h"
#include "platform/qt/window.h"

namespace {

// What the window procedures remember between messages: the time of the last input and
// where the pointer was seen last.
struct InputState {
    std::uint32_t last_input = 0;
    platform::Window* pointer_window = nullptr;
    platform::Point pointer_at{-100000, -100000};
    WindowGroupCycle group_cycle = nullptr;
};

InputState& input_state()
{
    static InputState state;
    return state;
}

bool shortcut_exempt(std::uint8_t c)
{
    return c == key_char::back || (c >= key_char::left && c <= key_char::down) || c == key_char::del;
}

// The window that receives key events: the modal window when one is up, else the focused one.
FrameWindow* key_target()
{
    FrameWindow* modal = ModalWindow();
    return modal != nullptr ? modal : FocusedFrameWindow();
}

bool deliver_key(FrameWindow* target, const KeyEvent& event)
{
    if (target == nullptr)
        return false;
    if (ViewHooks().key != nullptr && ViewHooks().key(target, event))
        return true;
    return target->handlers.key != nullptr && target->handlers.key(target, event);
}

KeyEvent event_from(const platform::Message& message, FrameWindow* target)
{
    KeyEvent event;
    event.character = KeyEventCharacter(message);
    event.modifiers = EventModifiers(message.modifiers);
    event.repeat = message.repeat;
    event.key = message.key;
    platform::Point screen = platform::CursorPosition();
    event.point = target != nullptr ? platform::WindowScreenToClient(target->window, screen) : screen;
    return event;
}

// Ctrl+F4 and Ctrl+F6; true when the key was one of them and was taken.
bool document_keys(const platform::Message& message)
{
    if (!(message.modifiers & platform::modifier::control) ||
        (message.key != platform::key::F(4) && message.key != platform::key::F(6)))
        return false;
    FrameWindow* active = ActiveDocument();
    if (active == nullptr || ModalWindow() != nullptr)
        return false;
    if (message.key == platform::key::F(4)) {
        if (active->flags & frame_flag::closable) {
            platform::Message close;
            close.window = active->window;
            close.type = platform::MessageType::close;
            platform::PostMessage(close);
        }
        return true;  // a window that cannot close swallows the key
    }
    CycleDocumentWindows();
    return true;
}

// F6 and Shift+F6; true when the application's group cycle took the key.
bool group_keys(const platform::Message& message)
{
    const std::uint8_t held = message.modifiers & (platform::modifier::control | platform::modifier::alt);
    if (message.key != platform::key::F(6) || held != 0 || ModalWindow() != nullptr ||
        input_state().group_cycle == nullptr)
        return false;
    const bool backward = (message.modifiers & platform::modifier::shift) != 0;
    return input_state().group_cycle(backward ? CycleDirection::backward : CycleDirection::forward);
}

void deliver_mouse(FrameWindow* fw, const platform::Message& message, bool down)
{
    std::uint8_t modifiers = EventModifiers(message.modifiers);
    if (message.button == platform::MouseButton::right)
        modifiers |= platform::modifier::right_button;
    int x = message.point.x, y = message.point.y;
    if (down) {
        NoteInput();
        FrameWindow* modal = ModalWindow();
        if (modal != nullptr && modal != fw) {
            // A press outside the modal window: only a click-away popup reacts.
            ApplyClickAway();
            return;
        }
        if (modal == nullptr && fw != FocusedFrameWindow() && !(fw->flags & frame_flag::tool)) {
            platform::WindowActivate(fw->window);
            SetFocusedFrameWindow(fw);
            return;
        }
        if (ViewHooks().mouse_down != nullptr && ViewHooks().mouse_down(fw, modifiers, x, y))
            return;
        if (fw->handlers.mouse_down != nullptr)
            fw->handlers.mouse_down(fw, modifiers, x, y);
        return;
    }
    if (ViewHooks().mouse_up != nullptr && ViewHooks().mouse_up(fw, modifiers, x, y))
        return;
    if (fw->handlers.mouse_up != nullptr)
        fw->handlers.mouse_up(fw, modifiers, x, y);
}

void paint(FrameWindow* fw)
{
    platform::Rect area = platform::BeginPaint(fw->window);
    platform::Surface* surface = platform::WindowSurface(fw->window);
    platform::Surface* before = DrawingTarget();
    SetDrawingTarget(surface);
    if (ViewHooks().paint != nullptr)
        ViewHooks().paint(fw, area);
    if (fw->handlers.paint != nullptr)
        fw->handlers.paint(fw, area);
    SetDrawingTarget(before);
    platform::EndPaint(fw->window);
}

void destroyed(FrameWindow* fw)
{
    if (ViewHooks().destroy != nullptr)
        ViewHooks().destroy(fw);
    if (fw->handlers.destroy != nullptr)
        fw->handlers.destroy(fw);
    if (input_state().pointer_window == fw->window)
        input_state().pointer_window = nullptr;
    FrameWindowForget(fw);
}

}  // namespace

std::uint32_t LastInputTime() { return input_state().last_input; }
void NoteInput() { input_state().last_input = LoopTick(); }

std::uint8_t EventModifiers(std::uint8_t held)
{
    std::uint8_t bits = held & (platform::modifier::shift | platform::modifier::control | platform::modifier::alt);
    std::uint8_t combination = CurrentShortcutCombination() == ShortcutCombination::ctrl
        ? platform::modifier::control
        : platform::modifier::control | platform::modifier::alt;
    if ((bits & (platform::modifier::control | platform::modifier::alt)) == combination)
        bits |= platform::modifier::shortcut;
    return bits;
}

std::uint8_t KeyEventCharacter(const platform::Message& message)
{
    namespace k = platform::key;
    switch (message.key) {
    case k::back:
        return key_char::back;
    case k::tab:
        return key_char::tab;
    case k::enter:
        return key_char::ret;
    case k::escape:
        return key_char::escape;
    case k::left:
        return key_char::left;
    case k::right:
        return key_char::right;
    case k::up:
        return key_char::up;
    case k::down:
        return key_char::down;
    case k::del:
        return key_char::del;
    case k::home:
        return key_char::home;
    case k::end:
        return key_char::end;
    case k::page_up:
        return key_char::page_up;
    case k::page_down:
        return key_char::page_down;
    default:
        break;
    }
    std::uint32_t c = message.character;
    if (c >= 0x20 && c < 0x7F)
        return static_cast<std::uint8_t>(c);
    if (c < 0x80)
        return 0;
    // A character beyond ASCII in the interface code page, when it is one byte there.
    char utf8[5] = {};
    if (c < 0x800) {
        utf8[0] = static_cast<char>(0xC0 | (c >> 6));
        utf8[1] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8[0] = static_cast<char>(0xE0 | (c >> 12));
        utf8[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8[2] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        return 0;
    }
    std::string text = platform::Utf8ToText(utf8);
    return text.size() == 1 && text[0] != '?' ? static_cast<std::uint8_t>(text[0]) : 0;
}

bool HandleKeyEvent(const KeyEvent& event)
{
    if ((event.modifiers & platform::modifier::shortcut) && !shortcut_exempt(event.character) && MatchShortcut(event))
        return true;
    return deliver_key(key_target(), event);
}

bool HandleKeyMessage(const platform::Message& message)
{
    using platform::MessageType;
    if (message.type == MessageType::key_up || message.type == MessageType::sys_key_up)
        return false;
    NoteInput();
    if (message.type == MessageType::sys_key_down) {
        ApplyClickAway();
        if (message.key == platform::key::alt)
            return false;
        if (document_keys(message))
            return true;
        std::uint8_t held =
            message.modifiers & (platform::modifier::shift | platform::modifier::control | platform::modifier::alt);
        if (held == platform::modifier::alt)
            return false;  // Alt with a letter: the menu bar's mnemonics
        KeyEvent event = event_from(message, key_target());
        event.modifiers |= platform::modifier::shortcut;
        event.repeat = 1;
        if (event.character == 0)
            return false;
        if (ModalWindow() != nullptr)
            return deliver_key(ModalWindow(), event);
        return MatchShortcut(event);
    }
    if (document_keys(message) || group_keys(message))
        return true;
    FrameWindow* target = key_target();
    KeyEvent event = event_from(message, target);
    if (event.character == 0)
        return false;
    bool used = false;
    std::uint16_t repeat = message.repeat == 0 ? 1 : message.repeat;
    event.repeat = repeat;
    for (std::uint16_t i = 0; i < repeat; ++i)
        used = HandleKeyEvent(event) || used;
    return used;
}

void ApplyClickAway()
{
    FrameWindow* modal = ModalWindow();
    if (modal != nullptr && (modal->flags & frame_flag::click_away) && modal->handlers.notify != nullptr)
        modal->handlers.notify(modal, nullptr);
}

bool DispatchCommand(std::uint16_t id)
{
    MenuItem* item = FindMenuItem(CurrentMenuBar(), id);
    FrameWindow* focused = FocusedFrameWindow();
    if (focused != nullptr && focused->handlers.chosen != nullptr)
        focused->handlers.chosen(focused, item);
    if (item == nullptr)
        return false;
    FrameWindow* target = CommandTargetWindow();
    if (target != nullptr && target->handlers.notify != nullptr)
        target->handlers.notify(target, item);
    if (item->handler != nullptr)
        item->handler(item->argument);
    return true;
}

std::intptr_t HandleSysCommand(platform::Window* window, const platform::Message& message)
{
    std::uint32_t command = message.value;
    if (command < 0xF000) {
        DispatchCommand(static_cast<std::uint16_t>(command));
        return 0;
    }
    if (command != platform::sys_command::mouse_menu) {
        FrameWindow* focused = FocusedFrameWindow();
        if (focused != nullptr && focused->handlers.chosen != nullptr)
            focused->handlers.chosen(focused, nullptr);
    }
    if (command == platform::sys_command::next_window) {
        CycleDocumentWindows();
        return 0;
    }
    if (command == platform::sys_command::close && window == MainWindowInfo().window &&
        CallDocumentEvent(DocumentEvent::quit, nullptr))
        return 0;
    return platform::DefaultWindowProc(window, message);
}

void SetWindowGroupCycle(WindowGroupCycle handler) { input_state().group_cycle = handler; }

void CycleDocumentWindows()
{
    platform::Window* windows[64];
    int n = platform::DocumentWindows(windows, 64);
    if (n < 2)
        return;
    // windows[0] is the front (active) one; it goes to the back without being activated,
    // and the one behind it becomes active (activated first: activating re-stacks the
    // document area, which would undo the move to the back).
    platform::WindowActivate(windows[1]);
    platform::WindowToBottom(windows[0]);
}

void TrackPointer()
{
    platform::Point screen = platform::CursorPosition();
    platform::Window* under = platform::WindowAt(screen);
    if (under == input_state().pointer_window && screen.x == input_state().pointer_at.x &&
        screen.y == input_state().pointer_at.y)
        return;
    input_state().pointer_window = under;
    input_state().pointer_at = screen;
    FrameWindow* fw = FrameWindowOf(under);
    if (fw == nullptr || ViewHooks().mouse_move == nullptr)
        return;
    platform::Point p = platform::WindowScreenToClient(under, screen);
    ViewHooks().mouse_move(fw, 0, p.x, p.y);
}

namespace {

// Activation, painting, sizing and scroll bars: the window's own handlers.
std::intptr_t window_state_message(FrameWindow* fw, const platform::Message& message)
{
    using platform::MessageType;
    switch (message.type) {
    case MessageType::activate:
        if (message.value != 0)
            SetFocusedFrameWindow(fw);
        if (fw->handlers.activate != nullptr)
            fw->handlers.activate(fw, message.value != 0);
        break;
    case MessageType::paint:
        paint(fw);
        break;
    case MessageType::size:
        if (fw->handlers.size != nullptr)
            fw->handlers.size(fw, message.size.width, message.size.height);
        break;
    default:  // the scroll bars
        if (fw->handlers.scroll != nullptr)
            fw->handlers.scroll(fw,
                                message.type == MessageType::hscroll ? platform::Orientation::horizontal
                                                                     : platform::Orientation::vertical,
                                message.value, message.position);
        break;
    }
    return 0;
}

// The pointer: tracking, presses and releases for the views, the click-away rule.
std::intptr_t pointer_message(FrameWindow* fw, const platform::Message& message)
{
    using platform::MessageType;
    switch (message.type) {
    case MessageType::mouse_move:
        TrackPointer();
        break;
    case MessageType::nc_mouse_down:
        if (ModalWindow() != fw)
            ApplyClickAway();
        break;
    default:  // button down or up
        deliver_mouse(fw, message, message.type == MessageType::mouse_down);
        break;
    }
    return 0;
}

// Closing (the window's close handler may refuse) and the end of the window.
std::intptr_t lifetime_message(platform::Window* window, FrameWindow* fw, const platform::Message& message)
{
    if (message.type == platform::MessageType::destroy) {
        destroyed(fw);
        return 0;
    }
    if (fw->handlers.close != nullptr && !fw->handlers.close(fw))
        return 0;
    platform::WindowDestroy(window);
    return 0;
}

}  // namespace

std::intptr_t DocumentWindowProc(platform::Window* window, const platform::Message& message)
{
    using platform::MessageType;
    FrameWindow* fw = static_cast<FrameWindow*>(platform::WindowUserData(window));
    if (fw == nullptr || FrameworkShuttingDown())
        return platform::DefaultWindowProc(window, message);
    switch (message.type) {
    case MessageType::activate:
    case MessageType::paint:
    case MessageType::size:
    case MessageType::hscroll:
    case MessageType::vscroll:
        return window_state_message(fw, message);
    case MessageType::key_down:
    case MessageType::key_up:
    case MessageType::sys_key_down:
    case MessageType::sys_key_up:
        return HandleKeyMessage(message) ? 1 : platform::DefaultWindowProc(window, message);
    case MessageType::sys_command:
        return HandleSysCommand(window, message);
    case MessageType::enter_idle:
        RunDueTask();
        return 0;
    case MessageType::mouse_move:
    case MessageType::mouse_down:
    case MessageType::mouse_up:
    case MessageType::nc_mouse_down:
        return pointer_message(fw, message);
    case MessageType::close:
    case MessageType::destroy:
        return lifetime_message(window, fw, message);
    default:
        return platform::DefaultWindowProc(window, message);
    }
}
