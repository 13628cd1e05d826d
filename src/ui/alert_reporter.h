// The desktop program's way of telling the user what the engine reports: alerts of the
// framework for messages and questions, the system beep. Progress goes to the progress
// window when one is installed over it.
#pragma once
#include "app/report.h"

class AlertReporter : public Reporter {
public:
    void alert(AlertKind kind, const char* message, const char* button) override;
    bool ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button) override;
    void beep() override;
};
