#include "framework/builders.h"

#include <functional>
#include <memory>
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

// The application's services for the builders, and the text list made last.
struct BuilderState {
    BuilderHooks hooks;
    std::vector<const char*> text_list;
};

BuilderState& builder_state()
{
    static BuilderState state;
    return state;
}

TextStyle style_of(Emphasis emphasis)
{
    return emphasis == Emphasis::emphasised ? TextStyle::emphasised : TextStyle::normal;
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

// Kept with the column: its two parts, the offset of the slider's scale and the callback.
struct SliderWithValue : ViewRecord {
    View* slider = nullptr;
    View* popup = nullptr;
    int minimum = 0;
    std::function<void(int)> on_change;
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

void slider_moved(SliderWithValue* record, int position)
{
    const int value = position + record->minimum;
    ComboSetText(record->popup, decimal(value).c_str(), Notify::No);
    if (record->on_change)
        record->on_change(value);
}

void value_chosen(SliderWithValue* record, const char* text)
{
    int value = 0;
    if (!read_number(text, &value))
        return;
    SliderSetValue(record->slider, value - record->minimum, Notify::No);
    if (record->on_change)
        record->on_change(value);
}

SliderWithValue* slider_record(View* column) { return static_cast<SliderWithValue*>(column->attachment.get()); }

// ---- Colour pair

struct ColourPair : ViewRecord {
    View* swatches[2] = {nullptr, nullptr};
    PairClick on_click;
};

ColourPair* pair_record(View* row) { return static_cast<ColourPair*>(row->attachment.get()); }

View* pair_swatch(View* parent, ColourPair* pair, int which, int x, int y)
{
    View* swatch = SwatchNew(parent, true, x, y);
    SwatchOnClick(swatch, [pair, which](int modifiers) {
        if (pair->on_click)
            pair->on_click(modifiers, which == 1);
    });
    pair->swatches[which] = swatch;
    return swatch;
}

// ---- Preference check boxes

void preference_toggled(std::uint8_t* flag, bool state)
{
    *flag = static_cast<std::uint8_t>(state ? 1 : 0);
    if (builder_state().hooks.save_preferences != nullptr)
        builder_state().hooks.save_preferences();
}

// ---- Text list

}  // namespace

void set_builder_hooks(const BuilderHooks& hooks) { builder_state().hooks = hooks; }

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
                          std::function<void()> on_click, Emphasis emphasis)
{
    View* view = LabelNew(parent, LabelKind::clickable, text,
                          emphasis == Emphasis::emphasised ? TextStyle::emphasised : TextStyle::link);
    LabelOnClick(view, std::move(on_click));
    LabelSetValues(view, value1, value2);
    return view;
}

void clickable_values(View* control, std::uintptr_t* value1, std::uintptr_t* value2)
{
    LabelValues(control, value1, value2);
}

View* make_button(View* parent, const char* text, DefaultButton is_default, std::function<void()> on_click,
                  Emphasis emphasis)
{
    View* view = ButtonNew(parent, ButtonKind::push, text, 0, style_of(emphasis));
    if (on_click)
        ButtonOnPress(view, [on_click = std::move(on_click)](int) { on_click(); });
    if (is_default == DefaultButton::yes)
        ButtonSetDefault(view, true);
    return view;
}

View* make_check_box(View* parent, const char* text, bool checked, std::function<void(bool)> on_change)
{
    View* view = ButtonNew(parent, ButtonKind::check_box, text, checked ? 1 : 0);
    if (on_change)
        ButtonOnPress(view, [on_change = std::move(on_change)](int state) { on_change(state != 0); });
    return view;
}

View* make_preference_check_box(View* parent, const char* text, std::uint8_t* flag)
{
    return make_check_box(parent, text, *flag != 0, [flag](bool state) { preference_toggled(flag, state); });
}

View* make_choice_button(View* parent, const char* text, bool selected, std::function<void()> on_click)
{
    View* view = ButtonNew(parent, ButtonKind::choice, text, selected ? 1 : 0);
    if (on_click)
        ButtonOnPress(view, [on_click = std::move(on_click)](int) { on_click(); });
    return view;
}

View* make_disclosure(View* parent, const char* text, bool open, std::function<void(bool)> on_change)
{
    View* view = ButtonNew(parent, ButtonKind::disclosure, text, open ? 1 : 0, TextStyle::emphasised);
    if (on_change)
        ButtonOnPress(view, [on_change = std::move(on_change)](int state) { on_change(state != 0); });
    return view;
}

