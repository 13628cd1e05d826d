#include "app/string_tables.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/embedded_resources.h"
#include "app/text_resource.h"
#include "foundation/formatter.h"

namespace {

// Independent of the code under test: converts UTF-8 to Shift_JIS (CP932) with iconv.
std::string to_sjis(const std::string& utf8)
{
    iconv_t converter = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* outp = out.data();
    std::size_t out_left = out.size();
    iconv(converter, &in, &in_left, &outp, &out_left);
    iconv_close(converter);
    out.resize(out.size() - out_left);
    return out;
}

std::vector<std::uint8_t> be32(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// A string table written byte by byte: count, then (length, bytes) per entry.
std::vector<std::uint8_t> table_bytes(std::uint32_t claimed_count, const std::vector<std::string>& texts)
{
    std::vector<std::uint8_t> out = be32(claimed_count);
    for (const std::string& text : texts) {
        std::vector<std::uint8_t> length = be32(static_cast<std::uint32_t>(text.size()));
        out.insert(out.end(), length.begin(), length.end());
        out.insert(out.end(), text.begin(), text.end());
    }
    return out;
}

// Crafted resources served instead of the compiled-in ones.
std::map<int, std::vector<std::uint8_t>>& crafted()
{
    static std::map<int, std::vector<std::uint8_t>> resources;
    return resources;
}

ResourceBytes crafted_source(int number)
{
    auto found = crafted().find(number);
    if (found == crafted().end())
        return {};
    return {found->second.data(), found->second.size()};
}

void craft_table(int number, const std::vector<std::string>& texts)
{
    std::vector<std::uint8_t> table = table_bytes(static_cast<std::uint32_t>(texts.size()), texts);
    crafted()[number] = pack_text_resource(table.data(), table.size());
}

SystemLocaleInfo g_locale;
SystemLocaleInfo test_locale() { return g_locale; }

void use_locale(int code_page, const char* language, const char* region = "")
{
    g_locale = SystemLocaleInfo{};
    g_locale.code_page = code_page;
    std::snprintf(g_locale.language, sizeof g_locale.language, "%s", language);
    std::snprintf(g_locale.region, sizeof g_locale.region, "%s", region);
    set_system_locale_source(test_locale);
}

class StringTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatterStart();
        reset_string_tables_for_testing();
        crafted().clear();
        set_language_file_folder("/nonexistent-quillon-folder");
        use_locale(1252, "en", "US");
    }
    void TearDown() override { reset_string_tables_for_testing(); }
};

// One text of each family: each reads its own table.
TEST_F(StringTables, EachFamilyReadsItsOwnTable)
{
    EXPECT_STREQ(app_string(41), "Play once");
    EXPECT_STREQ(menu_text(10), "O&Open...");
    EXPECT_STREQ(error_text(4), "Quit");
    EXPECT_STREQ(window_text(27), "Copy");
    EXPECT_STREQ(independent_text(5), "%s% (%s%)");
    EXPECT_STREQ(framework_text(0), "Open File");
    EXPECT_STREQ(language_name(1, 9), "Japanese");
}

TEST_F(StringTables, MissingStringsAreEmptyNeverNull)
{
    EXPECT_STREQ(app_string(99999), "");
    EXPECT_STREQ(app_string(-1), "");
    EXPECT_STREQ(app_string(0), "");  // a gap in the table
    EXPECT_EQ(find_app_string(99999), nullptr);
    EXPECT_STREQ(menu_text(5000), "");
    EXPECT_STREQ(independent_text(4000), "");
    EXPECT_STREQ(language_name(1, 15), "");
    EXPECT_STREQ(language_name(20, 1), "");
}

TEST_F(StringTables, BritishEnglishComesFromTheSubstitutionList)
{
    force_interface_language(2);
    EXPECT_STREQ(app_string(36), "%d% colours");
    EXPECT_STREQ(app_string(141), "Optimisation");
    EXPECT_STREQ(app_string(203), "Transparent colour:");
    // Two occurrences in one text need the pair twice; both are listed.
    EXPECT_STREQ(
        app_string(197),
        "Set your display to thousands of colours or more in the system's display settings, then start Quillon again.");
    EXPECT_STREQ(app_string(41), "Play once");
}

