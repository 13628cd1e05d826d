#include "framework/widgets.h"

#include "foundation/heap_string.h"
#include "framework/control_button.h"
#include "framework/control_progress.h"
#include "framework/control_slider.h"
#include "framework/control_text.h"

namespace {

int count_of(std::span<const char* const> items) { return static_cast<int>(items.size()); }

// Calls a callback that may be empty.
template <typename F, typename... Args> void call(const F& callback, Args... args)
{
    if (callback)
        callback(args...);
}

}  // namespace

// ---- Control

Control::~Control() { detach(); }

void Control::attach(View* view, void (*unbind)(View*))
{
    detach();
    m_view = view;
    m_unbind = unbind;
    if (m_view != nullptr)
        ViewAddObserver(m_view, view_destroyed, this);
}

void Control::detach()
{
    if (m_view == nullptr)
        return;
    ViewRemoveObserver(m_view, view_destroyed, this);
    if (m_unbind != nullptr && !ViewIsBeingDestroyed(m_view))
        m_unbind(m_view);
    m_view = nullptr;
}

void Control::view_destroyed(View* /*view*/, void* self) { static_cast<Control*>(self)->m_view = nullptr; }

void Control::set_enabled(bool enabled)
{
    if (m_view != nullptr)
        ViewSetEnabled(m_view, enabled);
}

bool Control::is_enabled() const { return m_view != nullptr && ViewIsEnabled(m_view); }

void Control::set_shown(bool shown)
{
    if (m_view == nullptr)
        return;
    if (shown)
        ViewShow(m_view, 0);
    else
        ViewHide(m_view, 0);
}

void Control::focus()
{
    if (m_view != nullptr)
        ViewSetFocus(m_view);
}

// ---- Buttons

void Button::create(View* parent, const char* text, ButtonRole role, Emphasis emphasis)
{
    View* view = make_button(
        parent, text, role == ButtonRole::default_button ? DefaultButton::yes : DefaultButton::no,
        [this] { call(on_click); }, emphasis);
    if (role == ButtonRole::cancel_button)
        ButtonSetCancel(view);
    attach(view, [](View* v) { ButtonOnPress(v, nullptr); });
}

void Button::set_text(const char* text)
{
    if (view() != nullptr)
        ButtonSetText(view(), text);
}

const char* Button::text() const { return view() != nullptr ? ButtonText(view()) : ""; }

void Button::click()
{
    if (view() != nullptr)
        ButtonPress(view());
}

void CheckBox::create(View* parent, const char* text, bool checked)
{
    attach(make_check_box(parent, text, checked, [this](bool state) { call(on_change, state); }),
           [](View* v) { ButtonOnPress(v, nullptr); });
}

void CheckBox::set_checked(bool checked, Notify notify)
{
    if (view() == nullptr || is_checked() == checked)
        return;
    ButtonSetState(view(), checked ? 1 : 0);
    if (notify == Notify::Yes)
        call(on_change, checked);
}

bool CheckBox::is_checked() const { return view() != nullptr && ButtonState(view()) != 0; }

void ChoiceButton::create(View* parent, const char* text, bool selected)
{
    attach(make_choice_button(parent, text, selected, [this] { call(on_click); }),
           [](View* v) { ButtonOnPress(v, nullptr); });
}

void ChoiceButton::set_selected(bool selected)
{
    if (view() != nullptr)
        ButtonSetState(view(), selected ? 1 : 0);
}

bool ChoiceButton::is_selected() const { return view() != nullptr && ButtonState(view()) != 0; }

void Disclosure::create(View* parent, const char* text, bool open)
{
    attach(make_disclosure(parent, text, open, [this](bool state) { call(on_change, state); }),
           [](View* v) { ButtonOnPress(v, nullptr); });
}

void Disclosure::set_open(bool open, Notify notify)
{
    if (view() == nullptr || is_open() == open)
        return;
    ButtonSetState(view(), open ? 1 : 0);
    if (notify == Notify::Yes)
        call(on_change, open);
}

bool Disclosure::is_open() const { return view() != nullptr && ButtonState(view()) != 0; }

// ---- Menus and texts

void PopupMenu::create(View* parent, std::span<const char* const> items, int selected)
{
    attach(
        make_popup_menu(parent, count_of(items), items.data(), selected, [this](int index) { call(on_change, index); }),
        [](View* v) { PopupOnChoose(v, nullptr); });
}

