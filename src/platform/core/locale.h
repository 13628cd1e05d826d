// What the program takes from the user's locale: the decimal separator and the code page
// of the interface texts. The application calls setlocale(LC_ALL, "") at start-up first.
#pragma once
#include <cstdint>

namespace platform {

// The locale's decimal separator when it is exactly one byte, else '.'.
char decimal_separator();
// The code page of the locale's language: 932 Japanese, 949 Korean, 950 Traditional
// Chinese, 936 Simplified Chinese, 1252 for anything else.
std::uint16_t ansi_code_page();
// The same rule for a locale name such as "ja_JP.UTF-8" or "zh_TW".
std::uint16_t code_page_for_locale(const char* name);

}  // namespace platform
