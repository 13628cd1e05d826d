#include "app/preferences.h"

#include "app/settings.h"
#include "foundation/file_access.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Header and template texts as the string tables hold them.
const char* independent(int n)
{
    switch (n) {
    case 0:
        return "Quillon Preferences";
    case 1:
        return "Quillon";
    case 2:
        return "%s%";
    case 8:
        return "Quillon Preferences";
    case 9:
        return "Version 2";
    case 10:
        return "Quillon";
    default:
        return "";
    }
}

const char* application(int n)
{
    switch (n) {
    case 106:
        return "Optimized by <program>";
    case 324:
        return "Prepared with <program>";
    default:
        return "";
    }
}

int language_five() { return 5; }

// The header as bytes, written out by hand.
const std::string kHeader = std::string("Quillon Preferences\0Version 2\0Quillon\0Quillon\0", 46);

std::string record(std::uint16_t tag, std::uint8_t type, const std::string& payload)
{
    std::string bytes{static_cast<char>(tag >> 8), static_cast<char>(tag & 0xFF), static_cast<char>(type)};
    auto n = static_cast<std::uint32_t>(payload.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((n >> shift) & 0xFF);
    return bytes + payload;
}

std::string byte_record(std::uint16_t tag, std::uint8_t value)
{
    return record(tag, 3, std::string(1, static_cast<char>(value)));
}

// A scratch folder for one test, removed with what it holds.
class TempFolder {
public:
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    ~TempFolder() { std::filesystem::remove_all(m_path); }

private:
    std::filesystem::path m_path = std::filesystem::path(mkdtemp(std::string("/tmp/quillon-prefs-XXXXXX").data()));
};

void write_file(const std::string& path, const std::string& bytes)
{
    ASSERT_TRUE(std::ofstream(path, std::ios::binary) << bytes) << path;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The one-byte options with their tags and defaults, in the order the file stores them.
struct ByteOption {
    const char* name;
    std::uint8_t Settings::*field;
    std::uint16_t tag;
    std::uint8_t fallback;
};
const ByteOption kByteOptions[] = {
    {"spare 3", &Settings::spare_tag3, 3, 0},
    {"end-code saving", &Settings::end_code_saving, 4, 1},
    {"offset frames", &Settings::offset_frames, 5, 1},
    {"crop first frame", &Settings::crop_first_frame, 6, 1},
    {"transparency search", &Settings::transparency_search, 7, 1},
    {"display check", &Settings::display_check, 8, 1},
    {"welcome window", &Settings::welcome_window, 9, 1},
    {"sibling section", &Settings::sibling_section_option, 10, 1},
    {"limits shown", &Settings::limits_shown, 11, 1},
    {"spare 14", &Settings::spare_tag14, 14, 1},
    {"spare 15", &Settings::spare_tag15, 15, 0},
    {"spare 16", &Settings::spare_tag16, 16, 1},
    {"spare 17", &Settings::spare_tag17, 17, 0},
    {"spare 18", &Settings::spare_tag18, 18, 1},
    {"spare 19", &Settings::spare_tag19, 19, 1},
};

// Each option a value no default has: 200 + its place in the file.
std::uint8_t non_default(const ByteOption& option) { return static_cast<std::uint8_t>(200 + (&option - kByteOptions)); }

void fill_non_defaults(Settings& s)
{
    for (const ByteOption& option : kByteOptions)
        s.*option.field = non_default(option);
    StrFree(s.template_text);
    s.template_text = StrDup("Stamp <date>");
    s.rule_value = 6;
    s.interface_language = 9;
    s.language_chosen = 1;
    s.first_start_notice_shown = 1;
    s.framework_setting = 0x89ABCDEF;
    s.main_window = SettingsRect{-10, 20, 640, 480};
    s.extra_compression = 1;
    s.settings_window_placement = SettingsRect{700, 40, 310, 420};
    for (int i = 0; i < 3; ++i)
        s.info_window_placements[i] = SettingsRect{static_cast<std::int16_t>(-5 - i), 30, 400, 500};
}

// A rectangle record's payload: four signed 16-bit values, big-endian.
std::string rect_payload(int a, int b, int c, int d)
{
    std::string bytes;
    for (int v : {a, b, c, d}) {
        bytes += static_cast<char>((v >> 8) & 0xFF);
        bytes += static_cast<char>(v & 0xFF);
    }
    return bytes;
}

void set_defaults(Settings& s)
{
    RecordStream stream;
    stream.mode = RecordMode::Initialise;
    settings_schema(stream, &s);
    stream.mode = RecordMode::Defaults;
    settings_schema(stream, &s);
}

class Preferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        FormatterStart();
        PreferenceTexts texts;
        texts.independent = independent;
        texts.application = application;
        texts.default_language = language_five;
        set_preference_texts(texts);
        set_preference_options(PreferenceOptions{});
        m_primary.reset(FileRefFromPath(m_folder.file("primary.rqs").c_str()));
        m_secondary.reset(FileRefFromPath(m_folder.file("secondary.rqs").c_str()));
        set_preference_locations(m_primary.get(), m_secondary.get());
        set_settings_came_from_secondary(false);
    }

    TempFolder m_folder;
    FileRefPtr m_primary;
    FileRefPtr m_secondary;
};

}  // namespace

