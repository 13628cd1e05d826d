#include "foundation/file_access.h"
#include "foundation/file_ref.h"

#include "file_access_support.h"
#include "foundation/heap_string.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class Files : public ::testing::Test {
protected:
    void SetUp() override
    {
        FileTypeRegistryClear();
        RegisterFileType(2, "gif", ".gif", "GIF images");
        RegisterFileType(20, "rqs", ".rqs", "Preferences");
        FileSetNewShell(true);
    }
    void TearDown() override
    {
        FileSetNewShell(true);
        FileTypeRegistryClear();
    }
    std::string path_of(const FileRef* ref) { return StrPtr(FileRefPathNew(ref)).get(); }
    std::string display_of(const FileRef* ref) { return StrPtr(FileRefDisplayPath(ref)).get(); }

    TempFolder m_folder;
};

}  // namespace

TEST_F(Files, PathsFromReferences)
{
    FileRefPtr plain(FileRefNew("/a/", "name", kFileTypeNoExtension, ""));
    EXPECT_EQ(path_of(plain.get()), "/a/name");
    FileRefPtr gif(FileRefNew("/a/", "name", 2, "gif"));
    EXPECT_EQ(path_of(gif.get()), "/a/name.gif");
    char buffer[64];
    EXPECT_STREQ(FileRefPath(gif.get(), buffer), "/a/name.gif");
    EXPECT_EQ(StrPtr(FileRefDisplayName(gif.get())).get(), std::string("name.gif"));
}

TEST_F(Files, ReferencesFromPaths)
{
    struct Case {
        const char* path;
        const char* directory;
        const char* name;
        std::uint16_t type;
        const char* extension;
    } cases[] = {
        {"/a/b.c.gif", "/a/", "b.c", 2, "gif"},
        {"/a/ANIM.GIF", "/a/", "ANIM", 2, "GIF"},  // the type ignores case, the path keeps it
        {"/x/settings.rqs", "/x/", "settings", 20, "rqs"},
        {"/x/photo.png", "/x/", "photo", kFileTypeUnknown, "png"},
        {"/a.b/c", "/a.b/", "c", kFileTypeNoExtension, ""},
        {"/x/.hidden", "/x/", "", kFileTypeUnknown, "hidden"},
        {"/top.gif", "/", "top", 2, "gif"},
        {"/a/trailing.", "/a/", "trailing", kFileTypeNoExtension, ""},
    };
    for (const Case& c : cases) {
        FileRefPtr ref(FileRefFromPath(c.path));
        ASSERT_TRUE(ref) << c.path;
        EXPECT_STREQ(ref->directory, c.directory) << c.path;
        EXPECT_STREQ(ref->name, c.name) << c.path;
        EXPECT_EQ(ref->type.id, c.type) << c.path;
        EXPECT_STREQ(ref->type.extension, c.extension) << c.path;
        if (std::string(c.path).back() != '.') {
            EXPECT_EQ(display_of(ref.get()), c.path);
        }
    }
    EXPECT_FALSE(FileRefFromPath("relative.gif"));
    EXPECT_FALSE(FileRefFromPath(nullptr));
}

TEST_F(Files, SameComparesEveryPart)
{
    FileRefPtr a(FileRefFromPath("/a/b.gif"));
    FileRefPtr copy(FileRefCopy(a.get()));
    EXPECT_TRUE(FileRefSame(a.get(), copy.get()));
    FileRefPtr upper(FileRefFromPath("/a/b.GIF"));
    EXPECT_FALSE(FileRefSame(a.get(), upper.get()));
    FileRefPtr other(FileRefFromPath("/c/b.gif"));
    EXPECT_FALSE(FileRefSame(a.get(), other.get()));
}

