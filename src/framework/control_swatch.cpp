#include "framework/control_swatch.h"

#include <functional>
#include <memory>

namespace {

constexpr int kSwatchSize = 24;

struct SwatchData : ViewRecord {
    SwatchColour colour;
    bool clickable = true;
    bool pressed = false;
    std::function<void(int)> on_click;
};

SwatchData* swatch(View* view) { return ViewRecordOf<SwatchData>(view); }

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
    if (platform::RectContains(ViewRect(view), platform::Point{x, y}) && data->on_click)
        data->on_click(modifiers);
}

bool swatch_key(View* view, const KeyEvent& key)
{
    SwatchData* data = swatch(view);
    if (!data->clickable || key.character != ' ')
        return false;
    if (data->on_click)
        data->on_click(0);
    return true;
}

const ViewClass kSwatchClass = [] {
    ViewClass c;
    c.name = "colour swatch";
    c.draw = swatch_draw;
    c.mouse_down = swatch_mouse_down;
    c.mouse_up = swatch_mouse_up;
    c.key = swatch_key;
    c.takes_focus = true;
    return c;
}();

}  // namespace

View* SwatchNew(View* parent, bool clickable, int x, int y)
{
    auto data = std::make_unique<SwatchData>();
    data->clickable = clickable;
    View* view = ViewNewChild(&kSwatchClass, parent, x, y, std::move(data));
    ViewDefaultSetSize(view, kSwatchSize, kSwatchSize);
    ViewShow(view, 0);
    return view;
}

void SwatchOnClick(View* view, std::function<void(int)> callback) { swatch(view)->on_click = std::move(callback); }

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