TEST_F(StringTables, JapaneseTextsAreShiftJis)
{
    force_interface_language(9);
    EXPECT_EQ(std::string(app_string(41)), to_sjis("1 回だけ再生"));
    EXPECT_EQ(std::string(app_string(98)), to_sjis("「%s%」は GIF ファイルではないため、開けません。"));
    EXPECT_EQ(std::string(menu_text(10)), to_sjis("O開く...&O"));
    EXPECT_EQ(std::string(language_name(9, 9)), to_sjis("日本語"));
    EXPECT_EQ(std::string(error_text(8)), to_sjis("Quillon で使う言語を選んでください："));
}

TEST_F(StringTables, StringNumberModeShowsNumbersAndGrowsInStepsOf100)
{
    force_interface_language(0);
    EXPECT_TRUE(string_number_mode());
    EXPECT_STREQ(app_string(5), "  5  ");
    EXPECT_EQ(family_table(TextFamily::Application).count(), 105);
    EXPECT_STREQ(app_string(150), "  150  ");
    EXPECT_EQ(family_table(TextFamily::Application).count(), 250);
    EXPECT_STREQ(app_string(249), "  249  ");
    EXPECT_EQ(family_table(TextFamily::Application).count(), 250);
    EXPECT_STREQ(app_string(250), "  250  ");
    EXPECT_EQ(family_table(TextFamily::Application).count(), 350);
    EXPECT_STREQ(menu_text(3), "  3  ");
    EXPECT_STREQ(error_text(0), "  0  ");
    EXPECT_STREQ(language_name(0, 9), "  21  ");  // the name index of language 9
    // The language-independent family is not localised.
    EXPECT_STREQ(independent_text(5), "%s% (%s%)");
}

struct SubstitutionCase {
    const char* text;
    const char* expected;
};

TEST_F(StringTables, SubstitutionChangesFirstOccurrenceAndKeepsCapitals)
{
    const SubstitutionCase cases[] = {
        {"color and color", "colour and color"},
        {"Color", "Colour"},
        {"COLOR", "Colour"},
        {"a Gray day", "a Grey day"},
        {"gray and Color", "grey and Colour"},
        {"the center", "the Centre"},  // TO keeps its own capital
        {"nothing to do", "nothing to do"},
        {"", ""},
    };
    std::vector<std::string> texts;
    for (const SubstitutionCase& c : cases)
        texts.push_back(c.text);
    craft_table(300, texts);
    craft_table(310, {"3", "color colour", "gray grey", "center Centre"});
    set_resource_source(crafted_source);
    force_interface_language(2);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_STREQ(app_string(static_cast<int>(i)), cases[i].expected) << cases[i].text;
    force_interface_language(1);
    EXPECT_STREQ(app_string(0), "color and color");
}

TEST_F(StringTables, RejectsATableWhoseCountClaimsTooMuch)
{
    StringTable table;
    std::vector<std::uint8_t> honest = table_bytes(2, {"ab", "c"});
    ASSERT_TRUE(decode_string_table(honest.data(), honest.size(), table));
    EXPECT_EQ(table.count(), 2);
    EXPECT_STREQ(table.at(1), "c");

    const std::vector<std::vector<std::uint8_t>> bad = {
        table_bytes(3, {"ab", "c"}),         // one entry missing
        table_bytes(1000000, {"ab"}),        // more than a quarter of the bytes
        {0, 0, 0, 1, 0, 0, 0, 9, 'a', 'b'},  // entry longer than what is left
        {0, 0, 0},                           // no room for the count
    };
    for (const auto& bytes : bad) {
        StringTable rejected;
        EXPECT_FALSE(decode_string_table(bytes.data(), bytes.size(), rejected));
    }
    std::vector<std::uint8_t> lying = table_bytes(3, {"ab", "c"});
    crafted()[300] = pack_text_resource(lying.data(), lying.size());
    set_resource_source(crafted_source);
    EXPECT_STREQ(app_string(0), "");
}

