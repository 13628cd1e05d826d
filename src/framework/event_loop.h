// The process's one event loop: start-up and shutdown of the framework, the pump step that
// handles one message or runs one due deferred task, the main and modal runs, deferred
// tasks, the document event table (shell requests and command line). Windows, their
// procedures and the keyboard handling live in frame_window.h; menus in menus.h.
#pragma once
#include <cstdint>

struct FrameWindow;

// ---- The process

struct ProcessRecord {
    int argc = 0;
    char** argv = nullptr;
    const char* command_line = "";  // the arguments after the program name, as one line
    int show_state = 1;
    bool has_previous_instance = false;
};
const ProcessRecord& Process();
// True on every desktop the program runs on: long names, the system's common dialogs,
// shutdown left to the process exit.
bool NewShell();

// ---- Time: the tick count and the sleep the loop uses; tests install their own.

struct LoopClock {
    std::uint32_t (*tick)() = nullptr;
    void (*sleep)(std::uint32_t milliseconds) = nullptr;
};
void SetLoopClock(const LoopClock& clock);  // a clock with null members restores the system's
std::uint32_t LoopTick();
// Waits until the tick count has moved on by the given milliseconds.
void LoopWait(std::uint32_t milliseconds);

// ---- Start-up and shutdown

// Starts Qt, the foundations, the window classes and the framework's subsystems. False
// when the window system cannot be started.
[[nodiscard]] bool FrameworkStart(int argc, char** argv, int show_state);
// Drops the waiting tasks, frees the menu bars, frees the fonts and ends Qt with every
// remaining window. Nothing of the framework may be used afterwards.
void FrameworkEnd();
bool FrameworkShuttingDown();

// ---- Document event table: slots the application fills; the framework calls them for
// shell requests and the command line.

enum class DocumentEvent : std::uint8_t { start = 0, open = 1, print = 2, quit = 3 };
using DocumentEventHandler = void (*)(void* argument, const char* path);  // path: open, print
void SetDocumentEventHandler(DocumentEvent slot, DocumentEventHandler handler, void* argument);
// Calls the slot when it has a handler; false when it has none.
bool CallDocumentEvent(DocumentEvent slot, const char* path);

// ---- Application notifications: the framework tells the application about the program
// as a whole. The numbers are slots; this desktop raises these three.

enum class AppNotification : std::uint8_t {
    activated = 0,    // the program became the active one
    deactivated = 1,  // another program took the activation (or the last window went)
    loop_ended = 5,   // the main loop has stopped, before the framework ends
};
constexpr int kAppNotificationSlots = 6;
using AppNotificationHandler = void (*)(void* argument);
// Adds a handler to the slot; handlers run in the order they were added.
void AddAppNotificationHandler(AppNotification which, AppNotificationHandler handler, void* argument);
void CallAppNotification(AppNotification which);
// Forgets every handler (shutdown and tests).
void ClearAppNotificationHandlers();

// ---- The loop

// Handles the command line once, then pumps with waiting until the main window is gone;
// then raises the loop-ended notification.
void RunMainLoop();
// Handles at most one message (or one due task). filter: only that window's messages, and
// no deferred tasks. watched: its end flag (0x100) makes the result false.
bool PumpStep(FrameWindow* filter, bool may_wait, FrameWindow* watched);
// Pumps with waiting until the window's end flag is set (and clears it). restrict: only
// that window's messages are handled meanwhile.
enum class ModalRestrict : std::uint8_t { no, yes };
void RunModal(FrameWindow* window, ModalRestrict restrict);
// One step without filter and without waiting: keeps the interface alive in long work.
void PumpNoWait();
// Marks the window's modal run to end (sets flag 0x100).
void EndModal(FrameWindow* window);
// False once the main window has been destroyed.
bool LoopRunning();
void SetLoopRunning(bool running);

// Loop statistics for tests and diagnostics.
struct LoopStats {
    std::uint32_t last_wait = 0;  // milliseconds asked of the last idle wait (0: none)
    int message_counter = 0;      // messages left before the next forced task check
    std::uint32_t steps = 0;
};
LoopStats LoopStatistics();

// ---- Deferred tasks

using TaskFunction = void (*)(void* argument);
struct Task;
// A task due at now + delay; the loop runs it once, then frees it.
Task* TaskAfter(TaskFunction function, void* argument, std::uint32_t delay);
// Unlinks and frees a task that is still waiting; a task that has run must not be passed.
void TaskCancel(Task* task);
int TaskCount();
// Runs the first task when it is due; true when one ran.
bool RunDueTask();
// Milliseconds until the first task is due (0 when due now), or -1 without tasks.
std::int64_t TimeUntilFirstTask();
// Frees every waiting task (shutdown and tests).
void TaskClearAll();

// ---- The command line (handled once when the main loop starts)

enum class CommandLineAction : std::uint8_t { none, open, print };
struct CommandLineRequest {
    CommandLineAction action = CommandLineAction::none;
    const char* path = nullptr;  // into the parsed copy
    int path_length = 0;
};
// The switch request of a command line ("/o name", "/p \"a b.gif\""); none when there is
// no switch or the name is unusable (a quote that is never closed).
CommandLineRequest ParseCommandLineSwitch(const char* line);
// Hands the arguments to the document event table: a /o or /p switch as above; otherwise
// every plain argument is a file to open. A print request is followed by the quit slot.
void HandleCommandLine(int argc, char** argv);
