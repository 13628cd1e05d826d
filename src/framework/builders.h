// One-call builders for the controls every pane, page and small window is made of: each
// creates the control inside a parent container, sets its text and value, attaches the
// callback, and lets the parent lay itself out again. Also the setters the panes use
// afterwards. Texts are copied. Panes use them through the typed controls of widgets.h.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"
#include "framework/control_swatch.h"

// The application's services the builders need (the framework cannot see the application):
// text lookups for make_text_list and the preference save behind preference check boxes.
struct BuilderHooks {
    const char* (*language_text)(std::uint16_t number) = nullptr;  // the language tables
    const char* (*constant_text)(std::uint16_t number) = nullptr;  // the program's own texts
    void (*save_preferences)() = nullptr;
};
void set_builder_hooks(const BuilderHooks& hooks);

enum class Emphasis : std::uint8_t { normal, emphasised };

// ---- Containers and shape

// A top-level column filling a window's content (the root of a pane or page).
View* make_root_column(FrameWindow* window, int spacing);
View* make_row(View* parent, int spacing);
View* make_column(View* parent, int spacing);
View* make_styled_column(View* parent, int spacing);
View* make_spacer(View* parent, int width, int height);
View* make_separator(View* parent, int kind);
View* make_grid(View* parent, int columns, int rows);
// Children of a framed box keep the offsets they are created at; x, y place the box itself
// when its parent is a framed box too.
View* make_framed_box(View* parent, int x = 0, int y = 0);

// ---- Texts

View* make_label(View* parent, const char* text, Emphasis emphasis = Emphasis::normal);
View* make_heading(View* parent, const char* text);
View* make_text_line(View* parent, const char* text, Emphasis emphasis = Emphasis::normal);
// A text that acts as a button; value1 and value2 are kept with it (clickable_values).
View* make_clickable_text(View* parent, const char* text, std::uintptr_t value1, std::uintptr_t value2,
                          std::function<void()> on_click, Emphasis emphasis = Emphasis::normal);
void clickable_values(View* control, std::uintptr_t* value1, std::uintptr_t* value2);

// ---- Buttons

enum class DefaultButton : bool { no, yes };
View* make_button(View* parent, const char* text, DefaultButton is_default, std::function<void()> on_click,
                  Emphasis emphasis = Emphasis::normal);
// The callbacks of check boxes and disclosures get the new state.
View* make_check_box(View* parent, const char* text, bool checked, std::function<void(bool)> on_change);
// Shows the byte; a toggle stores the new state (0 or 1) in it and saves the preferences.
View* make_preference_check_box(View* parent, const char* text, std::uint8_t* flag);
View* make_choice_button(View* parent, const char* text, bool selected, std::function<void()> on_click);
// A disclosure control (expandable sections and items).
View* make_disclosure(View* parent, const char* text, bool open, std::function<void(bool)> on_change);

// ---- Menus and values

// A pop-up menu showing the selected item; the callback gets the chosen index.
View* make_popup_menu(View* parent, int count, const char* const* texts, int selected,
                      std::function<void(int)> on_change);
// A row (spacing 2): a text line with the label, then the pop-up menu, which is returned.
View* make_labelled_popup_menu(View* parent, const char* label, int count, const char* const* texts, int selected,
                               std::function<void(int)> on_change);

// A column (spacing 2): a slider over minimum..maximum and under it a value pop-up of the
// given values, both showing the same value, which the callback gets. The column is
// returned.
View* make_slider_with_value(View* parent, int minimum, int current, int maximum, int value_count, const int* values,
                             std::function<void(int)> on_change);
View* slider_with_value_slider(View* column);
View* slider_with_value_popup(View* column);
int slider_with_value(View* column);
// Moves both parts to the value; with Notify::Yes the callback hears it when it changed.
void set_slider_with_value(View* column, int value, Notify notify);
// The callback of a slider with value (replacing the one given at creation).
void slider_with_value_on_change(View* column, std::function<void(int)> on_change);

// The callbacks get the new current text.
View* make_combo_field(View* parent, int count, const char* const* texts, const char* current,
                       std::function<void(const char*)> on_change);
View* make_value_popup(View* parent, int count, const char* const* texts, const char* current,
                       std::function<void(const char*)> on_change);

// ---- Colours

// A row (spacing 2): a swatch and, when a label is given, a text line after it. The swatch
// is returned; the click callback gets the click's modifier bits.
View* make_colour_swatch(View* parent, bool clickable, const char* label, std::function<void(int)> on_click);
// Called with the modifier bits of the click and true when the second swatch was clicked.
using PairClick = std::function<void(int modifiers, bool second)>;
// Two swatches in a row (spacing 2) with the label after them; without side_by_side they
// overlap in a framed box of their own, the second offset by (8, 8). The row is returned.
View* make_colour_pair(View* parent, bool side_by_side, const char* label, PairClick on_click);
View* colour_pair_swatch(View* pair, int which);
// The click callback of a pair (replacing the one given at creation).
void colour_pair_on_click(View* pair, PairClick on_click);

// ---- Text lists

inline constexpr std::uint16_t kNoText = 65535;
// Texts looked up by number (kNoText gives none); the list replaces the previous one made
// here and lives until then. constant: the program's own texts instead of the language's.
const char* const* make_text_list(int count, const std::uint16_t* numbers, bool constant = false);

// ---- Setters

// Labels, text lines, clickable texts, buttons and fields: the text, then the parent is
// laid out again.
void set_control_text(View* control, const char* text);
// The same, but only when the text differs from the shown one. True when it changed.
bool set_control_text_if_different(View* control, const char* text);
const char* control_text(View* control);
void set_swatch_colour(View* swatch, const SwatchColour& colour);
SwatchColour swatch_colour(View* swatch);
void set_pair_colours(View* pair, const SwatchColour& first, const SwatchColour& second);
SwatchColour pair_colour(View* pair, int which);
void enable_swatch(View* swatch, bool enabled);
void select_popup_item(View* popup, int index);
void set_popup_items(View* popup, int count, const char* const* texts);
