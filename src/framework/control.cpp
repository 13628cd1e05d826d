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
StyleFonts g_fonts;

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
    const platform::Font* base = FrameworkFont(0);
    if (g_fonts.own[0] != nullptr && base == g_fonts.base)
        return;
    for (platform::Font*& font : g_fonts.own) {
        if (font != nullptr)
            platform::FontFree(font);
        font = nullptr;
    }
    g_fonts.base = base;
    const int size = base != nullptr ? platform::FontSize(base) : 15;
    g_fonts.own[0] = make_font(size, false);
    g_fonts.own[1] = make_font(size, true);
    g_fonts.own[2] = make_font(size + 3, true);
    g_fonts.own[3] = make_font(size, false);
}

}  // namespace

const platform::Font* ControlFont(TextStyle style)
{
    refresh_fonts();
    const int index = static_cast<int>(style);
    if (style == TextStyle::normal && g_fonts.base != nullptr)
        return g_fonts.base;
    return g_fonts.own[index] != nullptr ? g_fonts.own[index] : g_fonts.own[0];
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
