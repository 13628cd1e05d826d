// The language chooser, offscreen: which languages get a button on a machine that can or
// cannot show Japanese, the arrow keys, the credit line, and the first-start step. The
// offered languages are 1 (American English), 2 (British English) and 9 (Japanese), in
// that slot order.
#include "ui/language_chooser.h"

#include <cstring>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "foundation/list.h"
#include "framework/control_box.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "platform/qt/window.h"
#include "ui_support.h"

namespace {

SystemLocaleInfo western() { return SystemLocaleInfo{1252, "en", "US"}; }
SystemLocaleInfo japanese() { return SystemLocaleInfo{932, "ja", "JP"}; }

class LanguageChooserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        m_window = CreateFrameWindow(nullptr, "Chooser", frame_flag::dialog, platform::MakeRect(0, 0, 400, 300));
        m_root = make_root_column(m_window, 0);
    }
    void TearDown() override
    {
        set_system_locale_source(nullptr);
        language_chooser_state().on_modal_shown = nullptr;
        FrameWindowClose(m_window);
        PumpAll();
    }
    // A modal chooser in a window of its own, which closes with it.
    void build_modal(LanguageChooser& chooser, int language)
    {
        FrameWindow* w = CreateFrameWindow(nullptr, "", frame_flag::dialog, platform::MakeRect(0, 0, 400, 300));
        chooser.build(make_root_column(w, 0), ChooserForm::modal, language, w);
    }
    FrameWindow* m_window = nullptr;
    View* m_root = nullptr;
};

TEST_F(LanguageChooserTest, ArrowsSkipWhatCannotBeShownAndWrap)
{
    struct Case {
        SystemLocaleInfo (*locale)();
        bool japanese_shown;
        int from;
        std::uint8_t arrow;
        int to;
    } const cases[] = {
        {western, false, 2, key_char::down, 1},  // 9 skipped, wrapped to the first
        {western, false, 1, key_char::up, 2},    // wrapped backwards, 9 skipped
        {japanese, true, 2, key_char::down, 9}, {japanese, true, 9, key_char::down, 1},  // the last wraps to the first
        {japanese, true, 1, key_char::up, 9},
    };
    for (const Case& c : cases) {
        set_system_locale_source(c.locale);
        LanguageChooser chooser;
        build_modal(chooser, c.from);
        EXPECT_EQ(ViewIsShown(chooser.language_button(9).view()), c.japanese_shown);
        EXPECT_TRUE(ViewIsShown(chooser.language_button(1).view()));
        ASSERT_EQ(chooser.highlighted(), c.from);
        EXPECT_TRUE(chooser.key(TestKey(c.arrow)));
        EXPECT_EQ(chooser.highlighted(), c.to) << c.from;
        EXPECT_TRUE(chooser.language_button(c.to).is_selected());
        EXPECT_FALSE(chooser.language_button(c.from).is_selected());
        EXPECT_EQ(chooser.outcome(), LanguageChooser::Outcome::running);
    }
}

TEST_F(LanguageChooserTest, TheCreditLineIsEmptyWithoutACredit)
{
    set_system_locale_source(japanese);
    LanguageChooser chooser;
    build_modal(chooser, 1);
    EXPECT_STREQ(chooser.credit().text(), "");
    chooser.highlight(9, true);
    const char* credit = chooser.credit().text();
    ASSERT_NE(credit, nullptr);
    EXPECT_NE(std::strstr(credit, "\r\r"), nullptr);  // first text, an empty line, second text
    EXPECT_GT(std::strlen(credit), 2U);
    // Sized to its text: a plain label of the same text, and a fifth wider in the window.
    const platform::Rect plain = ViewRect(make_label(m_root, credit));
    const platform::Rect shown = ViewRect(chooser.credit().view());
    EXPECT_EQ(shown.bottom - shown.top, plain.bottom - plain.top);
    EXPECT_EQ(shown.right - shown.left, (plain.right - plain.left) * 12 / 10);
}

TEST_F(LanguageChooserTest, TheEmbeddedPageAppliesTheChoiceWithANote)
{
    set_system_locale_source(japanese);
    LanguageChooser chooser;
    int chosen = -1;
    chooser.on_change = [&chosen](int language) { chosen = language; };
    chooser.build(m_root, ChooserForm::embedded, 1);
    EXPECT_FALSE(chooser.confirm_button());
    EXPECT_STREQ(chooser.note().text(), "");
    chooser.language_button(9).on_click();  // as the press does
    EXPECT_EQ(chosen, 9);
    EXPECT_NE(std::strstr(chooser.note().text(), "Japanese"), nullptr);
}

TEST_F(LanguageChooserTest, TheFirstStartStep)
{
    struct Case {
        bool chosen_before;
        std::uint8_t key;
        bool quit;
        std::uint16_t language;  // afterwards, from 1
        bool shown;
    } const cases[] = {
        {false, key_char::escape, true, 1, true},
        {false, key_char::ret, false, 2, true},  // after Down from 1
        {false, ' ', false, 2, true},
        {true, 0, false, 1, false},
    };
    set_system_locale_source(western);
    for (const Case& c : cases) {
        const std::uint16_t windows = ListCount(FrameWindowList());
        bool shown = false;
        language_chooser_state().on_modal_shown = [&](LanguageChooser& chooser) {
            shown = true;
            (void)chooser.key(TestKey(key_char::down));
            (void)chooser.key(TestKey(c.key));
        };
        std::uint16_t language = 1;
        int calls = 0;
        bool quit = false;
        run_language_chooser_at_startup(language, c.chosen_before, [&](bool q) {
            ++calls;
            quit = q;
        });
        PumpAll();
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(quit, c.quit);
        EXPECT_EQ(language, c.language);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(ListCount(FrameWindowList()), windows);  // no window left behind
    }
}

// The mark stays: the settings saved as the program ends keep the next start from asking again.
TEST_F(LanguageChooserTest, QuittingAtTheFirstStartIsRemembered)
{
    set_system_locale_source(western);
    language_chooser_state().on_modal_shown = [](LanguageChooser& chooser) {
        (void)chooser.key(TestKey(key_char::escape));
    };
    settings().language_chosen = 0;
    bool quit = false;
    run_startup_language_step([&quit](bool q) { quit = q; });
    EXPECT_TRUE(quit);
    EXPECT_EQ(settings().language_chosen, 1);
}

TEST_F(LanguageChooserTest, Screenshots)
{
    set_system_locale_source(japanese);
    for (int language : {1, 9}) {
        language_chooser_state().on_modal_shown = [language](LanguageChooser& chooser) {
            chooser.highlight(language, true);
            PumpAll();
            EXPECT_TRUE(platform::WindowSaveScreenshot(
                chooser.window()->window, ScreenshotPath(language == 9 ? "chooser_ja" : "chooser").c_str()));
            chooser.confirm_button().click();
        };
        EXPECT_EQ(show_language_chooser(1), language);
    }
}

}  // namespace
