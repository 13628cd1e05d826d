#include "framework/alert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/heap_string.h"
#include "framework/alert_layout.h"
#include "framework/control_box.h"
#include "framework/control_button.h"
#include "framework/control_text.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/rgb_buffer.h"
#include "platform/qt/fonts.h"

namespace {

constexpr int kPictureSize = 32;

struct AlertRecord {
    FrameWindow* window = nullptr;
    AlertCompletion completion = nullptr;
    void* argument = nullptr;
    View* root = nullptr;
    View* message = nullptr;
    View* buttons[3] = {nullptr, nullptr, nullptr};
    int kind = alert_kind::stop;
    bool modal = false;
};

AlertRecord* record_of(FrameWindow* window)
{
    return window != nullptr ? static_cast<AlertRecord*>(window->data) : nullptr;
}

// ---- Pictures: shapes sampled 4 x 4 per pixel, then a glyph in the dialog face

struct Rgb {
    double r, g, b;
};

Rgb rgb(platform::Colour c)
{
    return {static_cast<double>((c >> 16) & 0xFF), static_cast<double>((c >> 8) & 0xFF), static_cast<double>(c & 0xFF)};
}

bool in_polygon(const double* xs, const double* ys, int n, double x, double y)
{
    // Convex, counter-clockwise or clockwise: every edge keeps the point on one side.
    int sign = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        const double cross = (xs[j] - xs[i]) * (y - ys[i]) - (ys[j] - ys[i]) * (x - xs[i]);
        const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
        if (s == 0)
            continue;
        if (sign == 0)
            sign = s;
        else if (s != sign)
            return false;
    }
    return true;
}

double segment_distance(double x, double y, double x0, double y0, double x1, double y1)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

void octagon(double inset, double* xs, double* ys)
{
    const double a = 1.0 + inset;
    const double b = 31.0 - inset;
    const double cut = (b - a) * 0.2929;
    const double px[8] = {a + cut, b - cut, b, b, b - cut, a + cut, a, a};
    const double py[8] = {a, a, a + cut, b - cut, b, b, b - cut, a + cut};
    std::memcpy(xs, px, sizeof px);
    std::memcpy(ys, py, sizeof py);
}

// The colour of the picture at a sample point, or false for the background.
bool sample(int kind, double x, double y, Rgb* out)
{
    const double cx = 16.0;
    const double cy = 16.0;
    switch (kind) {
    case alert_kind::stop: {
        double xs[8];
        double ys[8];
        octagon(0.0, xs, ys);
        if (!in_polygon(xs, ys, 8, x, y))
            return false;
        octagon(1.2, xs, ys);
        const bool inner = in_polygon(xs, ys, 8, x, y);
        octagon(2.6, xs, ys);
        const bool core = in_polygon(xs, ys, 8, x, y);
        const bool cross = segment_distance(x, y, 10.5, 10.5, 21.5, 21.5) < 2.2 ||
            segment_distance(x, y, 21.5, 10.5, 10.5, 21.5) < 2.2;
        if (!inner)
            *out = {150, 16, 16};
        else if (!core)
            *out = {255, 255, 255};
        else if (cross)
            *out = {255, 255, 255};
        else
            *out = {214 - (y - 3) * 1.6, 32, 32};
        return true;
    }
    case alert_kind::information:
    case alert_kind::question: {
        const double d = std::hypot(x - cx, y - cy);
        if (d > 15.0)
            return false;
        const bool blue = kind == alert_kind::information;
        if (d > 13.9)
            *out = blue ? Rgb{20, 70, 160} : Rgb{170, 120, 0};
        else if (blue)
            *out = {60 - y * 0.8, 130 - y * 1.2, 225 - y * 1.0};
        else
            *out = {255, 222 - y * 1.3, 60 - y * 1.2};
        return true;
    }
    case alert_kind::exclamation: {
        const double xs[3] = {16.0, 31.0, 1.0};
        const double ys[3] = {1.5, 29.5, 29.5};
        if (!in_polygon(xs, ys, 3, x, y))
            return false;
        const double ixs[3] = {16.0, 28.6, 3.4};
        const double iys[3] = {4.3, 28.0, 28.0};
        if (!in_polygon(ixs, iys, 3, x, y))
            *out = {170, 120, 0};
        else
            *out = {255, 222 - y * 1.3, 60 - y * 1.2};
        return true;
    }
    default:
        return false;
    }
}

