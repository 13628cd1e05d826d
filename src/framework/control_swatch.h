// Colour swatches: a framed rectangle filled with a colour of three 16-bit components,
// clickable (the click callback gets the modifier bits of the click) and enabled or not.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"

struct SwatchColour {
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
};

View* SwatchNew(View* parent, bool clickable, int x, int y);
// Called with the modifier bits of a click (0 for the space bar).
void SwatchOnClick(View* swatch, std::function<void(int)> callback);
void SwatchSetColour(View* swatch, const SwatchColour& colour);
SwatchColour SwatchColourOf(View* swatch);
void SwatchSetClickable(View* swatch, bool clickable);
bool ViewIsSwatch(const View* view);
