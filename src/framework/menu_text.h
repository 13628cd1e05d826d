// The texts of menu items as the platform menus show them: the mnemonic marker (Western
// `&` before the letter, East Asian "(&X)" after the text) and the shortcut text after a
// tab. Also the shortcut combination from build string 104. No windows needed.
#pragma once
#include <cstdint>

// 0: Ctrl; 1: Ctrl+Alt (first character of build string 104 odd).
enum class ShortcutCombination : std::uint8_t { ctrl, ctrl_alt };
ShortcutCombination CurrentShortcutCombination();
void SetShortcutCombination(ShortcutCombination combination);
// "Ctrl+" or "Alt+Ctrl+".
const char* ShortcutPrefix();

// Script class: 0 Western, anything else East Asian (set by the language switch).
int MenuScriptClass();
void SetMenuScriptClass(int script_class);

// The platform text of an item: text with its mnemonic marker and shortcut text. The
// result lives until the end of the current loop step (temporaries).
const char* MenuItemText(const char* text, std::uint8_t mnemonic, std::uint8_t shortcut);
// Base letter of a Western character above 127 ("é" gives 'e'); the character itself when
// it has none.
std::uint8_t BaseLetter(std::uint8_t c);
