// The information windows offscreen: one window per kind, the tables of the constant
// strings (English tables; the cells by hand from the string files), link addresses and the
// offer to copy an address the desktop could not open.
#include "ui/info_windows.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/settings.h"
#include "framework/alert.h"
#include "framework/frame_window.h"
#include "platform/qt/system.h"
#include "ui_support.h"

namespace {

class InfoWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartUiTests()); }
    void TearDown() override { info_windows_state().open_url = nullptr; }
};

// A constant-string table of our own: 100 holds the row count and the first row.
const char* test_strings(int n)
{
    static const std::map<int, const char*> strings = {
        {100, "0 none"},
        {110, "2 0 Site"},
        {111, "https://quillon.example.org"},
        {112, "0 Mail"},
        {113, "support@quillon.example.org"},
        {120, "x damaged"},
    };
    const auto found = strings.find(n);
    return found == strings.end() ? "" : found->second;
}

TEST_F(InfoWindowsTest, TableRows)
{
    EXPECT_TRUE(info_table_rows(test_strings, 100, 15, 0).empty());  // a count of 0: no table
    EXPECT_TRUE(info_table_rows(test_strings, 120, 15, 0).empty());  // no count at all
    const std::vector<InfoTableRow> ours = info_table_rows(test_strings, 110, 15, 0);
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(ours[0].left, "Site");
    EXPECT_EQ(ours[0].right, "https://quillon.example.org");
    EXPECT_EQ(ours[1].left, "Mail");
    EXPECT_EQ(ours[1].right, "support@quillon.example.org");

    // The credits table in English (language 1): the cells of the constant strings; with
    // language 1 named as the table's own, the application strings from 397 on.
    const std::vector<InfoTableRow> credits = info_table_rows(21, 9, 397);
    ASSERT_EQ(credits.size(), 2u);
    EXPECT_EQ(credits[1].left, "Testing");
    EXPECT_EQ(credits[1].right, "Everyone who sent us their GIF files");
    const std::vector<InfoTableRow> own = info_table_rows(21, 1, 397);
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[0].left, "Japanese translation");
    EXPECT_EQ(own[0].right, "The Quillon team");
    EXPECT_EQ(own[1].left, "Testing");
}

TEST_F(InfoWindowsTest, LinkAddresses)
{
    struct Case {
        const char* text;
        const char* address;
    };
    const Case cases[] = {
        {"support@quillon.example.org", "mailto:support@quillon.example.org"},
        {"https://quillon.example.org", "https://quillon.example.org"},
        {"quillon.example.org/manual", "https://quillon.example.org/manual"},
        {"mailto:a@example.org", "mailto:a@example.org"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(link_address(c.text), c.address) << c.text;
}

TEST_F(InfoWindowsTest, AskingAgainRaisesTheSameWindow)
{
    for (InfoWindowKind kind : {InfoWindowKind::Information, InfoWindowKind::Topics, InfoWindowKind::Help}) {
        FrameWindow* first = show_info_window(kind);
        ASSERT_NE(first, nullptr);
        info_window(kind).panel.hide();
        EXPECT_EQ(show_info_window(kind), first);
        EXPECT_TRUE(info_window(kind).panel.visible());
        const Rect bounds = FrameWindowClientBounds(first);
        EXPECT_GE(platform::RectWidth(bounds), 320);
        EXPECT_GE(platform::RectHeight(bounds), 160);
    }
    // The topics: four expandable items, the last (the credits) holding the table.
    InfoWindow& topics = info_window(InfoWindowKind::Topics);
    ASSERT_EQ(topics.disclosures.size(), 5u);
    EXPECT_EQ(topics.expanded, (std::vector<std::uint8_t>{0, 0, 0, 0, 0}));
    topics.disclosures[1]->set_open(true, Notify::Yes);
    EXPECT_EQ(topics.expanded[1], 1);
    EXPECT_TRUE(ViewIsShown(topics.bodies[1]));
}

TEST_F(InfoWindowsTest, DecliningTheCopyOfferLeavesTheClipboard)
{
    int asked = 0;
    info_windows_state().open_url = [&](const char*) {
        ++asked;
        return false;
    };
    struct Case {
        const char* link;
        int answer;  // alert button: 0 Copy, 1 Don't Copy
        const char* clipboard;
        const char* message;
    };
    const Case cases[] = {
        {"https://quillon.example.org", 1, "before",
         "Quillon could not open \x93https://quillon.example.org\x94 in your web browser. Copy the address to the "
         "clipboard?"},
        {"support@quillon.example.org", 0, "support@quillon.example.org",
         "Quillon could not open your mail program for \x93support@quillon.example.org\x94. Copy the address to the "
         "clipboard?"},
    };
    for (const Case& c : cases) {
        platform::ClipboardSetText("before");
        open_link(c.link);
        FrameWindow* offer = info_windows_state().copy_offer;
        ASSERT_NE(offer, nullptr);
        EXPECT_EQ(std::string(control_text(alert_message(offer))), c.message);
        alert_choose(offer, c.answer);
        PumpAll();
        EXPECT_EQ(platform::ClipboardText(), c.clipboard) << c.link;
        EXPECT_EQ(info_windows_state().copy_offer, nullptr);
    }
    EXPECT_EQ(asked, 2);
}

TEST_F(InfoWindowsTest, FirstStartNoticeButtons)
{
    int quits = 0;
    static int saves = 0;
    panel_window_state().save_preferences = [] { ++saves; };
    settings().first_start_notice_shown = 0;
    show_first_start_notice([&] { ++quits; });
    InfoWindow& notice = info_window(InfoWindowKind::FirstStart);
    ASSERT_EQ(notice.buttons.size(), 2u);
    EXPECT_STREQ(notice.buttons[0]->text(), "Continue");
    notice.buttons[1]->click();
    EXPECT_EQ(quits, 1);
    notice.buttons[0]->click();
    EXPECT_FALSE(notice.panel.visible());
    EXPECT_EQ(settings().first_start_notice_shown, 1);
    EXPECT_EQ(saves, 1);
    panel_window_state().save_preferences = nullptr;
}

}  // namespace
