// Start-up and the main flow of the desktop program: the process entry, the start-up
// sequence in its fixed order, the document event table (start, open, print, quit) that
// the shell and the command line reach, and the display check.
#pragma once

// The process entry: starts the framework, runs the start-up and the event loop. 0 at the end;
// 1 when the window system or the program's texts cannot be started.
int program_entry(int argc, char** argv, int show_state);

// The start-up sequence; false when the program must end at once (its texts are missing,
// or the user quit in the first-start language chooser: ui_state().quit_at_start).
[[nodiscard]] bool initialise_application();

// The document event slots.
void document_event_start(void* argument, const char* path);
void document_event_open(void* argument, const char* path);
void document_event_print(void* argument, const char* path);
void document_event_quit(void* argument, const char* path);

// False when the display shows 8 bits per pixel or fewer (the user has been told).
bool check_display(int bits_per_pixel);

// Releases what the start-up made (after the loop, and in tests).
void end_application();