TEST_F(StringTables, RejectsDamagedResources)
{
    std::vector<std::uint8_t> table = table_bytes(1, {"hello"});
    std::vector<std::uint8_t> packed = pack_text_resource(table.data(), table.size());
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(unpack_text_resource(packed.data(), packed.size(), true, out));
    ASSERT_EQ(out.size(), table.size() + 1);
    EXPECT_EQ(out.back(), 0);

    std::vector<std::uint8_t> check = packed;
    check[3] ^= 0x40;  // inside the check value
    EXPECT_FALSE(unpack_text_resource(check.data(), check.size(), false, out));
    std::vector<std::uint8_t> body = packed;
    body[body.size() - 3] ^= 0x01;  // inside the zlib stream
    EXPECT_FALSE(unpack_text_resource(body.data(), body.size(), false, out));

    // (Cut streams and lengths that do not match are in the hostile-input tests.)
    crafted()[300] = body;
    set_resource_source(crafted_source);
    EXPECT_STREQ(app_string(0), "");
}

TEST_F(StringTables, InterfaceLanguageIsSetOncePerRunWhenItCanBeDisplayed)
{
    use_locale(1252, "en");
    EXPECT_FALSE(set_interface_language(9));  // Japanese cannot be shown in a Western code page
    EXPECT_EQ(interface_language(), 1);
    use_locale(932, "ja", "JP");
    EXPECT_FALSE(set_interface_language(13));  // Swedish is not offered
    EXPECT_TRUE(set_interface_language(9));
    EXPECT_EQ(interface_language(), 9);
    EXPECT_EQ(interface_table_set(), 9);
    EXPECT_FALSE(set_interface_language(1));
    EXPECT_EQ(interface_language(), 9);
}

TEST_F(StringTables, CanDisplayLanguageFollowsTheCodePage)
{
    struct Case {
        int code_page;
        int language;
        bool expected;
    };
    const Case cases[] = {
        {932, 1, true},  {932, 2, true},    {932, 9, true},    {1252, 9, false}, {950, 5, true},   {949, 6, true},
        {936, 10, true}, {936, 5, false},   {1252, 0, true},   {1252, 3, true},  {1252, 12, true}, {1252, 14, true},
        {932, 3, false}, {1252, 15, false}, {1252, -1, false}, {1252, 2, true},
    };
    for (const Case& c : cases) {
        use_locale(c.code_page, "en");
        EXPECT_EQ(can_display_language(c.language), c.expected) << c.code_page << " " << c.language;
    }
}

TEST_F(StringTables, DefaultLanguageMustBeAvailableAndDisplayable)
{
    struct Case {
        int code_page;
        const char* language;
        const char* region;
        int expected;
    };
    const Case cases[] = {
        {932, "ja", "JP", 9}, {1252, "ja", "JP", 1}, {1252, "de", "DE", 1},
        {936, "zh", "CN", 1}, {1252, "en", "GB", 1}, {1252, "", "", 1},
    };
    for (const Case& c : cases) {
        use_locale(c.code_page, c.language, c.region);
        EXPECT_EQ(default_language(), c.expected) << c.language;
    }
}

int g_font_language = -1;
std::uint16_t g_font_sizes[3];
int g_framework_count = -1;
std::string g_framework_first;

bool record_fonts(int language, std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    g_font_language = language;
    g_font_sizes[0] = a;
    g_font_sizes[1] = b;
    g_font_sizes[2] = c;
    return true;
}

void record_framework_texts(const char* const* texts, int count)
{
    g_framework_count = count;
    g_framework_first = count > 0 ? texts[0] : "";
}

