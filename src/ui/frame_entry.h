// What the frame pane's fields accept and show, without any window: a typed frame number
// checked against the frame count, a typed duration read through the time patterns of the
// string tables (hours, minutes and seconds; minutes and seconds; seconds), and durations
// in hundredths of a second as time text. The frame pane turns the verdicts into messages.
#pragma once
#include <cstdint>

#include "foundation/heap_string.h"

enum class FrameNumberVerdict : std::uint8_t { Accepted, NotANumber, BelowOne, AboveCount };

struct FrameNumberEntry {
    FrameNumberVerdict verdict = FrameNumberVerdict::NotANumber;
    std::int32_t typed = 0;   // the number read (saturated to 32 bits)
    std::int32_t number = 0;  // the frame number to show: typed, or the count when above it
};

// A whole number ("%d%"), spaces around it allowed, nothing else after it.
FrameNumberEntry read_frame_number(const char* text, std::int32_t frame_count);

enum class DelayVerdict : std::uint8_t { Accepted, Unreadable, TooLong };

struct DelayEntry {
    DelayVerdict verdict = DelayVerdict::Unreadable;
    std::uint16_t value = 0;  // hundredths; 65535 when too long
};

// A duration typed as hours:minutes:seconds, minutes:seconds or seconds (the patterns 83,
// 82 and 81 tried in that order, seconds with a fraction), nothing but spaces after it;
// negative parts are unreadable. value = truncate((h x 3600 + m x 60 + s + 0.005) x 100).
DelayEntry read_delay(const char* text);

// The time text of a duration: pattern 65 (minutes, seconds, hundredths) below one hour,
// pattern 64 (hours, minutes, seconds, hundredths) from one hour on.
StrPtr time_text(std::uint64_t hundredths);

// Fields read by one of the time patterns: how many of its directives matched before the
// text ran out or differed, and whether the whole pattern matched with only spaces after.
struct PatternMatch {
    int fields = 0;
    bool complete = false;
    double values[4] = {0, 0, 0, 0};
};
// Patterns hold literal characters (a space matches any run of spaces, also none) and the
// directives "%d%" (a whole number) and "%f%" (a number with an optional fraction).
PatternMatch match_pattern(const char* pattern, const char* text);
