#include "framework/menu_text.h"

#include "foundation/formatter.h"
#include "foundation/heap_string.h"

namespace {

// How item texts are written: the shortcut combination and the script class of the
// interface language.
struct ShortcutState {
    ShortcutCombination combination = ShortcutCombination::ctrl;
    int script_class = 0;
};

ShortcutState& shortcut_state()
{
    static ShortcutState state;
    return state;
}

bool same_mnemonic(std::uint8_t a, std::uint8_t b) { return CharToUpper(a) == CharToUpper(b); }

}  // namespace

ShortcutCombination CurrentShortcutCombination() { return shortcut_state().combination; }
void SetShortcutCombination(ShortcutCombination combination) { shortcut_state().combination = combination; }

const char* ShortcutPrefix()
{
    return shortcut_state().combination == ShortcutCombination::ctrl ? "Ctrl+" : "Alt+Ctrl+";
}

int MenuScriptClass() { return shortcut_state().script_class; }
void SetMenuScriptClass(int script_class) { shortcut_state().script_class = script_class; }

std::uint8_t BaseLetter(std::uint8_t c)
{
    // Windows-1252 letters with diacritics and the base letter each one folds to.
    static const char* const kFrom = "\x8A\x8E\x9A\x9E\x9F"
                                     "\xC0\xC1\xC2\xC3\xC4\xC5\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                                     "\xD1\xD2\xD3\xD4\xD5\xD6\xD8\xD9\xDA\xDB\xDC\xDD"
                                     "\xE0\xE1\xE2\xE3\xE4\xE5\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
                                     "\xF1\xF2\xF3\xF4\xF5\xF6\xF8\xF9\xFA\xFB\xFC\xFD\xFF";
    static const char* const kTo = "SZszY"
                                   "AAAAAACEEEEIIII"
                                   "NOOOOOOUUUUY"
                                   "aaaaaaceeeeiiii"
                                   "noooooouuuuyy";
    if (c < 128)
        return c;
    for (int i = 0; kFrom[i] != 0; ++i)
        if (static_cast<std::uint8_t>(kFrom[i]) == c)
            return static_cast<std::uint8_t>(kTo[i]);
    return c;
}

const char* MenuItemText(const char* text, std::uint8_t mnemonic, std::uint8_t shortcut)
{
    const char* result = text != nullptr ? text : "";
    if (mnemonic != 0 && shortcut_state().script_class == 0) {
        // The first occurrence of the mnemonic gets the marker; letters match in any case.
        for (int i = 0; result[i] != 0; ++i) {
            auto c = static_cast<std::uint8_t>(result[i]);
            if (c == mnemonic || (c < 128 && same_mnemonic(c, mnemonic))) {
                result = FormatTemp("%sv,v%&%c%%s%", i, i, result, BaseLetter(c), result + i + 1);
                break;
            }
        }
    } else if (mnemonic != 0) {
        // East Asian interfaces show the mnemonic in parentheses, before a closing "...";
        // the key is shown as its capital letter, as those menus do ("(&A)").
        mnemonic = CharToUpper(mnemonic);
        std::size_t length = StrLen(result);
        if (length >= 3 && result[length - 3] == '.' && result[length - 2] == '.' && result[length - 1] == '.') {
            int keep = static_cast<int>(length - 3);
            result = FormatTemp("%sv,v%(&%c%)...", keep, keep, result, mnemonic);
        } else {
            result = FormatTemp("%s%(&%c%)", result, mnemonic);
        }
    }
    if (shortcut != 0)
        result = FormatTemp("%s%\t%s%%c%", result, ShortcutPrefix(), shortcut);
    return result;
}