TEST_F(StringTables, HandsFontsAndFrameworkTextsToTheFramework)
{
    FrameworkHooks hooks;
    hooks.set_framework_texts = record_framework_texts;
    hooks.set_interface_language = record_fonts;
    install_framework_hooks(hooks);
    use_locale(932, "ja");
    ASSERT_TRUE(set_interface_language(9));
    EXPECT_EQ(g_font_language, 9);
    EXPECT_EQ(g_font_sizes[0], 12);
    EXPECT_EQ(g_font_sizes[1], 12);
    EXPECT_EQ(g_font_sizes[2], 14);
    EXPECT_EQ(g_framework_count, 24);
    EXPECT_EQ(g_framework_first, to_sjis("ファイルを開く"));
}

TEST_F(StringTables, CaptionsNamesAndCredits)
{
    EXPECT_STREQ(language_caption(1, 9).get(), "Japanese");
    EXPECT_STREQ(language_caption(1, 2).get(), "British English");
    EXPECT_STREQ(language_caption(1, 0).get(), "String numbers");
    EXPECT_STREQ(credit_first_text(1, 9), "Japanese translation by the Quillon team.");
    EXPECT_STREQ(credit_second_text(1, 9), "Thank you for making Quillon speak your language!");
    EXPECT_STREQ(credit_first_text(1, 1), "");
    EXPECT_STREQ(credit_first_text(1, 13), "");  // Swedish has a credit but is not offered

    force_interface_language(9);
    // English has another script than the Japanese interface: its name in language 1 follows.
    EXPECT_EQ(std::string(language_caption(9, 1).get()), to_sjis("アメリカ英語 (American English)"));
    EXPECT_EQ(std::string(language_caption(9, 9).get()), to_sjis("日本語"));
    StrPtr english_error = error_text_in_language(1, 8);
    EXPECT_STREQ(english_error.get(), "Choose the language Quillon speaks:");
}

TEST_F(StringTables, SlotsAndAvailableLanguages)
{
    EXPECT_EQ(count_available_languages(), 3);
    EXPECT_EQ(slot_to_language(4), 9);
    EXPECT_EQ(slot_to_language(5), kNoLanguage);
    EXPECT_EQ(language_to_slot(13), 3);
    EXPECT_EQ(language_to_slot(7), -1);
    EXPECT_TRUE(language_available(2));
    EXPECT_FALSE(language_available(0));
    EXPECT_STREQ(language_file_name(9), "japanese");
    EXPECT_EQ(language_file_name(1), nullptr);
    EXPECT_EQ(language_from_caption("Japanese"), 9);
    EXPECT_EQ(language_from_caption("Klingon"), kNoLanguage);

    ListPtr captions(ListNew());
    available_language_captions(captions.get());
    std::vector<std::string> seen;
    for (ListValue v = ListFirst(captions.get()); v != 0; v = ListNext(captions.get())) {
        seen.push_back(ListPointer<char>(v));
        StrFree(ListPointer<char>(v));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"American English", "British English", "Japanese"}));
}

TEST_F(StringTables, PerLanguageHelpText)
{
    StrPtr help = per_language_text(2000);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(std::string(help.get()).rfind("Quillon Help\r\rQuillon makes", 0), 0u);
    force_interface_language(9);
    StrPtr japanese = per_language_text(2000);
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(std::string(japanese.get()).rfind(to_sjis("Quillon ヘルプ"), 0), 0u);
}

TEST_F(StringTables, LanguageNamesExistForEveryIdInBothTableSets)
{
    for (int display : {1, 9}) {
        force_interface_language(display);
        for (int language = 0; language < kLanguageIdCount; ++language)
            EXPECT_STRNE(language_name(display, language), "") << display << " " << language;
    }
}

// A lookup by a literal number (or a name given one) in a source text; passed counts the values given after it
// when the lookup is the format of a FormatNew or FormatTemp call (-1 otherwise).
struct StringUse {
    int number;
    int passed;
};

