#include "framework/builders.h"

#include <string>
#include <vector>

#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "framework/control_box.h"
#include "framework/control_button.h"
#include "framework/control_field.h"
#include "framework/control_popup.h"
#include "framework/control_slider.h"
#include "framework/control_text.h"

namespace {

BuilderHooks g_hooks;

TextStyle style_of(Emphasis emphasis)
{
    return emphasis == Emphasis::emphasised ? TextStyle::emphasised : TextStyle::normal;
}

// Records that live as long as a view: freed by a destroy observer.
template <typename T> void free_with(View* view, T* record)
{
    ViewAddObserver(
        view, [](View*, void* data) { delete static_cast<T*>(data); }, record);
}

View* box(View* parent, BoxKind kind, int spacing, bool panel = false, bool framed = false)
{
    BoxStyle style;
    style.spacing = spacing;
    style.panel = panel;
    style.framed = framed;
    if (panel) {
        style.margin_x = 8;
        style.margin_y = 8;
    }
    return BoxNew(kind, parent, parent->window, style);
}

// ---- Slider with value

struct SliderWithValue {
    View* slider = nullptr;
    View* popup = nullptr;
    int minimum = 0;
    ValueHook hook = nullptr;
    void* argument = nullptr;
};

std::string decimal(int value)
{
    char* text = FormatNew("%dl%", value);
    std::string out = text;
    StrFree(text);
    return out;
}

// The popup's text read as a number; false when it is none.
bool read_number(const char* text, int* value)
{
    long long n = 0;
    bool negative = false;
    const char* p = text;
    while (*p == ' ')
        ++p;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    if (!CharIsDigit(static_cast<std::uint8_t>(*p)))
        return false;
    while (CharIsDigit(static_cast<std::uint8_t>(*p)) && n < 0x7FFFFFFF)
        n = n * 10 + (*p++ - '0');
    *value = static_cast<int>(negative ? -n : n);
    return true;
}

void slider_moved(View* /*slider*/, std::uintptr_t user, int position)
{
    auto* record = reinterpret_cast<SliderWithValue*>(user);
    const int value = position + record->minimum;
    ComboSetText(record->popup, decimal(value).c_str(), false);
    if (record->hook != nullptr)
        record->hook(record->argument, value);
}

void value_chosen(View* /*popup*/, std::uintptr_t user, const char* text)
{
    auto* record = reinterpret_cast<SliderWithValue*>(user);
    int value = 0;
    if (!read_number(text, &value))
        return;
    SliderSetValue(record->slider, value - record->minimum);
    if (record->hook != nullptr)
        record->hook(record->argument, value);
}

SliderWithValue* slider_record(View* column) { return reinterpret_cast<SliderWithValue*>(column->words[0]); }

// ---- Colour pair

struct ColourPair {
    View* swatches[2] = {nullptr, nullptr};
    PairHandler handler = nullptr;
    void* argument = nullptr;
};

void pair_clicked(View* swatch, std::uintptr_t user, int modifiers)
{
    auto* pair = reinterpret_cast<ColourPair*>(user);
    if (pair->handler != nullptr)
        pair->handler(pair->argument, modifiers, swatch == pair->swatches[1] ? 1 : 0);
}

ColourPair* pair_record(View* row) { return reinterpret_cast<ColourPair*>(row->words[0]); }

// ---- Preference check boxes

void preference_toggled(View* /*box*/, std::uintptr_t user, int state)
{
    *reinterpret_cast<std::uint8_t*>(user) = static_cast<std::uint8_t>(state != 0 ? 1 : 0);
    if (g_hooks.save_preferences != nullptr)
        g_hooks.save_preferences();
}

// ---- Text list

std::vector<const char*> g_text_list;

}  // namespace

void set_builder_hooks(const BuilderHooks& hooks) { g_hooks = hooks; }

View* make_root_column(FrameWindow* window, int spacing)
{
    BoxStyle style;
    style.spacing = spacing;
    return BoxNew(BoxKind::column, nullptr, window, style);
}

View* make_row(View* parent, int spacing) { return box(parent, BoxKind::row, spacing); }

View* make_column(View* parent, int spacing) { return box(parent, BoxKind::column, spacing); }

View* make_styled_column(View* parent, int spacing) { return box(parent, BoxKind::column, spacing, true); }

View* make_spacer(View* parent, int width, int height) { return SpacerNew(parent, width, height); }

View* make_separator(View* parent, int kind) { return SeparatorNew(parent, kind); }

