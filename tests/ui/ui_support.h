// Shared by the desktop-layer tests: the framework's test start with the main window shown,
// documents built in memory, alerts taken, and screenshots in each interface language.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/document.h"
#include "support/test_framework.h"

// Starts the framework with its 1000 x 760 main window shown, once; false when Qt cannot start.
bool StartUiTests();

// Frames over the whole width x height screen with the given delays, pixel(frame, x, y) below
// `colours`, each frame with the comment given; odd frames interlaced when asked.
DocumentPtr TestDocument(int width, int height, int colours, const std::vector<std::uint32_t>& delays,
                         std::uint8_t (*pixel)(int frame, int x, int y), const char* comment = "",
                         bool interlace_odd = false);

// What the shell command writes to its standard output ("" when it cannot start).
std::string CommandOutput(const std::string& command);

// The message of the alert (closed here), "" when there is none.
std::string TakeAlert(FrameWindow* alert);

// Calls shoot("") in English, then shoot("_ja") in Japanese when a Japanese font is installed
// (the switch refuses otherwise), and goes back to English.
void InEachLanguage(const std::function<void(const std::string& suffix)>& shoot);
// Saves the painted window as ScreenshotPath(name).
void Shoot(FrameWindow* window, const std::string& name);
