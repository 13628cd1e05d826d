#include "ui/alert_reporter.h"

#include "framework/alert.h"
#include "framework/frame_window.h"

void AlertReporter::alert(AlertKind kind, const char* message, const char* button)
{
    (void)alert_ask(nullptr, static_cast<int>(kind), message, button, nullptr);
}

bool AlertReporter::ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button)
{
    return alert_ask(nullptr, static_cast<int>(kind), message, yes_button, no_button) == 1;
}

void AlertReporter::beep() { FrameworkBeep(); }
