#include "ui/range_pane.h"

#include <cmath>
#include <string>

#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "document/document.h"
#include "foundation/formatter.h"
#include "framework/frame_window.h"
#include "framework/view.h"
#include "framework/progress_window.h"
#include "gif/document_edits.h"
#include "ui/frame_entry.h"
#include "ui/pane_support.h"

namespace {

// Application strings of the pane.
namespace text {
constexpr int first_number = 37, not_a_number = 66, not_a_number_ok = 74, below_one = 76, below_one_ok = 77,
              above_one = 78, above_ok = 79, above_many = 80, not_a_delay = 88, not_a_delay_ok = 89, too_long = 90,
              too_long_ok = 91, clear_comments = 105, interlace_action = 110, title = 218, factor = 219,
              show_limits = 222, delays = 223, comments = 224, not_a_factor = 225, not_a_factor_ok = 226,
              negative = 227, negative_ok = 228, slider_low = 229, slider_high = 230, hide_limits = 231, scale = 232,
              frames = 233, to = 234, inclusive = 235, interlace = 236, at_least = 237, at_most = 238,
              limits_intro = 240, comments_caption = 246;
}

constexpr const char* kFactorFormat = "%f1,5.3,3%";
constexpr int kNumberWidth = 52;
constexpr int kFactorWidth = 70;
constexpr int kLimitWidth = 90;
constexpr int kSliderWidth = 236;
constexpr std::uint32_t kLongestDelay = 65535;

std::string number_text(int n)
{
    char buffer[16];
    return UIntToText(buffer, static_cast<std::uint32_t>(n));
}

void set_view_shown(View* view, bool shown)
{
    if (shown)
        ViewShow(view, 0);
    else
        ViewHide(view, 0);
}

}  // namespace

double factor_at_position(int position) { return std::pow(10.0, (position - 50) / 50.0); }

int position_of_factor(double factor)
{
    if (!(factor >= 0.1))
        return 0;
    if (factor >= 10)
        return 100;
    return static_cast<int>(50.5 + 50 * std::log10(factor));
}

FactorEntry read_factor(const char* text)
{
    FactorEntry entry;
    const PatternMatch m = match_pattern(kFactorFormat, text != nullptr ? text : "");
    if (!m.complete || m.fields != 1 || !std::isfinite(m.values[0]))
        return entry;
    entry.factor = m.values[0];
    entry.verdict = entry.factor < 0 ? FactorVerdict::Negative : FactorVerdict::Accepted;
    return entry;
}

bool range_after_key(int key, FrameRange range, int frame_count, FrameRange* moved)
{
    if (key < 28 || key > 31 || frame_count < 1)
        return false;
    const int last_index = frame_count - 1;
    int& end = (key == 28 || key == 30) ? range.first : range.last;
    if (key <= 29)
        end = end <= 0 ? last_index : end - 1;
    else
        end = end >= last_index ? 0 : end + 1;
    if (range.first > range.last)
        std::swap(range.first, range.last);
    *moved = range;
    return true;
}

// ---- Building

bool RangePane::open(Document* document)
{
    if (m_panel.built()) {
        m_panel.show();
        return true;
    }
    if (document == nullptr || document->frame_count < 1)
        return false;
    m_document = document;
    open_panel_window(m_panel, -1, app_string(text::title), 0, nullptr,
                      [this](View* container, bool) { return build(container); });
    m_panel.on_key = [this](const KeyEvent& event) { return key(event); };
    set_range(0, 0, 0);
    set_mode(RangeMode::Delays);
    size_panel_window_to_content(m_panel);
    return true;
}

View* RangePane::build(View* container)
{
    View* root = make_column(container, 6);
    View* modes = make_row(root, 4);
    const int mode_texts[3] = {text::delays, text::comments, text::interlace};
    for (int i = 0; i < 3; ++i) {
        m_mode_buttons[i].create(modes, app_string(mode_texts[i]), i == 0);
        m_mode_buttons[i].on_click = [this, i] { set_mode(static_cast<RangeMode>(i)); };
    }
    build_range_rows(root);
    make_spacer(root, 10, 10);
    for (View*& content : m_mode_content)
        content = make_column(root, 6);
    build_delays(m_mode_content[0]);
    build_action(m_mode_content[1], RangeMode::Comments, text::clear_comments);
    build_action(m_mode_content[2], RangeMode::Interlace, text::interlace_action);
    return root;
}

void RangePane::build_range_rows(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::frames));
    m_first_field.create(row, app_string(text::first_number), FieldLines::one, kNumberWidth);
    m_first_field.on_commit = [this](const char* typed) { on_end_entered(true, typed); };
    make_label(row, app_string(text::to));
    m_last_field.create(row, app_string(text::first_number), FieldLines::one, kNumberWidth);
    m_last_field.on_commit = [this](const char* typed) { on_end_entered(false, typed); };
    make_label(row, app_string(text::inclusive));
    const int top = m_document->frame_count - 1;
    m_slider.create(parent, 0, top, 0, 0, kSliderWidth);
    m_slider.on_change = [this](int a, int b) { set_range(a, b, 1); };
    m_slider.on_point = [this](int value) {
        if (on_frame_chosen && m_document != nullptr && value >= 0 && value < m_document->frame_count)
            on_frame_chosen(value);
    };
}

