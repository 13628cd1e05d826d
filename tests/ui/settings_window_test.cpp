// The settings window and its compatibility grid, offscreen. Expected shares and cells are
// worked out by hand from the grid's weights (10035 in all, 5427 in the always-ticked cells).
#include "ui/settings_window.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/preferences.h"
#include "app/string_tables.h"
#include "foundation/file_ref.h"
#include "foundation/list.h"
#include "framework/control_box.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "ui_support.h"

namespace {

int g_saves = 0;
int g_beeps = 0;
bool g_save_works = true;

void set_flags(Settings& s, int on, int rule)
{
    s.end_code_saving = s.offset_frames = s.crop_first_frame = s.transparency_search = static_cast<std::uint8_t>(on);
    s.rule_value = static_cast<std::uint16_t>(rule);
}

TEST(ConstraintGridRules, CellsAndShareFollowTheSettings)
{
    struct Case {
        int flags_on;
        int rule;
        double share;
        bool all_cells;  // every present cell ticked (else only the always-ticked ones)
    } const cases[] = {
        {0, 2, 100.0, true},
        {0, 6, 100.0, true},
        {1, 0, 54.08, false},
        {1, 1, 54.08, false},
    };
    for (const Case& c : cases) {
        Settings s;
        set_flags(s, c.flags_on, c.rule);
        EXPECT_NEAR(grid_share(s), c.share, 0.005) << c.flags_on << " " << c.rule;
        int checked = 0, present = 0;
        for (int row = 0; row < kGridRows; ++row)
            for (int column = 0; column < kGridColumns; ++column) {
                present += grid_cell_present(row, column) ? 1 : 0;
                checked += grid_cell_checked(s, row, column) ? 1 : 0;
            }
        EXPECT_EQ(present, 22);
        EXPECT_EQ(checked, c.all_cells ? 22 : 11);
    }
}

TEST(ConstraintGridRules, AClickChangesWhatTheCellAsks)
{
    struct Case {
        int row, column;
        bool checked;
        int end_code, offset, crop, search, rule;  // after, from all on and rule 0
    } const cases[] = {
        {0, 0, true, 1, 1, 0, 1, 0},  {1, 0, true, 1, 1, 0, 1, 2}, {2, 0, true, 1, 1, 1, 1, 2},
        {4, 0, true, 1, 0, 1, 1, 0},  {5, 0, true, 1, 1, 0, 1, 0}, {5, 1, true, 0, 1, 0, 1, 0},
        {6, 1, true, 0, 1, 1, 1, 0},  {7, 3, true, 0, 0, 0, 0, 0}, {7, 0, false, 1, 1, 1, 1, 0},
        {0, 0, false, 1, 1, 1, 1, 0},
    };
    for (const Case& c : cases) {
        Settings s;
        set_flags(s, 1, 0);
        EXPECT_TRUE(apply_grid_click(s, c.row, c.column, c.checked));
        EXPECT_EQ(s.end_code_saving, c.end_code) << c.row << "," << c.column;
        EXPECT_EQ(s.offset_frames, c.offset) << c.row << "," << c.column;
        EXPECT_EQ(s.crop_first_frame, c.crop) << c.row << "," << c.column;
        EXPECT_EQ(s.transparency_search, c.search) << c.row << "," << c.column;
        EXPECT_EQ(s.rule_value, c.rule) << c.row << "," << c.column;
    }
    Settings s;
    EXPECT_FALSE(apply_grid_click(s, 2, 1, false));  // always ticked
    EXPECT_FALSE(apply_grid_click(s, 6, 0, true));   // absent
}

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        g_saves = 0;
        g_beeps = 0;
        g_save_works = true;
        settings_window_state().save = [] {
            ++g_saves;
            return g_save_works;
        };
        settings_window_state().failure_reported = false;
        SetBeepHook([] { ++g_beeps; });
        set_flags(settings(), 1, 0);
        m_window.open();
        for (int title : {141, 75, 146, 241, 32})
            ASSERT_TRUE(m_window.set_section_open(title, true)) << title;
        PumpAll();
        g_saves = 0;
    }
    void TearDown() override
    {
        close_alerts();
        SetBeepHook(nullptr);
        settings_window_state().save = nullptr;
    }
    void close_alerts()
    {
        while (FrameWindow* alert = m_window.last_alert())
            FrameWindowClose(alert);
        PumpAll();
    }
    bool row_seven_checked(bool expected)
    {
        for (int column = 0; column < kGridColumns; ++column)
            if (m_window.grid().cell(7, column).is_checked() != expected)
                return false;
        return true;
    }

    SettingsWindow m_window;
};

TEST_F(SettingsWindowTest, AnAlwaysTickedCellStaysTickedWithAMessage)
{
    CheckBox& cell = m_window.grid().cell(1, 1);
    ASSERT_TRUE(cell.is_checked());
    cell.set_checked(false, Notify::Yes);
    EXPECT_TRUE(cell.is_checked());
    EXPECT_NE(m_window.last_alert(), nullptr);
    EXPECT_EQ(g_beeps, 1);
    EXPECT_EQ(g_saves, 0);
}

