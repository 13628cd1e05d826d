#include "framework/menus.h"

#include <bitset>
#include <algorithm>
#include <new>
#include <vector>

#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "framework/frame_window.h"
#include "framework/menu_text.h"
#include "platform/qt/menu.h"
#include "platform/qt/system.h"

namespace {

// Identifiers below 0x100 are left to the system menu (next window is 32); the pool ends
// below the system commands at 0xF000.
constexpr std::uint16_t kFirstId = 0x100, kEndId = 0xF000;
// The menu model of the process: the command identifiers in use, the bars alive and the
// current one, and whether the platform menu bar must be rebuilt.
struct MenuState {
    std::bitset<65536> ids_in_use;
    int ids_count = 0;
    MenuBar* current = nullptr;
    std::vector<MenuBar*> bars;  // every bar alive, for the shutdown
    bool redraw = false;
};

MenuState& menu_state()
{
    static MenuState state;
    return state;
}

bool is_separator(const char* text) { return text != nullptr && text[0] == '-' && text[1] == 0; }
bool is_apple(const Menu* menu) { return menu->title != nullptr && StrEqual(menu->title, "Apple"); }

template <typename T> void array_append(T**& array, std::uint16_t& count, T* value)
{
    array = static_cast<T**>(MemRealloc(array, sizeof(T*) * (count + 1u)));
    array[count++] = value;
}

template <typename T> void array_remove(T**& array, std::uint16_t& count, T* value)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        if (array[i] != value)
            continue;
        for (std::uint16_t j = i; j + 1 < count; ++j)
            array[j] = array[j + 1];
        --count;
        return;
    }
}

bool menu_enabled_in_bar(const Menu* menu) { return (menu->flags & 1) && (menu->bar == nullptr || menu->bar->enabled); }

// The title as the bar shows it: mnemonic, no shortcut.
const char* title_text(const Menu* menu) { return MenuItemText(menu->title, menu->mnemonic, 0); }

int shown_before(const Menu* menu)
{
    MenuBar* bar = menu->bar;
    int position = 0;
    for (std::uint16_t i = 0; i < bar->menu_count && bar->menus[i] != menu; ++i)
        if (bar->menus[i]->shown)
            ++position;
    return position;
}

// Rebuilds the menu's drop-down from its items; with put_back, also puts it back into the
// current bar at its place.
void build_popup(Menu* menu, bool put_back)
{
    TempMark();
    platform::NativeMenuClear(menu->popup);
    for (std::uint16_t i = 0; i < menu->item_count; ++i) {
        MenuItem* item = menu->items[i];
        if (is_separator(item->text)) {
            platform::NativeMenuAppendSeparator(menu->popup);
            continue;
        }
        platform::NativeMenuAppendItem(menu->popup, item->id, MenuItemText(item->text, item->mnemonic, item->shortcut),
                                       ItemEnabled(item), ItemChecked(item));
    }
    if (put_back && menu->bar != nullptr && !is_apple(menu)) {
        int position = shown_before(menu);
        if (menu->shown)
            platform::NativeMenuRemoveAt(menu->bar->native, position);
        platform::NativeMenuInsertPopup(menu->bar->native, position, menu->popup, title_text(menu),
                                        menu_enabled_in_bar(menu));
        menu->shown = true;
    }
    TempRelease();
}

void build_bar(MenuBar* bar)
{
    TempMark();
    platform::NativeMenuClear(bar->native);
    for (std::uint16_t i = 0; i < bar->menu_count; ++i) {
        Menu* menu = bar->menus[i];
        build_popup(menu, false);
        menu->shown = false;
        if (is_apple(menu))
            continue;
        platform::NativeMenuInsertPopup(bar->native, -1, menu->popup, title_text(menu), menu_enabled_in_bar(menu));
        menu->shown = true;
    }
    menu_state().redraw = true;
    TempRelease();
}