void RangePane::build_delays(View* parent)
{
    View* row = make_row(parent, 4);
    make_label(row, app_string(text::factor));
    m_factor_field.create(row, "", FieldLines::one, kFactorWidth);
    m_factor_field.on_commit = [this](const char* typed) { on_factor_entered(typed); };
    View* scale = make_row(parent, 4);
    make_label(scale, app_string(text::slider_low));
    m_factor_slider.create(scale, 0, 100, 50, kSliderWidth - 70);
    m_factor_slider.on_change = [this](int position) { on_factor_slider(position); };
    make_label(scale, app_string(text::slider_high));
    build_limits(parent);
    View* buttons = make_row(parent, 6);
    m_limits_button.create(buttons, app_string(text::hide_limits));
    m_limits_button.on_click = [this] { on_limits_button(); };
    m_action[0].create(buttons, app_string(text::scale), ButtonRole::default_button);
    m_action[0].on_click = [this] { run_action(RangeMode::Delays); };
}

void RangePane::build_limits(View* parent)
{
    m_limits_intro = make_label(parent, app_string(text::limits_intro));
    m_limits_group = make_styled_column(parent, 4);
    View* lower = make_row(m_limits_group, 4);
    make_label(lower, app_string(text::at_least));
    m_lower_field.create(lower, "", FieldLines::one, kLimitWidth);
    m_lower_field.on_commit = [this](const char* typed) { on_limit_entered(true, typed); };
    View* upper = make_row(m_limits_group, 4);
    make_label(upper, app_string(text::at_most));
    m_upper_field.create(upper, "", FieldLines::one, kLimitWidth);
    m_upper_field.on_commit = [this](const char* typed) { on_limit_entered(false, typed); };
}

void RangePane::build_action(View* parent, RangeMode mode, int text)
{
    Button& button = m_action[static_cast<int>(mode)];
    button.create(parent, app_string(text), ButtonRole::default_button);
    button.on_click = [this, mode] { run_action(mode); };
}

// ---- Showing the state

void RangePane::set_mode(RangeMode mode)
{
    m_mode = mode;
    if (!m_panel.built())
        return;
    for (int i = 0; i < 3; ++i) {
        m_mode_buttons[i].set_selected(i == static_cast<int>(mode));
        set_view_shown(m_mode_content[i], i == static_cast<int>(mode));
    }
    show_factor();
    show_limits_shown();
    relayout_panel_window(m_panel, m_mode_content[static_cast<int>(mode)]);
    fit_panel_window(m_panel, KeepInside::Yes);
}

void RangePane::show_factor()
{
    const StrPtr shown(FormatNew(kFactorFormat, m_factor));
    m_factor_field.set_text(shown.get(), Notify::No);
    m_factor_slider.set_value(position_of_factor(m_factor), Notify::No);
}

void RangePane::show_limits()
{
    m_lower_field.set_text(time_text(m_lower).get(), Notify::No);
    m_upper_field.set_text(time_text(m_upper).get(), Notify::No);
}

void RangePane::show_limits_shown()
{
    const bool shown = settings().limits_shown != 0;
    if (!shown) {
        m_lower = 1;
        m_upper = kLongestDelay;
    }
    set_view_shown(m_limits_intro, shown);
    set_view_shown(m_limits_group, shown);
    m_limits_button.set_text(app_string(shown ? text::hide_limits : text::show_limits));
    show_limits();
}

void RangePane::show_end(bool first_end)
{
    const int index = first_end ? m_first : m_last;
    (first_end ? m_first_field : m_last_field).set_text(number_text(index + 1).c_str(), Notify::No);
}

void RangePane::refresh(Document* document)
{
    m_document = document;
    if (!m_panel.built() || document == nullptr || document->frame_count < 1)
        return;
    m_slider.set_range(0, document->frame_count - 1);
    const int top = document->frame_count - 1;
    const int first = m_first > top ? top : m_first, last = m_last > top ? top : m_last;
    m_first = m_last = -2;  // both ends are shown again
    set_range(first, last, 0);
}

void RangePane::set_range(int first, int last, int source)
{
    if (m_document == nullptr || m_document->frame_count < 1)
        return;
    const int top = m_document->frame_count - 1;
    if (first > last)
        std::swap(first, last);
    first = first < 0 ? 0 : (first > top ? top : first);
    last = last < 0 ? 0 : (last > top ? top : last);
    const bool first_changed = first != m_first, last_changed = last != m_last;
    m_first = first;
    m_last = last;
    if (first_changed)
        show_end(true);
    if (last_changed)
        show_end(false);
    if (source != 1 && (first_changed || last_changed))
        m_slider.set_values(first, last, Notify::No);
    if (first_changed != last_changed && on_frame_chosen)
        on_frame_chosen(first_changed ? first : last);
}

