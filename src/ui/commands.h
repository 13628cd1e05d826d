// The program's commands: the menus in their order, the state of the items that follow the
// current document, the current document and the window switch that changes it, and the
// handlers (open, close, save, save under a new name, size report, comments, interlace,
// pane toggles). Every document command acts on the current document.
#pragma once
#include <cstdint>

#include "gif/gif_writer.h"
#include "ui/pane.h"

struct Document;
class DocumentWindow;

void build_menus();
void update_command_state(Document* document);
Document* current_document();
// The document of the window that became active, or none when a document window lost the
// front position.
void window_switch(Document* document);

// A tool window of the document took the keyboard (or went away with it): the document
// window takes it back once the window system has finished with that (50 ms later).
void reactivate_document_window_soon(DocumentWindow& window);

// The open slot: loads the file (refusing one that is not a GIF) and gives it a window.
// True when a document was opened.
bool open_document_file(const char* path);
// Runs a save of the document with progress; true when a file was written.
bool save_current_document(DocumentWindow& window, SaveMode mode);
// Asks every changed document about its edits, then ends the program; nothing when a
// document is busy or the user kept one open.
void quit_program();

// The commands by themselves (menu handlers call these with the current document).
void command_open();
void command_close();
void command_save();
void command_save_as();
void command_size_report();
void command_insert_stamp();
void command_clear_comments(bool then_stamp);
void command_make_non_interlaced();
void command_toggle_pane(PaneKind kind);

// The stamp comment of the template at the given time (seconds since the epoch).
char* compose_stamp(const char* stamp_template, std::int64_t seconds);