// After a change of one of its items: a menu of the current bar is rebuilt at once.
void refresh(Menu* menu)
{
    if (menu == nullptr || menu->bar == nullptr || menu->bar != menu_state().current)
        return;
    build_popup(menu, true);
    menu_state().redraw = true;
}

void notify_and_run(MenuItem* item)
{
    FrameWindow* target = CommandTargetWindow();
    if (target != nullptr && target->handlers.notify != nullptr)
        target->handlers.notify(target, item);
    if (item->handler != nullptr)
        item->handler(item->argument);
}

}  // namespace

// ---- Identifier pool

std::uint16_t MenuIdAcquire()
{
    for (std::uint32_t id = kFirstId; id < kEndId; ++id) {
        if (!menu_state().ids_in_use[id]) {
            menu_state().ids_in_use[id] = true;
            ++menu_state().ids_count;
            return static_cast<std::uint16_t>(id);
        }
    }
    return 0;
}

void MenuIdRelease(std::uint16_t id)
{
    if (id != 0 && menu_state().ids_in_use[id]) {
        menu_state().ids_in_use[id] = false;
        --menu_state().ids_count;
    }
}

int MenuIdsInUse() { return menu_state().ids_count; }

// ---- Bars

MenuBar* MenuBarNew()
{
    auto* bar = new (MemAlloc(sizeof(MenuBar))) MenuBar;
    bar->native = platform::NativeMenuNew();
    menu_state().bars.push_back(bar);
    return bar;
}

void MenuBarInstall(MenuBar* bar)
{
    menu_state().current = bar;
    platform::Window* main = MainWindowInfo().window;
    if (bar == nullptr) {
        platform::WindowSetMenuBar(main, nullptr);
        return;
    }
    build_bar(bar);
    platform::WindowSetMenuBar(main, bar->native);
}

void MenuBarFree(MenuBar* bar)
{
    if (bar == nullptr)
        return;
    if (menu_state().current == bar)
        MenuBarInstall(nullptr);
    menu_state().bars.erase(std::remove(menu_state().bars.begin(), menu_state().bars.end(), bar),
                            menu_state().bars.end());
    while (bar->menu_count > 0)
        MenuFree(bar->menus[bar->menu_count - 1]);
    MemFree(bar->menus);
    platform::NativeMenuFree(bar->native);
    MemFree(bar);
}

MenuBar* CurrentMenuBar() { return menu_state().current; }

void MenusEnd()
{
    while (!menu_state().bars.empty())
        MenuBarFree(menu_state().bars.back());
}

void MenuBarSetEnabled(MenuBar* bar, bool enabled)
{
    if (bar == nullptr || bar->enabled == enabled)
        return;
    bar->enabled = enabled;
    if (bar == menu_state().current)
        build_bar(bar);
}

// ---- Menus

Menu* MenuNew(MenuBar* bar, const char* title, std::uint8_t mnemonic)
{
    auto* menu = new (MemAlloc(sizeof(Menu))) Menu;
    menu->title = StrDup(title != nullptr ? title : "");
    menu->mnemonic = mnemonic;
    menu->popup = platform::NativeMenuNew();
    menu->id = MenuIdAcquire();
    if (bar != nullptr) {
        menu->bar = bar;
        array_append(bar->menus, bar->menu_count, menu);
        if (bar == menu_state().current)
            build_bar(bar);
    }
    return menu;
}

void MenuFree(Menu* menu)
{
    if (menu == nullptr)
        return;
    MenuBar* bar = menu->bar;
    if (bar != nullptr) {
        if (menu->shown && bar == menu_state().current)
            platform::NativeMenuRemoveAt(bar->native, shown_before(menu));
        array_remove(bar->menus, bar->menu_count, menu);
        menu->bar = nullptr;
        if (bar == menu_state().current)
            menu_state().redraw = true;
    }
    while (menu->item_count > 0)
        ItemFree(menu->items[menu->item_count - 1]);
    MemFree(menu->items);
    MenuIdRelease(menu->id);
    StrFree(menu->title);
    platform::NativeMenuFree(menu->popup);
    MemFree(menu);
}

