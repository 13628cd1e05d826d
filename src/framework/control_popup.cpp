#include "framework/control_popup.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/control_field.h"
#include "platform/qt/menu.h"

namespace {

constexpr int kArrowWidth = 20;

struct PopupData : ViewRecord {
    PopupKind kind = PopupKind::menu;
    std::vector<std::string> items;
    int selected = -1;  // current item, -1 while the entry is free text
    std::string free_text;
    TextEdit edit;  // the typed text of a combo field
    bool editing = false;
    bool pressed = false;
    std::function<void(int)> on_choose;        // a menu's chosen index
    std::function<void(const char*)> on_text;  // a combo's or value pop-up's new text
};

// Tests: the scripted answer of an opened menu.
struct PopupState {
    const int* script = nullptr;
};

PopupState& popup_state()
{
    static PopupState state;
    return state;
}

PopupData* popup(View* view) { return ViewRecordOf<PopupData>(view); }

bool has_free_text(PopupData* data) { return data->kind != PopupKind::menu && data->selected < 0; }

std::string current_text(PopupData* data)
{
    if (data->selected >= 0 && data->selected < static_cast<int>(data->items.size()))
        return data->items[static_cast<std::size_t>(data->selected)];
    return data->kind == PopupKind::menu ? std::string() : data->free_text;
}

platform::Size natural_size(PopupData* data)
{
    const platform::Font* font = ControlFont(TextStyle::normal);
    std::string widest;
    int widest_w = -1;
    auto consider = [&](const std::string& text) {
        const int w = platform::MeasureText(font, text.c_str()).width;
        if (w > widest_w) {
            widest_w = w;
            widest = text;
        }
    };
    for (const std::string& item : data->items)
        consider(item);
    if (has_free_text(data))
        consider(data->free_text);
    platform::Size size = platform::ControlNaturalSize(platform::ControlKind::combo_box, widest.c_str(), font);
    if (data->kind == PopupKind::combo)
        size.width = std::max(size.width, 90);
    return size;
}

void resize(View* view)
{
    const platform::Size size = natural_size(popup(view));
    ViewSetSize(view, size.width, size.height);
    ViewInvalidate(view);
}

void popup_draw(View* view, const Rect& /*area*/)
{
    PopupData* data = popup(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    const platform::Font* font = ControlFont(TextStyle::normal);
    std::uint32_t state = ControlState(view);
    if (data->pressed)
        state |= platform::control_state::pressed;
    if (data->kind != PopupKind::combo) {
        platform::DrawComboBox(surface, r, current_text(data).c_str(), font, state);
        return;
    }
    // A combo field: a text field with the drop-down button at its right end.
    const Rect arrow = platform::MakeRect(r.right - kArrowWidth, r.top, kArrowWidth, view->height);
    const Rect text_part = platform::MakeRect(r.left, r.top, view->width - kArrowWidth + 2, view->height);
    platform::DrawComboBox(surface, arrow, "", font, state & ~platform::control_state::focused);
    platform::DrawTextFieldFrame(surface, text_part, state);
    const std::string shown = data->editing ? data->edit.text : current_text(data);
    const int text_h = platform::MeasureText(font, shown.c_str()).height;
    platform::DrawPushClip(surface, ControlInset(text_part, 2, 2));
    const int ty = r.top + (view->height - text_h) / 2;
    const platform::Colour ink = ViewIsEnabled(view) ? ControlColour(platform::SystemColour::text)
                                                     : ControlColour(platform::SystemColour::disabled_text);
    platform::DrawText(surface, r.left + 4, ty, shown.c_str(), font, ink);
    if ((state & platform::control_state::focused) != 0) {
        int offsets[512];
        const int length = std::min<int>(static_cast<int>(shown.size()), 510);
        platform::TextCaretOffsets(font, shown.c_str(), length, offsets, length + 1);
        const std::size_t caret = data->editing
            ? std::min<std::size_t>(data->edit.caret, static_cast<std::size_t>(length))
            : static_cast<std::size_t>(length);
        const int x = r.left + 4 + offsets[caret];
        platform::DrawLine(surface, x, ty + 1, x, ty + text_h - 2, ink);
    }
    platform::DrawPopClip(surface);
}

void choose_entry(View* view, int entry)
{
    PopupData* data = popup(view);
    if (entry < 0)
        return;
    // A combo's menu shows its free text first; choosing it changes nothing.
    if (has_free_text(data)) {
        if (entry == 0)
            return;
        --entry;
    }
    if (entry >= static_cast<int>(data->items.size()))
        return;
    data->editing = false;
    if (data->kind == PopupKind::menu) {
        data->selected = entry;
        ViewInvalidate(view);
        if (data->on_choose)
            data->on_choose(entry);
        return;
    }
    const std::string text = data->items[static_cast<std::size_t>(entry)];
    ComboSetText(view, text.c_str(), Notify::Yes);
}

void popup_mouse_down(View* view, std::uint8_t /*modifiers*/, int x, int /*y*/)
{
    PopupData* data = popup(view);
    if (data->kind == PopupKind::combo && x < view->x + view->width - kArrowWidth) {
        if (!data->editing) {
            data->editing = true;
            data->edit.set(current_text(data).c_str());
        }
        ViewInvalidate(view);
        return;
    }
    data->pressed = true;
    ViewInvalidate(view);
}

void popup_mouse_up(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    PopupData* data = popup(view);
    if (!data->pressed)
        return;
    data->pressed = false;
    ViewInvalidate(view);
    if (platform::RectContains(ViewRect(view), platform::Point{x, y}))
        PopupOpen(view);
}

void finish_typing(View* view)
{
    PopupData* data = popup(view);
    if (!data->editing)
        return;
    data->editing = false;
    const std::string typed = data->edit.text;
    ComboSetText(view, typed.c_str(), Notify::Yes);
}

// A menu or value pop-up: Space or Alt+Down opens the menu, Up and Down step through the
// items.
bool menu_key(View* view, PopupData* data, const KeyEvent& key)
{
    const std::uint8_t c = key.character;
    if (c == ' ' || (c == key_char::down && (key.modifiers & platform::modifier::alt) != 0)) {
        PopupOpen(view);
        return true;
    }
    const int count = static_cast<int>(data->items.size());
    if ((c != key_char::up && c != key_char::down) || count == 0)
        return false;
    const int step = c == key_char::up ? -1 : 1;
    const int next = std::clamp(data->selected + step, 0, count - 1);
    if (next != data->selected)
        choose_entry(view, has_free_text(data) ? next + 1 : next);
    return true;
}

// Typing into a combo field goes through the text field rules of a one-line field.
bool typing_key(PopupData* data, const KeyEvent& key)
{
    TextEdit& e = data->edit;
    const bool shift = (key.modifiers & platform::modifier::shift) != 0;
    const std::uint8_t c = key.character;
    switch (c) {
    case key_char::left:
        e.move(TextEdit::Move::left, shift);
        return true;
    case key_char::right:
        e.move(TextEdit::Move::right, shift);
        return true;
    case key_char::home:
        e.move(TextEdit::Move::home, shift);
        return true;
    case key_char::end:
        e.move(TextEdit::Move::end, shift);
        return true;
    case key_char::back:
        e.backspace();
        return true;
    case key_char::del:
        e.delete_forward();
        return true;
    default:
        if (c < 32 || (key.modifiers & (platform::modifier::control | platform::modifier::alt)) != 0)
            return false;
        e.insert(std::string(1, static_cast<char>(c)), 1);
        return true;
    }
}

bool popup_key(View* view, const KeyEvent& key)
{
    PopupData* data = popup(view);
    const std::uint8_t c = key.character;
    if (data->kind != PopupKind::combo)
        return menu_key(view, data, key);
    if (c == key_char::down && (key.modifiers & platform::modifier::alt) != 0) {
        PopupOpen(view);
        return true;
    }
    if (c == key_char::ret || c == key_char::enter) {
        finish_typing(view);
        return true;
    }
    if (c == key_char::tab || c == key_char::escape)
        return false;
    if (!data->editing) {
        data->editing = true;
        data->edit.set(current_text(data).c_str());
    }
    if (!typing_key(data, key))
        return false;
    ViewInvalidate(view);
    return true;
}

void popup_focus(View* view, bool gained)
{
    if (!gained)
        finish_typing(view);
}

const ViewClass kPopupClass = [] {
    ViewClass c;
    c.name = "pop-up";
    c.draw = popup_draw;
    c.mouse_down = popup_mouse_down;
    c.mouse_up = popup_mouse_up;
    c.key = popup_key;
    c.focus = popup_focus;
    c.takes_focus = true;
    return c;
}();

View* make(View* parent, std::unique_ptr<PopupData> record)
{
    const platform::Size size = natural_size(record.get());
    View* view = ViewNewChild(&kPopupClass, parent, 0, 0, std::move(record));
    ViewDefaultSetSize(view, size.width, size.height);
    ViewShow(view, 0);
    return view;
}

std::vector<std::string> copy_items(int count, const char* const* items)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(items[i] != nullptr ? items[i] : "");
    return out;
}

}  // namespace

