// Interface languages as the framework sees them: the script and class of each language,
// the script's fonts, character set and code page, the switch between languages (all or
// nothing), the font family registry with its probe, and the three framework fonts.
#pragma once
#include <cstdint>

namespace platform {
struct Font;
}

constexpr int kLanguageCount = 15;
// The scripts the framework knows by number; script 12 and the others are Western-like.
namespace script {
constexpr int western = 1, traditional_chinese = 5, korean = 6, japanese = 9, simplified_chinese = 10, other = 12;
}
// The script class of an East Asian interface (mnemonics in parentheses).
constexpr int kEastAsianClass = 1;
int ScriptOf(int language);
int ClassOf(int language);
int CharsetOf(int language);

struct ScriptSettings {
    const char* family = "MS Sans Serif";     // fonts 0 and 1
    const char* family2 = "Times New Roman";  // font 2
    int charset = 0;
    const char* runtime_locale = nullptr;  // null: unchanged
    int code_page = 0;                     // 0: unchanged
    int thread_locale = 0;                 // 0: the user's default
};
ScriptSettings ScriptSettingsOf(int script);

// Switches the fonts, the character set, the class and the locale; false with nothing
// changed when a font cannot be created or the switch would change nothing.
bool SetInterfaceLanguage(int language, std::uint16_t size0, std::uint16_t size1, std::uint16_t size2);
int InterfaceLanguage();
int InterfaceCharset();
bool WesternInterface();
int ThreadLocale();

struct FontFamily {
    char* name;
    bool fixed_pitch;
};
// The registered family of that name (default "MS Sans Serif"), probing and registering it
// when it is new; null when it does not resolve.
FontFamily* FindFontFamily(const char* name, int language);
int FontFamilyCount();

// The framework's three font slots; slot 0 is the dialog font the controls are drawn in.
constexpr int kFontSlots = 3;
constexpr int kDialogFontSlot = 0;
// The current font of a slot (null before the first switch).
platform::Font* FrameworkFont(int slot);

// Starts the registry ("Courier New" as the fixed-pitch family) and the fonts of language 1.
void LanguageStart();
// Frees fonts and the registry (shutdown and tests).
void LanguageEnd();
// Called after a successful switch so that menus and views follow (menus are rebuilt).
void SetLanguageChangedHook(void (*hook)());
