#include "ui/frame_pane.h"

#include "ui/pane_support.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "app/string_tables.h"
#include "codec/frame_coding.h"
#include "document/document.h"
#include "foundation/formatter.h"
#include "framework/alert.h"
#include "framework/builders.h"
#include "framework/frame_window.h"
#include "optimize/frame_optimizer.h"
#include "ui/frame_entry.h"

namespace {

// Application strings of the pane.
namespace text {
constexpr int frame_label = 24, first_number = 37, of_one = 38, of_many = 39, delay_label = 40, user_input = 47,
              not_a_number = 66, not_a_number_ok = 74, below_one = 76, below_one_ok = 77, above_one = 78, above_ok = 79,
              above_many = 80, first_delay = 84, not_a_delay = 88, not_a_delay_ok = 89, too_long = 90, too_long_ok = 91,
              comment_label = 94, interlaced = 109, title = 167;
}

constexpr int kNumberWidth = 52;
constexpr int kDelayWidth = 90;
constexpr int kSliderWidth = 236;
constexpr int kCommentWidth = 236;
constexpr int kCommentLines = 3;
constexpr int kButtonWidth = 30;

// The playback buttons' faces, drawn with the interface font.
constexpr const char* kButtonFaces[7] = {
    "\xE2\x97\x80\xE2\x97\x80", "\xE2\x97\x80", "|\xE2\x97\x80", "\xE2\x96\xA0", "\xE2\x96\xB6|", "\xE2\x96\xB6",
    "\xE2\x96\xB6\xE2\x96\xB6"};

std::string number_text(int n)
{
    char buffer[16];
    return UIntToText(buffer, static_cast<std::uint32_t>(n));
}

std::uint64_t start_time(Document& document, int frame)
{
    std::uint64_t sum = 0;
    int index = 0;
    for (ListNode* node = document.frames ? document.frames->first : nullptr; node != nullptr && index < frame;
         node = node->next, ++index)
        sum += ListPointer<Frame>(node->value)->delay;
    return sum;
}

}  // namespace

bool set_frame_interlace(Document& document, Frame& frame, bool interlaced)
{
    if ((frame.interlaced != 0) == interlaced)
        return true;
    Canvas scratch;
    canvas_resize(scratch, document.screen_width, document.screen_height, 0);
    if (scratch.size() == 0 || decode_frame_onto(scratch, frame, TransparentAware::No) == DecodeResult::Failed)
        return false;
    frame.interlaced = interlaced ? 1 : 0;
    encode_frame_into(frame, scratch, interlaced, colours_needed(document.palette_size, frame));
    return true;
}

// ---- Building

void FramePane::open()
{
    if (m_panel.built()) {
        m_panel.show();
        return;
    }
    open_panel_window(m_panel, -1, app_string(text::title), 0, nullptr,
                      [this](View* container, bool) { return build(container); });
    size_panel_window_to_content(m_panel);
    m_slider_count = -1;
    refresh(m_document, m_frame);
}

View* FramePane::build(View* container)
{
    View* root = make_column(container, 6);
    build_frame_row(root);
    m_slider.create(root, 0, 0, 0, kSliderWidth);
    m_slider.on_change = [this](int position) { slider_moved(position); };
    build_buttons(root);
    m_start.create(root, "", TextKind::text_line);
    build_delay_row(root);
    m_user_input.create(root, app_string(text::user_input), false);
    m_user_input.on_change = [this](bool checked) { user_input_toggled(checked); };
    m_interlaced.create(root, app_string(text::interlaced), false);
    m_interlaced.on_change = [this](bool checked) { interlace_toggled(checked); };
    make_label(root, app_string(text::comment_label));
    const int comment_height = kCommentLines * ControlLineHeight(TextStyle::normal) + 6;
    m_comment.create(root, "", FieldLines::many, kCommentWidth, comment_height);
    m_comment.on_change = [this](const char* text) { comment_changed(text); };
    return root;
}

void FramePane::build_frame_row(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::frame_label));
    m_number.create(row, app_string(text::first_number), FieldLines::one, kNumberWidth);
    m_number.on_commit = [this](const char* typed) { number_entered(typed); };
    m_count.create(row, "");
}

void FramePane::build_buttons(View* parent)
{
    View* row = make_row(parent, 2);
    for (int i = 0; i < 7; ++i) {
        m_buttons[i].create(row, kButtonFaces[i]);
        ViewSetWidth(m_buttons[i].view(), kButtonWidth);
        m_buttons[i].on_click = [this, i] {
            if (current() != nullptr && on_playback)
                on_playback(static_cast<PlaybackButton>(i));
        };
    }
}

void FramePane::build_delay_row(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::delay_label));
    m_delay.create(row, app_string(text::first_delay), FieldLines::one, kDelayWidth);
    m_delay.on_commit = [this](const char* typed) { delay_entered(typed); };
}

// ---- Showing a frame

Frame* FramePane::current() const
{
    if (m_document == nullptr || m_frame < 0 || m_frame >= m_document->frame_count)
        return nullptr;
    return document_frame_at(*m_document, m_frame);
}