void MenuSetEnabled(Menu* menu, bool enabled)
{
    if (menu == nullptr || ((menu->flags & 1) != 0) == enabled)
        return;
    menu->flags = static_cast<std::uint8_t>(enabled ? menu->flags | 1 : menu->flags & ~1);
    refresh(menu);
}

// ---- Items

MenuItem* ItemNew(Menu* menu, const char* text, std::uint8_t mnemonic, std::uint8_t shortcut, ItemHandler handler,
                  void* argument)
{
    auto* item = new (MemAlloc(sizeof(MenuItem))) MenuItem;
    item->text = StrDup(text != nullptr ? text : "");
    // A separator never carries a mnemonic or a shortcut.
    bool separator = is_separator(item->text);
    item->mnemonic = separator ? 0 : mnemonic;
    item->shortcut = separator ? 0 : shortcut;
    item->handler = handler;
    item->argument = argument;
    item->id = MenuIdAcquire();
    if (menu != nullptr) {
        item->menu = menu;
        array_append(menu->items, menu->item_count, item);
        refresh(menu);
    }
    return item;
}

void ItemFree(MenuItem* item)
{
    if (item == nullptr)
        return;
    if (Menu* menu = item->menu) {
        array_remove(menu->items, menu->item_count, item);
        item->menu = nullptr;
        refresh(menu);
    }
    MenuIdRelease(item->id);
    StrFree(item->text);
    MemFree(item);
}

void ItemSetChecked(MenuItem* item, bool checked)
{
    if (item == nullptr || ItemChecked(item) == checked)
        return;
    item->flags =
        static_cast<std::uint8_t>(checked ? item->flags | item_flag::checked : item->flags & ~item_flag::checked);
    refresh(item->menu);
}

void ItemSetEnabled(MenuItem* item, bool enabled)
{
    if (item == nullptr || ItemEnabled(item) == enabled)
        return;
    item->flags =
        static_cast<std::uint8_t>(enabled ? item->flags | item_flag::enabled : item->flags & ~item_flag::enabled);
    refresh(item->menu);
}

void ItemSetText(MenuItem* item, const char* text)
{
    if (item == nullptr)
        return;
    char* copy = StrDup(text != nullptr ? text : "");
    StrFree(item->text);
    item->text = copy;
    refresh(item->menu);
}

// ---- Lookup and shortcuts

MenuItem* FindMenuItem(MenuBar* bar, std::uint16_t id)
{
    if (bar == nullptr)
        return nullptr;
    for (int m = bar->menu_count - 1; m >= 0; --m) {
        Menu* menu = bar->menus[m];
        if (menu->id == id)
            return nullptr;
        for (int i = menu->item_count - 1; i >= 0; --i)
            if (menu->items[i]->id == id)
                return menu->items[i];
    }
    return nullptr;
}

bool MatchShortcut(const KeyEvent& event)
{
    std::uint8_t wanted = CharToUpper(event.character);
    MenuBar* bar = menu_state().current;
    if (bar == nullptr || wanted == 0)
        return false;
    for (std::uint16_t m = 0; m < bar->menu_count; ++m) {
        Menu* menu = bar->menus[m];
        for (std::uint16_t i = 0; i < menu->item_count; ++i) {
            MenuItem* item = menu->items[i];
            if (item->shortcut == 0 || CharToUpper(item->shortcut) != wanted)
                continue;
            if (ItemEnabled(item) && menu_enabled_in_bar(menu))
                notify_and_run(item);
            else
                FrameworkBeep();
            return true;
        }
    }
    return false;
}

void RefreshAllMenus()
{
    if (menu_state().current != nullptr)
        build_bar(menu_state().current);
}

bool MenuBarNeedsRedraw() { return menu_state().redraw; }
void ClearMenuBarRedraw() { menu_state().redraw = false; }
void MarkMenuBarRedraw() { menu_state().redraw = true; }
