// Shared by the framework and desktop-layer tests: Qt started offscreen with the framework
// and its main window once per test program, windows to put views in, pumping the queue
// dry, keys as the framework delivers them, and where screenshots go.
#pragma once
#include <cstdint>
#include <string>

#include "framework/frame_window.h"

// Starts the framework (and its 1000 x 760 main window) once; false when Qt cannot start.
bool StartTestFramework();
// A dialog-like framework window with that client size, shown and focused.
FrameWindow* NewTestWindow(int width, int height, const char* title = "");
// Handles every waiting message (paints included) without waiting.
void PumpAll();
// A key event of that character and modifier bits.
KeyEvent TestKey(std::uint8_t character, std::uint8_t modifiers = 0);
// $QUILLON_BUILD/screenshots/<name>.png (the folder is created).
std::string ScreenshotPath(const char* name);