// The defaults of the other fields are in the bytes of the file written below.
TEST_F(Preferences, DefaultsThatDependOnTheRun)
{
    Settings s;
    s.main_window = SettingsRect{1, 2, 3, 4};
    set_defaults(s);
    EXPECT_EQ(s.main_window.width, 3);  // the window's current rectangle is its default
    PreferenceOptions sibling;
    sibling.sibling_mode = true;
    sibling.framework_default = 77;
    set_preference_options(sibling);
    set_defaults(s);
    EXPECT_STREQ(s.template_text, "Prepared with <program>");
    EXPECT_EQ(s.framework_setting, 77u);
}

TEST_F(Preferences, WritesHeaderAndRecordsInTagOrder)
{
    Settings s;
    set_defaults(s);
    ASSERT_TRUE(write_preference_file(m_primary.get(), s));
    std::string expected = kHeader;
    for (const ByteOption& option : kByteOptions) {
        if (option.tag == 14) {
            expected += record(12, 4, std::string(2, '\0'));
            expected += record(13, 5, "Optimized by <program>");
        }
        expected += byte_record(option.tag, option.fallback);
    }
    expected += record(20, 8, std::string(4, '\0'));
    expected += record(21, 4, std::string("\0\5", 2));
    expected += record(22, 4, std::string(2, '\0'));
    expected += record(23, 4, std::string(2, '\0'));
    expected += record(24, 15, std::string(8, '\0'));
    expected += byte_record(25, 0);
    for (std::uint16_t tag = 26; tag <= 29; ++tag)  // the tool windows: none placed yet
        expected += record(tag, 15, std::string(8, '\0'));
    expected += std::string(7, '\0');
    EXPECT_EQ(read_file(m_folder.file("primary.rqs")), expected);
}

// Every field read back holds its written value: writing what was read gives the same bytes.
TEST_F(Preferences, RoundTripOfEveryField)
{
    Settings written;
    set_defaults(written);
    fill_non_defaults(written);
    ASSERT_TRUE(write_preference_file(m_primary.get(), written));
    Settings read;
    set_defaults(read);
    ASSERT_TRUE(read_preference_file(m_primary.get(), read));
    for (const ByteOption& option : kByteOptions)
        EXPECT_EQ(read.*option.field, non_default(option)) << option.name;
    EXPECT_STREQ(read.template_text, "Stamp <date>");
    EXPECT_EQ(read.info_window_placements[2].left, -7);
    ASSERT_TRUE(write_preference_file(m_secondary.get(), read));
    EXPECT_EQ(read_file(m_folder.file("secondary.rqs")), read_file(m_folder.file("primary.rqs")));
}

