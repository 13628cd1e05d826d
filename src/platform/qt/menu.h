// Native menus: the main window's menu bar and its drop-down menus, and pop-up menus at
// the pointer. The framework's menu model builds them; choosing an item posts a command
// message with the item's 16-bit identifier to the main window.
#pragma once
#include <cstdint>

#include "platform/qt/geometry.h"

namespace platform {

struct Window;
struct NativeMenu;

NativeMenu* NativeMenuNew();  // a drop-down menu or a bar, by how it is used
void NativeMenuFree(NativeMenu* menu);
void NativeMenuClear(NativeMenu* menu);
int NativeMenuCount(const NativeMenu* menu);
// text: item text with '&' before the mnemonic and the shortcut text after a tab.
void NativeMenuAppendItem(NativeMenu* menu, std::uint16_t id, const char* text, bool enabled, bool checked);
void NativeMenuAppendSeparator(NativeMenu* menu);
// Puts a drop-down menu into a bar at a position (-1: at the end).
void NativeMenuInsertPopup(NativeMenu* bar, int position, NativeMenu* popup, const char* title, bool enabled);
void NativeMenuRemoveAt(NativeMenu* bar, int position);
// Installs the bar on the main window (null detaches it).
void WindowSetMenuBar(Window* main_window, NativeMenu* bar);
void WindowRedrawMenuBar(Window* main_window);

// The text of entry i (for tests and diagnostics): "&Open\tCtrl+O", "-" for a separator,
// the title for a drop-down. Empty outside the menu.
const char* NativeMenuEntryText(const NativeMenu* menu, int index);
bool NativeMenuEntryEnabled(const NativeMenu* menu, int index);
bool NativeMenuEntryChecked(const NativeMenu* menu, int index);

// Chooses entry i as the user would (tests and keyboard navigation).
void NativeMenuTrigger(NativeMenu* menu, int index);

// Shows a list of choices at a point of a window and waits for one: the chosen index, or
// -1 when the menu was dismissed. Texts "-" are separators.
int RunPopupMenu(Window* window, Point client, const char* const* texts, int count, int checked_index);

}  // namespace platform
