// Sliders: the horizontal slider with one thumb, and the range slider with two thumbs over
// the same scale (either thumb may be the lower one). Dragging, clicking the track and the
// arrow keys move a thumb; the change callback hears every move.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"

// A slider over minimum..maximum.
View* SliderNew(View* parent, int minimum, int maximum, int value, int width);
// Called with each new value the user moves the thumb to.
void SliderOnChange(View* slider, std::function<void(int)> callback);
// Moves the thumb; with Notify::Yes the change callback hears it when the value changed.
void SliderSetValue(View* slider, int value, Notify notify);
int SliderValue(View* slider);
void SliderSetRange(View* slider, int minimum, int maximum);

View* RangeSliderNew(View* parent, int minimum, int maximum, int first, int second, int width);
// Called with both thumbs' values when the user moves either.
void RangeSliderOnChange(View* slider, std::function<void(int, int)> callback);
// Called with the value of a press on the track away from both thumbs (RangeSliderReported
// keeps it).
void RangeSliderOnPoint(View* slider, std::function<void(int)> callback);
// Moves both thumbs; with Notify::Yes the change callback hears it once when either moved.
void RangeSliderSet(View* slider, int first, int second, Notify notify);
void RangeSliderSetRange(View* slider, int minimum, int maximum);
int RangeSliderFirst(View* slider);
int RangeSliderSecond(View* slider);
int RangeSliderReported(View* slider);