bool is_word(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Named string numbers of a source text: "kName = 123;" (or "," in an enum).
std::map<std::string, int> named_numbers(const std::string& text)
{
    std::map<std::string, int> names;
    for (std::size_t at = text.find(" = "); at != std::string::npos; at = text.find(" = ", at + 1)) {
        std::size_t start = at;
        while (start > 0 && is_word(text[start - 1]))
            --start;
        std::size_t digits = at + 3;
        std::size_t end = digits;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (start == at || text[start] != 'k' || end == digits || end >= text.size() ||
            (text[end] != ';' && text[end] != ','))
            continue;
        names[text.substr(start, at - start)] = std::stoi(text.substr(digits, end - digits));
    }
    return names;
}

std::vector<StringUse> find_uses(const std::string& text, const std::string& function,
                                 const std::map<std::string, int>& shared_names)
{
    std::vector<StringUse> uses;
    std::map<std::string, int> names = named_numbers(text);
    names.insert(shared_names.begin(), shared_names.end());  // a name of the file itself wins
    std::string opening = function + "(";
    for (std::size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at + 1)) {
        bool word_start = at == 0 || !is_word(text[at - 1]);
        std::size_t digits = at + opening.size();
        std::size_t end = digits;
        while (end < text.size() && is_word(text[end]))
            ++end;
        if (!word_start || end == digits || end >= text.size() || text[end] != ')')
            continue;
        std::string token = text.substr(digits, end - digits);
        int number = -1;
        if (std::isdigit(static_cast<unsigned char>(token[0])) &&
            token.find_first_not_of("0123456789") == std::string::npos)
            number = std::stoi(token);
        else if (names.count(token) != 0)
            number = names[token];
        if (number < 0)
            continue;
        StringUse use{number, -1};
        std::size_t before = at;
        while (before > 0 && std::isspace(static_cast<unsigned char>(text[before - 1])))
            --before;
        for (const char* format : {"FormatNew(", "FormatTemp("}) {
            std::size_t length = std::strlen(format);
            if (before >= length && text.compare(before - length, length, format) == 0) {
                int depth = 0;
                use.passed = 0;
                for (std::size_t i = end + 1; i < text.size(); ++i) {
                    char c = text[i];
                    if (c == '(')
                        ++depth;
                    else if (c == ')' && depth-- == 0)
                        break;
                    else if (c == ',' && depth == 0)
                        ++use.passed;
                }
            }
        }
        uses.push_back(use);
    }
    return uses;
}

// Every string number the program looks up by a literal number must have a text in table
// sets 1 and 9, and a call that formats it must pass at least the values its text reads.
TEST_F(StringTables, EveryStringUsedByTheCodeHasTextsThatMatchItsValues)
{
    const char* data = std::getenv("QUILLON_TEST_DATA");
    ASSERT_NE(data, nullptr);
    std::filesystem::path src = std::filesystem::path(data) / ".." / ".." / "src";
    ASSERT_TRUE(std::filesystem::exists(src));
    struct Family {
        const char* function;
        int english;
        int japanese;
    };
    const Family families[] = {
        {"app_string", 300, 380}, {"find_app_string", 300, 380}, {"error_text", 301, 381},
        {"menu_text", 302, 382},  {"window_text", 304, 384},     {"independent_text", 200, 200},
    };
    std::map<int, StringTable> tables;
    for (int number : {200, 300, 301, 302, 304, 380, 381, 382, 384}) {
        TextResource resource = load_text_resource(number, false);
        ASSERT_TRUE(resource) << number;
        ASSERT_TRUE(decode_string_table(resource.bytes.get(), resource.length, tables[number]));
    }
    // The shared names, which any source may use.
    std::map<std::string, int> shared_names;
    {
        std::ifstream in(src / "app" / "string_ids.h");
        std::stringstream content;
        content << in.rdbuf();
        shared_names = named_numbers(content.str());
        ASSERT_FALSE(shared_names.empty());
    }
    int uses = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h")
            continue;
        if (entry.path().filename() == "string_tables.cpp" || entry.path().filename() == "string_tables.h")
            continue;
        std::ifstream in(entry.path());
        std::stringstream content;
        content << in.rdbuf();
        std::string text = content.str();
        for (const Family& family : families) {
            for (const StringUse& found : find_uses(text, family.function, shared_names)) {
                ++uses;
                EXPECT_NE(tables[family.english].at(found.number), nullptr)
                    << entry.path() << ": " << family.function << "(" << found.number << ") has no English text";
                EXPECT_NE(tables[family.japanese].at(found.number), nullptr)
                    << entry.path() << ": " << family.function << "(" << found.number << ") has no Japanese text";
                if (found.passed < 0)
                    continue;
                const char* values = embedded_string_values(family.english, found.number);
                if (values == nullptr || std::string(values) == "-")
                    continue;
                EXPECT_GE(found.passed, static_cast<int>(std::string(values).size()))
                    << entry.path() << ": " << family.function << "(" << found.number << ") reads {" << values << "}";
            }
        }
    }
    RecordProperty("string_uses", uses);
    std::printf("string lookups checked: %d\n", uses);
}

}  // namespace

