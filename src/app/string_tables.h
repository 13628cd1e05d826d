// The program's texts: string tables taken by number from the text resources compiled into
// the binaries, one family of tables per table set, the language table, the caches, word
// substitution and the interface language of this run. Every message, label and menu text
// comes from here. The desktop framework receives its texts and fonts through hooks, so the
// command-line program links this without any window code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/text_resource.h"
#include "foundation/heap_string.h"
#include "foundation/list.h"

// Language ids 0 to 14; 15 means no language. Id 0 shows string numbers instead of texts.
constexpr int kLanguageIdCount = 15;
constexpr int kNoLanguage = 15;
constexpr int kLanguageSlotCount = 5;

// ---- Lookups. Every lookup answers "" (never null) for a missing string, so a caller can
// format or show the result directly. The text belongs to the cache and stays valid until
// the interface language changes or a language file replaces that string.

const char* app_string(int n);        // application strings (resource 300 + 10 (T - 1))
const char* independent_text(int n);  // language-independent texts (resource 200)
const char* error_text(int n);        // error-handling texts; text 0 holds the font sizes
const char* menu_text(int n);         // menu titles and items
const char* window_text(int n);       // texts of further windows (language chooser, info)
const char* framework_text(int n);    // framework texts of the interface language

// The same lookups, but null when the string does not exist (for callers that must tell a
// missing text from an empty one).
const char* find_app_string(int n);

// Error-handling text n of any language (the start-up language chooser speaks the language
// it highlights: texts 4, 7, 8 and 9). A copy owned by the caller; "" when missing.
StrPtr error_text_in_language(int language, int n);

// The name of `language` as written in `display_language` ("" when unknown).
const char* language_name(int display_language, int language);
// The name in the display language, followed by the language's own name where the two
// differ ("Japanese (日本語)" or as independent text 5 formats it). Owned by the caller.
StrPtr language_caption(int display_language, int language);
// Translator credits of a language that shows one, as written in the display language;
// "" for languages without a credit.
const char* credit_first_text(int display_language, int language);
const char* credit_second_text(int display_language, int language);

// ---- The language table and the offered languages.

struct LanguageEntry {
    std::uint16_t table_set;
    std::uint16_t substitution_set;
    std::uint16_t name_index;
    std::uint16_t credit_index;
};
const LanguageEntry& language_entry(int language);  // id 15 and above: the entry of id 0

bool language_available(int language);  // a slot with this id is offered
int count_available_languages();
int slot_to_language(int slot);      // 15 beyond the last slot
int language_to_slot(int language);  // -1 when no slot has the id
// Appends the caption of every available language, in slot order, as heap strings that the
// caller frees (StrFree); captions are shown in the current interface language.
void available_language_captions(List* out);
int language_from_caption(const char* caption);  // kNoLanguage when none matches
// The language file name of a language's slot ("japanese"), or null.
const char* language_file_name(int language);

// ---- The interface language.

// Sets the interface language of this run: only an available language the system can
// display, and only once per run; a later call changes nothing. Loads the framework texts,
// reads the language's text file when there is one, and hands the fonts to the framework.
// Returns true when the language was set by this call.
bool set_interface_language(int language);
int interface_language();  // 1 until set
int interface_table_set();
bool string_number_mode();  // language 0: texts show their own numbers
bool can_display_language(int language);
int default_language();

// ---- Raw text resources.

struct TextResource {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t length = 0;  // without the terminator
    explicit operator bool() const { return bytes != nullptr; }
};
// Resource `number` verified and unpacked; empty when missing or damaged.
TextResource load_text_resource(int number, bool add_terminator);
// Resource n + table set - 1 as a zero-terminated text (the help text); null when missing.
StrPtr per_language_text(int n);

// ---- Hooks the desktop framework installs; without them texts stay in the application.

struct FrameworkHooks {
    // The framework texts of the interface language (count entries, "" for missing ones).
    void (*set_framework_texts)(const char* const* texts, int count) = nullptr;
    // The framework's SetInterfaceLanguage: language id and the sizes of its three fonts.
    bool (*set_interface_language)(int language, std::uint16_t size0, std::uint16_t size1,
                                   std::uint16_t size2) = nullptr;
};
void install_framework_hooks(const FrameworkHooks& hooks);

// What the system reports about its locale. The platform layer provides it; tests install
// their own.
struct SystemLocaleInfo {
    int code_page = 1252;   // "ANSI" code page: 932, 936, 949, 950 or 1252
    char language[4] = {};  // ISO 639 language of the default locale: "ja", "zh", "de", ...
    char region[4] = {};    // its region: "CN", "TW", ... (decides between the two Chinese)
};
void set_system_locale_source(SystemLocaleInfo (*source)());
SystemLocaleInfo system_locale_info();

// ---- For the language file reader.

enum class TextFamily { Application, ErrorHandling, Menu, LanguageNames, Window, Framework };
// The table of a family in the interface language, loaded from the resources first, so that a
// language file can replace and extend its strings.
StringTable& family_table(TextFamily family);
// Empties the caches of the families a language file may set.
void empty_language_file_caches();
// Hands the framework texts of the interface language to the framework again.
void hand_framework_texts();

// Applies substitution list `set` to every string of a table (the first occurrence of each
// pair's word per string; an occurrence with a capital first letter gets a capital).
void apply_substitution(StringTable& table, int set);

// ---- For tests.

// Sets the interface language without the availability and display checks and without the
// once-per-run rule (tests, and the string-number mode of translators).
void force_interface_language(int language);

// Resets every cache and the once-per-run flag, back to language 1 (tests only).
void reset_string_tables_for_testing();
// Replaces the compiled-in resources with a lookup of the caller's (null restores them).
struct ResourceBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
void set_resource_source(ResourceBytes (*source)(int number));
// The folder that holds the language files (the program's own folder by default).
void set_language_file_folder(const char* folder);
