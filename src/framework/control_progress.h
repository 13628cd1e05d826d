// The progress bar (a known total) and the busy indicator (an unknown amount of work, moved
// one frame per step by whoever does the work).
#pragma once
#include <cstdint>

#include "framework/control.h"

View* ProgressBarNew(View* parent, std::uint32_t total, int width, int height);
// total 0 makes it a busy indicator.
void ProgressBarSetTotal(View* bar, std::uint32_t total);
void ProgressBarSetValue(View* bar, std::uint32_t value);
// Adds to the value, never beyond the total.
void ProgressBarAdvance(View* bar, std::uint32_t units);
std::uint32_t ProgressBarValue(View* bar);
std::uint32_t ProgressBarTotal(View* bar);
// The busy indicator's next frame.
void ProgressBarStep(View* bar);
