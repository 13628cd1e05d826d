// Pop-up menus, and the combo field and value pop-up: controls that show a current entry
// and offer a list of items in a menu. The combo field and value pop-up keep their own copies
// of the items and a current entry that is an item or free text; the combo field can also
// be typed into. Tests script the menu's answer instead of showing it.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"

inline constexpr std::uint16_t kNoItem = 65535;

enum class PopupKind : std::uint8_t { menu, combo, value };

// A pop-up menu showing the selected item.
View* PopupMenuNew(View* parent, int count, const char* const* items, int selected);
// Called with the index the user chose from the menu.
void PopupOnChoose(View* popup, std::function<void(int)> callback);
// A combo field (editable) or value pop-up (not editable) holding a current text.
View* ComboNew(View* parent, PopupKind kind, int count, const char* const* items, const char* current);
// Called with the new current text when the user chooses an item or finishes typing.
void ComboOnText(View* combo, std::function<void(const char*)> callback);

// Searches the items from the last to the first for the text; an equal one becomes current,
// otherwise the text is kept as free text. With Notify::Yes the text callback is called.
void ComboSetText(View* control, const char* text, Notify notify);
const char* ComboText(View* control);
// The current item, or kNoItem while the entry is free text.
std::uint16_t PopupCurrentIndex(View* control);
void PopupSelect(View* control, int index);
// Replaces the items (the current entry is kept as text for a combo, as an index otherwise)
// and lays the control out again.
void PopupSetItems(View* control, int count, const char* const* items);
// The entries the menu shows now (a combo's free text first); for tests and the menu.
int PopupMenuEntryCount(View* control);
const char* PopupMenuEntry(View* control, int index);
int PopupMenuCheckedEntry(View* control);
// Opens the menu as a click does.
void PopupOpen(View* control);
bool ViewIsPopup(const View* view);

// Tests: while set, opening a menu answers `entry` (-1: dismissed) without showing it.
void PopupSetScriptedChoice(const int* entry);
