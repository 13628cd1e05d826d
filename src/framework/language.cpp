#include "framework/language.h"

#include <vector>

#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "framework/menu_text.h"
#include "framework/menus.h"
#include "platform/qt/fonts.h"
#include "platform/qt/text.h"

namespace {

struct LanguageEntry {
    int script;
    int script_class;
};

// Scripts and classes of the fifteen interface languages.
constexpr LanguageEntry kWestern{script::western, 0};
constexpr LanguageEntry kLanguages[kLanguageCount] = {
    kWestern,
    kWestern,
    kWestern,
    kWestern,
    kWestern,
    {script::traditional_chinese, kEastAsianClass},
    {script::korean, kEastAsianClass},
    kWestern,
    kWestern,
    {script::japanese, kEastAsianClass},
    {script::simplified_chinese, kEastAsianClass},
    kWestern,
    {script::other, 0},
    kWestern,
    kWestern,
};

// The interface language and what follows from it: character set, thread locale, the
// framework fonts and the font families known.
struct LanguageState {
    int language = 1;
    int charset = 0;
    bool western = true;
    int thread_locale = 0;
    platform::Font* fonts[kFontSlots] = {nullptr, nullptr, nullptr};
    std::vector<FontFamily*> families;
    void (*changed_hook)() = nullptr;
};

LanguageState& language_state()
{
    static LanguageState state;
    return state;
}

bool valid(int language) { return language >= 0 && language < kLanguageCount; }

FontFamily* register_family(const char* name, bool fixed_pitch)
{
    auto* family = static_cast<FontFamily*>(MemAlloc(sizeof(FontFamily)));
    family->name = StrDup(name);
    family->fixed_pitch = fixed_pitch;
    language_state().families.push_back(family);
    return family;
}

// Creates the three fonts of a language; false (and nothing kept) when one fails.
bool create_fonts(int language, const std::uint16_t sizes[3], platform::Font* out[3])
{
    if (!valid(language))
        return false;
    ScriptSettings settings = ScriptSettingsOf(ScriptOf(language));
    for (int slot = 0; slot < kFontSlots; ++slot) {
        platform::FontRequest request;
        request.family = slot == 2 ? settings.family2 : settings.family;
        request.size = sizes[slot] != 0 ? sizes[slot] : 15;
        request.charset = settings.charset;
        out[slot] = platform::FontCreate(request);
        if (out[slot] == nullptr) {
            for (int k = 0; k < slot; ++k)
                platform::FontFree(out[k]);
            return false;
        }
    }
    return true;
}

}  // namespace

int ScriptOf(int language) { return valid(language) ? kLanguages[language].script : script::western; }
int ClassOf(int language) { return valid(language) ? kLanguages[language].script_class : 0; }
int CharsetOf(int language) { return ScriptSettingsOf(ScriptOf(language)).charset; }

ScriptSettings ScriptSettingsOf(int script)
{
    ScriptSettings s;
    switch (script) {
    case script::traditional_chinese:
        return ScriptSettings{"MingLi", "MingLi", platform::charset::big5, "cht_hkg.950", 950, 1028};
    case script::korean:
        return ScriptSettings{"Gulim", "Gulim", platform::charset::hangul, "kor_kor.949", 949, 1042};
    case script::japanese:
        return ScriptSettings{"MS Mincho", "MS Mincho", platform::charset::shift_jis, "jpn_jpn.932", 932, 1041};
    case script::simplified_chinese:
        return ScriptSettings{"Kai", "Kai", platform::charset::gb2312, "chs_chn.936", 936, 2052};
    default:
        return s;
    }
}

bool SetInterfaceLanguage(int language, std::uint16_t size0, std::uint16_t size1, std::uint16_t size2)
{
    if (ScriptOf(language) == ScriptOf(language_state().language) && size0 == 0 && size1 == 0 && size2 == 0)
        return false;
    const std::uint16_t sizes[3] = {size0, size1, size2};
    platform::Font* fonts[kFontSlots];
    if (!create_fonts(language, sizes, fonts))
        return false;
    for (int slot = 0; slot < kFontSlots; ++slot) {
        platform::FontFree(language_state().fonts[slot]);
        language_state().fonts[slot] = fonts[slot];
    }
    language_state().language = language;
    ScriptSettings settings = ScriptSettingsOf(ScriptOf(language));
    // Texts are decoded in the script's code page; Western scripts use Windows-1252.
    platform::SetTextCodePage(settings.code_page != 0 ? settings.code_page : platform::kWesternCodePage);
    language_state().charset = settings.charset;
    language_state().western = ClassOf(language) == 0;
    // Western scripts keep the user's default locale (0).
    language_state().thread_locale = settings.thread_locale;
    SetMenuScriptClass(ClassOf(language));
    RefreshAllMenus();
    if (language_state().changed_hook != nullptr)
        language_state().changed_hook();
    return true;
}

int InterfaceLanguage() { return language_state().language; }
int InterfaceCharset() { return language_state().charset; }
bool WesternInterface() { return language_state().western; }
int ThreadLocale() { return language_state().thread_locale; }

FontFamily* FindFontFamily(const char* name, int language)
{
    if (name == nullptr)
        name = "MS Sans Serif";
    for (auto it = language_state().families.rbegin(); it != language_state().families.rend(); ++it)
        if (StrEqual((*it)->name, name))
            return *it;
    // Not known yet: probe it with the language's character set.
    if (!platform::FontFamilyResolves(name, CharsetOf(language)))
        return nullptr;
    return register_family(name, false);
}

int FontFamilyCount() { return static_cast<int>(language_state().families.size()); }

platform::Font* FrameworkFont(int slot)
{
    return slot >= 0 && slot < kFontSlots ? language_state().fonts[slot] : nullptr;
}

void LanguageStart()
{
    if (language_state().families.empty())
        register_family("Courier New", true);
    if (language_state().fonts[0] != nullptr)
        return;
    language_state().language = 1;
    const std::uint16_t sizes[3] = {0, 0, 0};
    platform::Font* fonts[kFontSlots];
    if (create_fonts(language_state().language, sizes, fonts))
        for (int slot = 0; slot < kFontSlots; ++slot)
            language_state().fonts[slot] = fonts[slot];
    language_state().charset = 0;
    language_state().western = true;
    SetMenuScriptClass(0);
}

void LanguageEnd()
{
    for (platform::Font*& font : language_state().fonts) {
        platform::FontFree(font);
        font = nullptr;
    }
    for (FontFamily* f : language_state().families) {
        StrFree(f->name);
        MemFree(f);
    }
    language_state().families.clear();
    language_state().language = 1;
    language_state().western = true;
    language_state().charset = 0;
    language_state().thread_locale = 0;
    platform::SetTextCodePage(platform::kWesternCodePage);
    SetMenuScriptClass(0);
}

void SetLanguageChangedHook(void (*hook)()) { language_state().changed_hook = hook; }
