// Interface languages: scripts and classes, the all-or-nothing switch of the three fonts,
// the character set, code page and thread locale, and the font family registry.
#include "framework/language.h"

#include <gtest/gtest.h>

#include "framework/menu_text.h"
#include "platform/qt/fonts.h"
#include "platform/qt/text.h"
#include "support/test_framework.h"

class Languages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        SetInterfaceLanguage(1, 15, 15, 15);
    }
    void TearDown() override { SetInterfaceLanguage(1, 15, 15, 15); }
};

TEST_F(Languages, TableOfScriptsAndClasses)
{
    struct Case {
        int language, script, script_class, charset;
    } cases[] = {{0, 1, 0, 0},   {4, 1, 0, 0},     {5, 5, 1, 136}, {6, 6, 1, 129}, {7, 1, 0, 0},
                 {9, 9, 1, 128}, {10, 10, 1, 134}, {12, 12, 0, 0}, {14, 1, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(ScriptOf(c.language), c.script) << c.language;
        EXPECT_EQ(ClassOf(c.language), c.script_class) << c.language;
        EXPECT_EQ(CharsetOf(c.language), c.charset) << c.language;
    }
}

TEST_F(Languages, SameScriptWithoutSizesOrUnknownLanguageChangesNothing)
{
    const struct {
        int language, size;
    } cases[] = {{0, 0}, {15, 15}};
    for (const auto& c : cases) {
        platform::Font* before[3] = {FrameworkFont(0), FrameworkFont(1), FrameworkFont(2)};
        EXPECT_FALSE(SetInterfaceLanguage(c.language, c.size, c.size, c.size)) << c.language;
        EXPECT_EQ(InterfaceLanguage(), 1);
        for (int slot = 0; slot < 3; ++slot)
            EXPECT_EQ(FrameworkFont(slot), before[slot]) << c.language;
    }
}

TEST_F(Languages, JapaneseSelectsItsFontsCharsetAndLocale)
{
    ASSERT_TRUE(SetInterfaceLanguage(9, 0, 16, 0));
    EXPECT_EQ(InterfaceLanguage(), 9);
    EXPECT_EQ(InterfaceCharset(), 128);
    EXPECT_EQ(ThreadLocale(), 1041);
    EXPECT_FALSE(WesternInterface());
    EXPECT_EQ(MenuScriptClass(), 1);
    EXPECT_EQ(platform::TextCodePage(), 932);
    EXPECT_EQ(platform::FontSize(FrameworkFont(0)), 15);  // 0 asks for the default size
    EXPECT_EQ(platform::FontSize(FrameworkFont(1)), 16);
    EXPECT_STREQ(ScriptSettingsOf(9).family, "MS Mincho");
    // Back to a Western language: Windows-1252 and Western mnemonics again.
    ASSERT_TRUE(SetInterfaceLanguage(1, 15, 15, 15));
    EXPECT_EQ(platform::TextCodePage(), 1252);
    EXPECT_EQ(MenuScriptClass(), 0);
}

TEST_F(Languages, Language12IsWesternFontsAndClass)
{
    ASSERT_TRUE(SetInterfaceLanguage(12, 12, 13, 14));
    EXPECT_EQ(ClassOf(12), 0);
    EXPECT_TRUE(WesternInterface());
    EXPECT_EQ(InterfaceCharset(), 0);
    EXPECT_EQ(platform::FontSize(FrameworkFont(2)), 14);
}

TEST_F(Languages, FamilyRegistryProbesOnce)
{
    FontFamily* courier = FindFontFamily("Courier New", 1);
    ASSERT_NE(courier, nullptr);
    EXPECT_TRUE(courier->fixed_pitch);  // registered at start-up
    int count = FontFamilyCount();
    FontFamily* sans = FindFontFamily(nullptr, 1);  // the default name
    ASSERT_NE(sans, nullptr);
    EXPECT_STREQ(sans->name, "MS Sans Serif");
    EXPECT_EQ(FindFontFamily("MS Sans Serif", 1), sans);
    EXPECT_LE(FontFamilyCount(), count + 1);
    int after = FontFamilyCount();
    EXPECT_EQ(FindFontFamily("Surely Not Installed Sans", 1), nullptr);
    EXPECT_EQ(FontFamilyCount(), after);
}
