#include "app/string_tables.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/embedded_resources.h"
#include "app/language_file.h"
#include "foundation/formatter.h"
#include "foundation/memory.h"
#include "platform/core/files.h"
#include "platform/core/locale.h"

namespace {

// Resource numbers of the families; localised ones add 10 (T - 1) for table set T.
constexpr int kIndependentResource = 200;
constexpr int kApplicationBase = 300;
constexpr int kErrorBase = 301;
constexpr int kMenuBase = 302;
constexpr int kNamesBase = 303;
constexpr int kWindowBase = 304;
constexpr int kFrameworkBase = 295;     // + 10 x language id
constexpr int kSubstitutionBase = 290;  // + 10 x substitution set
constexpr int kCaptionPatternText = 5;  // language-independent: "name (own name)"
constexpr int kSecondCreditText = 6;    // language names family

constexpr LanguageEntry kLanguages[kLanguageIdCount] = {
    {0, 0, 0, 0},    {1, 0, 1, 0},    {1, 2, 2, 0},    {3, 0, 3, 5},    {4, 0, 10, 11},
    {5, 0, 13, 14},  {6, 0, 15, 16},  {7, 0, 17, 18},  {8, 0, 19, 20},  {9, 0, 21, 22},
    {10, 0, 23, 24}, {11, 0, 25, 26}, {12, 0, 27, 28}, {13, 0, 29, 30}, {14, 0, 31, 32},
};

struct LanguageSlot {
    bool offered;
    int language;
    bool credit;
    const char* file_name;
};

constexpr LanguageSlot kSlots[kLanguageSlotCount] = {
    {false, 0, false, nullptr},   {true, 1, false, nullptr},   {true, 2, false, nullptr},
    {false, 13, true, "swedish"}, {true, 9, true, "japanese"},
};

struct Cache {
    bool loaded = false;
    StringTable table;

    void empty()
    {
        loaded = false;
        table.clear();
    }
};

struct TextState {
    int language = 1;
    int table_set = 1;
    int substitution_set = 0;
    bool number_mode = false;
    bool language_set = false;

    Cache independent;
    Cache application;
    Cache error;
    Cache menu;
    Cache window;
    Cache framework;
    Cache names[kLanguageIdCount];
    Cache substitution[kLanguageIdCount];

    FrameworkHooks hooks;
    SystemLocaleInfo (*locale_source)() = nullptr;
    ResourceBytes (*resource_source)(int number) = nullptr;
    std::string language_folder;
    bool language_folder_set = false;
};

TextState& state()
{
    static TextState text_state;
    return text_state;
}

const char* or_empty(const char* text) { return text != nullptr ? text : ""; }

bool valid_language(int language) { return language >= 0 && language < kLanguageIdCount; }

// The script of a language as the framework groups them: the four East Asian scripts, the
// single-byte non-Western script of id 12, and the Western script of all others.
int script_of(int language)
{
    switch (language) {
    case 5:
    case 6:
    case 9:
    case 10:
    case 12:
        return language;
    default:
        return 1;
    }
}

ResourceBytes resource_bytes(int number)
{
    TextState& s = state();
    if (s.resource_source != nullptr)
        return s.resource_source(number);
    EmbeddedBytes embedded = embedded_text_resource(number);
    return {embedded.data, embedded.size};
}

bool load_table(int number, StringTable& out)
{
    TextResource resource = load_text_resource(number, false);
    if (!resource)
        return false;
    return decode_string_table(resource.bytes.get(), resource.length, out);
}

bool equal_ignoring_case(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (CharToLower(static_cast<std::uint8_t>(a[i])) != CharToLower(static_cast<std::uint8_t>(b[i])))
            return false;
    return true;
}

const char* find_ignoring_case(const char* text, const char* word, std::size_t word_length)
{
    std::size_t length = StrLen(text);
    if (word_length == 0 || word_length > length)
        return nullptr;
    for (std::size_t i = 0; i + word_length <= length; ++i)
        if (equal_ignoring_case(text + i, word, word_length))
            return text + i;
    return nullptr;
}

const StringTable* substitution_list(int set)
{
    if (set <= 0 || set >= kLanguageIdCount)
        return nullptr;
    Cache& cache = state().substitution[set];
    if (!cache.loaded) {
        cache.loaded = true;
        if (!load_table(kSubstitutionBase + 10 * set, cache.table))
            cache.table.clear();
    }
    return &cache.table;
}

}  // namespace

