#include "platform/qt/menu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_internal.h"

namespace platform {

namespace {

enum class EntryKind { item, separator, popup };

struct Entry {
    EntryKind kind = EntryKind::item;
    std::uint16_t id = 0;
    std::string text;
    bool enabled = true;
    bool checked = false;
    NativeMenu* popup = nullptr;
    QAction* action = nullptr;  // items and separators of a drop-down menu
};

}  // namespace

struct NativeMenu {
    std::unique_ptr<QMenu> menu = std::make_unique<QMenu>();
    std::vector<Entry> entries;
    Window* installed_on = nullptr;  // a bar installed on the main window
};

namespace {

void post_command(std::uint16_t id)
{
    Window* main = MainWindow();
    if (main == nullptr)
        return;
    Message m;
    m.window = main;
    m.type = MessageType::command;
    m.value = id;
    PostMessage(m);
}

// Rebuilds the main window's menu bar from a bar's entries.
void rebuild_bar(NativeMenu* bar)
{
    Window* window = bar->installed_on;
    if (window == nullptr || !WindowIsAlive(window) || window->main == nullptr)
        return;
    QMenuBar* menu_bar = window->main->menuBar();
    menu_bar->clear();
    for (Entry& e : bar->entries) {
        if (e.kind != EntryKind::popup || e.popup == nullptr)
            continue;
        QMenu* popup = e.popup->menu.get();
        popup->setTitle(ToQString(e.text.c_str()));
        popup->menuAction()->setEnabled(e.enabled);
        menu_bar->addMenu(popup);
    }
}

void bar_changed(NativeMenu* menu)
{
    if (menu->installed_on != nullptr)
        rebuild_bar(menu);
}

}  // namespace

NativeMenu* NativeMenuNew() { return new NativeMenu; }

void NativeMenuFree(NativeMenu* menu)
{
    if (menu == nullptr)
        return;
    if (menu->installed_on != nullptr && WindowIsAlive(menu->installed_on) && menu->installed_on->main != nullptr)
        menu->installed_on->main->menuBar()->clear();
    delete menu;
}

void NativeMenuClear(NativeMenu* menu)
{
    if (menu == nullptr)
        return;
    menu->menu->clear();
    menu->entries.clear();
    bar_changed(menu);
}

int NativeMenuCount(const NativeMenu* menu) { return menu != nullptr ? static_cast<int>(menu->entries.size()) : 0; }

void NativeMenuAppendItem(NativeMenu* menu, std::uint16_t id, const char* text, bool enabled, bool checked)
{
    if (menu == nullptr)
        return;
    Entry e;
    e.id = id;
    e.text = text != nullptr ? text : "";
    e.enabled = enabled;
    e.checked = checked;
    e.action = menu->menu->addAction(ToQString(e.text.c_str()));
    e.action->setEnabled(enabled);
    e.action->setCheckable(checked);
    e.action->setChecked(checked);
    QObject::connect(e.action, &QAction::triggered, e.action, [id]() { post_command(id); });
    menu->entries.push_back(std::move(e));
}

void NativeMenuAppendSeparator(NativeMenu* menu)
{
    if (menu == nullptr)
        return;
    Entry e;
    e.kind = EntryKind::separator;
    e.text = "-";
    e.action = menu->menu->addSeparator();
    menu->entries.push_back(std::move(e));
}

void NativeMenuInsertPopup(NativeMenu* bar, int position, NativeMenu* popup, const char* title, bool enabled)
{
    if (bar == nullptr || popup == nullptr)
        return;
    Entry e;
    e.kind = EntryKind::popup;
    e.text = title != nullptr ? title : "";
    e.enabled = enabled;
    e.popup = popup;
    int count = static_cast<int>(bar->entries.size());
    if (position < 0 || position > count)
        position = count;
    bar->entries.insert(bar->entries.begin() + position, std::move(e));
    bar_changed(bar);
}

void NativeMenuRemoveAt(NativeMenu* bar, int position)
{
    if (bar == nullptr || position < 0 || position >= static_cast<int>(bar->entries.size()))
        return;
    Entry& e = bar->entries[static_cast<std::size_t>(position)];
    if (e.action != nullptr) {
        bar->menu->removeAction(e.action);
        delete e.action;
    }
    bar->entries.erase(bar->entries.begin() + position);
    bar_changed(bar);
}

void WindowSetMenuBar(Window* main_window, NativeMenu* bar)
{
    if (!WindowIsAlive(main_window) || main_window->main == nullptr)
        return;
    main_window->main->menuBar()->clear();
    if (bar == nullptr)
        return;
    bar->installed_on = main_window;
    rebuild_bar(bar);
}

void WindowRedrawMenuBar(Window* main_window)
{
    if (WindowIsAlive(main_window) && main_window->main != nullptr)
        main_window->main->menuBar()->update();
}

const char* NativeMenuEntryText(const NativeMenu* menu, int index)
{
    if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->entries.size()))
        return "";
    return menu->entries[static_cast<std::size_t>(index)].text.c_str();
}

bool NativeMenuEntryEnabled(const NativeMenu* menu, int index)
{
    if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->entries.size()))
        return false;
    return menu->entries[static_cast<std::size_t>(index)].enabled;
}

bool NativeMenuEntryChecked(const NativeMenu* menu, int index)
{
    if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->entries.size()))
        return false;
    return menu->entries[static_cast<std::size_t>(index)].checked;
}

void NativeMenuTrigger(NativeMenu* menu, int index)
{
    if (menu == nullptr || index < 0 || index >= static_cast<int>(menu->entries.size()))
        return;
    QAction* action = menu->entries[static_cast<std::size_t>(index)].action;
    if (action != nullptr && action->isEnabled())
        action->trigger();
}

int RunPopupMenu(Window* window, Point client, const char* const* texts, int count, int checked_index)
{
    if (!WindowIsAlive(window) || texts == nullptr || count <= 0)
        return -1;
    QMenu menu;
    std::vector<QAction*> actions;
    for (int i = 0; i < count; ++i) {
        QAction* action = nullptr;
        if (texts[i] != nullptr && texts[i][0] == '-' && texts[i][1] == 0) {
            action = menu.addSeparator();
        } else {
            action = menu.addAction(ToQString(texts[i] != nullptr ? texts[i] : ""));
            action->setCheckable(i == checked_index);
            action->setChecked(i == checked_index);
        }
        actions.push_back(action);
    }
    Point screen = WindowClientToScreen(window, client);
    StartEnterIdleTimer();
    QAction* chosen = menu.exec(
        QPoint(screen.x, screen.y),
        checked_index >= 0 && checked_index < count ? actions[static_cast<std::size_t>(checked_index)] : nullptr);
    StopEnterIdleTimer();
    for (int i = 0; i < count; ++i)
        if (chosen != nullptr && actions[static_cast<std::size_t>(i)] == chosen)
            return i;
    return -1;
}

}  // namespace platform