View* PopupMenuNew(View* parent, int count, const char* const* items, int selected)
{
    auto data = std::make_unique<PopupData>();
    data->kind = PopupKind::menu;
    data->items = copy_items(count, items);
    data->selected = selected >= 0 && selected < count ? selected : (count > 0 ? 0 : -1);
    return make(parent, std::move(data));
}

View* ComboNew(View* parent, PopupKind kind, int count, const char* const* items, const char* current)
{
    auto data = std::make_unique<PopupData>();
    data->kind = kind == PopupKind::menu ? PopupKind::value : kind;
    data->items = copy_items(count, items);
    View* view = make(parent, std::move(data));
    ComboSetText(view, current, Notify::No);
    return view;
}

void PopupOnChoose(View* view, std::function<void(int)> callback) { popup(view)->on_choose = std::move(callback); }

void ComboOnText(View* view, std::function<void(const char*)> callback) { popup(view)->on_text = std::move(callback); }

void ComboSetText(View* view, const char* text, Notify notify)
{
    PopupData* data = popup(view);
    const std::string value = text != nullptr ? text : "";
    // The last of equal items wins.
    data->selected = -1;
    for (int i = static_cast<int>(data->items.size()) - 1; i >= 0; --i)
        if (data->items[static_cast<std::size_t>(i)] == value) {
            data->selected = i;
            break;
        }
    data->free_text = data->selected < 0 ? value : std::string();
    if (data->kind == PopupKind::menu && data->selected < 0 && !data->items.empty())
        data->selected = 0;
    resize(view);
    if (notify == Notify::Yes && data->on_text)
        data->on_text(value.c_str());
}