// Files of other versions of the program: an older one lacks the extra compression record
// (kept off) and the placements; records of tags this version does not know (a newer file's)
// are passed over before, between and after them, as an older version passes over tag 25. A
// record of the wrong type or length keeps its value unread.
TEST_F(Preferences, FilesOfOtherVersions)
{
    // Left -10, top 20, width 640, height 480.
    const std::string base = byte_record(4, 0) + record(24, 15, rect_payload(-10, 20, 640, 480));
    const std::string settings_at = record(26, 15, rect_payload(100, -20, 300, 250));
    const std::string help_at = record(29, 15, rect_payload(-30, 40, 500, 600));
    struct Case {
        const char* what;
        std::string body;
        std::uint8_t extra;
        int settings_top, help_height;  // 0: none kept
    } const cases[] = {
        {"older file", base, 0, 0, 0},
        {"this version's", base + byte_record(25, 1), 1, 0, 0},
        {"tag 25 of another type", base + record(25, 4, std::string("\0\1", 2)), 0, 0, 0},
        {"newer file",
         base + byte_record(25, 1) + settings_at + record(27, 4, "\0\7") + record(28, 15, "short") + help_at +
             record(31, 15, rect_payload(1, 2, 3, 4)) + byte_record(300, 7) + record(301, 5, "later"),
         1, -20, 600},
    };
    for (const Case& c : cases) {
        write_file(m_folder.file("primary.rqs"), kHeader + c.body + std::string(7, '\0'));
        Settings s;
        set_defaults(s);
        ASSERT_TRUE(read_preference_file(m_primary.get(), s)) << c.what;
        EXPECT_EQ(s.extra_compression, c.extra) << c.what;
        EXPECT_EQ(s.end_code_saving, 0) << c.what;
        EXPECT_EQ(s.main_window.left, -10) << c.what;
        EXPECT_EQ(s.main_window.height, 480) << c.what;
        EXPECT_EQ(s.settings_window_placement.top, c.settings_top) << c.what;
        EXPECT_EQ(s.info_window_placements[2].height, c.help_height) << c.what;
        EXPECT_EQ(s.info_window_placements[0].width, 0) << c.what;
        EXPECT_EQ(s.info_window_placements[1].width, 0) << c.what;
    }
}

TEST_F(Preferences, HeaderRulesAndAMissingFile)
{
    std::string body = byte_record(4, 0) + std::string(7, '\0');  // end-code saving off
    std::string text253(253, 'n');
    std::string text254(254, 'n');
    struct Case {
        const char* what;
        std::string bytes;
        bool header_ok;
        bool body_read;
    } cases[] = {
        {"valid", kHeader + body, true, true},
        {"cut after the header", kHeader, true, false},
        {"cut inside a record", kHeader + body.substr(0, 5), true, false},
        {"253 characters", std::string("Quillon Preferences\0Version 2\0Quillon\0", 38) + text253 + '\0' + body, true,
         true},
        {"254 without zero", std::string("Quillon Preferences\0Version 2\0Quillon\0", 38) + text254 + '\0' + body,
         false, false},
        {"old version", std::string("Quillon Preferences\0Version 1\0Quillon\0Quillon\0", 46) + body, true, false},
        {"other creator", std::string("Quillon Preferences\0Version 2\0Tessel\0Quillon\0", 45) + body, true, false},
        {"other signature", std::string("Quillon Preference!\0Version 2\0Quillon\0Quillon\0", 46) + body, false, false},
        {"only the signature", std::string("Quillon Preferences", 19), false, false},
        {"empty", "", false, false},
    };
    for (const Case& c : cases) {
        write_file(m_folder.file("primary.rqs"), c.bytes);
        Settings s;
        set_defaults(s);
        EXPECT_EQ(read_preference_file(m_primary.get(), s), c.header_ok) << c.what;
        EXPECT_EQ(s.end_code_saving, c.body_read ? 0 : 1) << c.what;
    }
    // No file at all is not an error either: the defaults stay.
    std::remove(m_folder.file("primary.rqs").c_str());
    Settings s;
    set_defaults(s);
    EXPECT_FALSE(read_preference_file(m_primary.get(), s));
    EXPECT_STREQ(s.template_text, "Optimized by <program>");
}

