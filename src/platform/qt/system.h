// Services of the desktop beyond windows: the beep, the clipboard, opening links, the
// common file dialogs and the colour chooser.
#pragma once
#include <cstdint>
#include <string>

#include "platform/qt/draw.h"

namespace platform {

struct Window;

void Beep();
// Bits per pixel of the primary display (24 or 32 on today's desktops).
int DisplayBitsPerPixel();
// The part of the screen that windows may take (without panels and docks), in screen
// coordinates: the screen of the main window, else the primary one.
Rect ScreenWorkArea();
// Texts are program bytes (see text.h).
void ClipboardSetText(const char* text);
std::string ClipboardText();
// Opens a web or mail link with the desktop's handler. False on failure.
bool OpenUrl(const char* url);

// ---- File dialogs

struct FileFilter {
    const char* description = "";  // "GIF image"
    const char* pattern = "";      // "*.gif"
};
struct FileDialogRequest {
    Window* owner = nullptr;
    const char* title = "";
    const FileFilter* filters = nullptr;
    int filter_count = 0;
    int filter_index = 0;  // in: the initial filter; out: the chosen one
    const char* initial_folder = "";
    const char* initial_name = "";
    // Suffix (without period) added to a typed name without extension; it follows the
    // chosen filter: a filter whose pattern holds a wildcard after "*." gives none.
    const char* default_suffix = "";
};
// The chosen path (UTF-8 bytes), or empty when cancelled.
std::string AskOpenPath(FileDialogRequest& request);
// Asks before replacing an existing file.
std::string AskSavePath(FileDialogRequest& request);
// The suffix a filter pattern gives to typed names: "*.gif" gives "gif", "*.*" or "*"
// gives "".
std::string DefaultSuffixOf(const char* pattern);

// ---- Colour chooser: true and the chosen colour, or false when cancelled.
bool ChooseColour(Window* owner, Colour initial, Colour* chosen);

}  // namespace platform