const char* ComboText(View* view)
{
    PopupData* data = popup(view);
    if (data->selected >= 0 && data->selected < static_cast<int>(data->items.size()))
        return data->items[static_cast<std::size_t>(data->selected)].c_str();
    return data->free_text.c_str();
}

std::uint16_t PopupCurrentIndex(View* view)
{
    PopupData* data = popup(view);
    return data->selected < 0 ? kNoItem : static_cast<std::uint16_t>(data->selected);
}

void PopupSelect(View* view, int index)
{
    PopupData* data = popup(view);
    if (index < 0 || index >= static_cast<int>(data->items.size()) || index == data->selected)
        return;
    data->selected = index;
    data->free_text.clear();
    resize(view);
}

void PopupSetItems(View* view, int count, const char* const* items)
{
    PopupData* data = popup(view);
    const std::string current = current_text(data);
    data->items = copy_items(count, items);
    if (data->kind == PopupKind::menu) {
        data->selected = std::clamp(data->selected, count > 0 ? 0 : -1, count - 1);
        resize(view);
        return;
    }
    ComboSetText(view, current.c_str(), Notify::No);
}

int PopupMenuEntryCount(View* view)
{
    PopupData* data = popup(view);
    return static_cast<int>(data->items.size()) + (has_free_text(data) ? 1 : 0);
}

const char* PopupMenuEntry(View* view, int index)
{
    PopupData* data = popup(view);
    if (has_free_text(data)) {
        if (index == 0)
            return data->free_text.c_str();
        --index;
    }
    if (index < 0 || index >= static_cast<int>(data->items.size()))
        return nullptr;
    return data->items[static_cast<std::size_t>(index)].c_str();
}

int PopupMenuCheckedEntry(View* view)
{
    PopupData* data = popup(view);
    return has_free_text(data) ? 0 : data->selected;
}

void PopupOpen(View* view)
{
    const int count = PopupMenuEntryCount(view);
    int entry = -1;
    if (popup_state().script != nullptr) {
        entry = *popup_state().script;
    } else if (view->window != nullptr && view->window->window != nullptr) {
        std::vector<const char*> texts;
        for (int i = 0; i < count; ++i)
            texts.push_back(PopupMenuEntry(view, i));
        entry = platform::RunPopupMenu(view->window->window, platform::Point{view->x, view->y + view->height},
                                       texts.data(), count, PopupMenuCheckedEntry(view));
    }
    if (entry >= 0 && entry < count && !ViewIsBeingDestroyed(view))
        choose_entry(view, entry);
}

bool ViewIsPopup(const View* view) { return view->cls == &kPopupClass; }

void PopupSetScriptedChoice(const int* entry) { popup_state().script = entry; }
