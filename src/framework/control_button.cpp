#include "framework/control_button.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "foundation/heap_string.h"

namespace {

constexpr int kDisclosureBox = 14;  // the triangle's square
constexpr int kDisclosureGap = 5;

struct ButtonData : ViewRecord {
    ~ButtonData() override { StrFree(text); }
    ButtonKind kind = ButtonKind::push;
    TextStyle style = TextStyle::normal;
    char* text = nullptr;
    int state = 0;
    bool is_default = false;
    bool pressed = false;  // the pointer is down inside
    std::function<void(int)> on_press;
};

ButtonData* button(View* view) { return ViewRecordOf<ButtonData>(view); }

platform::Size natural_size(ButtonData* data)
{
    const platform::Font* font = ControlFont(data->style);
    switch (data->kind) {
    case ButtonKind::push:
    case ButtonKind::choice: {
        platform::Size size = platform::ControlNaturalSize(platform::ControlKind::push_button, data->text, font);
        size.width = std::max(size.width, data->kind == ButtonKind::choice ? 0 : 64);
        return size;
    }
    case ButtonKind::check_box:
        return platform::ControlNaturalSize(platform::ControlKind::check_box, data->text, font);
    case ButtonKind::disclosure: {
        const platform::Size text = platform::MeasureText(font, data->text);
        return {kDisclosureBox + kDisclosureGap + text.width, std::max(text.height, kDisclosureBox) + 2};
    }
    }
    return {16, 16};
}

std::uint32_t draw_state(View* view, ButtonData* data)
{
    std::uint32_t state = ControlState(view);
    if (data->pressed)
        state |= platform::control_state::pressed;
    if (data->state != 0)
        state |= platform::control_state::checked;
    if (data->is_default)
        state |= platform::control_state::default_button;
    return state;
}

void button_draw(View* view, const Rect& /*area*/)
{
    ButtonData* data = button(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    const platform::Font* font = ControlFont(data->style);
    const std::uint32_t state = draw_state(view, data);
    switch (data->kind) {
    case ButtonKind::push:
    case ButtonKind::choice:
        platform::DrawPushButton(surface, r, data->text, font, state);
        break;
    case ButtonKind::check_box:
        platform::DrawCheckBox(surface, r, data->text, font, state);
        break;
    case ButtonKind::disclosure: {
        const int top = r.top + (view->height - kDisclosureBox) / 2;
        platform::DrawDisclosure(surface, platform::MakeRect(r.left, top, kDisclosureBox, kDisclosureBox),
                                 data->state != 0, state);
        const int text_h = platform::MeasureText(font, data->text).height;
        const platform::Colour colour = ViewIsEnabled(view) ? ControlColour(platform::SystemColour::window_text)
                                                            : ControlColour(platform::SystemColour::disabled_text);
        platform::DrawText(surface, r.left + kDisclosureBox + kDisclosureGap, r.top + (view->height - text_h) / 2,
                           data->text, font, colour);
        if ((state & platform::control_state::focused) != 0)
            platform::DrawFocusRect(surface, r);
        break;
    }
    }
}

void click(View* view)
{
    ButtonData* data = button(view);
    if (data->kind == ButtonKind::check_box || data->kind == ButtonKind::disclosure) {
        data->state = data->state != 0 ? 0 : 1;
        ViewInvalidate(view);
    }
    if (data->on_press)
        data->on_press(data->kind == ButtonKind::push || data->kind == ButtonKind::choice ? 0 : data->state);
}

void button_mouse_down(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/)
{
    button(view)->pressed = true;
    ViewInvalidate(view);
}

void button_mouse_drag(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    ButtonData* data = button(view);
    const bool inside = platform::RectContains(ViewRect(view), platform::Point{x, y});
    if (inside != data->pressed) {
        data->pressed = inside;
        ViewInvalidate(view);
    }
}

void button_mouse_up(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    ButtonData* data = button(view);
    data->pressed = false;
    ViewInvalidate(view);
    if (platform::RectContains(ViewRect(view), platform::Point{x, y}))
        click(view);
}

bool button_key(View* view, const KeyEvent& key)
{
    if (key.character != ' ')
        return false;
    click(view);
    return true;
}

const ViewClass kButtonClass = [] {
    ViewClass c;
    c.name = "button";
    c.draw = button_draw;
    c.mouse_down = button_mouse_down;
    c.mouse_drag = button_mouse_drag;
    c.mouse_up = button_mouse_up;
    c.key = button_key;
    c.takes_focus = true;
    return c;
}();

}  // namespace

View* ButtonNew(View* parent, ButtonKind kind, const char* text, int state, TextStyle style)
{
    auto data = std::make_unique<ButtonData>();
    data->kind = kind;
    data->style = style;
    data->text = StrDup(text != nullptr ? text : "");
    data->state = state != 0 ? 1 : 0;
    const platform::Size size = natural_size(data.get());
    View* view = ViewNewChild(&kButtonClass, parent, 0, 0, std::move(data));
    ViewDefaultSetSize(view, size.width, size.height);
    ViewShow(view, 0);
    return view;
}

void ButtonOnPress(View* view, std::function<void(int)> callback) { button(view)->on_press = std::move(callback); }

void ButtonSetDefault(View* view, bool is_default)
{
    button(view)->is_default = is_default;
    if (is_default)
        ViewSetDefaultButton(view->window, view);
    else if (ViewDefaultButton(view->window) == view)
        ViewSetDefaultButton(view->window, nullptr);
    ViewInvalidate(view);
}

void ButtonSetCancel(View* view) { ViewSetCancelButton(view->window, view); }

void ButtonSetText(View* view, const char* text)
{
    ButtonData* data = button(view);
    if (StrEqual(data->text, text != nullptr ? text : ""))
        return;
    ControlReplaceText(&data->text, text);
    const platform::Size size = natural_size(data);
    ViewSetSize(view, size.width, size.height);
    ViewInvalidate(view);
}

const char* ButtonText(View* view) { return button(view)->text; }

void ButtonSetState(View* view, int state)
{
    ButtonData* data = button(view);
    const int value = state != 0 ? 1 : 0;
    if (data->state == value)
        return;
    data->state = value;
    ViewInvalidate(view);
}

int ButtonState(View* view) { return button(view)->state; }

void ButtonPress(View* view) { click(view); }

bool ViewIsButton(const View* view) { return view->cls == &kButtonClass; }

platform::Size ButtonNaturalSize(View* view) { return natural_size(button(view)); }
