#include "ui/animation_pane.h"

#include <cmath>
#include <string>

#include "app/string_tables.h"
#include "document/document.h"
#include "foundation/formatter.h"
#include "foundation/time_text.h"
#include "framework/frame_window.h"
#include "gif/document_edits.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"
#include "ui/frame_entry.h"
#include "ui/pane_support.h"

namespace {

// Application strings of the pane.
namespace text {
constexpr int size_base = 2, size_line = 19, leading = 20, one_frame = 22, frames = 23, one_colour = 35, colours = 36,
              play_once = 41, repeat = 42, forever = 43, time = 44, times = 45, not_a_count = 48, not_a_count_ok = 49,
              below_one = 50, below_one_ok = 51, too_many = 52, too_many_ok = 53, colour_shown = 86, colour_typed = 87,
              trailing = 93, not_a_colour = 95, not_a_colour_ok = 96, title = 166;
}

constexpr int kCountWidth = 60;
constexpr int kColourWidth = 110;
constexpr int kCommentWidth = 236;
constexpr int kCommentLines = 3;
constexpr int kMostRepeats = 65535;

std::string number_text(std::uint32_t n)
{
    char buffer[16];
    return UIntToText(buffer, n);
}

std::uint8_t* background(Document& document) { return document.palette.get() + 3 * 255; }

}  // namespace

LoopCountEntry read_loop_count(const char* text)
{
    LoopCountEntry entry;
    const PatternMatch m = match_pattern("%d%", text != nullptr ? text : "");
    if (!m.complete || m.fields != 1)
        return entry;
    if (m.values[0] < 1) {
        entry.verdict = LoopCountVerdict::BelowOne;
    } else if (m.values[0] > kMostRepeats) {
        entry.verdict = LoopCountVerdict::TooMany;
        entry.count = kMostRepeats;
    } else {
        entry.verdict = LoopCountVerdict::Accepted;
        entry.count = static_cast<std::uint16_t>(m.values[0]);
    }
    return entry;
}

bool read_background_colour(const char* text, std::uint8_t rgb[3])
{
    const PatternMatch m = match_pattern(app_string(text::colour_typed), text != nullptr ? text : "");
    if (!m.complete || m.fields != 3)
        return false;
    for (int i = 0; i < 3; ++i)
        if (!(m.values[i] >= 0 && m.values[i] <= 255) || m.values[i] != std::floor(m.values[i]))
            return false;
    for (int i = 0; i < 3; ++i)
        rgb[i] = static_cast<std::uint8_t>(m.values[i]);
    return true;
}

// ---- Building

void AnimationPane::open()
{
    if (m_panel.built()) {
        m_panel.show();
        return;
    }
    open_panel_window(m_panel, -1, app_string(text::title), 0, nullptr,
                      [this](View* container, bool) { return build(container); });
    refresh(m_document);
    size_panel_window_to_content(m_panel);
}

View* AnimationPane::build(View* container)
{
    View* root = make_column(container, 6);
    m_size.create(root, "", TextKind::text_line);
    m_frames.create(root, "", TextKind::text_line);
    build_loop_row(root);
    m_colours.create(root, "", TextKind::text_line);
    build_colour_row(root);
    build_comments(root);
    return root;
}

void AnimationPane::build_loop_row(View* parent)
{
    View* row = make_row(parent, 4);
    const char* choices[3] = {app_string(text::play_once), app_string(text::repeat), app_string(text::forever)};
    m_loop.create(row, choices, 0);
    m_loop.on_change = [this](int choice) { on_loop_chosen(choice); };
    m_count.create(row, "", FieldLines::one, kCountWidth);
    m_count.on_commit = [this](const char* typed) { on_count_entered(typed); };
    m_count_label.create(row, app_string(text::times));
}

void AnimationPane::build_colour_row(View* parent)
{
    View* row = make_row(parent, 6);
    m_swatch.create(row, SwatchClicks::taken);
    m_swatch.on_click = [this](int) { on_swatch_clicked(); };
    m_colour.create(row, "", FieldLines::one, kColourWidth);
    m_colour.on_commit = [this](const char* typed) { on_colour_entered(typed); };
}

