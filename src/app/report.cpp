#include "app/report.h"

namespace {

class SilentReporter final : public Reporter {
public:
    void alert(AlertKind, const char*, const char*) override { }
    bool ask(AlertKind, const char*, const char*, const char*) override { return false; }
};

// The reporting module's process-wide state: the reporter in use, silent when none is set.
struct ReportState {
    SilentReporter silent;
    Reporter* current = &silent;
};

ReportState& report_state()
{
    static ReportState state;
    return state;
}

}  // namespace

Reporter& reporter() { return *report_state().current; }

Reporter* set_reporter(Reporter* next)
{
    ReportState& state = report_state();
    Reporter* previous = state.current == &state.silent ? nullptr : state.current;
    state.current = next ? next : &state.silent;
    return previous;
}
