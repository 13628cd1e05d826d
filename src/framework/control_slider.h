// Sliders: the horizontal slider with one thumb, and the range slider with two thumbs over
// the same scale (either thumb may be the lower one). Dragging, clicking the track and the
// arrow keys move a thumb; the handler hears every change.
#pragma once
#include <cstdint>

#include "framework/control.h"

// A slider over minimum..maximum; the handler gets each new value.
View* SliderNew(View* parent, int minimum, int maximum, int value, int width, ControlHandler handler,
                std::uintptr_t user);
// Moves the thumb without calling the handler.
void SliderSetValue(View* slider, int value);
int SliderValue(View* slider);
void SliderSetRange(View* slider, int minimum, int maximum);

// The range slider's handler values: which thumb moved, or a position the user pointed at
// on the track between the thumbs' moves (RangeSliderReported gives it).
namespace range_event {
constexpr int first_moved = 0, second_moved = 1, position = 2;
}
View* RangeSliderNew(View* parent, int minimum, int maximum, int first, int second, int width, ControlHandler handler,
                     std::uintptr_t user);
void RangeSliderSet(View* slider, int first, int second);
void RangeSliderSetRange(View* slider, int minimum, int maximum);
int RangeSliderFirst(View* slider);
int RangeSliderSecond(View* slider);
int RangeSliderReported(View* slider);
