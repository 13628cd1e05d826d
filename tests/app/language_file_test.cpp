#include "app/language_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/report.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"

namespace {

class RecordingReporter : public Reporter {
public:
    void alert(AlertKind kind, const char* message, const char* button) override
    {
        kinds.push_back(kind);
        messages.push_back(message);
        buttons.push_back(button);
    }
    bool ask(AlertKind, const char*, const char*, const char*) override { return false; }

    std::vector<AlertKind> kinds;
    std::vector<std::string> messages;
    std::vector<std::string> buttons;
};

int g_ends = 0;
void count_end() { ++g_ends; }

SystemLocaleInfo japanese_locale()
{
    SystemLocaleInfo info;
    info.code_page = 932;
    return info;
}

class LanguageFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatterStart();
        reset_string_tables_for_testing();
        set_reporter(&m_reporter);
        set_language_file_end_hook(count_end);
        g_ends = 0;
        m_folder = std::filesystem::temp_directory_path() /
            ("quillon-language-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override
    {
        set_reporter(nullptr);
        set_language_file_end_hook(nullptr);
        reset_string_tables_for_testing();
        std::filesystem::remove_all(m_folder);
    }

    std::string write(const std::string& content, const char* name = "language")
    {
        std::string path = (m_folder / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    LanguageFileResult read(const std::string& content, int language = 1)
    {
        return read_language_file(write(content).c_str(), language);
    }

    RecordingReporter m_reporter;
    std::filesystem::path m_folder;
};

TEST_F(LanguageFile, ReplacesAndExtendsStrings)
{
    EXPECT_EQ(read("g0 Zero\r\ng1 \r\ng2 Two\n+\\nmore\nm0 Menu\nj0 Open it\n"), LanguageFileResult::Read);
    EXPECT_STREQ(app_string(0), "Zero");
    EXPECT_STREQ(app_string(1), "Quillon");  // an empty text leaves the entry as it was
    EXPECT_STREQ(app_string(2), "Two\rmore");
    EXPECT_STREQ(app_string(41), "Play once");  // strings the file does not set stay
    EXPECT_STREQ(menu_text(0), "Menu");
    EXPECT_STREQ(framework_text(0), "Open it");
    EXPECT_TRUE(m_reporter.messages.empty());
}

TEST_F(LanguageFile, NumberingMarkersContinuationsAndLongLines)
{
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::pair<int, std::string>> app_strings;  // number, text after reading
        const char* menu0 = nullptr;
    };
    const Case cases[] = {
        {"every block of a letter starts at zero", "g0 a\ng1 b\nm0 menu\ng0 again\n", {{0, "again"}, {1, "b"}}, "menu"},
        {"lines without a family still restart the numbering", "g0 a\n# note\ng0 b\n", {{0, "b"}}},
        {"a w marker uses the line", "g0 a\ng1 b\ng2 c\ng3 d\ng4 e\ngw5 five\n", {{5, "five"}}},
        {"an m marker ignores it", "g0 a\ng1 b\ng2 c\ng3 d\ng4 e\ngm5 ignored\ng5 kept\n", {{5, "kept"}}},
        {"a continuation without a family is ignored", "+lost\n#0 x\n+lost too\ng0 a\n+b\n", {{0, "ab"}}},
        {"the continuation of an ignored line is ignored too", "g0 a\ng1 b\ngm2 ignored\n+lost\n", {{1, "b"}}},
        {"overlong lines are cut",
         "g0 " + std::string(6000, 'a') + "\ng1 next\n",
         {{0, std::string(4996, 'a')}, {1, "next"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(read(c.content), LanguageFileResult::Read) << c.what;
        for (const auto& [number, text] : c.app_strings)
            EXPECT_EQ(app_string(number), text) << c.what;
        if (c.menu0) {
            EXPECT_STREQ(menu_text(0), c.menu0) << c.what;
        }
    }
    EXPECT_EQ(g_ends, 0);
    EXPECT_TRUE(m_reporter.messages.empty());
}

struct MessageCase {
    const char* content;
    const char* message;
};

TEST_F(LanguageFile, MalformedLinesEndTheProgramWithTheirMessage)
{
    const MessageCase cases[] = {
        {"g0 ok\ngx text\n", "Missing or misplaced string index in line 'gx text'."},
        {"g\n", "Missing or misplaced string index in line 'g'."},
        {"g1 text\n", "Unexpected string index in line 'g1 text'."},
        {"g0 a\ng2 b\n", "Unexpected string index in line 'g2 b'."},
        {"g0 a\ngm1 b\ng2 c\n", "Unexpected string index in line 'g2 c'."},
        {"g0text\n", "Missing space after string index in line 'g0text'."},
        {"g0\n", "Missing space after string index in line 'g0'."},
        {"g0 a\\qb\n", "Invalid code  '\\q' in line g0 ."},
        {"g0 a\\\x01", "Invalid code  '\\\x01' in line g0 ."},
        {"o0 \\'x\n", "Invalid code '\\'x' in line o0."},
        {"g0 a\ng1 \\~e\n", "Invalid code '\\~e' in line g1."},
        {"g0 \x80\n", "Invalid code '\x80' in line g0."},
        {"g0 a\n+\\z\n", "Invalid code  '\\z' in line g0 ."},
    };
    for (const MessageCase& c : cases) {
        m_reporter.messages.clear();
        m_reporter.kinds.clear();
        m_reporter.buttons.clear();
        g_ends = 0;
        EXPECT_EQ(read(c.content), LanguageFileResult::Malformed) << c.content;
        ASSERT_EQ(m_reporter.messages.size(), 1u) << c.content;
        EXPECT_EQ(m_reporter.messages[0], c.message);
        EXPECT_EQ(m_reporter.kinds[0], AlertKind::Exclamation);
        EXPECT_EQ(m_reporter.buttons[0], "Ok");
        EXPECT_EQ(g_ends, 1);
    }
}

TEST_F(LanguageFile, MissingFileIsNotAnError)
{
    EXPECT_EQ(read_language_file((m_folder / "absent").string().c_str(), 1), LanguageFileResult::Missing);
    EXPECT_TRUE(m_reporter.messages.empty());
}

struct EscapeCase {
    const char* text;
    const char* expected;
};

TEST_F(LanguageFile, DecodesEveryWesternEscape)
{
    const EscapeCase cases[] = {
        {"\\n", "\r"},
        {"\\\\", "\\"},
        {"\\ ", "\xA0"},
        {"\\!", "\xA1"},
        {"\\?", "\xBF"},
        {"\\*", "-"},
        {"\\+", "\xB1"},
        {"\\c", "\xA9"},
        {"\\d", "\xB0"},
        {"\\8", "\x11"},
        {"\\ap", "\x14"},
        {"\\0101", "A"},
        {"\\0377", "\xFF"},
        {"\\' ", "'"},
        {"\\''", "\""},
        {"\\` ", "'"},
        {"\\``", "\""},
        {"\\,,", "\x84"},
        {"\\AE", "\xC6"},
        {"\\ae", "\xE6"},
        {"\\OE", "\x8C"},
        {"\\oe", "\x9C"},
        {"\\ss", "\xDF"},
        {"\\/O", "\xD8"},
        {"\\/o", "\xF8"},
        {"\\5C", "\xC7"},
        {"\\5c", "\xE7"},
        {"\\oA", "\xC5"},
        {"\\oa", "\xE5"},
        {"\\oo", ""},
        {"caf\\'e!", "caf\xE9!"},
        {"\\:u", "\xFC"},
        {"plain", "plain"},
        {"\xE9t\xE9", "\xE9t\xE9"},
    };
    for (const EscapeCase& c : cases) {
        DecodedText decoded = decode_language_text(c.text, 1, 'g', 0);
        EXPECT_TRUE(decoded.ok) << c.text << ": " << decoded.message;
        EXPECT_EQ(decoded.text, c.expected) << c.text;
    }
}

TEST_F(LanguageFile, DecodesEveryAccentedLetter)
{
    struct AccentCase {
        char code;
        const char* letters;
        std::vector<unsigned char> results;  // Windows-1252
    };
    const AccentCase cases[] = {
        {'\'', "AEIOUYaeiouy", {0xC1, 0xC9, 0xCD, 0xD3, 0xDA, 0xDD, 0xE1, 0xE9, 0xED, 0xF3, 0xFA, 0xFD}},
        {'`', "AEIOUaeiou", {0xC0, 0xC8, 0xCC, 0xD2, 0xD9, 0xE0, 0xE8, 0xEC, 0xF2, 0xF9}},
        {'^', "AEIOUaeiou", {0xC2, 0xCA, 0xCE, 0xD4, 0xDB, 0xE2, 0xEA, 0xEE, 0xF4, 0xFB}},
        {':', "AEIOUaeiou", {0xC4, 0xCB, 0xCF, 0xD6, 0xDC, 0xE4, 0xEB, 0xEF, 0xF6, 0xFC}},
        {'~', "ANOano", {0xC3, 0xD1, 0xD5, 0xE3, 0xF1, 0xF5}},
    };
    for (const AccentCase& c : cases) {
        for (std::size_t i = 0; c.letters[i] != 0; ++i) {
            std::string text = std::string("\\") + c.code + c.letters[i];
            DecodedText decoded = decode_language_text(text.c_str(), 1, 'g', 0);
            ASSERT_TRUE(decoded.ok) << text;
            ASSERT_EQ(decoded.text.size(), 1u) << text;
            EXPECT_EQ(static_cast<unsigned char>(decoded.text[0]), c.results[i]) << text;
            // The accented letter may also stand in the file as it is.
            std::string raw(1, static_cast<char>(c.results[i]));
            EXPECT_TRUE(decode_language_text(raw.c_str(), 1, 'g', 0).ok) << text;
        }
        // A letter the accent does not take is refused.
        std::string refused = std::string("\\") + c.code + 'x';
        EXPECT_FALSE(decode_language_text(refused.c_str(), 1, 'g', 0).ok) << refused;
    }
}

TEST_F(LanguageFile, DoubleByteTextsKeepTheirCharacters)
{
    // Shift_JIS: 表 is 0x95 0x5C, whose second byte is a backslash; half-width katakana ｱ is
    // the single byte 0xB1.
    DecodedText japanese = decode_language_text("\x95\x5C\x8E\xA6\\n\xB1\\n", 9, 'g', 0);
    ASSERT_TRUE(japanese.ok);
    EXPECT_EQ(japanese.text, "\x95\x5C\x8E\xA6\r\xB1\r");
    // Korean full-width quotation marks become the ASCII double quote.
    DecodedText korean = decode_language_text("\xA1\xB0\xC7\xD1\xA1\xB1", 6, 'g', 0);
    EXPECT_EQ(korean.text, "\"\xC7\xD1\"");
    // Other backslashes are kept as they are.
    EXPECT_EQ(decode_language_text("a\\'e", 10, 'g', 0).text, "a\\'e");
    // The single-byte non-Western script only knows the line break.
    EXPECT_EQ(decode_language_text("\xE1\\n\\'e", 12, 'g', 0).text, "\xE1\r\\'e");
}

TEST_F(LanguageFile, SettingJapaneseReadsItsFileFromTheProgramFolder)
{
    write("g0 \x95\x5C\x8E\xA6\n+\x82\xA0\nr0 \x82\xA2%s%\n", "japanese");
    set_language_file_folder(m_folder.string().c_str());
    set_system_locale_source(japanese_locale);
    ASSERT_TRUE(set_interface_language(9));
    EXPECT_STREQ(app_string(0), "\x95\x5C\x8E\xA6\x82\xA0");  // a continuation joins directly
    EXPECT_STREQ(window_text(0), "\x82\xA2%s%");
    EXPECT_STRNE(app_string(41), "");  // still from the resources
    EXPECT_TRUE(m_reporter.messages.empty());
}

}  // namespace