void draw_glyph(platform::Surface* surface, int kind)
{
    const char* glyph = nullptr;
    platform::Colour colour = 0;
    int size = 26;
    int dy = 0;
    switch (kind) {
    case alert_kind::information:
        glyph = "i";
        colour = 0xFFFFFF;
        break;
    case alert_kind::question:
        glyph = "?";
        colour = 0x202020;
        break;
    case alert_kind::exclamation:
        glyph = "!";
        colour = 0x202020;
        size = 22;
        dy = 3;
        break;
    default:
        return;
    }
    platform::FontRequest request;
    request.size = size;
    request.bold = true;
    platform::Font* font = platform::FontCreate(request);
    if (font == nullptr)
        return;
    const platform::Size text = platform::MeasureText(font, glyph);
    platform::DrawText(surface, (kPictureSize - text.width) / 2, (kPictureSize - text.height) / 2 + dy, glyph, font,
                       colour);
    platform::FontFree(font);
}

}  // namespace

platform::Surface* alert_picture(int kind, platform::Colour background)
{
    RgbBufferPtr buffer(RgbBufferNew(kPictureSize, kPictureSize));
    const Rgb back = rgb(background);
    for (int py = 0; py < kPictureSize; ++py) {
        // Rows are stored bottom-up.
        std::uint8_t* row = buffer->pixels + static_cast<std::size_t>(kPictureSize - 1 - py) * buffer->stride;
        for (int px = 0; px < kPictureSize; ++px) {
            Rgb sum{0, 0, 0};
            for (int s = 0; s < 16; ++s) {
                Rgb c = back;
                sample(kind, px + (s % 4 + 0.5) / 4.0, py + (s / 4 + 0.5) / 4.0, &c);
                sum.r += c.r;
                sum.g += c.g;
                sum.b += c.b;
            }
            row[px * 3 + 0] = static_cast<std::uint8_t>(std::clamp(sum.b / 16.0, 0.0, 255.0));
            row[px * 3 + 1] = static_cast<std::uint8_t>(std::clamp(sum.g / 16.0, 0.0, 255.0));
            row[px * 3 + 2] = static_cast<std::uint8_t>(std::clamp(sum.r / 16.0, 0.0, 255.0));
        }
    }
    platform::Surface* surface = OffscreenNew(kPictureSize, kPictureSize);
    if (surface == nullptr)
        return nullptr;
    if (!RgbBufferToBitmap(buffer.get(), kPictureSize, surface)) {
        OffscreenFree(surface);
        return nullptr;
    }
    draw_glyph(surface, kind);
    return surface;
}

