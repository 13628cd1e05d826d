#include "ui/frame_pane.h"

#include <algorithm>
#include <string>

#include "app/string_tables.h"
#include "codec/frame_coding.h"
#include "document/document.h"
#include "foundation/formatter.h"
#include "framework/alert.h"
#include "framework/builders.h"
#include "framework/control_button.h"
#include "framework/control_field.h"
#include "framework/control_slider.h"
#include "framework/control_text.h"
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
constexpr std::size_t kShownTypedText = 60;  // typed text quoted in a message is cut here

// The playback buttons' faces, drawn with the interface font.
constexpr const char* kButtonFaces[7] = {
    "\xE2\x97\x80\xE2\x97\x80", "\xE2\x97\x80", "|\xE2\x97\x80", "\xE2\x96\xA0", "\xE2\x96\xB6|", "\xE2\x96\xB6",
    "\xE2\x96\xB6\xE2\x96\xB6"};

FramePane* pane_of(std::uintptr_t user) { return reinterpret_cast<FramePane*>(user); }

void field_handler(View* control, std::uintptr_t user, int event)
{
    FramePane* pane = pane_of(user);
    if (control == pane->number_field() && event == field_event::committed)
        pane->on_number_entered();
    else if (control == pane->delay_field() && event == field_event::committed)
        pane->on_delay_entered();
    else if (control == pane->comment_field() && event == field_event::changed)
        pane->on_comment_changed();
}

void slider_handler(View*, std::uintptr_t user, int value) { pane_of(user)->on_slider_moved(value); }

void box_handler(View* control, std::uintptr_t user, int state)
{
    FramePane* pane = pane_of(user);
    if (control == pane->user_input_box())
        pane->on_user_input_toggled(state);
    else if (control == pane->interlaced_box())
        pane->on_interlace_toggled(state);
}

void button_handler(View* control, std::uintptr_t user, int)
{
    FramePane* pane = pane_of(user);
    for (int i = 0; i < 7; ++i)
        if (pane->playback_button(static_cast<PlaybackButton>(i)) == control)
            pane->on_button(i);
}

// Typed text as a message quotes it: long text is cut (never inside a UTF-8 sequence).
std::string quoted(const char* typed)
{
    std::string text = typed != nullptr ? typed : "";
    if (text.size() <= kShownTypedText)
        return text;
    std::size_t cut = kShownTypedText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

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
    m_slider = SliderNew(root, 0, 0, 0, kSliderWidth, slider_handler, reinterpret_cast<std::uintptr_t>(this));
    build_buttons(root);
    m_start = make_text_line(root, "");
    build_delay_row(root);
    m_user_input =
        make_check_box(root, app_string(text::user_input), 0, box_handler, reinterpret_cast<std::uintptr_t>(this));
    m_interlaced =
        make_check_box(root, app_string(text::interlaced), 0, box_handler, reinterpret_cast<std::uintptr_t>(this));
    make_label(root, app_string(text::comment_label));
    const int comment_height = kCommentLines * ControlLineHeight(TextStyle::normal) + 6;
    m_comment =
        FieldNew(root, "", true, kCommentWidth, comment_height, field_handler, reinterpret_cast<std::uintptr_t>(this));
    return root;
}

View* FramePane::build_frame_row(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::frame_label));
    m_number = FieldNew(row, app_string(text::first_number), false, kNumberWidth, 0, field_handler,
                        reinterpret_cast<std::uintptr_t>(this));
    m_count = make_label(row, "");
    return row;
}

View* FramePane::build_buttons(View* parent)
{
    View* row = make_row(parent, 2);
    for (int i = 0; i < 7; ++i) {
        m_buttons[i] = make_button(row, kButtonFaces[i], false, button_handler, reinterpret_cast<std::uintptr_t>(this));
        ViewSetWidth(m_buttons[i], kButtonWidth);
    }
    return row;
}

View* FramePane::build_delay_row(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::delay_label));
    m_delay = FieldNew(row, app_string(text::first_delay), false, kDelayWidth, 0, field_handler,
                       reinterpret_cast<std::uintptr_t>(this));
    return row;
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
    if (!m_panel.built() || m_number == nullptr)
        return;
    Frame* shown = current();
    set_enabled(shown != nullptr);
    if (shown == nullptr) {
        for (View* field : {m_number, m_delay, m_comment})
            FieldSetText(field, "");
        set_control_text_if_different(m_count, "");
        set_control_text_if_different(m_start, "");
        SliderSetRange(m_slider, 0, 0);
        m_slider_count = 0;
        ButtonSetState(m_user_input, 0);
        ButtonSetState(m_interlaced, 0);
        return;
    }
    const int count = m_document->frame_count;
    FieldSetText(m_number, number_text(frame + 1).c_str());
    const StrPtr of = StrPtr(FormatNew(app_string(count == 1 ? text::of_one : text::of_many), count));
    set_control_text_if_different(m_count, of.get());
    if (m_slider_count != count) {
        // Only when the count changed: the user may be dragging the thumb.
        SliderSetRange(m_slider, 0, count - 1);
        m_slider_count = count;
    }
    SliderSetValue(m_slider, frame);
    set_control_text_if_different(m_start, time_text(start_time(*m_document, frame)).get());
    show_frame_fields(*shown);
}

