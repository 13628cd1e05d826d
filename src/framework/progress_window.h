// The paced progress window: a caption and a bar over the main window while a command works
// through a known number of units. It paces the command so that the run lasts at least one
// second and stays visible 150 ms more at the end. One run at a time, process-wide.
// Time comes from the event loop's clock (LoopTick, LoopWait), which tests replace.
#pragma once
#include <cstdint>

#include "platform/qt/geometry.h"

struct FrameWindow;

// Milliseconds to wait after `done` of `total` units when `elapsed` ms have passed since
// the start: the run is paced to done x 1000 / total ms. Zero when the work is behind.
std::uint32_t ProgressPacingWait(std::uint32_t done, std::uint32_t total, std::uint32_t elapsed);

void ProgressOpen(const char* caption, std::uint32_t total);
void ProgressAdvance(std::uint32_t units);
void ProgressClose();

// For tests and the paint of the bar: the units done and the total of the open run.
bool ProgressIsOpen();
std::uint32_t ProgressDone();
std::uint32_t ProgressTotal();
// The window of the open run (tests and screenshots), or null.
FrameWindow* ProgressWindow();

// Paints the window at once when it has a pending update: long operations pump no loop.
void PaintWindowNow(FrameWindow* window);
// The main window's client area in screen coordinates (640 x 480 at 0, 0 without one).
platform::Rect MainClientScreenArea();
