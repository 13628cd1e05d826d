#include "app/report.h"

namespace {

class SilentReporter final : public Reporter {
public:
    void alert(AlertKind, const char*, const char*) override { }
    bool ask(AlertKind, const char*, const char*, const char*) override { return false; }
};

SilentReporter g_silent;
Reporter* g_current = &g_silent;

}  // namespace

Reporter& reporter() { return *g_current; }

Reporter* set_reporter(Reporter* next)
{
    Reporter* previous = g_current == &g_silent ? nullptr : g_current;
    g_current = next ? next : &g_silent;
    return previous;
}
