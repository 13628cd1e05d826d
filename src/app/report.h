// How the engine tells the user something without knowing about windows: alerts, questions,
// beeps and progress reports. The desktop program implements it with alerts and progress
// windows, the command-line front end with the terminal; tests install a recording one.
#pragma once
#include <cstdint>

// Alert pictures, also used as message severities.
enum class AlertKind : std::uint16_t { Stop = 128, Information = 129, Exclamation = 130, Question = 131 };

class Reporter {
public:
    virtual ~Reporter() = default;

    // A message with one button; returns when the user has seen it.
    virtual void alert(AlertKind kind, const char* message, const char* button) = 0;
    // A question with two buttons; true for the first (affirmative) button.
    virtual bool ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button) = 0;
    virtual void beep() { }

    // Progress of one long operation; reports nest and every begin has exactly one end.
    virtual void begin_progress(const char* /*caption*/, std::uint32_t /*total*/) { }
    virtual void restart_progress(std::uint32_t /*total*/) { }
    virtual void set_progress_detail(const char* /*text*/) { }
    virtual void set_progress_caption(const char* /*text*/) { }
    virtual void advance_progress(std::uint32_t /*units*/) { }
    virtual void end_progress() { }
};

// The reporter in force; a silent one (alerts ignored, questions answered no) until set.
Reporter& reporter();
// Installs a reporter (not owned); null restores the silent one. Returns the previous one.
Reporter* set_reporter(Reporter* next);
