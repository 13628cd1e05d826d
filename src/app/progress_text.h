// The words of a progress report that do not need a window: the remaining time in words and
// the rule that decides when a long operation deserves a progress display. The desktop
// progress window and the command-line progress bar both use them.
#pragma once
#include <cstdint>

#include "foundation/heap_string.h"

// A duration in words ("1 minute", "2 minutes 5 seconds"), rounded up by one second, with
// the unit strings 344-349 and the patterns 350 (one part) and 351 (two parts).
StrPtr format_duration(std::uint32_t milliseconds);

// The remaining-time sentence (string 343) for a report that has done `done` of `total`
// units in `elapsed_ms`; null when nothing can be estimated yet (no units done, no total).
StrPtr remaining_time_text(std::int32_t elapsed_ms, std::uint32_t done, std::uint32_t total);

// Whether a hidden report should now be shown: after three seconds always, between two and
// three seconds only while no more than two thirds are done. `done` is the count before
// the units of the current step are added.
bool progress_should_show(std::int32_t elapsed_ms, std::uint32_t done, std::uint32_t total);
