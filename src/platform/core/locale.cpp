#include "platform/core/locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace platform {

namespace {

bool is_plain_c(const char* name)
{
    return !name || !name[0] || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// The locale of the character classes as set by the program, or, when it still runs in
// the C locale, the one the environment asks for.
const char* language_locale_name()
{
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    if (!is_plain_c(name))
        return name;
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && value[0])
            return value;
    }
    return "C";
}

bool starts_with(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

}  // namespace

char decimal_separator()
{
    const lconv* conventions = std::localeconv();
    const char* point = conventions ? conventions->decimal_point : nullptr;
    if (point && point[0] && !point[1])
        return point[0];
    return '.';
}

std::uint16_t code_page_for_locale(const char* name)
{
    if (!name)
        return 1252;
    if (starts_with(name, "ja"))
        return 932;
    if (starts_with(name, "ko"))
        return 949;
    if (starts_with(name, "zh")) {
        // Taiwan, Hong Kong, Macau and the explicit Hant script write Traditional Chinese.
        if (starts_with(name, "zh_TW") || starts_with(name, "zh_HK") || starts_with(name, "zh_MO") ||
            std::strstr(name, "Hant"))
            return 950;
        return 936;
    }
    return 1252;
}

std::uint16_t ansi_code_page() { return code_page_for_locale(language_locale_name()); }

}  // namespace platform