namespace {

// The build tool refuses tables whose texts do not fit the values they are formatted with.
class PackStrings : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* build = std::getenv("QUILLON_BUILD");
        ASSERT_NE(build, nullptr);
        m_tool = std::filesystem::path(build) / "tools" / "quillon_pack_strings";
        ASSERT_TRUE(std::filesystem::exists(m_tool));
        m_folder = std::filesystem::temp_directory_path() /
            ("quillon-pack-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    void write(const char* name, const std::string& content)
    {
        std::ofstream(m_folder / name, std::ios::binary) << content;
    }
    int pack()
    {
        std::string command = m_tool.string() + " " + (m_folder / "manifest.txt").string() + " " +
            (m_folder / "out.cpp").string() + " 2>/dev/null";
        return std::system(command.c_str());
    }

    std::filesystem::path m_tool;
    std::filesystem::path m_folder;
};

TEST_F(PackStrings, AcceptsMatchingTablesAndRefusesMismatches)
{
    write("manifest.txt",
          "300 table cp1252 en.txt\n380 table cp932 ja.txt translates 300\n"
          "310 substitution cp1252 sub.txt applies 300\n");
    write("sub.txt", "0 1\n1 color colour\n");
    write("en.txt", "# file name, percentage\n1 {s f} \"%s%\" saved %f .0,1%%%%.\n2 OK\n");
    write("ja.txt", "1 {s f} 「%s%」%f .0,1%%%%\n2 OK\n");
    EXPECT_EQ(pack(), 0);
    EXPECT_TRUE(std::filesystem::exists(m_folder / "out.cpp"));

    struct Case {
        const char* english;
        const char* japanese;
    };
    const Case refused[] = {
        {"1 {s f} \"%s%\" saved %d%.\n2 OK\n", "1 {s f} %s%%f%\n2 OK\n"},     // wrong directive
        {"1 {s f} %s% %f%\n2 OK\n", "1 {s f} %f% %s%\n2 OK\n"},               // order differs
        {"1 {s f} %s% %f%\n2 OK\n", "1 {s f} %s% %f%\n"},                     // untranslated
        {"1 {s f} %s% %f%\n2 OK\n", "1 {s} %s%\n2 OK\n"},                     // other values
        {"1 {s f} %s% %f%\n2 100% OK\n", "1 {s f} %s% %f%\n2 OK\n"},          // stray percent
        {"1 {s f} %s% %f%\n2 color and color\n", "1 {s f} %s% %f%\n2 OK\n"},  // word left over
    };
    for (const Case& c : refused) {
        write("en.txt", c.english);
        write("ja.txt", c.japanese);
        EXPECT_NE(pack(), 0) << c.english << " / " << c.japanese;
    }
}

}  // namespace