namespace {

// ---- The picture view

struct PictureCache {
    platform::Colour background = 0;
    platform::Surface* surfaces[4] = {nullptr, nullptr, nullptr, nullptr};
};
// The alert pictures, drawn once per background colour.
struct AlertState {
    PictureCache pictures;
    std::vector<std::unique_ptr<AlertRecord>> open;  // every alert window's record
};

AlertState& alert_state()
{
    static AlertState state;
    return state;
}

AlertRecord* keep(std::unique_ptr<AlertRecord> record)
{
    alert_state().open.push_back(std::move(record));
    return alert_state().open.back().get();
}

// The window no longer leads to the record, and the record goes.
void release(AlertRecord* record)
{
    record->window->data = nullptr;
    std::erase_if(alert_state().open, [record](const std::unique_ptr<AlertRecord>& r) { return r.get() == record; });
}

platform::Surface* cached_picture(int kind)
{
    const platform::Colour background = platform::SystemColourOf(platform::SystemColour::window);
    const int index = std::clamp(kind - alert_kind::stop, 0, 3);
    if (alert_state().pictures.background != background) {
        for (platform::Surface*& s : alert_state().pictures.surfaces) {
            OffscreenFree(s);
            s = nullptr;
        }
        alert_state().pictures.background = background;
    }
    if (alert_state().pictures.surfaces[index] == nullptr)
        alert_state().pictures.surfaces[index] = alert_picture(alert_kind::stop + index, background);
    return alert_state().pictures.surfaces[index];
}

struct PictureData : ViewRecord {
    int kind = alert_kind::stop;
};

void picture_draw(View* view, const Rect& /*area*/)
{
    platform::Surface* target = ViewSurface(view);
    platform::Surface* picture = cached_picture(ViewRecordOf<PictureData>(view)->kind);
    if (target == nullptr || picture == nullptr)
        return;
    platform::DrawCopy(target, view->x, view->y, picture, platform::MakeRect(0, 0, kPictureSize, kPictureSize));
}

const ViewClass kPictureClass = [] {
    ViewClass c;
    c.name = "alert picture";
    c.draw = picture_draw;
    return c;
}();

// ---- Answering

struct AskState {
    int answer = -1;
};

void ask_done(void* argument, int answer) { static_cast<AskState*>(argument)->answer = answer; }

// A modal alert closed without a button still ends its loop, answering 0.
void end_without_answer(AlertRecord* record)
{
    if (!record->modal)
        return;
    ModalLeave();
    if (record->completion == ask_done)
        ask_done(record->argument, 0);
}

void finish(AlertRecord* record, int answer)
{
    const AlertCompletion completion = record->completion;
    void* argument = record->argument;
    if (record->modal)
        ModalLeave();
    FrameWindow* window = record->window;
    release(record);
    FrameWindowClose(window);
    if (completion != nullptr)
        completion(argument, answer);
}

void button_chosen(FrameWindow* window, int index)
{
    AlertRecord* record = record_of(window);
    if (record == nullptr)
        return;
    static constexpr int kAnswers[3] = {1, 0, 2};
    finish(record, kAnswers[index]);
}

bool alert_key(FrameWindow* window, const KeyEvent& event)
{
    AlertRecord* record = record_of(window);
    if (record == nullptr)
        return false;
    if (event.character == key_char::ret || event.character == key_char::enter) {
        finish(record, 1);
        return true;
    }
    if (event.character == key_char::escape) {
        if (record->buttons[1] != nullptr)
            finish(record, 0);
        return true;  // a one-button alert ignores Escape
    }
    return false;
}

void alert_destroyed(FrameWindow* window)
{
    // Closed from outside (the window went away with its parent): no answer.
    AlertRecord* record = record_of(window);
    if (record == nullptr)
        return;
    end_without_answer(record);
    release(record);
}

struct Measured {
    AlertSize message;
    AlertSize buttons[3];
};

int wrapped_height(void* context, int width)
{
    const char* text = static_cast<const char*>(context);
    const platform::Font* font = ControlFont(TextStyle::normal);
    return std::max(platform::MeasureTextBlock(font, text, width).height, platform::FontMetricsOf(font).height);
}

platform::Window* parent_platform(FrameWindow* parent)
{
    if (parent != nullptr && parent->window != nullptr)
        return parent->window;
    return platform::MainWindow();
}

void apply_layout(AlertRecord* record, const AlertLayout& layout, int count)
{
    LabelSetWrapWidth(record->message, layout.message.width);
    BoxSetChildOffset(record->root, record->message, layout.message.x, layout.message.y);
    for (int i = 0; i < count; ++i) {
        View* button = record->buttons[i];
        ViewSetSize(button, layout.buttons[i].width, layout.buttons[i].height);
        BoxSetChildOffset(record->root, button, layout.buttons[i].x, layout.buttons[i].y);
    }
}

void place_window(AlertRecord* record, FrameWindow* parent, const AlertLayout& layout)
{
    platform::Window* owner = parent_platform(parent);
    platform::Rect area = platform::MakeRect(0, 0, 800, 600);
    if (owner != nullptr) {
        const platform::Size client = platform::WindowClientSize(owner);
        const platform::Point origin = platform::WindowClientToScreen(owner, platform::Point{0, 0});
        area = platform::MakeRect(origin.x, origin.y, client.width, client.height);
    }
    // Centred across, a little above the middle, as message windows sit.
    const int x = area.left + (platform::RectWidth(area) - layout.width) / 2;
    const int y = area.top + std::max((platform::RectHeight(area) - layout.height) / 3, 0);
    FrameWindowSetBounds(record->window, platform::MakeRect(x, y, layout.width, layout.height));
}

// The picture, the message and the buttons (the first the default, the second the cancel
// one), with their natural sizes for the layout.
AlertLayoutInput build_contents(AlertRecord* record, const char* message, const char* const texts[3], int count)
{
    FrameWindow* window = record->window;
    BoxStyle style;
    record->root = BoxNew(BoxKind::free, nullptr, window, style);
    auto picture_data = std::make_unique<PictureData>();
    picture_data->kind = record->kind;
    View* picture = ViewNewChild(&kPictureClass, record->root, 23, 13, std::move(picture_data));
    ViewDefaultSetSize(picture, kPictureSize, kPictureSize);
    ViewShow(picture, 0);
    record->message = LabelNew(record->root, LabelKind::label, message, TextStyle::normal);

    AlertLayoutInput input;
    input.message = AlertSize{record->message->width, record->message->height};
    for (int i = 0; i < count; ++i) {
        record->buttons[i] = ButtonNew(record->root, ButtonKind::push, texts[i], 0);
        ButtonOnPress(record->buttons[i], [window, i](int) { button_chosen(window, i); });
        const platform::Size natural = ButtonNaturalSize(record->buttons[i]);
        input.buttons[i] = AlertSize{natural.width, natural.height};
    }
    ButtonSetDefault(record->buttons[0], true);
    if (count > 1)
        ButtonSetCancel(record->buttons[1]);
    input.button_count = count;
    input.wrapped_height = wrapped_height;
    input.context = const_cast<char*>(LabelText(record->message));
    return input;
}

FrameWindow* build(FrameWindow* parent, int kind, const char* message, const char* const texts[3],
                   AlertCompletion completion, void* argument, bool modal)
{
    int count = 1;
    while (count < 3 && texts[count] != nullptr)
        ++count;
    const char* title = BuildString(build_string::title);
    // Created at a generous size and placed exactly once the contents are measured.
    FrameWindow* window = CreateFrameWindow(parent, title != nullptr ? title : "", frame_flag::dialog,
                                            platform::MakeRect(0, 0, 640, 480));
    if (window == nullptr)
        return nullptr;
    AlertRecord* record = keep(std::make_unique<AlertRecord>());
    record->window = window;
    record->completion = completion;
    record->argument = argument;
    record->kind = kind;
    record->modal = modal;
    window->data = record;
    window->handlers.key = alert_key;
    window->handlers.destroy = alert_destroyed;

    AlertLayoutInput input = build_contents(record, message, texts, count);
    if (platform::Window* owner = parent_platform(parent)) {
        const platform::Insets frame = platform::WindowFrameInsets(window->window);
        input.width_limit = platform::WindowClientSize(owner).width - frame.left - frame.right;
    }
    const AlertLayout layout = AlertComputeLayout(input);
    apply_layout(record, layout, count);
    place_window(record, parent, layout);
    ViewSetFocus(record->buttons[0]);
    platform::WindowShow(window->window, platform::Show::show);
    SetFocusedFrameWindow(window);
    return window;
}

void paint_now(FrameWindow* window)
{
    if (window == nullptr || window->window == nullptr || !platform::WindowNeedsPaint(window->window))
        return;
    platform::Message paint;
    paint.window = window->window;
    paint.type = platform::MessageType::paint;
    platform::DispatchMessage(paint);
}

}  // namespace