void PopupMenu::create_labelled(View* parent, const char* label, std::span<const char* const> items, int selected)
{
    attach(make_labelled_popup_menu(parent, label, count_of(items), items.data(), selected,
                                    [this](int index) { call(on_change, index); }),
           [](View* v) { PopupOnChoose(v, nullptr); });
}

void PopupMenu::set_selected(int index, Notify notify)
{
    if (view() == nullptr || index == selected())
        return;
    PopupSelect(view(), index);
    if (notify == Notify::Yes && selected() == index)
        call(on_change, index);
}

int PopupMenu::selected() const
{
    if (view() == nullptr)
        return 0;
    const std::uint16_t index = PopupCurrentIndex(view());
    return index == kNoItem ? -1 : index;
}

void PopupMenu::set_items(std::span<const char* const> items)
{
    if (view() != nullptr)
        PopupSetItems(view(), count_of(items), items.data());
}

void ComboField::create(View* parent, ComboKind kind, std::span<const char* const> items, const char* current)
{
    auto callback = [this](const char* text) { call(on_change, text); };
    View* view = kind == ComboKind::editable
        ? make_combo_field(parent, count_of(items), items.data(), current, callback)
        : make_value_popup(parent, count_of(items), items.data(), current, callback);
    attach(view, [](View* v) { ComboOnText(v, nullptr); });
}

void ComboField::set_text(const char* text, Notify notify)
{
    if (view() == nullptr)
        return;
    const bool same = StrEqual(ComboText(view()), text != nullptr ? text : "");
    ComboSetText(view(), text, same ? Notify::No : notify);
}

const char* ComboField::text() const { return view() != nullptr ? ComboText(view()) : ""; }

int ComboField::current_index() const { return view() != nullptr ? PopupCurrentIndex(view()) : kNoItem; }

void ComboField::set_items(std::span<const char* const> items)
{
    if (view() != nullptr)
        PopupSetItems(view(), count_of(items), items.data());
}

void TextField::create(View* parent, const char* text, FieldLines lines, int width, int height)
{
    View* view = FieldNew(parent, text, lines == FieldLines::many, width, height);
    FieldOnChange(view, [this](const char* value) { call(on_change, value); });
    FieldOnCommit(view, [this](const char* value) { call(on_commit, value); });
    attach(view, [](View* v) {
        FieldOnChange(v, nullptr);
        FieldOnCommit(v, nullptr);
    });
}

void TextField::set_text(const char* text, Notify notify)
{
    if (view() == nullptr || StrEqual(FieldText(view()), text != nullptr ? text : ""))
        return;
    FieldSetText(view(), text);
    if (notify == Notify::Yes)
        call(on_change, FieldText(view()));
}

const char* TextField::text() const { return view() != nullptr ? FieldText(view()) : ""; }

TextEdit* TextField::edit() const { return view() != nullptr ? &FieldEdit(view()) : nullptr; }

// ---- Sliders

void Slider::create(View* parent, int minimum, int maximum, int value, int width)
{
    View* view = SliderNew(parent, minimum, maximum, value, width);
    SliderOnChange(view, [this](int v) { call(on_change, v); });
    attach(view, [](View* v) { SliderOnChange(v, nullptr); });
}

void Slider::set_value(int value, Notify notify)
{
    if (view() != nullptr)
        SliderSetValue(view(), value, notify);
}

int Slider::value() const { return view() != nullptr ? SliderValue(view()) : 0; }

void Slider::set_range(int minimum, int maximum)
{
    if (view() != nullptr)
        SliderSetRange(view(), minimum, maximum);
}

void RangeSlider::create(View* parent, int minimum, int maximum, int first, int second, int width)
{
    View* view = RangeSliderNew(parent, minimum, maximum, first, second, width);
    RangeSliderOnChange(view, [this](int a, int b) { call(on_change, a, b); });
    RangeSliderOnPoint(view, [this](int v) { call(on_point, v); });
    attach(view, [](View* v) {
        RangeSliderOnChange(v, nullptr);
        RangeSliderOnPoint(v, nullptr);
    });
}

void RangeSlider::set_values(int first, int second, Notify notify)
{
    if (view() != nullptr)
        RangeSliderSet(view(), first, second, notify);
}

int RangeSlider::first() const { return view() != nullptr ? RangeSliderFirst(view()) : 0; }

int RangeSlider::second() const { return view() != nullptr ? RangeSliderSecond(view()) : 0; }

void RangeSlider::set_range(int minimum, int maximum)
{
    if (view() != nullptr)
        RangeSliderSetRange(view(), minimum, maximum);
}

