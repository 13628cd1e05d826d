#include "platform/core/files.h"
#include "platform/core/locale.h"

#include "file_access_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <unistd.h>

TEST(PlatformFiles, WriteReadSeekAndSize)
{
    TempFolder folder;
    std::string path = folder.path() + "/a.bin";
    int file = platform::file_create_new(path.c_str());
    ASSERT_NE(file, platform::kNoFile);
    EXPECT_EQ(platform::file_create_new(path.c_str()), platform::kNoFile);
    ASSERT_TRUE(platform::file_write(file, "hello world", 11));
    std::uint64_t size = 0;
    ASSERT_TRUE(platform::file_size(file, &size));
    EXPECT_EQ(size, 11u);
    ASSERT_TRUE(platform::file_seek(file, 6));
    char buffer[16] = {};
    std::uint32_t got = 0;
    ASSERT_TRUE(platform::file_read(file, buffer, 16, &got));
    EXPECT_EQ(std::string(buffer, got), "world");
    ASSERT_TRUE(platform::file_read(file, buffer, 16, &got));
    EXPECT_EQ(got, 0u);  // past the end succeeds with nothing
    std::uint64_t position = 0;
    ASSERT_TRUE(platform::file_position(file, &position));
    EXPECT_EQ(position, 11u);
    EXPECT_TRUE(platform::file_close(file));
    EXPECT_TRUE(platform::path_is_file(path.c_str()));
    EXPECT_FALSE(platform::path_is_folder(path.c_str()));
    EXPECT_TRUE(platform::path_delete(path.c_str()));
    EXPECT_FALSE(platform::path_is_file(path.c_str()));
}

TEST(PlatformFiles, OpenRefusesMissingFilesAndFolders)
{
    TempFolder folder;
    EXPECT_EQ(platform::file_open((folder.path() + "/missing").c_str(), platform::FileAccess::Read), platform::kNoFile);
    EXPECT_EQ(platform::file_open(folder.path().c_str(), platform::FileAccess::Read), platform::kNoFile);
}

TEST(PlatformFolders, ConfigFolderFollowsAnAbsoluteXdgOrElseHome)
{
    TempFolder folder;
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", (folder.path() + "/deep/config/").c_str());
        const std::string expected = folder.path() + "/deep/config/quillon";
        EXPECT_EQ(platform::config_folder(), expected);
        EXPECT_TRUE(platform::path_is_folder(expected.c_str())) << "made when missing";
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/path");
    ScopedEnv home("HOME", folder.path().c_str());
    EXPECT_EQ(platform::config_folder(), folder.path() + "/.config/quillon");
}

TEST(PlatformFolders, CurrentAndProgramFolders)
{
    char buffer[4096];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(platform::current_folder(), std::string(buffer));
    EXPECT_EQ(platform::program_name(), "platform_core_test");
    std::string program = platform::program_folder() + "/" + platform::program_name();
    EXPECT_TRUE(platform::path_is_file(program.c_str()));
}

TEST(PlatformLocale, CodePageFollowsTheLanguage)
{
    struct Case {
        const char* locale;
        std::uint16_t code_page;
    } cases[] = {
        {"ja_JP.UTF-8", 932}, {"ko_KR.EUC-KR", 949},
        {"zh_TW.UTF-8", 950}, {"zh_HK", 950},
        {"zh_Hant", 950},     {"zh_CN.GB18030", 936},
        {"zh_SG", 936},       {"en_US.UTF-8", 1252},
        {"de_DE@euro", 1252}, {"C", 1252},
        {"", 1252},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::code_page_for_locale(c.locale), c.code_page) << c.locale;
}

TEST(PlatformLocale, DecimalSeparatorOfTheCLocaleIsThePoint)
{
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(platform::decimal_separator(), '.');
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(platform::decimal_separator(), ',');
        std::setlocale(LC_NUMERIC, "C");
    }
}
