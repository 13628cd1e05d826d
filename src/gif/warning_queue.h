// The warnings found while a file is read: severities (1 minor to 4) and their texts, kept
// in the order they were found and shown one by one after the load. Owned by the reader;
// the front end sees them through the ask hook (by default the warning alert of the
// reporter).
#pragma once
#include <cstdint>
#include <vector>

#include "foundation/heap_string.h"

struct Warning {
    std::uint8_t severity;  // 1 to 4
    StrPtr text;
};

// Asked once per warning; `more_follow` when further warnings wait. True means go on.
using WarningAsk = bool (*)(std::uint8_t severity, const char* text, bool more_follow);

class WarningQueue {
public:
    void add(std::uint8_t severity, StrPtr text);
    void clear() { m_warnings.clear(); }
    std::size_t size() const { return m_warnings.size(); }
    const Warning& at(std::size_t index) const { return m_warnings[index]; }

    // Asks about every warning in order and empties the queue; an answer of stop drops the
    // rest. A null ask counts as stop.
    void show(WarningAsk ask);

private:
    std::vector<Warning> m_warnings;
};

// The process-wide queue (one load at a time), held by the GIF state.
WarningQueue& warning_queue();

// The warning alert: a beep, then an alert of kind 130 with the text, a button labelled by
// string 115 and, when more follow, a second button labelled by string 114.
bool ask_warning_alert(std::uint8_t severity, const char* text, bool more_follow);