TEST_F(Files, FoldersAndFilesInThem)
{
    FileRefPtr file(FileRefFromPath("/home/user/anim.gif"));
    FileRefPtr folder(FolderOf(file.get()));
    ASSERT_TRUE(folder);
    EXPECT_STREQ(folder->directory, "/home/");
    EXPECT_STREQ(folder->name, "user");
    EXPECT_EQ(folder->type.id, kFileTypeFolder);
    EXPECT_EQ(display_of(folder.get()), "/home/user");
    FileRefPtr again(FileInFolder(folder.get(), "anim", 2));
    EXPECT_TRUE(FileRefSame(again.get(), file.get()));

    FileRefPtr up(FolderOf(folder.get()));
    EXPECT_EQ(display_of(up.get()), "/home");
    FileRefPtr root(FolderOf(up.get()));
    ASSERT_TRUE(root);
    EXPECT_EQ(display_of(root.get()), "/");
    EXPECT_FALSE(FolderOf(root.get()));
    FileRefPtr at_root(FileInFolder(root.get(), "x", 2));
    EXPECT_EQ(display_of(at_root.get()), "/x.gif");
}

TEST_F(Files, StandardFolders)
{
    ScopedEnv xdg("XDG_CONFIG_HOME", m_folder.path().c_str());
    FileRefPtr prefs(PrefsFolderRef());
    ASSERT_TRUE(prefs);
    EXPECT_EQ(display_of(prefs.get()), m_folder.path() + "/quillon");
    EXPECT_TRUE(file_is_there(m_folder.path() + "/quillon"));
    FileRefPtr file(FileInFolder(prefs.get(), "Quillon Preferences", 20));
    EXPECT_EQ(display_of(file.get()), m_folder.path() + "/quillon/Quillon Preferences.rqs");

    FileRefPtr current(CurrentFolderRef());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(current->directory), std::string(cwd) + "/");
    EXPECT_STREQ(current->name, "file_access_test");
    EXPECT_EQ(current->type.id, kFileTypeProgram);
    FileRefPtr beside(FileInFolder(current.get(), "x", 20));
    EXPECT_EQ(display_of(beside.get()), std::string(cwd) + "/x.rqs");
}

TEST_F(Files, OldShellCutsNamesForAccessOnly)
{
    write_whole_file(m_folder.directory() + "abcdefgh.gif", "GIF89a");
    FileRefPtr ref(FileRefNew(m_folder.directory().c_str(), "abcdefghijkl", 2, "gif"));
    EXPECT_FALSE(FileExists(ref.get()));
    FileSetNewShell(false);
    EXPECT_TRUE(FileExists(ref.get()));
    EXPECT_EQ(path_of(ref.get()), m_folder.directory() + "abcdefgh.gif");
    EXPECT_EQ(display_of(ref.get()), m_folder.directory() + "abcdefghijkl.gif");
}

TEST_F(Files, CreateOpenDeleteAndSizes)
{
    FileRefPtr ref(FileRefNew(m_folder.directory().c_str(), "data", 2, "gif"));
    EXPECT_FALSE(FileExists(ref.get()));
    EXPECT_FALSE(FileOpen(ref.get(), FileMode::Read));
    EXPECT_TRUE(FileCreate(ref.get()));
    EXPECT_TRUE(FileExists(ref.get()));
    {
        OpenFilePtr file(FileOpen(ref.get(), FileMode::Update));
        ASSERT_TRUE(file);
        ASSERT_TRUE(FileWrite(file.get(), 5, "hello"));
        ASSERT_TRUE(FileWriteLine(file.get(), 3, "abc"));
        std::uint32_t size = 0, position = 0;
        ASSERT_TRUE(FileSize(file.get(), &size));
        EXPECT_EQ(size, 10u);
        ASSERT_TRUE(FileSetPos(file.get(), 1));
        char buffer[4];
        std::uint32_t got = 0;
        ASSERT_TRUE(FileRead(file.get(), 4, &got, buffer));
        EXPECT_EQ(std::string(buffer, got), "ello");
        ASSERT_TRUE(FileGetPos(file.get(), &position));
        EXPECT_EQ(position, 5u);
        ASSERT_TRUE(FileSetPos(file.get(), 10));
        ASSERT_TRUE(FileRead(file.get(), 4, &got, buffer));
        EXPECT_EQ(got, 0u);
    }
    EXPECT_EQ(read_whole_file(m_folder.directory() + "data.gif"), "helloabc\r\n");
    EXPECT_FALSE(FileCreate(ref.get()));  // exists: untouched
    EXPECT_EQ(read_whole_file(m_folder.directory() + "data.gif"), "helloabc\r\n");
    EXPECT_TRUE(FileDelete(ref.get()));
    EXPECT_FALSE(FileExists(ref.get()));
    EXPECT_TRUE(FileDelete(ref.get()));  // already gone
    FileRefPtr folder(FileRefNew("/nowhere/", "missing", kFileTypeFolder, ""));
    EXPECT_TRUE(FileExists(folder.get()));
}

