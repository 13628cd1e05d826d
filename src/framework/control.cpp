#include "framework/control.h"

#include "foundation/heap_string.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "platform/qt/fonts.h"
#include "platform/qt/window.h"

namespace {

struct StyleFonts {
    const platform::Font* base = nullptr;  // the dialog font they were made from
    platform::Font* own[4] = {nullptr, nullptr, nullptr, nullptr};
};
// The fonts of the text styles, remade when the dialog font changes.
struct ControlFonts {
    StyleFonts fonts;
};

ControlFonts& control_fonts()
{
    static ControlFonts state;
    return state;
}

platform::Font* make_font(int size, bool bold)
{
    platform::FontRequest request;
    request.size = size;
    request.bold = bold;
    request.charset = InterfaceCharset();
    return platform::FontCreate(request);
}

void refresh_fonts()
{
    const platform::Font* base = FrameworkFont(kDialogFontSlot);
    if (control_fonts().fonts.own[0] != nullptr && base == control_fonts().fonts.base)
        return;
    for (platform::Font*& font : control_fonts().fonts.own) {
        if (font != nullptr)
            platform::FontFree(font);
        font = nullptr;
    }
    control_fonts().fonts.base = base;
    const int size = base != nullptr ? platform::FontSize(base) : 15;
    control_fonts().fonts.own[0] = make_font(size, false);
    control_fonts().fonts.own[1] = make_font(size, true);
    control_fonts().fonts.own[2] = make_font(size + 3, true);
    control_fonts().fonts.own[3] = make_font(size, false);
}

}  // namespace

const platform::Font* ControlFont(TextStyle style)
{
    refresh_fonts();
    const int index = static_cast<int>(style);
    if (style == TextStyle::normal && control_fonts().fonts.base != nullptr)
        return control_fonts().fonts.base;
    return control_fonts().fonts.own[index] != nullptr ? control_fonts().fonts.own[index]
                                                       : control_fonts().fonts.own[0];
}

int ControlLineHeight(TextStyle style) { return platform::FontMetricsOf(ControlFont(style)).line_spacing; }

platform::Surface* ViewSurface(View* view)
{
    if (view->window == nullptr || view->window->window == nullptr)
        return nullptr;
    return platform::WindowSurface(view->window->window);
}

platform::Colour ControlColour(platform::SystemColour which) { return platform::SystemColourOf(which); }

platform::Colour ColourMix(platform::Colour a, platform::Colour b, int t)
{
    platform::Colour result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        result |= static_cast<platform::Colour>((ca * (256 - t) + cb * t) >> 8) << shift;
    }
    return result;
}

std::uint32_t ControlState(View* view)
{
    std::uint32_t state = 0;
    if (ViewIsEnabled(view))
        state |= platform::control_state::enabled;
    if (view->window != nullptr && ViewFocus(view->window) == view && FocusedFrameWindow() == view->window)
        state |= platform::control_state::focused;
    if (ViewHovered() == view)
        state |= platform::control_state::hovered;
    return state;
}

Rect ControlInset(const Rect& r, int dx, int dy)
{
    return platform::MakeRect(r.left + dx, r.top + dy, platform::RectWidth(r) - 2 * dx,
                              platform::RectHeight(r) - 2 * dy);
}

void ControlReplaceText(char** slot, const char* text)
{
    char* copy = StrDup(text != nullptr ? text : "");
    StrFree(*slot);
    *slot = copy;
}
