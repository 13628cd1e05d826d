// The framework's menu model: menu bars, menus and items with their handlers, identifiers
// from a pool, and the native menus built from it whenever it changes. Also the shortcut
// matcher, which runs items from the keyboard without a platform accelerator table.
// Item texts (mnemonics, shortcut texts) come from menu_text.h.
#pragma once
#include <cstdint>

#include "foundation/list.h"

struct FrameWindow;
struct KeyEvent;
namespace platform {
struct NativeMenu;
}

using ItemHandler = void (*)(void* argument);

struct Menu;
struct MenuBar;

struct MenuItem {
    Menu* menu = nullptr;
    char* text = nullptr;  // owned; "-" is a separator
    std::uint8_t mnemonic = 0;
    std::uint8_t shortcut = 0;
    std::uint8_t flags = 1;  // bit 0 enabled, bit 1 checked
    ItemHandler handler = nullptr;
    void* argument = nullptr;
    std::uint16_t id = 0;
};

struct Menu {
    MenuBar* bar = nullptr;
    char* title = nullptr;  // owned
    std::uint8_t mnemonic = 0;
    std::uint8_t flags = 1;  // bit 0 enabled
    MenuItem** items = nullptr;
    std::uint16_t item_count = 0;
    platform::NativeMenu* popup = nullptr;
    std::uint16_t id = 0;
    bool shown = false;
};

struct MenuBar {
    Menu** menus = nullptr;
    std::uint16_t menu_count = 0;
    bool enabled = true;
    platform::NativeMenu* native = nullptr;
};

namespace item_flag {
constexpr std::uint8_t enabled = 0x1, checked = 0x2;
}

MenuBar* MenuBarNew();
// Makes the bar current, builds it and installs it on the main window; null detaches.
void MenuBarInstall(MenuBar* bar);
void MenuBarFree(MenuBar* bar);
MenuBar* CurrentMenuBar();
// Frees every bar still alive with its menus and items (shutdown, before Qt ends).
void MenusEnd();
void MenuBarSetEnabled(MenuBar* bar, bool enabled);

// A menu appended to the bar (or free standing when bar is null); texts are copied.
Menu* MenuNew(MenuBar* bar, const char* title, std::uint8_t mnemonic);
void MenuFree(Menu* menu);
void MenuSetEnabled(Menu* menu, bool enabled);

// An item appended to the menu; the text "-" makes a separator.
MenuItem* ItemNew(Menu* menu, const char* text, std::uint8_t mnemonic, std::uint8_t shortcut, ItemHandler handler,
                  void* argument);
void ItemFree(MenuItem* item);
void ItemSetChecked(MenuItem* item, bool checked);
void ItemSetEnabled(MenuItem* item, bool enabled);
void ItemSetText(MenuItem* item, const char* text);
inline bool ItemEnabled(const MenuItem* item) { return item->flags & item_flag::enabled; }
inline bool ItemChecked(const MenuItem* item) { return item->flags & item_flag::checked; }

// The item with the identifier: menus from the last to the first, items from the last to
// the first; a menu with that identifier ends the search with none.
MenuItem* FindMenuItem(MenuBar* bar, std::uint16_t id);
// Runs the first item in bar order whose shortcut matches the event's character; beeps for
// a disabled one. True when the key was consumed.
bool MatchShortcut(const KeyEvent& event);

// Rebuilds every menu's native popup and the bar (after a language change).
void RefreshAllMenus();
// The main window's menu bar must be redrawn in the next loop step.
bool MenuBarNeedsRedraw();
void ClearMenuBarRedraw();
void MarkMenuBarRedraw();

// Identifier pool (for tests and the system menu's fixed identifiers).
std::uint16_t MenuIdAcquire();
void MenuIdRelease(std::uint16_t id);
int MenuIdsInUse();