// Replaces, for every pair of the list in order, the first occurrence of FROM (letters
// compared without regard to case) by TO; an occurrence that starts with a capital letter
// receives TO with a capital first letter.
void apply_substitution(StringTable& table, int set)
{
    const StringTable* list = substitution_list(set);
    if (list == nullptr || list->at(0) == nullptr)
        return;
    int pairs = std::atoi(list->at(0));
    for (int n = 0; n < table.count(); ++n) {
        for (int k = 1; k <= pairs; ++k) {
            const char* text = table.at(n);
            const char* pair = list->at(k);
            if (text == nullptr || pair == nullptr)
                continue;
            const char* space = StrFindChar(pair, ' ');
            if (space == nullptr)
                continue;
            std::size_t from_length = static_cast<std::size_t>(space - pair);
            const char* found = find_ignoring_case(text, pair, from_length);
            if (found == nullptr)
                continue;
            std::string replaced(text, static_cast<std::size_t>(found - text));
            std::size_t to_start = replaced.size();
            replaced += space + 1;
            if (CharIsUpper(static_cast<std::uint8_t>(*found)) && replaced.size() > to_start)
                replaced[to_start] = static_cast<char>(CharToUpper(static_cast<std::uint8_t>(replaced[to_start])));
            replaced += found + from_length;
            table.set(n, replaced.c_str());
        }
    }
}

namespace {

// In string-number mode every entry shows its own number; the table grows in steps of 100.
const char* number_text(Cache& cache, int n)
{
    if (n < 0)
        return nullptr;
    if (n >= cache.table.count()) {
        int old_count = cache.table.count();
        cache.table.grow(n + 100);
        for (int i = old_count; i < n + 100; ++i)
            cache.table.adopt(i, StrPtr(FormatNew("  %d%  ", i)));
    }
    return cache.table.at(n);
}

void load_localised(Cache& cache, int base, int table_set, int substitution_set)
{
    cache.loaded = true;
    if (table_set < 1 || !load_table(base + 10 * (table_set - 1), cache.table)) {
        cache.table.clear();
        return;
    }
    if (substitution_set != 0)
        apply_substitution(cache.table, substitution_set);
}

const char* localised_lookup(Cache& cache, int base, int n)
{
    TextState& s = state();
    if (s.number_mode)
        return number_text(cache, n);
    if (!cache.loaded)
        load_localised(cache, base, s.table_set, s.substitution_set);
    return cache.table.at(n);
}

Cache& names_cache(int display_language)
{
    TextState& s = state();
    Cache& cache = s.names[display_language];
    if (!cache.loaded && !s.number_mode) {
        const LanguageEntry& entry = kLanguages[display_language];
        load_localised(cache, kNamesBase, entry.table_set, entry.substitution_set);
    }
    return cache;
}

const char* names_lookup(int display_language, int n)
{
    if (!valid_language(display_language))
        return nullptr;
    Cache& cache = names_cache(display_language);
    if (state().number_mode)
        return number_text(cache, n);
    return cache.table.at(n);
}

Cache& framework_cache()
{
    TextState& s = state();
    if (!s.framework.loaded) {
        s.framework.loaded = true;
        if (!load_table(kFrameworkBase + 10 * s.language, s.framework.table))
            s.framework.table.clear();
    }
    return s.framework;
}

const LanguageSlot* slot_of(int language)
{
    for (const LanguageSlot& slot : kSlots)
        if (slot.language == language && slot.offered)
            return &slot;
    return nullptr;
}

void empty_all_caches()
{
    TextState& s = state();
    s.independent.empty();
    s.application.empty();
    s.error.empty();
    s.menu.empty();
    s.window.empty();
    s.framework.empty();
    for (Cache& cache : s.names)
        cache.empty();
    for (Cache& cache : s.substitution)
        cache.empty();
}

void store_language(int language)
{
    TextState& s = state();
    empty_all_caches();
    s.language = language;
    s.table_set = kLanguages[language].table_set;
    s.substitution_set = kLanguages[language].substitution_set;
    s.number_mode = language == 0;
}

// Error-handling text 0 holds the three font sizes, each number followed by separators.
void read_font_sizes(const char* text, std::uint16_t sizes[3])
{
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        while (*p != 0 && !CharIsDigit(static_cast<std::uint8_t>(*p)))
            ++p;
        std::uint32_t value = 0;
        while (CharIsDigit(static_cast<std::uint8_t>(*p))) {
            value = value * 10 + CharDigitValue(static_cast<std::uint8_t>(*p));
            if (value > 0xFFFF)
                value = 0xFFFF;
            ++p;
        }
        sizes[i] = static_cast<std::uint16_t>(value);
    }
}

