// What the panes share: typed text quoted in a message (cut when long), a refused entry (a
// beep, then the reason in a stop alert), the conversions of a colour channel between the
// 8 bits of a palette and the 16 bits of the colour chooser, and a paced progress run that
// the engine's edits report through.
#pragma once
#include <cstdint>
#include <string>

#include "app/report.h"

struct FrameWindow;

// The typed text as a message quotes it: at most 60 bytes, never cut inside a UTF-8
// sequence, "..." when cut.
std::string quoted_entry(const char* typed);

// A beep, then `message` in a stop alert whose button is application string
// `button_string`. Returns the alert (open until answered).
FrameWindow* refuse_entry(const char* message, int button_string);

// A setting changed: the preferences are saved (through the panel windows' save hook when
// one is set). A failed save has told the user; the setting stays in memory.
void save_setting_change();

// c x 257: 255 becomes 65535, 0 stays 0.
constexpr std::uint16_t widen_channel(std::uint8_t c) { return static_cast<std::uint16_t>((c << 8) | c); }
// (v - (v >> 8)) >> 8: the inverse of widen_channel, and the nearest 8-bit value otherwise.
constexpr std::uint8_t narrow_channel(std::uint16_t v) { return static_cast<std::uint8_t>((v - (v >> 8)) >> 8); }

// While it lives, the progress reports of the engine's edits go to the paced progress
// window (a caption and a bar, at least one second per run); everything else goes to the
// reporter that was in force.
class PacedProgressReporter final : public Reporter {
public:
    PacedProgressReporter();
    ~PacedProgressReporter() override;
    PacedProgressReporter(const PacedProgressReporter&) = delete;
    PacedProgressReporter& operator=(const PacedProgressReporter&) = delete;

    void alert(AlertKind kind, const char* message, const char* button) override;
    bool ask(AlertKind kind, const char* message, const char* yes_button, const char* no_button) override;
    void beep() override;
    void begin_progress(const char* caption, std::uint32_t total) override;
    void advance_progress(std::uint32_t units) override;
    void end_progress() override;

private:
    Reporter* m_previous = nullptr;
    int m_depth = 0;
};
