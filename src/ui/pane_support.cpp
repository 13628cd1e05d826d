#include "ui/pane_support.h"

#include "app/preferences.h"
#include "app/string_tables.h"
#include "framework/alert.h"
#include "framework/frame_window.h"
#include "framework/progress_window.h"
#include "ui/panel_window.h"

namespace {
constexpr std::size_t kShownTypedText = 60;
}

std::string quoted_entry(const char* typed)
{
    std::string text = typed != nullptr ? typed : "";
    if (text.size() <= kShownTypedText)
        return text;
    std::size_t cut = kShownTypedText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

FrameWindow* refuse_entry(const char* message, int button_string)
{
    FrameworkBeep();
    return alert_error(message, app_string(button_string));
}

PacedProgressReporter::PacedProgressReporter() : m_previous(set_reporter(this)) { }

PacedProgressReporter::~PacedProgressReporter()
{
    while (m_depth > 0)
        end_progress();
    set_reporter(m_previous);
}

void PacedProgressReporter::alert(AlertKind kind, const char* message, const char* button)
{
    if (m_previous != nullptr)
        m_previous->alert(kind, message, button);
}

bool PacedProgressReporter::ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button)
{
    return m_previous != nullptr && m_previous->ask(kind, message, yes_button, no_button);
}

void PacedProgressReporter::beep()
{
    if (m_previous != nullptr)
        m_previous->beep();
}

// Only the outermost report has a window (one paced run at a time).
void PacedProgressReporter::begin_progress(const char* caption, std::uint32_t total)
{
    if (m_depth++ == 0)
        ProgressOpen(caption, total > 0 ? total : 1);
}

void PacedProgressReporter::advance_progress(std::uint32_t units)
{
    if (m_depth == 1)
        ProgressAdvance(units);
}

void PacedProgressReporter::end_progress()
{
    if (m_depth > 0 && --m_depth == 0)
        ProgressClose();
}

void save_setting_change()
{
    if (panel_window_state().save_preferences != nullptr)
        panel_window_state().save_preferences();
    else
        (void)save_settings();
}
