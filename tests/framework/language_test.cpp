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

TEST_F(Languages, SwitchSetsFontsCharsetLocaleAndMnemonics)
{
    const struct {
        int language, sizes[3], charset, locale, script_class, code_page;
        int font_sizes[3];  // a size of 0 asks for the default, 15
    } cases[] = {
        {9, {0, 16, 0}, 128, 1041, 1, 932, {15, 16, 15}},
        {12, {12, 13, 14}, 0, -1, 0, 1252, {12, 13, 14}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(SetInterfaceLanguage(c.language, c.sizes[0], c.sizes[1], c.sizes[2]));
        EXPECT_EQ(InterfaceLanguage(), c.language);
        EXPECT_EQ(InterfaceCharset(), c.charset);
        if (c.locale >= 0) {
            EXPECT_EQ(ThreadLocale(), c.locale);
        }
        EXPECT_EQ(WesternInterface(), c.script_class == 0);
        EXPECT_EQ(MenuScriptClass(), c.script_class);
        EXPECT_EQ(platform::TextCodePage(), c.code_page);
        for (int slot = 0; slot < 3; ++slot)
            EXPECT_EQ(platform::FontSize(FrameworkFont(slot)), c.font_sizes[slot]) << slot;
        // Back to a Western language: Windows-1252 and Western mnemonics again.
        ASSERT_TRUE(SetInterfaceLanguage(1, 15, 15, 15));
        EXPECT_EQ(platform::TextCodePage(), 1252);
        EXPECT_EQ(MenuScriptClass(), 0);
    }
    EXPECT_STREQ(ScriptSettingsOf(9).family, "MS Mincho");
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
