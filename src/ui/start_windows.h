// The windows around the documents: the splash window of the start, the welcome window
// (open a GIF or drop one here), the placeholder windows of the tools that a later version
// brings (settings, information windows, animation and range panes), and the Edit items'
// action on the focused text field.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/pane.h"

class DocumentWindow;

// Shows the splash window in the bottom right corner of the main window's client area and
// closes it 2500 ms later.
void show_splash_window();
void show_welcome_window();
void close_welcome_window();
// A small window titled with application string `title` saying the tool is not ready yet.
void open_placeholder_window(int title);
// A pane window that holds only the not-ready text (closing it hides the pane).
std::unique_ptr<Pane> make_placeholder_pane(DocumentWindow& owner, PaneKind kind);
// Undo (z), cut (x), copy (c), paste (v), clear (127) and select all (a) in the focused field.
void edit_focused_field(std::uint8_t letter);
