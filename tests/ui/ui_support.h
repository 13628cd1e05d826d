// Shared by the desktop-layer tests: Qt offscreen with the framework and a main window of a
// known size, started once per test program; pumping the queue dry; where screenshots go.
#pragma once
#include <string>

// Starts the framework with a 1000 x 760 main window once; false when Qt cannot start.
bool StartUiTests();
// Handles every waiting message (paints included) without waiting.
void PumpAll();
// $QUILLON_BUILD/screenshots/<name>.png (the folder is created).
std::string ScreenshotPath(const char* name);
