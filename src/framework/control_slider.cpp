#include "framework/control_slider.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {

struct SliderData : ViewRecord {
    int minimum = 0;
    int maximum = 100;
    int value[2] = {0, 0};
    int reported = 0;
    int dragging = -1;  // the thumb being dragged
    bool two_thumbs = false;
    std::function<void(int)> on_change;      // one thumb: the new value
    std::function<void(int, int)> on_range;  // two thumbs: both values
    std::function<void(int)> on_point;       // two thumbs: a value pointed at on the track
};

constexpr int kThumbWidth = 11;

SliderData* slider(View* view) { return ViewRecordOf<SliderData>(view); }

int clamp_value(SliderData* data, int value)
{
    return std::clamp(value, data->minimum, std::max(data->minimum, data->maximum));
}

// Position of a value on the track of a two-thumb slider, and back.
int thumb_centre(View* view, SliderData* data, int value)
{
    const int span = std::max(data->maximum - data->minimum, 1);
    const int track = view->width - kThumbWidth;
    return view->x + kThumbWidth / 2 + static_cast<int>(static_cast<long long>(value - data->minimum) * track / span);
}

int value_at(View* view, SliderData* data, int x)
{
    if (!data->two_thumbs)
        return clamp_value(data, platform::SliderValueAt(ViewRect(view), data->minimum, data->maximum, x));
    const int span = data->maximum - data->minimum;
    const int track = std::max(view->width - kThumbWidth, 1);
    const int offset = x - view->x - kThumbWidth / 2;
    const long long value = data->minimum + (static_cast<long long>(offset) * span + track / 2) / track;
    return clamp_value(data, static_cast<int>(value));
}

void draw_range(platform::Surface* surface, View* view, SliderData* data)
{
    const Rect r = ViewRect(view);
    const int mid = r.top + view->height / 2;
    const platform::Colour window = ControlColour(platform::SystemColour::window);
    const Rect groove = platform::MakeRect(r.left + kThumbWidth / 2, mid - 2, view->width - kThumbWidth, 4);
    platform::DrawFillRect(surface, groove, ColourMix(window, 0, 40));
    const int a = thumb_centre(view, data, std::min(data->value[0], data->value[1]));
    const int b = thumb_centre(view, data, std::max(data->value[0], data->value[1]));
    const platform::Colour span =
        ViewIsEnabled(view) ? ControlColour(platform::SystemColour::highlight) : ColourMix(window, 0, 80);
    platform::DrawFillRect(surface, platform::MakeRect(a, mid - 2, b - a + 1, 4), span);
    const int thumb_h = std::min<int>(view->height, 18);
    for (int i = 0; i < 2; ++i) {
        const int centre = thumb_centre(view, data, data->value[i]);
        const Rect thumb = platform::MakeRect(centre - kThumbWidth / 2, mid - thumb_h / 2, kThumbWidth, thumb_h);
        std::uint32_t state = ControlState(view) & ~platform::control_state::focused;
        if (data->dragging == i)
            state |= platform::control_state::pressed;
        platform::DrawPushButton(surface, thumb, "", ControlFont(TextStyle::normal), state);
    }
}

