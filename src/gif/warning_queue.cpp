#include "gif/warning_queue.h"

#include "app/report.h"
#include "app/string_tables.h"

namespace {

constexpr int kGoOnButton = 115;
constexpr int kStopButton = 114;

}  // namespace

void WarningQueue::add(std::uint8_t severity, StrPtr text) { m_warnings.push_back(Warning{severity, std::move(text)}); }

void WarningQueue::show(WarningAsk ask)
{
    std::vector<Warning> pending = std::move(m_warnings);
    m_warnings.clear();
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const bool more_follow = i + 1 < pending.size();
        if (!ask || !ask(pending[i].severity, pending[i].text ? pending[i].text.get() : "", more_follow))
            return;
    }
}

bool ask_warning_alert(std::uint8_t /*severity*/, const char* text, bool more_follow)
{
    Reporter& out = reporter();
    out.beep();
    if (!more_follow) {
        out.alert(AlertKind::Exclamation, text, app_string(kGoOnButton));
        return true;
    }
    return out.ask(AlertKind::Exclamation, text, app_string(kGoOnButton), app_string(kStopButton));
}