std::string language_file_path(const char* file_name)
{
    TextState& s = state();
    std::string folder = s.language_folder_set ? s.language_folder : platform::program_folder();
    if (folder.empty())
        return {};
    if (folder.back() != '/')
        folder += '/';
    return folder + file_name;
}

// The locale name of the messages category, as "ja_JP.UTF-8"; the environment when the
// program has not called setlocale.
std::string locale_name()
{
    const char* name = std::setlocale(LC_MESSAGES, nullptr);
    if (name != nullptr && std::strcmp(name, "C") != 0 && std::strcmp(name, "POSIX") != 0)
        return name;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != 0)
            return value;
    }
    return "C";
}

SystemLocaleInfo platform_locale()
{
    SystemLocaleInfo info;
    info.code_page = platform::ansi_code_page();
    std::string name = locale_name();
    std::size_t i = 0;
    for (; i < name.size() && i < 3 && CharIsLower(static_cast<std::uint8_t>(name[i])); ++i)
        info.language[i] = name[i];
    info.language[i] = 0;
    if (i < name.size() && name[i] == '_') {
        std::size_t j = 0;
        for (++i; i < name.size() && j < 3 && CharIsUpper(static_cast<std::uint8_t>(name[i])); ++i, ++j)
            info.region[j] = name[i];
        info.region[j] = 0;
    }
    return info;
}

}  // namespace

// ---- Lookups

const char* find_app_string(int n) { return localised_lookup(state().application, kApplicationBase, n); }

const char* app_string(int n) { return or_empty(find_app_string(n)); }

const char* independent_text(int n)
{
    Cache& cache = state().independent;
    if (!cache.loaded) {
        cache.loaded = true;
        if (!load_table(kIndependentResource, cache.table))
            cache.table.clear();
    }
    return or_empty(cache.table.at(n));
}

const char* error_text(int n) { return or_empty(localised_lookup(state().error, kErrorBase, n)); }

const char* menu_text(int n) { return or_empty(localised_lookup(state().menu, kMenuBase, n)); }

const char* window_text(int n) { return or_empty(localised_lookup(state().window, kWindowBase, n)); }

const char* framework_text(int n) { return or_empty(framework_cache().table.at(n)); }

StrPtr error_text_in_language(int language, int n)
{
    TextState& s = state();
    if (!valid_language(language) || language == s.language)
        return StrPtr(StrDup(error_text(n)));
    if (language == 0)
        return StrPtr(FormatNew("  %d%  ", n));
    Cache temporary;
    load_localised(temporary, kErrorBase, kLanguages[language].table_set, kLanguages[language].substitution_set);
    return StrPtr(StrDup(or_empty(temporary.table.at(n))));
}