View* make_popup_menu(View* parent, int count, const char* const* texts, int selected,
                      std::function<void(int)> on_change)
{
    View* view = PopupMenuNew(parent, count, texts, selected);
    PopupOnChoose(view, std::move(on_change));
    return view;
}

View* make_labelled_popup_menu(View* parent, const char* label, int count, const char* const* texts, int selected,
                               std::function<void(int)> on_change)
{
    View* row = make_row(parent, 2);
    make_text_line(row, label);
    return make_popup_menu(row, count, texts, selected, std::move(on_change));
}

View* make_slider_with_value(View* parent, int minimum, int current, int maximum, int value_count, const int* values,
                             std::function<void(int)> on_change)
{
    View* column = make_column(parent, 2);
    auto owned = std::make_unique<SliderWithValue>();
    SliderWithValue* record = owned.get();
    column->attachment = std::move(owned);
    record->minimum = minimum;
    record->on_change = std::move(on_change);
    record->slider = SliderNew(column, 0, maximum - minimum, current - minimum, 0);
    SliderOnChange(record->slider, [record](int position) { slider_moved(record, position); });
    std::vector<std::string> texts;
    for (int i = 0; i < value_count; ++i)
        texts.push_back(decimal(values[i]));
    std::vector<const char*> items;
    for (const std::string& t : texts)
        items.push_back(t.c_str());
    record->popup = ComboNew(column, PopupKind::value, value_count, items.data(), decimal(current).c_str());
    ComboOnText(record->popup, [record](const char* text) { value_chosen(record, text); });
    return column;
}

View* slider_with_value_slider(View* column) { return slider_record(column)->slider; }

View* slider_with_value_popup(View* column) { return slider_record(column)->popup; }

int slider_with_value(View* column)
{
    const SliderWithValue* record = slider_record(column);
    return SliderValue(record->slider) + record->minimum;
}

void set_slider_with_value(View* column, int value, Notify notify)
{
    SliderWithValue* record = slider_record(column);
    const int before = slider_with_value(column);
    SliderSetValue(record->slider, value - record->minimum, Notify::No);
    ComboSetText(record->popup, decimal(value).c_str(), Notify::No);
    if (notify == Notify::Yes && value != before && record->on_change)
        record->on_change(value);
}

void slider_with_value_on_change(View* column, std::function<void(int)> on_change)
{
    slider_record(column)->on_change = std::move(on_change);
}

View* make_combo_field(View* parent, int count, const char* const* texts, const char* current,
                       std::function<void(const char*)> on_change)
{
    View* view = ComboNew(parent, PopupKind::combo, count, texts, current);
    ComboOnText(view, std::move(on_change));
    return view;
}

View* make_value_popup(View* parent, int count, const char* const* texts, const char* current,
                       std::function<void(const char*)> on_change)
{
    View* view = ComboNew(parent, PopupKind::value, count, texts, current);
    ComboOnText(view, std::move(on_change));
    return view;
}

View* make_colour_swatch(View* parent, bool clickable, const char* label, std::function<void(int)> on_click)
{
    View* row = make_row(parent, 2);
    View* swatch = SwatchNew(row, clickable, 0, 0);
    SwatchOnClick(swatch, std::move(on_click));
    if (label != nullptr)
        make_text_line(row, label);
    return swatch;
}

View* make_colour_pair(View* parent, bool side_by_side, const char* label, PairClick on_click)
{
    View* row = make_row(parent, 2);
    auto owned = std::make_unique<ColourPair>();
    ColourPair* pair = owned.get();
    pair->on_click = std::move(on_click);
    row->attachment = std::move(owned);
    View* holder = side_by_side ? row : make_framed_box(row);
    pair_swatch(holder, pair, 0, 0, 0);
    const int offset = side_by_side ? 0 : 8;  // the second overlaps the first
    pair_swatch(holder, pair, 1, offset, offset);
    if (label != nullptr)
        make_text_line(row, label);
    return row;
}

View* colour_pair_swatch(View* pair, int which) { return pair_record(pair)->swatches[which != 0 ? 1 : 0]; }

void colour_pair_on_click(View* pair, PairClick on_click) { pair_record(pair)->on_click = std::move(on_click); }

const char* const* make_text_list(int count, const std::uint16_t* numbers, bool constant)
{
    builder_state().text_list.clear();
    const auto lookup = constant ? builder_state().hooks.constant_text : builder_state().hooks.language_text;
    for (int i = 0; i < count; ++i) {
        const char* text = nullptr;
        if (numbers[i] != kNoText && lookup != nullptr)
            text = lookup(numbers[i]);
        builder_state().text_list.push_back(text);
    }
    return builder_state().text_list.data();
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
        ComboSetText(control, text, Notify::No);
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
