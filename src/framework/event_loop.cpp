#include "framework/event_loop.h"

#include <string>
#include <vector>

#include "foundation/formatter.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "framework/menus.h"
#include "platform/qt/menu.h"
#include "platform/qt/window.h"

namespace {

// Due tasks run when the queue is idle and at the latest after this many messages in a row.
constexpr int kMessagesBetweenTaskChecks = 64;
// The longest wait for a message, and how often the pointer is looked for while idle.
constexpr std::uint32_t kMaxWaitMs = 50;
constexpr std::uint32_t kPointerCheckMs = 10;

struct DocumentSlot {
    DocumentEventHandler handler = nullptr;
    void* argument = nullptr;
};

struct NotificationHandler {
    AppNotificationHandler handler = nullptr;
    void* argument = nullptr;
};

// The loop's state, one per process: the process record, the document event slots, the
// running and shutting-down flags and the counters of the pump.
struct LoopState {
    ProcessRecord process;
    std::string command_line;
    DocumentSlot slots[4];
    std::vector<NotificationHandler> notifications[kAppNotificationSlots];
    bool running = true;
    bool shutting_down = false;
    bool started = false;
    bool command_line_done = false;
    int message_counter = kMessagesBetweenTaskChecks;
    LoopStats stats;
    std::uint32_t last_pointer_check = 0;
    // The arguments Qt keeps for the life of its application object.
    int qt_argc = 1;
    char program[8] = "quillon";
    char* qt_argv[2] = {nullptr, nullptr};
};

LoopState& loop_state()
{
    static LoopState state;
    return state;
}

// Finds the framework window under the pointer at most every 10 milliseconds, so that hover
// state follows the pointer even when no move message arrives.
void idle_pointer_check()
{
    std::uint32_t now = LoopTick();
    if (now - loop_state().last_pointer_check < kPointerCheckMs)
        return;
    loop_state().last_pointer_check = now;
    TrackPointer();
}

void dispatch(const platform::Message& message)
{
    DrawOnMainWindow();
    platform::DispatchMessage(message);
}

}  // namespace

const ProcessRecord& Process() { return loop_state().process; }
bool NewShell() { return true; }

bool FrameworkStart(int argc, char** argv, int show_state)
{
    if (loop_state().started)
        return true;
    loop_state().process.argc = argc;
    loop_state().process.argv = argv;
    loop_state().process.show_state = show_state;
    loop_state().process.has_previous_instance = false;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            loop_state().command_line += ' ';
        loop_state().command_line += argv[i] != nullptr ? argv[i] : "";
    }
    loop_state().process.command_line = loop_state().command_line.c_str();
    FormatterStart();
    LoopState& loop = loop_state();
    loop.qt_argv[0] = argc > 0 && argv != nullptr ? argv[0] : loop.program;
    if (!platform::PlatformStart(loop.qt_argc, loop.qt_argv))
        return false;
    if (!loop_state().process.has_previous_instance)
        RegisterWindowClasses();
    LanguageStart();
    loop_state().running = true;
    loop_state().shutting_down = false;
    loop_state().message_counter = kMessagesBetweenTaskChecks;
    loop_state().started = true;
    return true;
}

void FrameworkEnd()
{
    loop_state().shutting_down = true;
    // The process exit reclaims everything else; the tasks and the windows go now so that
    // nothing runs after the end.
    TaskClearAll();
    ClearAppNotificationHandlers();
    MenusEnd();
    LanguageEnd();
    WindowClassesEnd();
    platform::PlatformEnd();
    loop_state().started = false;
}

bool FrameworkShuttingDown() { return loop_state().shutting_down; }

void SetDocumentEventHandler(DocumentEvent slot, DocumentEventHandler handler, void* argument)
{
    loop_state().slots[static_cast<int>(slot)] = DocumentSlot{handler, argument};
}

bool CallDocumentEvent(DocumentEvent slot, const char* path)
{
    DocumentSlot s = loop_state().slots[static_cast<int>(slot)];
    if (s.handler == nullptr)
        return false;
    s.handler(s.argument, path);
    return true;
}

void AddAppNotificationHandler(AppNotification which, AppNotificationHandler handler, void* argument)
{
    if (handler != nullptr)
        loop_state().notifications[static_cast<int>(which)].push_back(NotificationHandler{handler, argument});
}

void CallAppNotification(AppNotification which)
{
    // A handler may add handlers: walk by index over a copy of the count.
    const auto& handlers = loop_state().notifications[static_cast<int>(which)];
    const std::size_t count = handlers.size();
    for (std::size_t i = 0; i < count; ++i) {
        const NotificationHandler h = handlers[i];
        h.handler(h.argument);
    }
}

void ClearAppNotificationHandlers()
{
    for (auto& handlers : loop_state().notifications)
        handlers.clear();
}

bool LoopRunning() { return loop_state().running; }
void SetLoopRunning(bool running) { loop_state().running = running; }
LoopStats LoopStatistics()
{
    loop_state().stats.message_counter = loop_state().message_counter;
    return loop_state().stats;
}

bool PumpStep(FrameWindow* filter, bool may_wait, FrameWindow* watched)
{
    TempMark();
    ++loop_state().stats.steps;
    if (MenuBarNeedsRedraw()) {
        ClearMenuBarRedraw();
        platform::WindowRedrawMenuBar(MainWindowInfo().window);
    }
    ResetDrawingTarget();
    platform::Window* only = filter != nullptr ? filter->window : nullptr;
    platform::Message message;
    loop_state().stats.last_wait = 0;
    if (platform::PeekMessage(&message, only)) {
        platform::GetMessage(&message, only);
        if (message.type != platform::MessageType::quit)
            dispatch(message);
        --loop_state().message_counter;
    } else {
        idle_pointer_check();
        loop_state().message_counter = 0;
        if (may_wait) {
            std::int64_t until = TimeUntilFirstTask();
            std::uint32_t wait = until < 0 || until > kMaxWaitMs ? kMaxWaitMs : static_cast<std::uint32_t>(until);
            if (wait > 0) {
                loop_state().stats.last_wait = wait;
                LoopWait(wait);
            }
        }
    }
    if (loop_state().message_counter <= 0) {
        loop_state().message_counter = kMessagesBetweenTaskChecks;
        if (filter == nullptr && TimeUntilFirstTask() == 0) {
            DrawOnMainWindow();
            RunDueTask();
        }
    }
    ResetDrawingTarget();
    bool go_on = true;
    if (watched != nullptr)
        go_on = FrameWindowAlive(watched) && !(watched->flags & frame_flag::end_modal);
    TempRelease();
    return go_on;
}

void RunMainLoop()
{
    if (!loop_state().command_line_done) {
        loop_state().command_line_done = true;
        HandleCommandLine(loop_state().process.argc, loop_state().process.argv);
    }
    while (loop_state().running)
        PumpStep(nullptr, true, nullptr);
    ResetDrawingTarget();
    CallAppNotification(AppNotification::loop_ended);
}

void RunModal(FrameWindow* window, ModalRestrict restrict)
{
    if (window == nullptr)
        return;
    ModalEnter(window);
    FrameWindow* filter = restrict == ModalRestrict::yes ? window : nullptr;
    while (loop_state().running && PumpStep(filter, true, window)) { }
    if (FrameWindowAlive(window))
        window->flags &= static_cast<std::uint16_t>(~frame_flag::end_modal);
    ModalLeave();
}

void PumpNoWait() { PumpStep(nullptr, false, nullptr); }

void EndModal(FrameWindow* window)
{
    if (FrameWindowAlive(window))
        window->flags |= frame_flag::end_modal;
}
