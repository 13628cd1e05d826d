// What every control class shares: the text styles and their fonts, the colours of the
// current style, the surface a view draws on, whether a setter calls back, and a few
// drawing helpers. The controls themselves live in control_*.h.
#pragma once
#include <cstdint>

#include "framework/frame_window.h"
#include "framework/view.h"
#include "platform/qt/draw.h"

namespace platform {
struct Font;
}

enum class TextStyle : std::uint8_t { normal, emphasised, heading, link };

// The font of a text style, following the interface language's dialog font.
const platform::Font* ControlFont(TextStyle style);
int ControlLineHeight(TextStyle style);

// Whether a setter calls the control's callback as a change by the user would.
enum class Notify : bool { No, Yes };

// The window surface a view draws on (null when the window has none).
platform::Surface* ViewSurface(View* view);

platform::Colour ControlColour(platform::SystemColour which);
// a x (1 - t) + b x t per channel, t in 0..256.
platform::Colour ColourMix(platform::Colour a, platform::Colour b, int t);
// The control_state bits of a view: enabled and focused.
std::uint32_t ControlState(View* view);

// The rectangle shrunk by dx on the left and right and dy at the top and bottom.
Rect ControlInset(const Rect& r, int dx, int dy);

// Texts are copied and owned by the controls; these manage such a copy.
void ControlReplaceText(char** slot, const char* text);
