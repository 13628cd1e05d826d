// Fonts by family, size and character set, with the substitutes a Linux desktop offers
// for the families the program names ("MS Sans Serif" the system sans, "Times New Roman"
// a serif, "Courier New" a monospace, the East Asian families an installed CJK font), and
// a probe that says whether a family resolves at all.
#pragma once
#include <cstdint>

namespace platform {

struct Font;

// Character sets as the program names them.
namespace charset {
constexpr int ansi = 0, shift_jis = 128, hangul = 129, gb2312 = 134, big5 = 136;
}

struct FontRequest {
    const char* family = "MS Sans Serif";
    int size = 15;  // cell height in pixels (ascent + descent)
    int charset = charset::ansi;
    bool bold = false;
    bool italic = false;
    bool fixed_pitch = false;
};

// Null when the family resolves to no installed font (see FontFamilyResolves).
Font* FontCreate(const FontRequest& request);
void FontFree(Font* font);
struct FontDeleter {
    void operator()(Font* font) const { FontFree(font); }
};
// True when the family, after substitution, names a font that is installed and can show
// the character set's script.
bool FontFamilyResolves(const char* family, int charset);
// The installed family a requested family maps to (for diagnostics and tests); the
// pointer stays valid until the next call.
const char* FontResolvedFamily(const char* family, int charset);
int FontSize(const Font* font);

}  // namespace platform