const char* language_name(int display_language, int language)
{
    if (!valid_language(language))
        return "";
    return or_empty(names_lookup(display_language, kLanguages[language].name_index));
}

StrPtr language_caption(int display_language, int language)
{
    const char* name = language_name(display_language, language);
    if (language == 0 || !valid_language(language))
        return StrPtr(StrDup(name));
    bool same_script = script_of(language) == script_of(state().language);
    const char* own = same_script ? language_name(language, language) : language_name(1, language);
    // A language whose own tables are not built has no own name; show the one name alone.
    if (*own == 0 || StrEqual(name, own))
        return StrPtr(StrDup(name));
    return StrPtr(FormatNew(independent_text(kCaptionPatternText), name, own));
}

const char* credit_first_text(int display_language, int language)
{
    const LanguageSlot* slot = slot_of(language);
    if (slot == nullptr || !slot->credit)
        return "";
    return or_empty(names_lookup(display_language, kLanguages[language].credit_index));
}

const char* credit_second_text(int display_language, int language)
{
    const LanguageSlot* slot = slot_of(language);
    if (slot == nullptr || !slot->credit)
        return "";
    return or_empty(names_lookup(display_language, kSecondCreditText));
}

// ---- Language table

const LanguageEntry& language_entry(int language) { return kLanguages[valid_language(language) ? language : 0]; }

bool language_available(int language) { return slot_of(language) != nullptr; }

int count_available_languages()
{
    int count = 0;
    for (const LanguageSlot& slot : kSlots)
        count += slot.offered ? 1 : 0;
    return count;
}

int slot_to_language(int slot)
{
    if (slot < 0 || slot >= kLanguageSlotCount)
        return kNoLanguage;
    return kSlots[slot].language;
}

int language_to_slot(int language)
{
    for (int slot = 0; slot < kLanguageSlotCount; ++slot)
        if (kSlots[slot].language == language)
            return slot;
    return -1;
}

void available_language_captions(List* out)
{
    for (const LanguageSlot& slot : kSlots)
        if (slot.offered)
            ListAppend(out, ListValueOf(language_caption(state().language, slot.language).release()));
}

int language_from_caption(const char* caption)
{
    for (const LanguageSlot& slot : kSlots) {
        if (!slot.offered)
            continue;
        StrPtr candidate = language_caption(state().language, slot.language);
        if (StrEqual(candidate.get(), caption))
            return slot.language;
    }
    return kNoLanguage;
}

const char* language_file_name(int language)
{
    const LanguageSlot* slot = slot_of(language);
    return slot != nullptr ? slot->file_name : nullptr;
}

// ---- Interface language

bool can_display_language(int language)
{
    if (!valid_language(language))
        return false;
    if (language == 1 || language == 2)
        return true;
    int code_page = system_locale_info().code_page;
    switch (language) {
    case 5:
        return code_page == 950;
    case 6:
        return code_page == 949;
    case 9:
        return code_page == 932;
    case 10:
        return code_page == 936;
    default:
        return code_page == 1252;
    }
}

int default_language()
{
    SystemLocaleInfo info = system_locale_info();
    std::string language = info.language;
    std::string region = info.region;
    int id = 1;
    if (language == "zh")
        id = region == "CN" || region == "SG" ? 10 : 5;
    else if (language == "da")
        id = 11;
    else if (language == "de")
        id = 8;
    else if (language == "es")
        id = 4;
    else if (language == "fr")
        id = 7;
    else if (language == "ja")
        id = 9;
    else if (language == "ko")
        id = 6;
    else if (language == "nl")
        id = 3;
    else if (language == "pt")
        id = 14;
    if (!language_available(id) || !can_display_language(id))
        return 1;
    return id;
}

bool set_interface_language(int language)
{
    if (!language_available(language) || !can_display_language(language))
        return false;
    TextState& s = state();
    if (s.language_set)
        return false;
    force_interface_language(language);
    s.language_set = true;
    return true;
}

