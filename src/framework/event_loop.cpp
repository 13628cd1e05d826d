#include "framework/event_loop.h"

#include <string>

#include "foundation/formatter.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "framework/menus.h"
#include "platform/qt/menu.h"
#include "platform/qt/window.h"

namespace {

struct DocumentSlot {
    DocumentEventHandler handler = nullptr;
    void* argument = nullptr;
};

ProcessRecord g_process;
std::string g_command_line;
DocumentSlot g_slots[4];
bool g_running = true;
bool g_shutting_down = false;
bool g_started = false;
bool g_command_line_done = false;
int g_message_counter = 64;
LoopStats g_stats;
std::uint32_t g_last_pointer_check = 0;

// Finds the framework window under the pointer at most every 10 milliseconds, so that hover
// state follows the pointer even when no move message arrives.
void idle_pointer_check()
{
    std::uint32_t now = LoopTick();
    if (now - g_last_pointer_check < 10)
        return;
    g_last_pointer_check = now;
    TrackPointer();
}

void dispatch(const platform::Message& message)
{
    DrawOnMainWindow();
    platform::DispatchMessage(message);
}

}  // namespace

const ProcessRecord& Process() { return g_process; }
bool NewShell() { return true; }

bool FrameworkStart(int argc, char** argv, int show_state)
{
    if (g_started)
        return true;
    g_process.argc = argc;
    g_process.argv = argv;
    g_process.show_state = show_state;
    g_process.has_previous_instance = false;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            g_command_line += ' ';
        g_command_line += argv[i] != nullptr ? argv[i] : "";
    }
    g_process.command_line = g_command_line.c_str();
    FormatterStart();
    static int qt_argc = 1;
    static char program[] = "quillon";
    static char* qt_argv[] = {argc > 0 && argv != nullptr ? argv[0] : program, nullptr};
    if (!platform::PlatformStart(qt_argc, qt_argv))
        return false;
    if (!g_process.has_previous_instance)
        RegisterWindowClasses();
    LanguageStart();
    g_running = true;
    g_shutting_down = false;
    g_message_counter = 64;
    g_started = true;
    return true;
}

void FrameworkEnd()
{
    g_shutting_down = true;
    // The process exit reclaims everything else; the tasks and the windows go now so that
    // nothing runs after the end.
    TaskClearAll();
    MenusEnd();
    LanguageEnd();
    WindowClassesEnd();
    platform::PlatformEnd();
    g_started = false;
}

bool FrameworkShuttingDown() { return g_shutting_down; }

void SetDocumentEventHandler(DocumentEvent slot, DocumentEventHandler handler, void* argument)
{
    g_slots[static_cast<int>(slot)] = DocumentSlot{handler, argument};
}

bool CallDocumentEvent(DocumentEvent slot, const char* path)
{
    DocumentSlot s = g_slots[static_cast<int>(slot)];
    if (s.handler == nullptr)
        return false;
    s.handler(s.argument, path);
    return true;
}

bool LoopRunning() { return g_running; }
void SetLoopRunning(bool running) { g_running = running; }
LoopStats LoopStatistics()
{
    g_stats.message_counter = g_message_counter;
    return g_stats;
}

bool PumpStep(FrameWindow* filter, bool may_wait, FrameWindow* watched)
{
    TempMark();
    ++g_stats.steps;
    if (MenuBarNeedsRedraw()) {
        ClearMenuBarRedraw();
        platform::WindowRedrawMenuBar(MainWindowInfo().window);
    }
    ResetDrawingTarget();
    platform::Window* only = filter != nullptr ? filter->window : nullptr;
    platform::Message message;
    g_stats.last_wait = 0;
    if (platform::PeekMessage(&message, only)) {
        platform::GetMessage(&message, only);
        if (message.type != platform::MessageType::quit)
            dispatch(message);
        --g_message_counter;
    } else {
        idle_pointer_check();
        g_message_counter = 0;
        if (may_wait) {
            std::int64_t until = TimeUntilFirstTask();
            std::uint32_t wait = until < 0 || until > 50 ? 50 : static_cast<std::uint32_t>(until);
            if (wait > 0) {
                g_stats.last_wait = wait;
                LoopWait(wait);
            }
        }
    }
    if (g_message_counter <= 0) {
        g_message_counter = 64;
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
    if (!g_command_line_done) {
        g_command_line_done = true;
        HandleCommandLine(g_process.argc, g_process.argv);
    }
    while (g_running)
        PumpStep(nullptr, true, nullptr);
    ResetDrawingTarget();
}

void RunModal(FrameWindow* window, ModalRestrict restrict)
{
    if (window == nullptr)
        return;
    ModalEnter(window);
    FrameWindow* filter = restrict == ModalRestrict::yes ? window : nullptr;
    while (g_running && PumpStep(filter, true, window)) { }
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