void AnimationPane::build_comments(View* parent)
{
    const int height = kCommentLines * ControlLineHeight(TextStyle::normal) + 6;
    make_label(parent, app_string(text::leading));
    m_leading.create(parent, "", FieldLines::many, kCommentWidth, height);
    m_leading.on_change = [this](const char* typed) { on_comment_changed(true, typed); };
    make_label(parent, app_string(text::trailing));
    m_trailing.create(parent, "", FieldLines::many, kCommentWidth, height);
    m_trailing.on_change = [this](const char* typed) { on_comment_changed(false, typed); };
}

// ---- Showing the document

void AnimationPane::refresh(Document* document)
{
    m_document = document;
    if (!m_panel.built() || !m_size)
        return;
    set_enabled(document != nullptr);
    refresh_lines();
    show_looping();
    show_background();
    refresh_comments();
}

void AnimationPane::refresh_lines()
{
    if (!m_size)
        return;
    if (m_document == nullptr) {
        m_size.set_text_if_different("");
        m_frames.set_text_if_different("");
        m_colours.set_text_if_different("");
        return;
    }
    const Document& d = *m_document;
    const StrPtr size(SizeText(text::size_base, d.file_size));
    const StrPtr size_line(FormatNew(app_string(text::size_line), static_cast<int>(d.screen_width),
                                     static_cast<int>(d.screen_height), size.get()));
    m_size.set_text_if_different(size_line.get());
    const StrPtr total = time_text(d.total_delay);
    const StrPtr frames(
        FormatNew(app_string(d.frame_count == 1 ? text::one_frame : text::frames), d.frame_count, total.get()));
    m_frames.set_text_if_different(frames.get());
    const StrPtr colours(FormatNew(app_string(d.palette_size == 1 ? text::one_colour : text::colours),
                                   static_cast<int>(d.palette_size)));
    m_colours.set_text_if_different(colours.get());
}

void AnimationPane::show_looping()
{
    if (m_document == nullptr) {
        m_loop.set_selected(0, Notify::No);
        m_count.set_text("", Notify::No);
        m_count.set_enabled(false);
        m_count_label.set_enabled(false);
        return;
    }
    const Document& d = *m_document;
    const int choice = d.loop_present == 0 ? 0 : (d.loop_count == 0 ? 2 : 1);
    m_loop.set_selected(choice, Notify::No);
    m_count.set_text(choice == 1 ? number_text(d.loop_count).c_str() : "", Notify::No);
    m_count_label.set_text_if_different(app_string(d.loop_count == 1 ? text::time : text::times));
    m_count.set_enabled(choice == 1);
    m_count_label.set_enabled(choice == 1);
}

void AnimationPane::show_background()
{
    if (m_document == nullptr) {
        m_colour.set_text("", Notify::No);
        m_swatch.set_colour(SwatchColour{});
        return;
    }
    const std::uint8_t* rgb = background(*m_document);
    const StrPtr shown(FormatNew(app_string(text::colour_shown), int{rgb[0]}, int{rgb[1]}, int{rgb[2]}));
    m_colour.set_text(shown.get(), Notify::No);
    m_swatch.set_colour(SwatchColour{widen_channel(rgb[0]), widen_channel(rgb[1]), widen_channel(rgb[2])});
}

void AnimationPane::refresh_comments()
{
    if (!m_leading)
        return;
    const int before = m_leading.view()->height + m_trailing.view()->height;
    const Document* d = m_document;
    m_leading.set_text(d != nullptr && d->leading_comment ? d->leading_comment.get() : "", Notify::No);
    m_trailing.set_text(d != nullptr && d->trailing_comment ? d->trailing_comment.get() : "", Notify::No);
    if (m_leading.view()->height + m_trailing.view()->height != before) {
        relayout_panel_window(m_panel, m_leading.view());
        relayout_panel_window(m_panel, m_trailing.view());
        fit_panel_window(m_panel, KeepInside::Yes);
    }
}

void AnimationPane::set_enabled(bool enabled)
{
    m_loop.set_enabled(enabled);
    m_swatch.set_enabled(enabled);
    m_swatch.set_clickable(enabled);
    m_colour.set_enabled(enabled);
    m_leading.set_enabled(enabled);
    m_trailing.set_enabled(enabled);
}

