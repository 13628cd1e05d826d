// Typed controls for the panes and windows of the desktop program. Each object is the link to
// one framework control (a view in its window's tree, made by the builders) and offers what
// the user does as callbacks of their real types, and setters that say whether a change
// calls back:
//
//     m_rule_popup.create(row, rule_texts, rule);
//     m_rule_popup.on_change = [this](int rule) { set_rule(rule); };
//     m_delay_field.set_text(text, Notify::No);
//
// - `on_*` members are called once per change the user makes (click, drag, key, menu choice,
//   typing). A setter with Notify::Yes calls them as the user's change would, and only when
//   the value really changes; with Notify::No it never does.
// - The view belongs to the window's tree. When the window destroys it, the object becomes
//   empty (view() is null, setters do nothing, getters give 0 or ""); when the object goes
//   first, the control stays on screen but calls nothing any more. create() again re-links.
// - The objects are neither copied nor moved, so callbacks may capture their owner's `this`.
#pragma once
#include <cstdint>
#include <functional>
#include <span>

#include "framework/builders.h"
#include "framework/control_field.h"
#include "framework/control_popup.h"
#include "framework/control_swatch.h"

// What every typed control shares: the link to its view.
class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    ~Control();

    View* view() const { return m_view; }
    explicit operator bool() const { return m_view != nullptr; }
    void set_enabled(bool enabled);
    bool is_enabled() const;
    void set_shown(bool shown);
    void focus();

protected:
    // Links the object to a new view; `unbind` silences the view's callbacks when the object
    // goes first.
    void attach(View* view, void (*unbind)(View*));

private:
    void detach();
    static void view_destroyed(View* view, void* self);
    View* m_view = nullptr;
    void (*m_unbind)(View*) = nullptr;
};

enum class ButtonRole : std::uint8_t { normal, default_button, cancel_button };

class Button : public Control {
public:
    std::function<void()> on_click;
    void create(View* parent, const char* text, ButtonRole role = ButtonRole::normal,
                Emphasis emphasis = Emphasis::normal);
    void set_text(const char* text);
    const char* text() const;
    void click();  // as the user's click
};

class CheckBox : public Control {
public:
    std::function<void(bool checked)> on_change;
    void create(View* parent, const char* text, bool checked);
    void set_checked(bool checked, Notify notify);
    bool is_checked() const;
};

// A button that shows a selected state (one of a set of choices).
class ChoiceButton : public Control {
public:
    std::function<void()> on_click;
    void create(View* parent, const char* text, bool selected);
    void set_selected(bool selected);
    bool is_selected() const;
};

// The open/closed control of an expandable section.
class Disclosure : public Control {
public:
    std::function<void(bool open)> on_change;
    void create(View* parent, const char* text, bool open);
    void set_open(bool open, Notify notify);
    bool is_open() const;
};

// A pop-up menu of fixed items; the value is the selected index.
class PopupMenu : public Control {
public:
    std::function<void(int index)> on_change;
    void create(View* parent, std::span<const char* const> items, int selected);
    // The same after a text line with the label, in a row of spacing 2 (view() is the pop-up).
    void create_labelled(View* parent, const char* label, std::span<const char* const> items, int selected);
    void set_selected(int index, Notify notify);
    int selected() const;
    void set_items(std::span<const char* const> items);
};

// The combo field (typed or chosen) and the value pop-up (chosen only): the current entry is
// one of the items or a free text.
enum class ComboKind : std::uint8_t { editable, fixed };
class ComboField : public Control {
public:
    std::function<void(const char* text)> on_change;
    void create(View* parent, ComboKind kind, std::span<const char* const> items, const char* current);
    void set_text(const char* text, Notify notify);
    const char* text() const;
    // The current item, or kNoItem while the entry is free text.
    int current_index() const;
    void set_items(std::span<const char* const> items);
};

enum class FieldLines : std::uint8_t { one, many };
class TextField : public Control {
public:
    std::function<void(const char* text)> on_change;  // every edit
    std::function<void(const char* text)> on_commit;  // Return, or leaving the field changed
    // width 0: the natural width; height 0: the natural height of the lines.
    void create(View* parent, const char* text, FieldLines lines, int width, int height = 0);
    void set_text(const char* text, Notify notify);
    const char* text() const;
    // The caret, selection and undo state (for selecting all, placing the caret).
    TextEdit* edit() const;
};

class Slider : public Control {
public:
    std::function<void(int value)> on_change;
    void create(View* parent, int minimum, int maximum, int value, int width = 0);
    void set_value(int value, Notify notify);
    int value() const;
    void set_range(int minimum, int maximum);
};

// Two thumbs over one scale; either may be the lower one.
class RangeSlider : public Control {
public:
    std::function<void(int first, int second)> on_change;
    // A press on the track away from both thumbs points at a value.
    std::function<void(int value)> on_point;
    void create(View* parent, int minimum, int maximum, int first, int second, int width = 0);
    void set_values(int first, int second, Notify notify);
    int first() const;
    int second() const;
    void set_range(int minimum, int maximum);
};

// A slider over minimum..maximum above a value pop-up of the given values, in a column of
// spacing 2; both parts always show the same value.
class SliderWithValue : public Control {
public:
    std::function<void(int value)> on_change;
    void create(View* parent, int minimum, int current, int maximum, std::span<const int> values);
    void set_value(int value, Notify notify);
    int value() const;
    View* slider_view() const;
    View* popup_view() const;
};

enum class SwatchClicks : std::uint8_t { ignored, taken };
class Swatch : public Control {
public:
    std::function<void(int modifiers)> on_click;
    // label null: the swatch alone in its row.
    void create(View* parent, SwatchClicks clicks, const char* label = nullptr);
    void set_colour(const SwatchColour& colour);
    SwatchColour colour() const;
    void set_clickable(bool clickable);
};

enum class PairLayout : std::uint8_t { overlapping, side_by_side };
class ColourPair : public Control {
public:
    std::function<void(int modifiers, bool second)> on_click;
    void create(View* parent, PairLayout layout, const char* label = nullptr);
    void set_colours(const SwatchColour& first, const SwatchColour& second);
    SwatchColour colour(int which) const;
    View* swatch_view(int which) const;
};

class ProgressBar : public Control {
public:
    // total 0: a busy indicator.
    void create(View* parent, std::uint32_t total, int width, int height);
    void set_total(std::uint32_t total);
    void set_value(std::uint32_t value);
    void advance(std::uint32_t units);  // never beyond the total
    void step();                        // the busy indicator's next frame
    std::uint32_t value() const;
    std::uint32_t total() const;
};

enum class TextKind : std::uint8_t { label, heading, text_line };
class Label : public Control {
public:
    void create(View* parent, const char* text, TextKind kind = TextKind::label, Emphasis emphasis = Emphasis::normal);
    // The text, then the parent is laid out again.
    void set_text(const char* text);
    // The same only when the text differs from the shown one; true when it changed.
    bool set_text_if_different(const char* text);
    const char* text() const;
    // Wraps the text to the width from now on (0: back to the natural width).
    void set_wrap_width(int width);
};

// A text that acts as a button (a link).
class ClickableText : public Control {
public:
    std::function<void()> on_click;
    void create(View* parent, const char* text, Emphasis emphasis = Emphasis::normal);
    void set_text(const char* text);
    const char* text() const;
};
