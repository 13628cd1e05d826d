#include "framework/control_swatch.h"

namespace {

constexpr int kSwatchSize = 24;

struct SwatchData {
    SwatchColour colour;
    bool clickable = true;
    bool pressed = false;
    ControlHandler handler = nullptr;
    std::uintptr_t user = 0;
};

SwatchData* swatch(View* view) { return static_cast<SwatchData*>(view->data); }

void swatch_destroy(View* view)
{
    delete swatch(view);
    view->data = nullptr;
}

platform::Colour rgb(const SwatchColour& c)
{
    return (static_cast<platform::Colour>(c.red >> 8) << 16) | (static_cast<platform::Colour>(c.green >> 8) << 8) |
        (c.blue >> 8);
}

void swatch_draw(View* view, const Rect& /*area*/)
{
    SwatchData* data = swatch(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    const platform::Colour window = ControlColour(platform::SystemColour::window);
    const bool enabled = ViewIsEnabled(view);
    // A dark outline, a light inner ring, then the colour (muted when disabled).
    platform::DrawFrameRect(surface, r, enabled ? ColourMix(window, 0, 140) : ColourMix(window, 0, 60));
    platform::DrawFrameRect(surface, ControlInset(r, 1, 1), 0xFFFFFF);
    platform::Colour fill = rgb(data->colour);
    if (!enabled)
        fill = ColourMix(fill, window, 150);
    if (data->pressed)
        fill = ColourMix(fill, 0, 60);
    platform::DrawFillRect(surface, ControlInset(r, 2, 2), fill);
    if ((ControlState(view) & platform::control_state::focused) != 0)
        platform::DrawFocusRect(surface, ControlInset(r, 3, 3));
}

void swatch_mouse_down(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/)
{
    if (!swatch(view)->clickable)
        return;
    swatch(view)->pressed = true;
    ViewInvalidate(view);
}

void swatch_mouse_up(View* view, std::uint8_t modifiers, int x, int y)
{
    SwatchData* data = swatch(view);
    if (!data->pressed)
        return;
    data->pressed = false;
    ViewInvalidate(view);
    if (platform::RectContains(ViewRect(view), platform::Point{x, y}) && data->handler != nullptr)
        data->handler(view, data->user, modifiers);
}

bool swatch_key(View* view, const KeyEvent& key)
{
    SwatchData* data = swatch(view);
    if (!data->clickable || key.character != ' ')
        return false;
    if (data->handler != nullptr)
        data->handler(view, data->user, 0);
    return true;
}

const ViewClass kSwatchClass = [] {
    ViewClass c;
    c.name = "colour swatch";
    c.destroy = swatch_destroy;
    c.draw = swatch_draw;
    c.mouse_down = swatch_mouse_down;
    c.mouse_up = swatch_mouse_up;
    c.key = swatch_key;
    c.takes_focus = true;
    return c;
}();

}  // namespace

View* SwatchNew(View* parent, bool clickable, int x, int y, ControlHandler handler, std::uintptr_t user)
{
    auto* data = new SwatchData;
    data->clickable = clickable;
    data->handler = handler;
    data->user = user;
    View* view = ViewNewChild(&kSwatchClass, parent, x, y, data);
    view->user = user;
    ViewDefaultSetSize(view, kSwatchSize, kSwatchSize);
    ViewShow(view, 0);
    return view;
}

void SwatchSetColour(View* view, const SwatchColour& colour)
{
    swatch(view)->colour = colour;
    ViewInvalidate(view);
}

SwatchColour SwatchColourOf(View* view) { return swatch(view)->colour; }

void SwatchSetClickable(View* view, bool clickable)
{
    swatch(view)->clickable = clickable;
    ViewSetEnabled(view, clickable);
}

bool ViewIsSwatch(const View* view) { return view->cls == &kSwatchClass; }