TEST_F(SettingsWindowTest, ClearingRowSevenTurnsOnOnlyTransparencySearch)
{
    set_flags(settings(), 0, 2);
    m_window.grid().refresh();
    ASSERT_TRUE(row_seven_checked(true));
    m_window.grid().cell(7, 1).set_checked(false, Notify::Yes);
    const Settings& s = settings();
    EXPECT_EQ(s.transparency_search, 1);
    EXPECT_EQ(s.end_code_saving + s.offset_frames + s.crop_first_frame, 0);
    EXPECT_TRUE(row_seven_checked(false));
    EXPECT_TRUE(m_window.option_box(3).is_checked());
    EXPECT_EQ(g_saves, 1);
}

TEST_F(SettingsWindowTest, CropFirstFrameFromTheOptionsClearsItsCells)
{
    set_flags(settings(), 0, 2);
    m_window.refresh_options();
    m_window.grid().refresh();
    const std::string before = m_window.grid().share_label().text();
    m_window.option_box(2).set_checked(true, Notify::Yes);
    EXPECT_EQ(settings().crop_first_frame, 1);
    for (auto [row, column] : {std::pair{0, 0}, {1, 0}, {5, 0}, {5, 1}})
        EXPECT_FALSE(m_window.grid().cell(row, column).is_checked()) << row << "," << column;
    EXPECT_TRUE(m_window.grid().cell(2, 0).is_checked());
    EXPECT_TRUE(row_seven_checked(false));
    EXPECT_NE(m_window.grid().share_label().text(), before);
    EXPECT_EQ(g_saves, 1);
}

TEST_F(SettingsWindowTest, AFileThatCannotBeWrittenIsReportedOnce)
{
    g_save_works = false;
    const std::uint16_t windows = ListCount(FrameWindowList());
    for (const char* typed : {"a", "ab", "abc"})
        m_window.template_field().set_text(typed, Notify::Yes);
    EXPECT_EQ(g_saves, 3);
    EXPECT_EQ(ListCount(FrameWindowList()), windows + 1);
    EXPECT_STREQ(settings().template_text, "abc");
    g_save_works = true;
    m_window.template_field().set_text("abcd", Notify::Yes);  // works: the next failure is told again
    g_save_works = false;
    m_window.template_field().set_text("abcde", Notify::Yes);
    EXPECT_EQ(ListCount(FrameWindowList()), windows + 2);
    for (FrameWindow* w = reinterpret_cast<FrameWindow*>(ListLast(FrameWindowList()));
         ListCount(FrameWindowList()) > windows; w = reinterpret_cast<FrameWindow*>(ListLast(FrameWindowList())))
        FrameWindowClose(w);
}

TEST_F(SettingsWindowTest, SiblingModeShowsTheCompanionSection)
{
    struct Case {
        bool sibling;
        bool companion;
        int preference_boxes;
    } const cases[] = {{false, false, 2}, {true, true, 1}};
    for (const Case& c : cases) {
        settings_window_state().sibling_mode = c.sibling;
        SettingsWindow window;
        window.open();
        EXPECT_EQ(window.section(340) != nullptr, c.companion);
        ASSERT_TRUE(window.set_section_open(241, true));
        View* content = window.section(241)->content;
        EXPECT_EQ(BoxChildCount(content), c.preference_boxes);
    }
    settings_window_state().sibling_mode = false;
}

TEST_F(SettingsWindowTest, AChangeIsFoundAgainInThePreferenceFile)
{
    const std::string folder = ::testing::TempDir() + "quillon-settings-xdg";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/quillon.rqs";
    std::filesystem::remove(path);
    FileRefPtr file(FileRefFromPath(path.c_str()));
    set_preference_locations(file.get(), nullptr);
    settings_window_state().save = nullptr;  // the real file
    m_window.option_box(1).set_checked(false, Notify::Yes);
    m_window.rule_popup().set_selected(4, Notify::Yes);
    m_window.template_field().set_text("<program> on <date>", Notify::Yes);
    m_window.extra_box().set_checked(true, Notify::Yes);
    initialise_settings();  // back to the defaults, then read what was saved
    ASSERT_EQ(settings().offset_frames, 1);
    ASSERT_TRUE(read_settings());
    EXPECT_EQ(settings().offset_frames, 0);
    EXPECT_EQ(settings().rule_value, 4);
    EXPECT_STREQ(settings().template_text, "<program> on <date>");
    EXPECT_EQ(settings().extra_compression, 1);
    settings().extra_compression = 0;
    set_preference_locations(nullptr, nullptr);
}

// Every section open, the window as tall as its content (a person looks at the whole list).
TEST_F(SettingsWindowTest, Screenshot)
{
    set_system_locale_source([] { return SystemLocaleInfo{932, "ja", "JP"}; });
    InEachLanguage([](const std::string& suffix) {
        SettingsWindow window;
        window.open();
        for (int title : {141, 75, 268, 146, 241, 32})
            ASSERT_TRUE(window.set_section_open(title, true)) << title;
        PanelWindow& panel = window.panel();
        PumpAll();
        const platform::Rect client = FrameWindowClientBounds(panel.window());
        FrameWindowSetBounds(
            panel.window(),
            platform::MakeRect(client.left, client.top, client.right - client.left, panel.content()->height + 10));
        panel.size_event();
        Shoot(panel.window(), "settings_window" + suffix);
    });
    set_system_locale_source(nullptr);
}

}  // namespace