TEST_F(Files, ReadLineSplitsAtCrLf)
{
    struct Case {
        const char* content;
        std::uint32_t buffer_size;
        std::vector<std::string> lines;
    } cases[] = {
        {"ab\r\ncd", 64, {"ab", "cd"}},
        {"x", 64, {}},  // a final line of one byte is not returned
        {"", 64, {}},
        {"a\r\n\r\nbc", 64, {"a", "", "bc"}},
        {"abcdef\r\n", 4, {"abcd", "ef"}},  // a long line comes in pieces
        {"a\nb\r\n", 64, {"a\nb"}},         // a lone LF is not a line end
        {"ab\r\n", 2, {"ab", ""}},          // then CR LF alone: an empty line
    };
    for (const Case& c : cases) {
        std::string path = m_folder.directory() + "lines.txt";
        write_whole_file(path, c.content);
        FileRefPtr ref(FileRefFromPath(path.c_str()));
        OpenFilePtr file(FileOpen(ref.get(), FileMode::Read));
        ASSERT_TRUE(file);
        std::vector<std::string> lines;
        char buffer[64];
        std::uint32_t length = 0;
        while (lines.size() < 10 && FileReadLine(file.get(), c.buffer_size, &length, buffer))
            lines.emplace_back(buffer, length);
        EXPECT_EQ(lines, c.lines) << c.content;
    }
}

TEST_F(Files, ReplacementSwapsInTheNewContentsOrMakesTheFile)
{
    std::string path = m_folder.directory() + "target.gif";
    write_whole_file(path, "old contents");
    chmod(path.c_str(), 0640);
    FileRefPtr ref(FileRefFromPath(path.c_str()));
    ASSERT_TRUE(FileReplaceContents(ref.get(), "new", 3));
    EXPECT_EQ(read_whole_file(path), "new");
    struct stat info { };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // A missing target is made.
    FileRefPtr fresh(FileRefNew(m_folder.directory().c_str(), "fresh", 2, "gif"));
    ASSERT_TRUE(FileReplaceContents(fresh.get(), "GIF89a", 6));
    EXPECT_EQ(read_whole_file(m_folder.directory() + "fresh.gif"), "GIF89a");
    EXPECT_EQ(m_folder.entries(), (std::vector<std::string>{"fresh.gif", "target.gif"}));
}

TEST_F(Files, UnfinishedOrFailedReplacementKeepsTheOldFile)
{
    std::string path = m_folder.directory() + "keep.gif";
    write_whole_file(path, "precious");
    FileRefPtr ref(FileRefFromPath(path.c_str()));
    {
        FileReplacement abandoned(ref.get());
        ASSERT_TRUE(abandoned.is_open());
        ASSERT_TRUE(abandoned.write("half", 4));
    }
    EXPECT_EQ(read_whole_file(path), "precious");
    {
        FileReplacement failing(ref.get());
        ASSERT_TRUE(failing.write("half", 4));
        failing.note(false);  // as when a later write fails
        EXPECT_FALSE(failing.write("more", 4));
        EXPECT_FALSE(failing.commit());
    }
    EXPECT_EQ(read_whole_file(path), "precious");
    EXPECT_EQ(m_folder.entries(), std::vector<std::string>{"keep.gif"});
}

TEST_F(Files, ReplacementThatCannotRenameLeavesNothingBehind)
{
    // A folder of the target's name: the rename over it fails.
    std::string path = m_folder.directory() + "busy.gif";
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    FileRefPtr ref(FileRefFromPath(path.c_str()));
    EXPECT_FALSE(FileReplaceContents(ref.get(), "x", 1));
    EXPECT_EQ(m_folder.entries(), std::vector<std::string>{"busy.gif"});
    FileRefPtr nowhere(FileRefFromPath((m_folder.directory() + "missing/a.gif").c_str()));
    FileReplacement replacement(nowhere.get());
    EXPECT_FALSE(replacement.is_open());
    EXPECT_FALSE(replacement.commit());
}
