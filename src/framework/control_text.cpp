#include "framework/control_text.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "foundation/heap_string.h"
#include "platform/qt/window.h"

namespace {

struct LabelData : ViewRecord {
    ~LabelData() override { StrFree(text); }
    LabelKind kind = LabelKind::label;
    TextStyle style = TextStyle::normal;
    char* text = nullptr;
    int wrap_width = 0;
    platform::Align align = platform::Align::left;
    std::function<void()> on_click;
    std::uintptr_t values[2] = {0, 0};  // kept for the clickable text's owner
    bool pressed = false;
    std::uint32_t relayouts = 0;
};

LabelData* label(View* view) { return ViewRecordOf<LabelData>(view); }

platform::Size natural_size(LabelData* data)
{
    const platform::Font* font = ControlFont(data->style);
    const char* text = data->text;
    if (data->kind == LabelKind::text_line || data->kind == LabelKind::clickable) {
        platform::Size size = platform::MeasureText(font, text);
        size.height = std::max(size.height, platform::FontMetricsOf(font).height);
        return size;
    }
    if (data->wrap_width > 0) {
        platform::Size size = platform::MeasureTextBlock(font, text, data->wrap_width);
        size.width = data->wrap_width;
        size.height = std::max(size.height, platform::FontMetricsOf(font).height);
        return size;
    }
    platform::Size size = platform::MeasureTextBlock(font, text, 30000);
    size.height = std::max(size.height, platform::FontMetricsOf(font).height);
    return size;
}

platform::Colour text_colour(View* view, LabelData* data)
{
    if (!ViewIsEnabled(view))
        return ControlColour(platform::SystemColour::disabled_text);
    if (data->kind == LabelKind::clickable) {
        const platform::Colour link = ControlColour(platform::SystemColour::highlight);
        return data->pressed ? ColourMix(link, 0, 80) : link;
    }
    return ControlColour(platform::SystemColour::window_text);
}

void label_draw(View* view, const Rect& /*area*/)
{
    LabelData* data = label(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr || data->text == nullptr)
        return;
    const Rect r = ViewRect(view);
    const platform::Font* font = ControlFont(data->style);
    const platform::Colour colour = text_colour(view, data);
    platform::DrawPushClip(surface, r);
    if (data->kind == LabelKind::text_line || data->kind == LabelKind::clickable) {
        const int text_w = platform::MeasureText(font, data->text).width;
        int x = r.left;
        if (data->align == platform::Align::centre)
            x += (view->width - text_w) / 2;
        else if (data->align == platform::Align::right)
            x += view->width - text_w;
        platform::DrawText(surface, x, r.top, data->text, font, colour);
        if (data->kind == LabelKind::clickable) {
            const int base = r.top + platform::FontMetricsOf(font).ascent + 2;
            platform::DrawLine(surface, x, base, x + text_w - 1, base, colour);
        }
    } else {
        platform::DrawTextBlock(surface, r, data->text, font, colour, data->align);
    }
    if (data->kind == LabelKind::clickable && (ControlState(view) & platform::control_state::focused) != 0)
        platform::DrawFocusRect(surface, r);
    platform::DrawPopClip(surface);
}

void label_set_size(View* view, int width, int height) { ViewDefaultSetSize(view, width, height); }

void label_mouse_down(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/)
{
    LabelData* data = label(view);
    if (data->kind != LabelKind::clickable)
        return;
    data->pressed = true;
    ViewInvalidate(view);
}

void label_mouse_drag(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    LabelData* data = label(view);
    const bool inside = platform::RectContains(ViewRect(view), platform::Point{x, y});
    if (data->kind == LabelKind::clickable && inside != data->pressed) {
        data->pressed = inside;
        ViewInvalidate(view);
    }
}

void label_mouse_up(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    LabelData* data = label(view);
    if (data->kind != LabelKind::clickable)
        return;
    data->pressed = false;
    ViewInvalidate(view);
    if (platform::RectContains(ViewRect(view), platform::Point{x, y}) && data->on_click)
        data->on_click();
}

bool label_key(View* view, const KeyEvent& key)
{
    LabelData* data = label(view);
    if (data->kind != LabelKind::clickable || (key.character != ' ' && key.character != key_char::ret))
        return false;
    if (data->on_click)
        data->on_click();
    return true;
}

const ViewClass kLabelClass = [] {
    ViewClass c;
    c.name = "label";
    c.draw = label_draw;
    c.set_size = label_set_size;
    return c;
}();

const ViewClass kClickableClass = [] {
    ViewClass c = kLabelClass;
    c.name = "clickable text";
    c.mouse_down = label_mouse_down;
    c.mouse_drag = label_mouse_drag;
    c.mouse_up = label_mouse_up;
    c.key = label_key;
    c.takes_focus = true;
    c.cursor = static_cast<std::uint8_t>(platform::CursorShape::hand);
    return c;
}();

void resize_to_text(View* view)
{
    const platform::Size size = natural_size(label(view));
    ViewSetSize(view, size.width, size.height);
}

}  // namespace

View* LabelNew(View* parent, LabelKind kind, const char* text, TextStyle style)
{
    auto data = std::make_unique<LabelData>();
    data->kind = kind;
    data->style = kind == LabelKind::heading ? TextStyle::heading : style;
    data->text = StrDup(text != nullptr ? text : "");
    const platform::Size size = natural_size(data.get());
    const ViewClass* cls = kind == LabelKind::clickable ? &kClickableClass : &kLabelClass;
    View* view = ViewNewChild(cls, parent, 0, 0, std::move(data));
    ViewDefaultSetSize(view, size.width, size.height);
    ViewShow(view, 0);
    return view;
}

void LabelOnClick(View* view, std::function<void()> callback) { label(view)->on_click = std::move(callback); }

void LabelSetValues(View* view, std::uintptr_t value1, std::uintptr_t value2)
{
    label(view)->values[0] = value1;
    label(view)->values[1] = value2;
}

void LabelValues(View* view, std::uintptr_t* value1, std::uintptr_t* value2)
{
    *value1 = label(view)->values[0];
    *value2 = label(view)->values[1];
}

const char* LabelText(View* view) { return label(view)->text; }

void LabelSetText(View* view, const char* text)
{
    LabelData* data = label(view);
    ControlReplaceText(&data->text, text);
    ++data->relayouts;
    resize_to_text(view);
    ViewInvalidate(view);
}

bool LabelSetTextIfDifferent(View* view, const char* text)
{
    if (StrEqual(label(view)->text, text != nullptr ? text : ""))
        return false;
    LabelSetText(view, text);
    return true;
}

void LabelSetWrapWidth(View* view, int width)
{
    label(view)->wrap_width = std::max(width, 0);
    resize_to_text(view);
    ViewInvalidate(view);
}

void LabelSetAlign(View* view, platform::Align align)
{
    label(view)->align = align;
    ViewInvalidate(view);
}

bool ViewIsLabel(const View* view) { return view->cls == &kLabelClass || view->cls == &kClickableClass; }

std::uint32_t LabelRelayoutCount(View* view) { return label(view)->relayouts; }