bool RangePane::key(const KeyEvent& event)
{
    FrameRange moved;
    if (m_document == nullptr ||
        !range_after_key(event.character, FrameRange{m_first, m_last}, m_document->frame_count, &moved))
        return false;
    set_range(moved.first, moved.last, 0);
    return true;
}

FrameWindow* RangePane::last_alert() const
{
    return m_alert != nullptr && FrameWindowAlive(m_alert) ? m_alert : nullptr;
}

void RangePane::refuse(const char* message, int button_string) { m_alert = refuse_entry(message, button_string); }

void RangePane::changed()
{
    if (on_document_changed)
        on_document_changed();
}

// ---- What the user did

void RangePane::on_end_entered(bool first_end, const char* typed)
{
    if (m_document == nullptr || m_document->frame_count < 1)
        return;
    const int count = m_document->frame_count;
    const FrameNumberEntry entry = read_frame_number(typed != nullptr ? typed : "", count);
    switch (entry.verdict) {
    case FrameNumberVerdict::NotANumber: {
        const StrPtr message(FormatNew(app_string(text::not_a_number), quoted_entry(typed).c_str()));
        show_end(first_end);
        refuse(message.get(), text::not_a_number_ok);
        return;
    }
    case FrameNumberVerdict::BelowOne:
        show_end(first_end);
        refuse(app_string(text::below_one), text::below_one_ok);
        return;
    case FrameNumberVerdict::AboveCount: {
        const StrPtr message(
            FormatNew(app_string(count == 1 ? text::above_one : text::above_many), count, entry.typed));
        refuse(message.get(), text::above_ok);
        break;
    }
    case FrameNumberVerdict::Accepted:
        break;
    }
    const int index = entry.number - 1;
    const int other = first_end ? m_last : m_first;
    // The typed end is shown again even when it did not change (the field may read "007").
    (first_end ? m_first : m_last) = -2;
    set_range(first_end ? index : other, first_end ? other : index, 0);
    show_end(true);
    show_end(false);
}

void RangePane::on_factor_entered(const char* typed)
{
    const FactorEntry entry = read_factor(typed);
    if (entry.verdict == FactorVerdict::Unreadable) {
        const StrPtr message(FormatNew(app_string(text::not_a_factor), quoted_entry(typed).c_str()));
        show_factor();
        refuse(message.get(), text::not_a_factor_ok);
        return;
    }
    if (entry.verdict == FactorVerdict::Negative) {
        show_factor();
        refuse(app_string(text::negative), text::negative_ok);
        return;
    }
    m_factor = entry.factor;
    show_factor();
}

void RangePane::on_factor_slider(int position)
{
    m_factor = factor_at_position(position);
    const StrPtr shown(FormatNew(kFactorFormat, m_factor));
    m_factor_field.set_text(shown.get(), Notify::No);
}

void RangePane::on_limit_entered(bool lower, const char* typed)
{
    const DelayEntry entry = read_delay(typed != nullptr ? typed : "");
    if (entry.verdict == DelayVerdict::Unreadable) {
        const StrPtr message(FormatNew(app_string(text::not_a_delay), quoted_entry(typed).c_str()));
        show_limits();
        refuse(message.get(), text::not_a_delay_ok);
        return;
    }
    if (entry.verdict == DelayVerdict::TooLong)
        refuse(app_string(text::too_long), text::too_long_ok);
    const std::uint32_t value = entry.value;
    if (lower) {
        if (value > m_upper) {
            m_lower = m_upper;
            m_upper = value;
        } else {
            m_lower = value;
        }
    } else if (value < m_lower) {
        m_upper = m_lower;
        m_lower = value;
    } else {
        m_upper = value;
    }
    show_limits();
}

void RangePane::on_limits_button()
{
    settings().limits_shown = settings().limits_shown != 0 ? 0 : 1;
    save_setting_change();
    show_limits_shown();
    relayout_panel_window(m_panel, m_mode_content[0]);
    fit_panel_window(m_panel, KeepInside::Yes);
}

void RangePane::run_action(RangeMode mode)
{
    if (m_document == nullptr || m_first < 0 || m_last < m_first)
        return;
    PacedProgressReporter paced;
    switch (mode) {
    case RangeMode::Delays:
        scale_delays(*m_document, m_first, m_last, m_factor, m_lower, m_upper);
        break;
    case RangeMode::Comments:
        ProgressOpen(app_string(text::comments_caption), static_cast<std::uint32_t>(m_last - m_first + 1));
        for (int i = m_first; i <= m_last; ++i) {
            clear_frame_comments(*m_document, i, i);
            ProgressAdvance(1);
        }
        ProgressClose();
        break;
    case RangeMode::Interlace:
        make_non_interlaced(*m_document, m_first, m_last);
        break;
    }
    changed();
}
