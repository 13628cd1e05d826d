// Shared by the framework tests: Qt started offscreen with the framework once per test
// program, windows to put views in, painting the queue dry, and where screenshots go.
#pragma once
#include <string>

#include "platform/qt/geometry.h"

struct FrameWindow;

// Starts the framework (and its main window) once; false when Qt cannot start.
bool StartTestFramework();
// A dialog-like framework window with that client size, shown.
FrameWindow* NewTestWindow(int width, int height, const char* title = "");
// Handles every waiting message (paints included) without waiting.
void PumpAll();
// $QUILLON_BUILD/screenshots/<name>.png (the folder is created).
std::string ScreenshotPath(const char* name);