void FramePane::show_frame_fields(Frame& frame)
{
    FieldSetText(m_delay, time_text(frame.delay).get());
    ButtonSetState(m_user_input, frame.user_input != 0 ? 1 : 0);
    ButtonSetState(m_interlaced, frame.interlaced != 0 ? 1 : 0);
    const int before = m_comment->height;
    FieldSetText(m_comment, frame.comment ? frame.comment.get() : "");
    if (m_comment->height > before)
        fit_comment_field();
}

void FramePane::fit_comment_field()
{
    relayout_panel_window(m_panel, m_comment);
    fit_panel_window(m_panel, KeepInside::Yes);
}

void FramePane::set_enabled(bool enabled)
{
    for (View* view : {m_number, m_slider, m_delay, m_user_input, m_interlaced, m_comment})
        ViewSetEnabled(view, enabled);
    for (View* button : m_buttons)
        ViewSetEnabled(button, enabled);
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

void FramePane::on_number_entered()
{
    if (current() == nullptr)
        return;
    const std::string typed = FieldText(m_number);
    const int count = m_document->frame_count;
    const FrameNumberEntry entry = read_frame_number(typed.c_str(), count);
    switch (entry.verdict) {
    case FrameNumberVerdict::NotANumber: {
        const StrPtr message = StrPtr(FormatNew(app_string(text::not_a_number), quoted(typed.c_str()).c_str()));
        FieldSetText(m_number, number_text(m_frame + 1).c_str());
        refuse(message.get(), text::not_a_number_ok);
        return;
    }
    case FrameNumberVerdict::BelowOne:
        FieldSetText(m_number, number_text(m_frame + 1).c_str());
        refuse(app_string(text::below_one), text::below_one_ok);
        return;
    case FrameNumberVerdict::AboveCount: {
        const StrPtr message =
            StrPtr(FormatNew(app_string(count == 1 ? text::above_one : text::above_many), count, entry.typed));
        FieldSetText(m_number, number_text(count).c_str());
        refuse(message.get(), text::above_ok);
        break;
    }
    case FrameNumberVerdict::Accepted:
        FieldSetText(m_number, number_text(entry.number).c_str());
        break;
    }
    if (entry.number - 1 != m_frame && on_frame_chosen)
        on_frame_chosen(entry.number - 1);
}

void FramePane::on_slider_moved(int position)
{
    if (current() == nullptr || position == m_frame)
        return;
    if (on_frame_chosen)
        on_frame_chosen(position);
}

void FramePane::on_delay_entered()
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    const std::string typed = FieldText(m_delay);
    const DelayEntry entry = read_delay(typed.c_str());
    if (entry.verdict == DelayVerdict::Unreadable) {
        const StrPtr message = StrPtr(FormatNew(app_string(text::not_a_delay), quoted(typed.c_str()).c_str()));
        FieldSetText(m_delay, time_text(frame->delay).get());
        refuse(message.get(), text::not_a_delay_ok);
        return;
    }
    FieldSetText(m_delay, time_text(entry.value).get());
    if (entry.verdict == DelayVerdict::TooLong)
        refuse(app_string(text::too_long), text::too_long_ok);
    if (entry.value == frame->delay)
        return;
    m_document->total_delay = m_document->total_delay - frame->delay + entry.value;
    frame->delay = entry.value;
    if (on_document_changed)
        on_document_changed();
}

void FramePane::on_user_input_toggled(int state)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    frame->user_input = state != 0 ? 1 : 0;
    if (on_document_changed)
        on_document_changed();
}

void FramePane::on_interlace_toggled(int state)
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    if (!set_frame_interlace(*m_document, *frame, state != 0)) {
        // The stored image cannot be decoded: it stays as it is.
        FrameworkBeep();
        ButtonSetState(m_interlaced, frame->interlaced != 0 ? 1 : 0);
        return;
    }
    if (on_document_changed)
        on_document_changed();
}

void FramePane::on_comment_changed()
{
    Frame* frame = current();
    if (frame == nullptr)
        return;
    frame->comment.reset(StrDup(FieldText(m_comment)));
    fit_comment_field();
    if (on_document_changed)
        on_document_changed();
}

void FramePane::on_button(int index)
{
    if (current() != nullptr && on_playback)
        on_playback(static_cast<PlaybackButton>(index));
}
