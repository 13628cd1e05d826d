// The windows around the documents: the splash window of the start, the welcome window
// (open a GIF or drop one here), and the Edit items' action on the focused text field.
#pragma once
#include <cstdint>

// Shows the splash window in the bottom right corner of the main window's client area and
// closes it 2500 ms later.
void show_splash_window();
void show_welcome_window();
void close_welcome_window();
// Undo (z), cut (x), copy (c), paste (v), clear (127) and select all (a) in the focused field.
void edit_focused_field(std::uint8_t letter);
