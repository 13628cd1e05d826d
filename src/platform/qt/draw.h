// Drawing on software surfaces: every window owns one of its client size (window.h) and
// offscreen bitmaps are free-standing ones. Fill, frame, lines, text with fonts, 24-bit
// bottom-up pixel rows, copies between surfaces, clipping, and the native look of controls
// rendered through the current Qt style. Texts are program bytes, decoded as text.h says.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/qt/geometry.h"

namespace platform {

struct Surface;
struct Font;  // created by FontCreate (fonts.h); drawing only reads it

// 0xRRGGBB.
using Colour = std::uint32_t;

// ---- Offscreen surfaces (bitmaps)

// A surface of the given size, filled with white. Null for a size outside 1..32767.
Surface* SurfaceNew(int width, int height);
void SurfaceFree(Surface* surface);
struct SurfaceDeleter {
    void operator()(Surface* surface) const { SurfaceFree(surface); }
};
Size SurfaceSize(const Surface* surface);
// Decodes an embedded PNG (or any format Qt reads) into a new surface; null on failure.
Surface* SurfaceFromImageData(const std::uint8_t* data, std::size_t size);
[[nodiscard]] bool SurfaceSavePng(const Surface* surface, const char* path);
// The pixel at (x, y) as 0xRRGGBB; 0 outside the surface.
Colour SurfacePixel(const Surface* surface, int x, int y);

// ---- Clipping: a stack of rectangles, each intersected with the one below (and with the
// paint region while a window paints).
void DrawPushClip(Surface* surface, const Rect& clip);
void DrawPopClip(Surface* surface);

// ---- Shapes

void DrawFillRect(Surface* surface, const Rect& r, Colour colour);
// A frame of the given thickness inside the rectangle.
void DrawFrameRect(Surface* surface, const Rect& r, Colour colour, int thickness = 1);
// A one-pixel line from (x0, y0) to (x1, y1), both ends drawn.
void DrawLine(Surface* surface, int x0, int y0, int x1, int y1, Colour colour);
// Inverts the colours inside the rectangle (selection, focus marks).
void DrawInvertRect(Surface* surface, const Rect& r);
// A dotted focus rectangle.
void DrawFocusRect(Surface* surface, const Rect& r);

// ---- Text. Length -1 means up to the NUL.

struct FontMetrics {
    int ascent = 0;
    int descent = 0;
    int height = 0;        // ascent + descent
    int line_spacing = 0;  // height + leading
    int average_width = 0;
};
FontMetrics FontMetricsOf(const Font* font);
// Width and height of one line (no wrapping).
Size MeasureText(const Font* font, const char* text, int length = -1);
// Draws one line with its top-left corner at (x, y), transparent background.
void DrawText(Surface* surface, int x, int y, const char* text, const Font* font, Colour colour, int length = -1);

enum class Align : std::uint8_t { left, centre, right };
// Word-wrapped text (CR and LF break lines) within a width: the size it takes.
Size MeasureTextBlock(const Font* font, const char* text, int width);
// Draws word-wrapped text inside the rectangle, clipped to it.
void DrawTextBlock(Surface* surface, const Rect& r, const char* text, const Font* font, Colour colour,
                   Align align = Align::left);
// The x offset of each character boundary of a line (caret placement and hit testing):
// out[i] is the offset of the caret before byte i, for i in 0..length. Multi-byte
// characters give equal offsets for their inner bytes. Returns length + 1 values written
// (at most room).
int TextCaretOffsets(const Font* font, const char* text, int length, int* out, int room);

// ---- Pixels

// Copies rows of a 24-bit bottom-up buffer (blue, green, red per pixel; rows of stride
// bytes, the first row in memory the bottom one) into the surface. rows rows are copied,
// the first of them at surface line first_line counted from the bottom of the surface, as
// a device-independent bitmap transfer does. Rows outside the surface are skipped.
void DrawBottomUpRows(Surface* surface, int first_line, int rows, const std::uint8_t* bits, int width, int stride);
// Copies a rectangle of one surface into another at (x, y). The surfaces may be the same.
void DrawCopy(Surface* destination, int x, int y, const Surface* source, const Rect& from);
// Like DrawCopy, but the source pixels of colour key are left out.
void DrawCopyKeyed(Surface* destination, int x, int y, const Surface* source, const Rect& from, Colour key);

// ---- Native look of controls, rendered with the current Qt style into the rectangle.

namespace control_state {
constexpr std::uint32_t enabled = 0x1, pressed = 0x2, focused = 0x4, checked = 0x8, hovered = 0x10,
                        default_button = 0x20, mixed = 0x40;
}

void DrawPushButton(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state);
void DrawCheckBox(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state);
void DrawRadioButton(Surface* surface, const Rect& r, const char* label, const Font* font, std::uint32_t state);
// A horizontal slider with its groove and handle for value in minimum..maximum.
void DrawSlider(Surface* surface, const Rect& r, int minimum, int maximum, int value, std::uint32_t state);
// The value a press at x (surface coordinates) selects on a slider drawn in r.
int SliderValueAt(const Rect& r, int minimum, int maximum, int x);
// The sunken frame of a text field, its inside filled with the base colour.
void DrawTextFieldFrame(Surface* surface, const Rect& r, std::uint32_t state);
// A drop-down button showing the current choice (pop-up menus of dialogs).
void DrawComboBox(Surface* surface, const Rect& r, const char* text, const Font* font, std::uint32_t state);
void DrawProgressBar(Surface* surface, const Rect& r, int minimum, int maximum, int value);
void DrawGroupFrame(Surface* surface, const Rect& r, const char* title, const Font* font);
// A disclosure triangle (expandable sections and items), pointing right or down.
void DrawDisclosure(Surface* surface, const Rect& r, bool open, std::uint32_t state);

enum class ControlKind : std::uint8_t {
    push_button,
    check_box,
    radio_button,
    combo_box,
    text_field,
    slider,
    progress_bar
};
// The natural size the style gives a control with that label (text fields and sliders:
// the height, and a width for about ten characters).
Size ControlNaturalSize(ControlKind kind, const char* label, const Font* font);

// The style's colours.
enum class SystemColour : std::uint8_t {
    window,
    window_text,
    base,
    text,
    button,
    button_text,
    highlight,
    highlighted_text,
    workspace,
    disabled_text,
    tool_tip
};
Colour SystemColourOf(SystemColour which);

}  // namespace platform