FrameWindow* AnimationPane::last_alert() const
{
    return m_alert != nullptr && FrameWindowAlive(m_alert) ? m_alert : nullptr;
}

void AnimationPane::refuse(const char* message, int button_string) { m_alert = refuse_entry(message, button_string); }

void AnimationPane::changed()
{
    if (on_document_changed)
        on_document_changed();
}

// ---- What the user did

void AnimationPane::on_loop_chosen(int choice)
{
    if (m_document == nullptr || choice < 0 || choice > 2)
        return;
    set_looping(*m_document, static_cast<Looping>(choice), m_document->loop_count);
    show_looping();
    changed();
}

void AnimationPane::on_count_entered(const char* typed)
{
    if (m_document == nullptr || m_document->loop_present == 0 || m_document->loop_count == 0)
        return;
    const LoopCountEntry entry = read_loop_count(typed);
    switch (entry.verdict) {
    case LoopCountVerdict::NotANumber: {
        const StrPtr message(FormatNew(app_string(text::not_a_count), quoted_entry(typed).c_str()));
        show_looping();
        refuse(message.get(), text::not_a_count_ok);
        return;
    }
    case LoopCountVerdict::BelowOne:
        show_looping();
        refuse(app_string(text::below_one), text::below_one_ok);
        return;
    case LoopCountVerdict::TooMany:
        refuse(app_string(text::too_many), text::too_many_ok);
        break;
    case LoopCountVerdict::Accepted:
        break;
    }
    const bool differs = entry.count != m_document->loop_count;
    set_looping(*m_document, Looping::Count, entry.count);
    show_looping();
    if (differs)
        changed();
}

void AnimationPane::on_colour_entered(const char* typed)
{
    if (m_document == nullptr)
        return;
    std::uint8_t rgb[3];
    if (!read_background_colour(typed, rgb)) {
        const StrPtr message(FormatNew(app_string(text::not_a_colour), quoted_entry(typed).c_str()));
        show_background();
        refuse(message.get(), text::not_a_colour_ok);
        return;
    }
    set_background(rgb);
}

void AnimationPane::on_swatch_clicked()
{
    if (m_document == nullptr)
        return;
    const std::uint8_t* now = background(*m_document);
    const SwatchColour initial{widen_channel(now[0]), widen_channel(now[1]), widen_channel(now[2])};
    SwatchColour chosen;
    bool answered = false;
    if (choose_colour) {
        answered = choose_colour(initial, &chosen);
    } else {
        // The platform chooser speaks 8 bits per channel: its answer is widened like ours.
        const platform::Colour start = (platform::Colour{now[0]} << 16) | (platform::Colour{now[1]} << 8) | now[2];
        platform::Colour picked = 0;
        answered = platform::ChooseColour(platform::MainWindow(), start, &picked);
        chosen = SwatchColour{widen_channel(static_cast<std::uint8_t>(picked >> 16)),
                              widen_channel(static_cast<std::uint8_t>(picked >> 8)),
                              widen_channel(static_cast<std::uint8_t>(picked))};
    }
    if (!answered)
        return;
    const std::uint8_t rgb[3] = {narrow_channel(chosen.red), narrow_channel(chosen.green), narrow_channel(chosen.blue)};
    set_background(rgb);
}

void AnimationPane::set_background(const std::uint8_t rgb[3])
{
    std::uint8_t* entry = background(*m_document);
    const bool differs = entry[0] != rgb[0] || entry[1] != rgb[1] || entry[2] != rgb[2];
    for (int i = 0; i < 3; ++i)
        entry[i] = rgb[i];
    show_background();
    if (!differs)
        return;
    changed();
    if (on_background_changed)
        on_background_changed();
}

void AnimationPane::on_comment_changed(bool leading, const char* text)
{
    if (m_document == nullptr)
        return;
    (leading ? m_document->leading_comment : m_document->trailing_comment).reset(StrDup(text != nullptr ? text : ""));
    TextField& field = leading ? m_leading : m_trailing;
    relayout_panel_window(m_panel, field.view());
    fit_panel_window(m_panel, KeepInside::Yes);
    changed();
}