TEST_F(Preferences, SecondaryFileWinsAndIsSavedBack)
{
    Settings& s = settings();
    initialise_settings();
    fill_non_defaults(s);
    s.rule_value = 3;
    ASSERT_TRUE(write_preference_file(m_primary.get(), s));
    s.rule_value = 4;
    ASSERT_TRUE(write_preference_file(m_secondary.get(), s));
    initialise_settings();
    EXPECT_EQ(s.rule_value, 0);
    ASSERT_TRUE(read_settings());
    EXPECT_EQ(s.rule_value, 4);
    EXPECT_TRUE(settings_came_from_secondary());
    s.rule_value = 5;
    ASSERT_TRUE(save_settings());
    Settings check;
    set_defaults(check);
    ASSERT_TRUE(read_preference_file(m_secondary.get(), check));
    EXPECT_EQ(check.rule_value, 5);

    PreferenceOptions forbid;
    forbid.read_secondary = false;
    set_preference_options(forbid);
    initialise_settings();
    ASSERT_TRUE(read_settings());
    EXPECT_EQ(s.rule_value, 3);
    EXPECT_FALSE(settings_came_from_secondary());
    s.rule_value = 6;
    ASSERT_TRUE(save_settings());
    set_defaults(check);
    ASSERT_TRUE(read_preference_file(m_primary.get(), check));
    EXPECT_EQ(check.rule_value, 6);
    initialise_settings();
}

TEST_F(Preferences, SecondaryNamingThePrimaryIsDropped)
{
    set_preference_locations(m_primary.get(), m_primary.get());
    EXPECT_EQ(secondary_preference_file(), nullptr);
    ASSERT_NE(primary_preference_file(), nullptr);
}

TEST(MainWindowRect, FitsTheSavedRectangleOnTheScreen)
{
    const WindowFrame none{0, 0, 0, 0};
    struct Case {
        SettingsRect outer;
        SettingsRect expected;
    } cases[] = {
        {{100, 100, 10, 300}, {80, 100, 50, 300}},     // 50 wide, 20 to the left
        {{100, 100, 640, 480}, {100, 100, 640, 480}},  // unchanged
        {{100, 100, 50, 50}, {100, 100, 50, 50}},
        {{0, 0, 4000, 200}, {500, 0, 3000, 200}},         // clamped to the largest, centred
        {{-1000, 100, 640, 480}, {-590, 100, 640, 480}},  // 50 pixels stay reachable
        {{2990, 100, 640, 480}, {2950, 100, 640, 480}},
        {{100, -30, 640, 480}, {100, 0, 640, 480}},  // the top edge is not above the screen
        {{100, 2990, 640, 480}, {100, 2950, 640, 480}},
        {{100, 100, -7, 0}, {72, 75, 50, 50}},  // (-7 - 50) / 2 rounds toward zero: -28
    };
    for (const Case& c : cases) {
        SettingsRect got = main_window_client_rect(c.outer, 3000, 3000, none);
        EXPECT_EQ(got.left, c.expected.left) << c.outer.left << "," << c.outer.width;
        EXPECT_EQ(got.top, c.expected.top) << c.outer.top << "," << c.outer.height;
        EXPECT_EQ(got.width, c.expected.width);
        EXPECT_EQ(got.height, c.expected.height);
    }
    SettingsRect framed = main_window_client_rect({100, 100, 640, 480}, 3000, 3000, WindowFrame{4, 30, 4, 4});
    EXPECT_EQ(framed.left, 104);
    EXPECT_EQ(framed.top, 130);
    EXPECT_EQ(framed.width, 632);
    EXPECT_EQ(framed.height, 446);
}