void FramePane::refresh(Document* document, int frame)
{
    m_document = document;
    m_frame = frame;
    if (!m_panel.built() || !m_number)
        return;
    Frame* shown = current();
    set_enabled(shown != nullptr);
    if (shown == nullptr) {
        for (TextField* field : {&m_number, &m_delay, &m_comment})
            field->set_text("", Notify::No);
        m_count.set_text_if_different("");
        m_start.set_text_if_different("");
        m_slider.set_range(0, 0);
        m_slider_count = 0;
        m_user_input.set_checked(false, Notify::No);
        m_interlaced.set_checked(false, Notify::No);
        return;
    }
    const int count = m_document->frame_count;
    m_number.set_text(number_text(frame + 1).c_str(), Notify::No);
    const StrPtr of = StrPtr(FormatNew(app_string(count == 1 ? text::of_one : text::of_many), count));
    m_count.set_text_if_different(of.get());
    if (m_slider_count != count) {
        // Only when the count changed: the user may be dragging the thumb.
        m_slider.set_range(0, count - 1);
        m_slider_count = count;
    }
    m_slider.set_value(frame, Notify::No);
    m_start.set_text_if_different(time_text(start_time(*m_document, frame)).get());
    show_frame_fields(*shown);
}

void FramePane::show_frame_fields(Frame& frame)
{
    m_delay.set_text(time_text(frame.delay).get(), Notify::No);
    m_user_input.set_checked(frame.user_input != 0, Notify::No);
    m_interlaced.set_checked(frame.interlaced != 0, Notify::No);
    const int before = m_comment.view()->height;
    m_comment.set_text(frame.comment ? frame.comment.get() : "", Notify::No);
    if (m_comment.view()->height > before)
        fit_comment_field();
}

void FramePane::fit_comment_field()
{
    relayout_panel_window(m_panel, m_comment.view());
    fit_panel_window(m_panel, KeepInside::Yes);
}

void FramePane::set_enabled(bool enabled)
{
    for (Control* control :
         std::initializer_list<Control*>{&m_number, &m_slider, &m_delay, &m_user_input, &m_interlaced, &m_comment})
        control->set_enabled(enabled);
    for (Button& button : m_buttons)
        button.set_enabled(enabled);
}

FrameWindow* FramePane::last_alert() const
{
    return m_alert != nullptr && FrameWindowAlive(m_alert) ? m_alert : nullptr;
}

// Every refused entry: a beep, then the reason in a stop alert.
void FramePane::refuse(const char* message, int button_string)
{
    FrameworkBeep();
    m_alert = alert_error(message, app_string(button_string));
}

// ---- What the user did

void FramePane::number_entered(const char* text)
{
    if (current() == nullptr)
        return;
    const std::string typed = text != nullptr ? text : "";
    const int count = m_document->frame_count;
    const FrameNumberEntry entry = read_frame_number(typed.c_str(), count);
    switch (entry.verdict) {
    case FrameNumberVerdict::NotANumber: {
        const StrPtr message = StrPtr(FormatNew(app_string(text::not_a_number), quoted_entry(typed.c_str()).c_str()));
        m_number.set_text(number_text(m_frame + 1).c_str(), Notify::No);
        refuse(message.get(), text::not_a_number_ok);
        return;
    }
    case FrameNumberVerdict::BelowOne:
        m_number.set_text(number_text(m_frame + 1).c_str(), Notify::No);
        refuse(app_string(text::below_one), text::below_one_ok);
        return;
    case FrameNumberVerdict::AboveCount: {
        const StrPtr message =
            StrPtr(FormatNew(app_string(count == 1 ? text::above_one : text::above_many), count, entry.typed));
        m_number.set_text(number_text(count).c_str(), Notify::No);
        refuse(message.get(), text::above_ok);
        break;
    }
    case FrameNumberVerdict::Accepted:
        m_number.set_text(number_text(entry.number).c_str(), Notify::No);
        break;
    }
    if (entry.number - 1 != m_frame && on_frame_chosen)
        on_frame_chosen(entry.number - 1);
}

void FramePane::slider_moved(int position)
{
    if (current() == nullptr || position == m_frame)
        return;
    if (on_frame_chosen)
        on_frame_chosen(position);
}

void FramePane::delay_entered(const char* text)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    const std::string typed = text != nullptr ? text : "";
    const DelayEntry entry = read_delay(typed.c_str());
    if (entry.verdict == DelayVerdict::Unreadable) {
        const StrPtr message = StrPtr(FormatNew(app_string(text::not_a_delay), quoted_entry(typed.c_str()).c_str()));
        m_delay.set_text(time_text(frame->delay).get(), Notify::No);
        refuse(message.get(), text::not_a_delay_ok);
        return;
    }
    m_delay.set_text(time_text(entry.value).get(), Notify::No);
    if (entry.verdict == DelayVerdict::TooLong)
        refuse(app_string(text::too_long), text::too_long_ok);
    if (entry.value == frame->delay)
        return;
    m_document->total_delay = m_document->total_delay - frame->delay + entry.value;
    frame->delay = entry.value;
    if (on_document_changed)
        on_document_changed();
}

void FramePane::user_input_toggled(bool checked)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    frame->user_input = checked ? 1 : 0;
    if (on_document_changed)
        on_document_changed();
}

void FramePane::interlace_toggled(bool checked)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    if (!set_frame_interlace(*m_document, *frame, checked)) {
        // The stored image cannot be decoded: it stays as it is.
        FrameworkBeep();
        m_interlaced.set_checked(frame->interlaced != 0, Notify::No);
        return;
    }
    if (on_document_changed)
        on_document_changed();
}

void FramePane::comment_changed(const char* text)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    frame->comment.reset(StrDup(text != nullptr ? text : ""));
    fit_comment_field();
    if (on_document_changed)
        on_document_changed();
}