View* make_grid(View* parent, int columns, int /*rows*/)
{
    BoxStyle style;
    style.columns = columns;
    style.spacing = 6;
    style.row_spacing = 2;
    return BoxNew(BoxKind::grid, parent, parent->window, style);
}

View* make_framed_box(View* parent, int x, int y)
{
    BoxStyle style;
    style.framed = true;
    return BoxNew(BoxKind::free, parent, parent->window, style, x, y);
}

View* make_label(View* parent, const char* text, Emphasis emphasis)
{
    return LabelNew(parent, LabelKind::label, text, style_of(emphasis));
}

View* make_heading(View* parent, const char* text)
{
    return LabelNew(parent, LabelKind::heading, text, TextStyle::heading);
}

View* make_text_line(View* parent, const char* text, Emphasis emphasis)
{
    return LabelNew(parent, LabelKind::text_line, text, style_of(emphasis));
}

View* make_clickable_text(View* parent, const char* text, std::uintptr_t value1, std::uintptr_t value2,
                          ControlHandler handler, std::uintptr_t user, Emphasis emphasis)
{
    View* view = LabelNew(parent, LabelKind::clickable, text,
                          emphasis == Emphasis::emphasised ? TextStyle::emphasised : TextStyle::link);
    LabelSetHandler(view, handler, user);
    view->user = user;
    view->words[1] = value1;
    view->words[2] = value2;
    return view;
}

void clickable_values(View* control, std::uintptr_t* value1, std::uintptr_t* value2)
{
    *value1 = control->words[1];
    *value2 = control->words[2];
}

View* make_button(View* parent, const char* text, bool is_default, ControlHandler handler, std::uintptr_t user,
                  Emphasis emphasis)
{
    View* view = ButtonNew(parent, ButtonKind::push, text, 0, handler, user, style_of(emphasis));
    if (is_default)
        ButtonSetDefault(view, true);
    return view;
}

View* make_check_box(View* parent, const char* text, int state, ControlHandler handler, std::uintptr_t user)
{
    return ButtonNew(parent, ButtonKind::check_box, text, state, handler, user);
}

View* make_preference_check_box(View* parent, const char* text, std::uint8_t* flag)
{
    return ButtonNew(parent, ButtonKind::check_box, text, *flag != 0 ? 1 : 0, preference_toggled,
                     reinterpret_cast<std::uintptr_t>(flag));
}

View* make_choice_button(View* parent, const char* text, bool selected, ControlHandler handler, std::uintptr_t user)
{
    return ButtonNew(parent, ButtonKind::choice, text, selected ? 1 : 0, handler, user);
}

View* make_disclosure(View* parent, const char* text, bool open, ControlHandler handler, std::uintptr_t user)
{
    return ButtonNew(parent, ButtonKind::disclosure, text, open ? 1 : 0, handler, user, TextStyle::emphasised);
}

View* make_popup_menu(View* parent, int count, const char* const* texts, int selected, ControlHandler handler,
                      std::uintptr_t user)
{
    return PopupMenuNew(parent, count, texts, selected, handler, user);
}

View* make_labelled_popup_menu(View* parent, const char* label, int count, const char* const* texts, int selected,
                               ControlHandler handler, std::uintptr_t user)
{
    View* row = make_row(parent, 2);
    make_text_line(row, label);
    return make_popup_menu(row, count, texts, selected, handler, user);
}

View* make_slider_with_value(View* parent, int minimum, int current, int maximum, int value_count, const int* values,
                             ValueHook hook, void* argument)
{
    View* column = make_column(parent, 2);
    auto* record = new SliderWithValue;
    record->minimum = minimum;
    record->hook = hook;
    record->argument = argument;
    free_with(column, record);
    column->words[0] = reinterpret_cast<std::uintptr_t>(record);
    record->slider = SliderNew(column, 0, maximum - minimum, current - minimum, 0, slider_moved,
                               reinterpret_cast<std::uintptr_t>(record));
    std::vector<std::string> texts;
    for (int i = 0; i < value_count; ++i)
        texts.push_back(decimal(values[i]));
    std::vector<const char*> items;
    for (const std::string& t : texts)
        items.push_back(t.c_str());
    record->popup = ComboNew(column, PopupKind::value, value_count, items.data(), decimal(current).c_str(),
                             value_chosen, reinterpret_cast<std::uintptr_t>(record));
    return column;
}

