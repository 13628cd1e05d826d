// The menus of the program from one table: menu, item text number, mode, handler. Texts
// come from the menu strings, whose first character is the shortcut key (a space for none)
// and whose '&' marks the mnemonic.
#include <string>

#include "app/string_tables.h"
#include "framework/menus.h"
#include "ui/commands.h"
#include "ui/info_windows.h"
#include "ui/start_windows.h"
#include "ui/settings_window.h"
#include "ui/ui_state.h"

namespace {

enum class Mode : std::uint8_t { Always, NormalOnly };

struct MenuText {
    std::string visible;
    std::uint8_t mnemonic = 0;
    std::uint8_t shortcut = 0;
};

MenuText split_menu_text(const char* text)
{
    MenuText out;
    if (!text[0])
        return out;
    if (text[0] != ' ')
        out.shortcut = static_cast<std::uint8_t>(text[0]);
    for (const char* c = text + 1; *c; ++c) {
        if (*c == '&' && c[1] && !out.mnemonic) {
            const std::uint8_t letter = static_cast<std::uint8_t>(c[1]);
            out.mnemonic = letter >= 'A' && letter <= 'Z' ? static_cast<std::uint8_t>(letter + 32) : letter;
            continue;
        }
        out.visible += *c;
    }
    return out;
}

Menu* add_menu(MenuBar* bar, int title)
{
    const MenuText text = split_menu_text(menu_text(title));
    return MenuNew(bar, text.visible.c_str(), text.mnemonic);
}

MenuItem* add_item(Menu* menu, int number, ItemHandler handler, void* argument = nullptr)
{
    if (number < 0)
        return ItemNew(menu, "-", 0, 0, nullptr, nullptr);
    const MenuText text = split_menu_text(menu_text(number));
    return ItemNew(menu, text.visible.c_str(), text.mnemonic, text.shortcut, handler, argument);
}

void on_open(void*) { command_open(); }
void on_close(void*) { command_close(); }
void on_save(void*) { command_save(); }
void on_save_as(void*) { command_save_as(); }
void on_size_report(void*) { command_size_report(); }
void on_settings(void*) { open_settings_window(); }
void on_quit(void*) { quit_program(); }
void on_stamp(void*) { command_insert_stamp(); }
void on_clear(void*) { command_clear_comments(false); }
void on_replace(void*) { command_clear_comments(true); }
void on_non_interlaced(void*) { command_make_non_interlaced(); }
void on_pane(void* kind) { command_toggle_pane(static_cast<PaneKind>(reinterpret_cast<std::uintptr_t>(kind))); }
void on_information(void* kind)
{
    (void)show_info_window(static_cast<InfoWindowKind>(reinterpret_cast<std::uintptr_t>(kind)));
}
void on_welcome(void*) { show_welcome_window(); }

// The standard Edit items act on the focused text field.
void on_edit(void* letter) { edit_focused_field(static_cast<std::uint8_t>(reinterpret_cast<std::uintptr_t>(letter))); }

void* value(std::uintptr_t v) { return reinterpret_cast<void*>(v); }

struct Row {
    int number;  // -1: separator
    Mode mode;
    ItemHandler handler;
    void* argument;
};

void build_file_menu(MenuBar* bar)
{
    const Row rows[] = {{10, Mode::NormalOnly, on_open, nullptr},    {-1, Mode::NormalOnly, nullptr, nullptr},
                        {11, Mode::NormalOnly, on_close, nullptr},   {12, Mode::NormalOnly, on_save, nullptr},
                        {13, Mode::NormalOnly, on_save_as, nullptr}, {14, Mode::NormalOnly, on_size_report, nullptr},
                        {-1, Mode::NormalOnly, nullptr, nullptr},    {16, Mode::Always, on_settings, nullptr},
                        {-1, Mode::Always, nullptr, nullptr},        {18, Mode::Always, on_quit, nullptr}};
    Menu* menu = add_menu(bar, 1);
    CommandItems& items = ui_state().items;
    for (const Row& row : rows) {
        if (row.mode == Mode::NormalOnly && kSiblingMode)
            continue;
        MenuItem* item = add_item(menu, row.number, row.handler, row.argument);
        if (row.number == 11)
            items.close = item;
        if (row.number >= 12 && row.number <= 14)
            items.save[row.number - 12] = item;
        if (row.number >= 11 && row.number <= 14)
            ItemSetEnabled(item, false);
    }
}

void build_edit_menu(MenuBar* bar)
{
    Menu* menu = add_menu(bar, 2);
    const char letters[] = {'z', 'x', 'c', 'v', 127, 'a'};
    for (int i = 0; i < 6; ++i)
        add_item(menu, 4 + i, on_edit, value(static_cast<std::uint8_t>(letters[i])));
}

void build_document_menu(MenuBar* bar)
{
    Menu* menu = add_menu(bar, 19);
    ui_state().items.document_menu = menu;
    add_item(menu, 20, on_stamp);
    add_item(menu, 21, on_clear);
    add_item(menu, 22, on_replace);
    add_item(menu, -1, nullptr);
    add_item(menu, 23, on_non_interlaced);
    add_item(menu, -1, nullptr);
    for (int i = 0; i < kPaneCount; ++i)
        ui_state().items.panes[i] = add_item(menu, 24 + i, on_pane, value(static_cast<std::uintptr_t>(i)));
    MenuSetEnabled(menu, false);
}

void build_help_menu(MenuBar* bar)
{
    Menu* menu = add_menu(bar, 3);
    add_item(menu, 27, on_information, value(static_cast<std::uintptr_t>(InfoWindowKind::Topics)));
    add_item(menu, 28, on_information, value(static_cast<std::uintptr_t>(InfoWindowKind::Information)));
    add_item(menu, -1, nullptr);
    add_item(menu, 29, on_information, value(static_cast<std::uintptr_t>(InfoWindowKind::Help)));
    add_item(menu, -1, nullptr);
    add_item(menu, kSiblingMode ? 31 : 30, on_welcome);
}

}  // namespace

// Menu 0 of the menu strings is a title that never shows, so it is not built.
void build_menus()
{
    MenuBar* bar = MenuBarNew();
    ui_state().items = CommandItems{};
    build_file_menu(bar);
    build_edit_menu(bar);
    if (!kSiblingMode)
        build_document_menu(bar);
    build_help_menu(bar);
    MenuBarInstall(bar);
}