int alert_ask(FrameWindow* parent, int kind, const char* message, const char* first, const char* second)
{
    AskState state;
    const char* texts[3] = {first, second, nullptr};
    FrameWindow* window = build(parent, kind, message, texts, ask_done, &state, true);
    if (window == nullptr)
        return 1;
    ModalEnter(window);
    paint_now(window);
    // The alert's record leaves the modal state when a button is chosen, so the loop ends on
    // the answer and never looks at the closed window.
    while (state.answer < 0 && LoopRunning())
        PumpStep(nullptr, true, nullptr);
    if (state.answer < 0) {
        alert_close(window);
        return 0;
    }
    return state.answer;
}

FrameWindow* alert_show(FrameWindow* parent, int kind, const char* message, const char* first, const char* second,
                        AlertCompletion completion, void* argument)
{
    return alert_show3(parent, kind, message, first, second, nullptr, completion, argument);
}

FrameWindow* alert_show3(FrameWindow* parent, int kind, const char* message, const char* first, const char* second,
                         const char* third, AlertCompletion completion, void* argument)
{
    const char* texts[3] = {first, second, second != nullptr ? third : nullptr};
    FrameWindow* window = build(parent, kind, message, texts, completion, argument, false);
    paint_now(window);
    return window;
}

FrameWindow* alert_error(const char* message, const char* button)
{
    return alert_show(nullptr, alert_kind::stop, message, button, nullptr, nullptr, nullptr);
}

void alert_close(FrameWindow* alert)
{
    AlertRecord* record = record_of(alert);
    if (record == nullptr)
        return;
    end_without_answer(record);
    release(record);
    FrameWindowClose(alert);
}

View* alert_button(FrameWindow* alert, int index)
{
    AlertRecord* record = record_of(alert);
    return record != nullptr && index >= 0 && index < 3 ? record->buttons[index] : nullptr;
}

View* alert_message(FrameWindow* alert)
{
    AlertRecord* record = record_of(alert);
    return record != nullptr ? record->message : nullptr;
}

void alert_choose(FrameWindow* alert, int index)
{
    if (View* button = alert_button(alert, index))
        ButtonPress(button);
}