void SliderWithValue::create(View* parent, int minimum, int current, int maximum, std::span<const int> values)
{
    attach(make_slider_with_value(parent, minimum, current, maximum, static_cast<int>(values.size()), values.data(),
                                  [this](int value) { call(on_change, value); }),
           [](View* v) { slider_with_value_on_change(v, nullptr); });
}

void SliderWithValue::set_value(int value, Notify notify)
{
    if (view() != nullptr)
        set_slider_with_value(view(), value, notify);
}

int SliderWithValue::value() const { return view() != nullptr ? slider_with_value(view()) : 0; }

View* SliderWithValue::slider_view() const { return view() != nullptr ? slider_with_value_slider(view()) : nullptr; }

View* SliderWithValue::popup_view() const { return view() != nullptr ? slider_with_value_popup(view()) : nullptr; }

// ---- Colours

void Swatch::create(View* parent, SwatchClicks clicks, const char* label)
{
    attach(make_colour_swatch(parent, clicks == SwatchClicks::taken, label,
                              [this](int modifiers) { call(on_click, modifiers); }),
           [](View* v) { SwatchOnClick(v, nullptr); });
}

void Swatch::set_colour(const SwatchColour& colour)
{
    if (view() != nullptr)
        SwatchSetColour(view(), colour);
}

SwatchColour Swatch::colour() const { return view() != nullptr ? SwatchColourOf(view()) : SwatchColour{}; }

void Swatch::set_clickable(bool clickable)
{
    if (view() != nullptr)
        SwatchSetClickable(view(), clickable);
}

void ColourPair::create(View* parent, PairLayout layout, const char* label)
{
    attach(make_colour_pair(parent, layout == PairLayout::side_by_side, label,
                            [this](int modifiers, bool second) { call(on_click, modifiers, second); }),
           [](View* v) { colour_pair_on_click(v, nullptr); });
}

void ColourPair::set_colours(const SwatchColour& first, const SwatchColour& second)
{
    if (view() != nullptr)
        set_pair_colours(view(), first, second);
}

SwatchColour ColourPair::colour(int which) const
{
    return view() != nullptr ? pair_colour(view(), which) : SwatchColour{};
}

View* ColourPair::swatch_view(int which) const
{
    return view() != nullptr ? colour_pair_swatch(view(), which) : nullptr;
}

// ---- Progress

void ProgressBar::create(View* parent, std::uint32_t total, int width, int height)
{
    attach(ProgressBarNew(parent, total, width, height), nullptr);
}

void ProgressBar::set_total(std::uint32_t total)
{
    if (view() != nullptr)
        ProgressBarSetTotal(view(), total);
}

void ProgressBar::set_value(std::uint32_t value)
{
    if (view() != nullptr)
        ProgressBarSetValue(view(), value);
}

void ProgressBar::advance(std::uint32_t units)
{
    if (view() != nullptr)
        ProgressBarAdvance(view(), units);
}

void ProgressBar::step()
{
    if (view() != nullptr)
        ProgressBarStep(view());
}

std::uint32_t ProgressBar::value() const { return view() != nullptr ? ProgressBarValue(view()) : 0; }

std::uint32_t ProgressBar::total() const { return view() != nullptr ? ProgressBarTotal(view()) : 0; }

// ---- Texts

void Label::create(View* parent, const char* text, TextKind kind, Emphasis emphasis)
{
    View* view = nullptr;
    switch (kind) {
    case TextKind::label:
        view = make_label(parent, text, emphasis);
        break;
    case TextKind::heading:
        view = make_heading(parent, text);
        break;
    case TextKind::text_line:
        view = make_text_line(parent, text, emphasis);
        break;
    }
    attach(view, nullptr);
}

void Label::set_text(const char* text)
{
    if (view() != nullptr)
        LabelSetText(view(), text);
}

bool Label::set_text_if_different(const char* text)
{
    return view() != nullptr && LabelSetTextIfDifferent(view(), text);
}

const char* Label::text() const { return view() != nullptr ? LabelText(view()) : ""; }

void Label::set_wrap_width(int width)
{
    if (view() != nullptr)
        LabelSetWrapWidth(view(), width);
}

void ClickableText::create(View* parent, const char* text, Emphasis emphasis)
{
    attach(make_clickable_text(
               parent, text, 0, 0, [this] { call(on_click); }, emphasis),
           [](View* v) { LabelOnClick(v, nullptr); });
}

void ClickableText::set_text(const char* text)
{
    if (view() != nullptr)
        LabelSetText(view(), text);
}

const char* ClickableText::text() const { return view() != nullptr ? LabelText(view()) : ""; }