void slider_draw(View* view, const Rect& /*area*/)
{
    SliderData* data = slider(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    if (data->two_thumbs) {
        draw_range(surface, view, data);
        return;
    }
    platform::DrawSlider(surface, ViewRect(view), data->minimum, data->maximum, data->value[0], ControlState(view));
}

void notify_change(SliderData* data)
{
    if (data->two_thumbs) {
        if (data->on_range)
            data->on_range(data->value[0], data->value[1]);
        return;
    }
    if (data->on_change)
        data->on_change(data->value[0]);
}

// True when the thumb moved.
bool set_thumb(View* view, int thumb, int value, Notify notify)
{
    SliderData* data = slider(view);
    value = clamp_value(data, value);
    if (data->value[thumb] == value)
        return false;
    data->value[thumb] = value;
    ViewInvalidate(view);
    if (notify == Notify::Yes)
        notify_change(data);
    return true;
}

void slider_mouse_down(View* view, std::uint8_t /*modifiers*/, int x, int /*y*/)
{
    SliderData* data = slider(view);
    const int value = value_at(view, data, x);
    if (!data->two_thumbs) {
        data->dragging = 0;
        set_thumb(view, 0, value, Notify::Yes);
        return;
    }
    // The nearer thumb follows the pointer; a press away from both reports the position.
    const int d0 = std::abs(thumb_centre(view, data, data->value[0]) - x);
    const int d1 = std::abs(thumb_centre(view, data, data->value[1]) - x);
    const int nearer = d1 < d0 ? 1 : 0;
    if (std::min(d0, d1) <= kThumbWidth) {
        data->dragging = nearer;
        ViewInvalidate(view);
        return;
    }
    data->reported = value;
    if (data->on_point)
        data->on_point(value);
}

void slider_mouse_drag(View* view, std::uint8_t /*modifiers*/, int x, int /*y*/)
{
    SliderData* data = slider(view);
    if (data->dragging >= 0)
        set_thumb(view, data->dragging, value_at(view, data, x), Notify::Yes);
}

void slider_mouse_up(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/)
{
    slider(view)->dragging = -1;
    ViewInvalidate(view);
}

bool slider_key(View* view, const KeyEvent& key)
{
    SliderData* data = slider(view);
    const int page = std::max((data->maximum - data->minimum) / 10, 1);
    int step = 0;
    switch (key.character) {
    case key_char::left:
    case key_char::down:
        step = -1;
        break;
    case key_char::right:
    case key_char::up:
        step = 1;
        break;
    case key_char::page_up:
        step = page;
        break;
    case key_char::page_down:
        step = -page;
        break;
    case key_char::home:
        step = data->minimum - data->value[0];
        break;
    case key_char::end:
        step = data->maximum - data->value[0];
        break;
    default:
        return false;
    }
    // A range slider moves its first thumb with Shift held off, its second with Shift.
    const int thumb = data->two_thumbs && (key.modifiers & platform::modifier::shift) != 0 ? 1 : 0;
    set_thumb(view, thumb, data->value[thumb] + step, Notify::Yes);
    return true;
}

const ViewClass kSliderClass = [] {
    ViewClass c;
    c.name = "slider";
    c.draw = slider_draw;
    c.mouse_down = slider_mouse_down;
    c.mouse_drag = slider_mouse_drag;
    c.mouse_up = slider_mouse_up;
    c.key = slider_key;
    c.takes_focus = true;
    return c;
}();

View* make(View* parent, std::unique_ptr<SliderData> data, int width)
{
    View* view = ViewNewChild(&kSliderClass, parent, 0, 0, std::move(data));
    const platform::Size natural =
        platform::ControlNaturalSize(platform::ControlKind::slider, "", ControlFont(TextStyle::normal));
    ViewDefaultSetSize(view, width > 0 ? width : std::max(natural.width, 150), std::max(natural.height, 22));
    ViewShow(view, 0);
    return view;
}

}  // namespace

View* SliderNew(View* parent, int minimum, int maximum, int value, int width)
{
    auto data = std::make_unique<SliderData>();
    data->minimum = minimum;
    data->maximum = maximum;
    data->value[0] = clamp_value(data.get(), value);
    return make(parent, std::move(data), width);
}

void SliderOnChange(View* view, std::function<void(int)> callback) { slider(view)->on_change = std::move(callback); }

void SliderSetValue(View* view, int value, Notify notify) { set_thumb(view, 0, value, notify); }

int SliderValue(View* view) { return slider(view)->value[0]; }

void SliderSetRange(View* view, int minimum, int maximum)
{
    SliderData* data = slider(view);
    data->minimum = minimum;
    data->maximum = maximum;
    data->value[0] = clamp_value(data, data->value[0]);
    data->value[1] = clamp_value(data, data->value[1]);
    ViewInvalidate(view);
}

View* RangeSliderNew(View* parent, int minimum, int maximum, int first, int second, int width)
{
    auto data = std::make_unique<SliderData>();
    data->two_thumbs = true;
    data->minimum = minimum;
    data->maximum = maximum;
    data->value[0] = clamp_value(data.get(), first);
    data->value[1] = clamp_value(data.get(), second);
    return make(parent, std::move(data), width);
}

void RangeSliderOnChange(View* view, std::function<void(int, int)> callback)
{
    slider(view)->on_range = std::move(callback);
}

void RangeSliderOnPoint(View* view, std::function<void(int)> callback) { slider(view)->on_point = std::move(callback); }

void RangeSliderSet(View* view, int first, int second, Notify notify)
{
    const bool moved_first = set_thumb(view, 0, first, Notify::No);
    const bool moved_second = set_thumb(view, 1, second, Notify::No);
    if (notify == Notify::Yes && (moved_first || moved_second))
        notify_change(slider(view));
}

void RangeSliderSetRange(View* view, int minimum, int maximum) { SliderSetRange(view, minimum, maximum); }

int RangeSliderFirst(View* view) { return slider(view)->value[0]; }

int RangeSliderSecond(View* view) { return slider(view)->value[1]; }

int RangeSliderReported(View* view) { return slider(view)->reported; }
