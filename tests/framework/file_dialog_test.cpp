// Open and Save dialogs: filters and default extensions from the type registry, the start
// place, the chosen type, and the references made from the answers (scripted answers).
#include "framework/file_dialog.h"

#include <gtest/gtest.h>

#include "foundation/file_ref.h"

namespace {

constexpr std::uint16_t kGif = 2;
constexpr std::uint16_t kPrefs = 20;
constexpr std::uint16_t kAny = 30;

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        FileTypeRegistryClear();
        RegisterFileType(kGif, "gif", ".gif", "GIF image");
        RegisterFileType(kPrefs, "rqs", ".rqs", "Quillon settings");
        RegisterFileType(kAny, "", ".*", "Any file");
        FileDialogSetScript(&m_script);
        SetLastFileName("");
    }
    void TearDown() override
    {
        FileDialogSetScript(nullptr);
        FileTypeRegistryClear();
    }
    FileDialogScript m_script;
};

TEST_F(FileDialogs, FilterTextAndDefaultExtension)
{
    const std::uint16_t types[] = {kGif, kPrefs};
    const std::string expected("GIF image\0*.gif\0Quillon settings\0*.rqs\0\0", 40);
    EXPECT_EQ(FileDialogFilterText(FileDialogFilterEntries(types, 2)), expected);
    const std::uint16_t unknown_first[] = {99, kPrefs};  // unknown types are skipped
    const auto entries = FileDialogFilterEntries(unknown_first, 2);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].pattern, "*.rqs");
    EXPECT_EQ(FileDialogDefaultExtension(".gif"), "gif");
    EXPECT_EQ(FileDialogDefaultExtension(".*"), "");
    EXPECT_EQ(FileDialogDefaultExtension(".g?f"), "");
}

TEST_F(FileDialogs, CancelOrNoRegisteredTypeGivesNone)
{
    m_script.answer_path = nullptr;
    EXPECT_EQ(AskSaveFile(nullptr, kGif), nullptr);
    const std::uint16_t types[] = {kGif};
    EXPECT_EQ(AskOpenFile(nullptr, types, 1, nullptr), nullptr);
    // Without a registered type nothing is shown, whatever the answer would be.
    const std::uint16_t unknown[] = {77, 78};
    m_script.last_request = FileDialogRecord{};
    m_script.answer_path = "/tmp/a.gif";
    std::uint16_t chosen = 0;
    EXPECT_EQ(AskOpenFile(nullptr, unknown, 2, &chosen), nullptr);
    EXPECT_TRUE(m_script.last_request.filters.empty());
}

TEST_F(FileDialogs, OpenStartsAtTheReferenceAndGivesTheChosenType)
{
    const std::uint16_t types[] = {kGif, kPrefs};
    FileRefPtr start(FileRefNew("/home/user/art/", "walk", kGif, "gif"));
    m_script.answer_path = "/home/user/art/run.rqs";
    m_script.answer_filter = 1;
    std::uint16_t chosen = 0;
    FileRefPtr ref(AskOpenFile(start.get(), types, 2, &chosen));
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(m_script.last_request.directory, "/home/user/art/");
    EXPECT_EQ(m_script.last_request.file_name, "walk.gif");
    EXPECT_EQ(m_script.last_request.filter_index, 0);
    EXPECT_EQ(m_script.last_request.default_extension, "gif");
    EXPECT_FALSE(m_script.last_request.save);
    EXPECT_EQ(chosen, 1);
    EXPECT_STREQ(ref->name, "run");
    EXPECT_EQ(ref->type.id, kPrefs);
}

TEST_F(FileDialogs, ChangingTheTypeChangesTheExtensionATypedNameReceives)
{
    const std::uint16_t types[] = {kGif, kPrefs, kAny};
    m_script.answer_path = "/tmp/typed";
    m_script.answer_filter = 1;
    std::uint16_t chosen = 0;
    FileRefPtr prefs(AskOpenFile(nullptr, types, 3, &chosen));
    ASSERT_NE(prefs, nullptr);
    EXPECT_EQ(prefs->type.id, kPrefs);
    m_script.answer_filter = 2;  // a wildcard type adds nothing
    FileRefPtr plain(AskOpenFile(nullptr, types, 3, &chosen));
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(plain->name, "typed");
    EXPECT_EQ(plain->type.id, kFileTypeNoExtension);
}

TEST_F(FileDialogs, SaveGivesTheDirectoryBaseNameAndTheGivenType)
{
    SetLastFileName("untitled");
    m_script.answer_path = "/tmp/out/banner";
    FileRefPtr ref(AskSaveFile(nullptr, kGif));
    ASSERT_NE(ref, nullptr);
    EXPECT_TRUE(m_script.last_request.save);
    EXPECT_EQ(m_script.last_request.file_name, "untitled");  // the remembered name
    ASSERT_EQ(m_script.last_request.filters.size(), 1u);
    EXPECT_STREQ(ref->directory, "/tmp/out/");
    EXPECT_STREQ(ref->name, "banner");
    EXPECT_EQ(ref->type.id, kGif);
    EXPECT_STREQ(ref->type.extension, "gif");
}

}  // namespace