void force_interface_language(int language)
{
    if (!valid_language(language))
        return;
    TextState& s = state();
    store_language(language);
    hand_framework_texts();
    const char* file_name = language_file_name(language);
    if (file_name != nullptr) {
        std::string path = language_file_path(file_name);
        if (!path.empty() && platform::path_is_file(path.c_str()))
            read_language_file(path.c_str(), language);
    }
    std::uint16_t sizes[3];
    read_font_sizes(error_text(0), sizes);
    if (s.hooks.set_interface_language != nullptr)
        s.hooks.set_interface_language(language, sizes[0], sizes[1], sizes[2]);
}

int interface_language() { return state().language; }

int interface_table_set() { return state().table_set; }

bool string_number_mode() { return state().number_mode; }

// ---- Raw resources

TextResource load_text_resource(int number, bool add_terminator)
{
    ResourceBytes bytes = resource_bytes(number);
    TextResource result;
    std::vector<std::uint8_t> unpacked;
    if (bytes.data == nullptr || !unpack_text_resource(bytes.data, bytes.size, add_terminator, unpacked))
        return result;
    result.length = unpacked.size() - (add_terminator ? 1 : 0);
    result.bytes = std::make_unique<std::uint8_t[]>(unpacked.size() + 1);
    std::memcpy(result.bytes.get(), unpacked.data(), unpacked.size());
    return result;
}

StrPtr per_language_text(int n)
{
    TextResource resource = load_text_resource(n + state().table_set - 1, true);
    if (!resource)
        return nullptr;
    return StrPtr(StrDupN(reinterpret_cast<const char*>(resource.bytes.get()), resource.length));
}

// ---- Hooks and sources

void install_framework_hooks(const FrameworkHooks& hooks) { state().hooks = hooks; }

void set_system_locale_source(SystemLocaleInfo (*source)()) { state().locale_source = source; }

SystemLocaleInfo system_locale_info()
{
    TextState& s = state();
    return s.locale_source != nullptr ? s.locale_source() : platform_locale();
}

void set_resource_source(ResourceBytes (*source)(int number))
{
    state().resource_source = source;
    empty_all_caches();
}

void set_language_file_folder(const char* folder)
{
    TextState& s = state();
    s.language_folder_set = folder != nullptr;
    s.language_folder = folder != nullptr ? folder : "";
}

// ---- Language file support

StringTable& family_table(TextFamily family)
{
    TextState& s = state();
    switch (family) {
    case TextFamily::Application:
        localised_lookup(s.application, kApplicationBase, 0);
        return s.application.table;
    case TextFamily::ErrorHandling:
        localised_lookup(s.error, kErrorBase, 0);
        return s.error.table;
    case TextFamily::Menu:
        localised_lookup(s.menu, kMenuBase, 0);
        return s.menu.table;
    case TextFamily::Window:
        localised_lookup(s.window, kWindowBase, 0);
        return s.window.table;
    case TextFamily::LanguageNames:
        return names_cache(s.language).table;
    case TextFamily::Framework:
        break;
    }
    return framework_cache().table;
}

void empty_language_file_caches()
{
    TextState& s = state();
    s.application.empty();
    s.error.empty();
    s.menu.empty();
    s.window.empty();
    s.framework.empty();
}

void hand_framework_texts()
{
    TextState& s = state();
    if (s.hooks.set_framework_texts == nullptr)
        return;
    const StringTable& table = framework_cache().table;
    std::vector<const char*> texts(static_cast<std::size_t>(table.count()));
    for (int i = 0; i < table.count(); ++i)
        texts[static_cast<std::size_t>(i)] = or_empty(table.at(i));
    s.hooks.set_framework_texts(texts.data(), table.count());
}

void reset_string_tables_for_testing()
{
    TextState& s = state();
    store_language(1);
    s.language_set = false;
    s.hooks = FrameworkHooks{};
    s.locale_source = nullptr;
    s.resource_source = nullptr;
    s.language_folder_set = false;
    s.language_folder.clear();
}