View* slider_with_value_slider(View* column) { return slider_record(column)->slider; }

View* slider_with_value_popup(View* column) { return slider_record(column)->popup; }

void set_slider_with_value(View* column, int value)
{
    SliderWithValue* record = slider_record(column);
    SliderSetValue(record->slider, value - record->minimum);
    ComboSetText(record->popup, decimal(value).c_str(), false);
}

View* make_combo_field(View* parent, int count, const char* const* texts, const char* current, TextHook hook,
                       std::uintptr_t user)
{
    return ComboNew(parent, PopupKind::combo, count, texts, current, hook, user);
}

View* make_value_popup(View* parent, int count, const char* const* texts, const char* current, TextHook hook,
                       std::uintptr_t user)
{
    return ComboNew(parent, PopupKind::value, count, texts, current, hook, user);
}

View* make_colour_swatch(View* parent, bool clickable, const char* label, ControlHandler handler, std::uintptr_t user)
{
    View* row = make_row(parent, 2);
    View* swatch = SwatchNew(row, clickable, 0, 0, handler, user);
    if (label != nullptr)
        make_text_line(row, label);
    return swatch;
}

View* make_colour_pair(View* parent, bool side_by_side, const char* label, PairHandler handler, void* argument)
{
    View* row = make_row(parent, 2);
    auto* pair = new ColourPair;
    pair->handler = handler;
    pair->argument = argument;
    free_with(row, pair);
    row->words[0] = reinterpret_cast<std::uintptr_t>(pair);
    const auto user = reinterpret_cast<std::uintptr_t>(pair);
    if (side_by_side) {
        pair->swatches[0] = SwatchNew(row, true, 0, 0, pair_clicked, user);
        pair->swatches[1] = SwatchNew(row, true, 0, 0, pair_clicked, user);
    } else {
        View* frame = make_framed_box(row);
        pair->swatches[0] = SwatchNew(frame, true, 0, 0, pair_clicked, user);
        pair->swatches[1] = SwatchNew(frame, true, 8, 8, pair_clicked, user);
    }
    if (label != nullptr)
        make_text_line(row, label);
    return row;
}

View* colour_pair_swatch(View* pair, int which) { return pair_record(pair)->swatches[which != 0 ? 1 : 0]; }

const char* const* make_text_list(int count, const std::uint16_t* numbers, bool constant)
{
    g_text_list.clear();
    const auto lookup = constant ? g_hooks.constant_text : g_hooks.language_text;
    for (int i = 0; i < count; ++i) {
        const char* text = nullptr;
        if (numbers[i] != 65535 && lookup != nullptr)
            text = lookup(numbers[i]);
        g_text_list.push_back(text);
    }
    return g_text_list.data();
}

void set_control_text(View* control, const char* text)
{
    if (ViewIsLabel(control))
        LabelSetText(control, text);
    else if (ViewIsButton(control))
        ButtonSetText(control, text);
    else if (ViewIsField(control))
        FieldSetText(control, text);
    else if (ViewIsPopup(control))
        ComboSetText(control, text, false);
}

bool set_control_text_if_different(View* control, const char* text)
{
    const char* shown = control_text(control);
    if (shown != nullptr && StrEqual(shown, text != nullptr ? text : ""))
        return false;
    set_control_text(control, text);
    return true;
}

const char* control_text(View* control)
{
    if (ViewIsLabel(control))
        return LabelText(control);
    if (ViewIsButton(control))
        return ButtonText(control);
    if (ViewIsField(control))
        return FieldText(control);
    if (ViewIsPopup(control))
        return ComboText(control);
    return nullptr;
}

void set_swatch_colour(View* swatch, const SwatchColour& colour) { SwatchSetColour(swatch, colour); }

SwatchColour swatch_colour(View* swatch) { return SwatchColourOf(swatch); }

void set_pair_colours(View* pair, const SwatchColour& first, const SwatchColour& second)
{
    SwatchSetColour(pair_record(pair)->swatches[0], first);
    SwatchSetColour(pair_record(pair)->swatches[1], second);
}

SwatchColour pair_colour(View* pair, int which) { return SwatchColourOf(colour_pair_swatch(pair, which)); }

void enable_swatch(View* swatch, bool enabled) { SwatchSetClickable(swatch, enabled); }

void select_popup_item(View* popup, int index) { PopupSelect(popup, index); }

void set_popup_items(View* popup, int count, const char* const* texts) { PopupSetItems(popup, count, texts); }
