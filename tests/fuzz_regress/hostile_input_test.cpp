// Hostile input: files that try to exhaust memory or time, and saves that fail half-way.
// A file beyond the limits is cut where it passes them with a clear message; a failed
// write of a GIF or of the preference file leaves the old file exactly as it was and tells
// the user through the reporter.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/preferences.h"
#include "app/report.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "app/text_resource.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "gif/gif_file_support.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "support/corpus.h"

namespace {

using namespace gif_file_test;
namespace fs = std::filesystem;

std::string formatted(int message, const char* file_name)
{
    const StrPtr text(FormatNew(app_string(message), file_name));
    return text.get();
}

bool has_warning(const std::string& text)
{
    for (const RecordedWarning& warning : recorded_warnings())
        if (warning.text == text)
            return true;
    return false;
}

// A screen of width x height with `frames` 1x1 frames at its top-left corner.
Bytes tiny_frames(int width, int height, int frames)
{
    GifBuilder gif;
    gif.header().screen(width, height, {0x000000, 0xFFFFFF}, 1);
    for (int i = 0; i < frames; ++i)
        gif.graphic_control(1, 2).image(0, 0, 1, 1, {static_cast<std::uint8_t>(i & 1)});
    return gif.trailer().bytes();
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_engine_for_tests();
        record_warnings();
    }
    void TearDown() override { set_document_memory_budget(kDefaultBudget); }

    static inline const std::uint64_t kDefaultBudget = document_memory_budget();
    RecordingReporter m_reporter;
    TempFolder m_folder;
};

// ---- Limits.

TEST_F(HostileInput, DecompressionBombsGiveAClearMessage)
{
    struct Case {
        const char* file;
        int frames_kept;
    };
    const Case cases[] = {
        {"pil_decompression_bomb.gif", 0},          // a 65535 x 1321 image far down the screen
        {"pil_decompression_bomb_extents.gif", 1},  // the second frame at 65535, 65535
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        record_warnings();
        DocumentPtr document = load_path(test_corpus::file(c.file));
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->frame_count, c.frames_kept);
        EXPECT_TRUE(has_warning(formatted(411, c.file)));
        EXPECT_LE(std::uint64_t{document->screen_width} * document->screen_height, canvas_pixel_limit());
    }
}

TEST_F(HostileInput, ScreenBeyondTheCanvasLimitIsRefusedNotAllocated)
{
    // 32767 x 32767 is a legal screen of 2^30 pixels: four times the canvas limit.
    const Bytes bytes = GifBuilder().header().screen(32767, 32767, {0, 0xFFFFFF}, 1).trailer().bytes();
    DocumentPtr document = load_bytes(m_folder, bytes, "huge.gif");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 0);
    EXPECT_TRUE(has_warning(formatted(411, "huge.gif")));
    EXPECT_LE(document->canvas.size(), canvas_pixel_limit());
}

TEST_F(HostileInput, DocumentBeyondTheMemoryBudgetKeepsWhatFits)
{
    // Every eighth frame stores a snapshot of the whole 1024 x 1024 screen: 400 tiny frames
    // would hold 50 of them. With a budget of 16 MiB only the first frames fit.
    const Bytes bytes = tiny_frames(1024, 1024, 400);
    set_document_memory_budget(16u << 20);
    DocumentPtr document = load_bytes(m_folder, bytes, "many.gif");
    ASSERT_NE(document, nullptr);
    EXPECT_GT(document->frame_count, 0);
    EXPECT_LT(document->frame_count, 400);
    EXPECT_TRUE(has_warning(formatted(411, "many.gif")));

    // The same file within the default budget loads whole and without that warning.
    set_document_memory_budget(kDefaultBudget);
    record_warnings();
    document = load_bytes(m_folder, bytes, "many.gif");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 400);
    EXPECT_FALSE(has_warning(formatted(411, "many.gif")));
}

// ---- Time stays linear: these complete (the timing itself belongs to the benchmarks).

TEST_F(HostileInput, TwentyThousandTinyFramesLoadAndSave)
{
    const Bytes bytes = tiny_frames(1, 1, 20000);
    DocumentPtr document = load_bytes(m_folder, bytes, "frames.gif");
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 20000);
    const std::uint32_t length = write_gif_to_buffer(*document, "frames.gif");
    EXPECT_GT(length, 20000u * 10);
    ASSERT_TRUE(save_document(*document, SaveMode::Write));
    DocumentPtr again = load_path(m_folder.file("frames.gif"), false);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->frame_count, 20000);
}

TEST_F(HostileInput, LongCommentsLoadAndSave)
{
    // One comment of 5 MB, and 20000 comments gathered before one image.
    const std::string long_text(5u << 20, 'c');
    GifBuilder gif;
    gif.header().screen(1, 1, {0, 0xFFFFFF}, 1).comment(long_text).image(0, 0, 1, 1, {1});
    const std::string piece(200, 'p');
    for (int i = 0; i < 20000; ++i)
        gif.comment(piece);
    gif.image(0, 0, 1, 1, {0}).trailer();
    DocumentPtr document = load_bytes(m_folder, gif.bytes(), "comments.gif");
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 2);
    EXPECT_EQ(StrLen(document->leading_comment.get()), long_text.size());
    // Joined with an empty line (two CRs) between neighbours.
    EXPECT_EQ(StrLen(document_frame_at(*document, 1)->comment.get()), 20000u * 200 + 19999u * 2);
    ASSERT_TRUE(save_document(*document, SaveMode::Write));
    DocumentPtr again = load_path(m_folder.file("comments.gif"), false);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(StrLen(again->leading_comment.get()), long_text.size());
    // No text is lost on the way through the file (line breaks aside).
    const std::string joined = document_frame_at(*again, 1)->comment.get();
    EXPECT_EQ(std::count(joined.begin(), joined.end(), 'p'), 20000 * 200);
}

// ---- Nothing lost when a write fails.

// The ways a write can fail, each set up by the test and undone afterwards.
enum class Failure { ShortWrite, FullDisk, PermissionDenied, TargetIsFolder };

const char* failure_name(Failure failure)
{
    switch (failure) {
    case Failure::ShortWrite:
        return "short write";
    case Failure::FullDisk:
        return "full disk";
    case Failure::PermissionDenied:
        return "permission denied";
    case Failure::TargetIsFolder:
        return "target is a folder";
    }
    return "";
}

// A tiny file system that is full, mounted for one test; not available without the right
// to mount (the test is then skipped).
class FullDisk {
public:
    explicit FullDisk(const std::string& where) : m_where(where)
    {
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(m_where.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    // Fills the rest of the file system.
    void fill() const
    {
        const int fd = ::open((m_where + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
        const std::vector<char> block(4096, 'f');
        while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) { }
        while (fd >= 0 && ::write(fd, block.data(), 1) > 0) { }
        if (fd >= 0)
            ::close(fd);
    }

private:
    std::string m_where;
    bool m_mounted = false;
};

// Writes past `limit` bytes of any file fail: the first write is cut short, the next is
// refused (the file size limit; the signal it raises is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_old_handler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit next = m_old;
        next.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &next);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_old_handler);
    }

private:
    rlimit m_old{};
    sighandler_t m_old_handler = SIG_DFL;
};

// Runs the save in a way that fails; for permission denied the root user (who may write
// anywhere) saves in a child process that has given up its rights. Returns the save's result
// and whether the reporter heard of the failure.
struct SaveAttempt {
    bool saved = true;
    bool told = false;
};

SaveAttempt attempt_as_unprivileged(const std::function<SaveAttempt()>& save)
{
    if (::geteuid() != 0)
        return save();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const SaveAttempt attempt = save();
        ::_exit((attempt.saved ? 1 : 0) | (attempt.told ? 2 : 0));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    SaveAttempt attempt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return attempt;  // saved = true: the check below fails and says so
    attempt.saved = (WEXITSTATUS(status) & 1) != 0;
    attempt.told = (WEXITSTATUS(status) & 2) != 0;
    return attempt;
}

std::vector<std::string> folder_entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Prepares a folder where saving `name` fails in the given way; the old file (or folder) is
// in place. Returns false when the way cannot be set up here (the test is then skipped).
class FailingFolder {
public:
    FailingFolder(const TempFolder& base, Failure failure, const std::string& name, const Bytes& old_bytes)
        : m_folder(base.file("target")), m_path(m_folder + "/" + name), m_failure(failure)
    {
        fs::create_directories(m_folder);
        if (failure == Failure::FullDisk) {
            m_disk = std::make_unique<FullDisk>(m_folder);
            if (!m_disk->mounted())
                return;
        }
        if (failure == Failure::TargetIsFolder) {
            fs::create_directories(m_path);
            write_file(m_path + "/inside", old_bytes);
        } else {
            write_file(m_path, old_bytes);
        }
        if (failure == Failure::FullDisk)
            m_disk->fill();
        if (failure == Failure::PermissionDenied)
            ::chmod(m_folder.c_str(), 0555);
        m_before = folder_entries(m_folder);
        m_ready = true;
    }
    ~FailingFolder() { ::chmod(m_folder.c_str(), 0755); }

    bool ready() const { return m_ready; }
    const std::string& path() const { return m_path; }

    SaveAttempt run(const std::function<SaveAttempt()>& save) const
    {
        if (m_failure == Failure::PermissionDenied)
            return attempt_as_unprivileged(save);
        if (m_failure == Failure::ShortWrite) {
            // Room for a few bytes of the new file only.
            const FileSizeLimit limit(40);
            return save();
        }
        return save();
    }

    // The old file (or the folder in its place) is as it was and no temporary file is left.
    void expect_intact(const Bytes& old_bytes) const
    {
        EXPECT_EQ(folder_entries(m_folder), m_before);
        if (m_failure == Failure::TargetIsFolder)
            EXPECT_EQ(read_file(m_path + "/inside"), old_bytes);
        else
            EXPECT_EQ(read_file(m_path), old_bytes);
    }

private:
    std::string m_folder;
    std::string m_path;
    Failure m_failure;
    std::unique_ptr<FullDisk> m_disk;
    std::vector<std::string> m_before;
    bool m_ready = false;
};

const Failure kFailures[] = {Failure::ShortWrite, Failure::FullDisk, Failure::PermissionDenied,
                             Failure::TargetIsFolder};

// What the user is told when a GIF cannot be saved: the new file could not be made beside
// the old one, written in full, or put in the old one's place.
int gif_failure_message(Failure failure)
{
    switch (failure) {
    case Failure::ShortWrite:
    case Failure::FullDisk:
        return 118;
    case Failure::PermissionDenied:
        return 116;
    case Failure::TargetIsFolder:
        return 335;
    }
    return 0;
}

TEST_F(HostileInput, FailedGifSaveKeepsTheOldFileAndTellsTheUser)
{
    // The old file: a small animation; the document to save is a larger one.
    const Bytes old_bytes = tiny_frames(4, 4, 3);
    GifBuilder larger;
    larger.header().screen(200, 200, {0x102030, 0xFFFFFF, 0xFF0000, 0x00FF00}, 2);
    std::vector<std::uint8_t> pixels(200 * 200);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i * 7 + i / 200) % 4);
    larger.image(0, 0, 200, 200, pixels).trailer();

    for (Failure failure : kFailures) {
        SCOPED_TRACE(failure_name(failure));
        TempFolder base;
        FailingFolder folder(base, failure, "old.gif", old_bytes);
        if (!folder.ready()) {
            // Only the full disk needs a right the test may lack (mounting a file system).
            EXPECT_EQ(failure, Failure::FullDisk);
            std::printf("note: %s not tried: no tmpfs could be mounted here\n", failure_name(failure));
            continue;
        }
        DocumentPtr document = load_bytes(base, larger.bytes(), "larger.gif");
        ASSERT_NE(document, nullptr);
        document->path.reset(StrDup(folder.path().c_str()));
        document->file_size = static_cast<std::uint32_t>(old_bytes.size());
        m_reporter.alerts.clear();
        m_reporter.answer = true;  // "save even though it is larger": yes
        const SaveAttempt attempt = folder.run([&] {
            SaveSummary summary;
            SaveAttempt result;
            result.saved = save_document(*document, SaveMode::Write, &summary);
            result.told = summary.outcome == SaveOutcome::WriteFailed && !m_reporter.alerts.empty() &&
                m_reporter.alerts.back().kind == AlertKind::Stop &&
                m_reporter.alerts.back().text == formatted(gif_failure_message(failure), "old.gif");
            return result;
        });
        EXPECT_FALSE(attempt.saved);
        EXPECT_TRUE(attempt.told);
        folder.expect_intact(old_bytes);
    }
}

const char* preference_text(int n)
{
    static const char* const kTexts[] = {"Quillon", "Preferences", "1.0", "", "", "", "", "", "Q", "P", "1"};
    return n >= 0 && n <= 10 ? kTexts[n] : "";
}
const char* template_text(int) { return "<date>"; }
int language_one() { return 1; }

TEST_F(HostileInput, FailedPreferenceSaveKeepsTheOldFileAndTellsTheUser)
{
    PreferenceTexts texts;
    texts.independent = preference_text;
    texts.application = template_text;
    texts.default_language = language_one;
    set_preference_texts(texts);
    set_preference_options(PreferenceOptions{});

    for (Failure failure : kFailures) {
        SCOPED_TRACE(failure_name(failure));
        TempFolder base;
        // The old file as an earlier save wrote it.
        const std::string scratch = base.file("scratch.rqs");
        const FileRefPtr scratch_ref(FileRefFromPath(scratch.c_str()));
        settings().offset_frames = 0;
        ASSERT_TRUE(write_preference_file(scratch_ref.get(), settings()));
        const Bytes old_bytes = read_file(scratch);
        ASSERT_FALSE(old_bytes.empty());

        FailingFolder folder(base, failure, "Quillon Preferences.rqs", old_bytes);
        if (!folder.ready()) {
            // Only the full disk needs a right the test may lack (mounting a file system).
            EXPECT_EQ(failure, Failure::FullDisk);
            std::printf("note: %s not tried: no tmpfs could be mounted here\n", failure_name(failure));
            continue;
        }
        const FileRefPtr target(FileRefFromPath(folder.path().c_str()));
        set_preference_locations(target.get(), nullptr);
        settings().offset_frames = 1;
        StrFree(settings().template_text);
        settings().template_text = StrDup(std::string(200, 't').c_str());  // longer than the room left
        m_reporter.alerts.clear();
        const SaveAttempt attempt = folder.run([&] {
            SaveAttempt result;
            result.saved = save_settings();
            result.told = !m_reporter.alerts.empty() && m_reporter.alerts.back().kind == AlertKind::Stop &&
                m_reporter.alerts.back().text.find("Quillon Preferences.rqs") != std::string::npos;
            return result;
        });
        EXPECT_FALSE(attempt.saved);
        EXPECT_TRUE(attempt.told);
        folder.expect_intact(old_bytes);
        set_preference_locations(nullptr, nullptr);
    }
    set_preference_texts(PreferenceTexts{});
}

}  // namespace

namespace {

// The bytes behind their check value (64-bit FNV-1a, written out here by hand).
std::vector<std::uint8_t> with_check_value(const std::vector<std::uint8_t>& rest)
{
    std::uint64_t check = 0xCBF29CE484222325ull;
    for (std::uint8_t byte : rest)
        check = (check ^ byte) * 0x100000001B3ull;
    std::vector<std::uint8_t> resource;
    for (int shift = 56; shift >= 0; shift -= 8)
        resource.push_back(static_cast<std::uint8_t>(check >> shift));
    resource.insert(resource.end(), rest.begin(), rest.end());
    return resource;
}

// A text resource made here with zlib, whose length field may claim another length than the payload really has.
std::vector<std::uint8_t> text_resource(const std::vector<std::uint8_t>& payload, std::uint32_t claimed)
{
    uLongf packed_size = compressBound(static_cast<uLong>(payload.size()));
    std::vector<std::uint8_t> packed(packed_size);
    EXPECT_EQ(compress2(packed.data(), &packed_size, payload.data(), static_cast<uLong>(payload.size()), 6), Z_OK);
    std::vector<std::uint8_t> rest = {static_cast<std::uint8_t>(claimed >> 24),
                                      static_cast<std::uint8_t>(claimed >> 16), static_cast<std::uint8_t>(claimed >> 8),
                                      static_cast<std::uint8_t>(claimed)};
    rest.insert(rest.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed_size));
    return with_check_value(rest);
}

// Bytes that do not compress to nothing: a slow pattern with a little noise.
std::vector<std::uint8_t> payload_of(std::size_t size)
{
    std::vector<std::uint8_t> payload(size);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        payload[i] = static_cast<std::uint8_t>((i / 7) ^ ((state >> 16) & 3));
    }
    return payload;
}

}  // namespace

// The unpacker sets aside only what the stream really delivers, growing as it fills; the
// length field must still match the stream exactly, on both sides of every growth step.
TEST(HostileTextResource, LengthMustMatchWhatTheStreamHolds)
{
    struct Case {
        const char* what;
        std::size_t real;
        std::uint32_t claimed;
        bool accepted;
    };
    const Case cases[] = {
        {"empty", 0, 0, true},
        {"small", 100, 100, true},
        {"exactly the first room", 65536, 65536, true},
        {"one past the first room", 65537, 65537, true},
        {"several growth steps", 300000, 300000, true},
        {"a few bytes claiming the largest length", 10, kMaxUnpackedLength, false},
        {"past the largest length", 10, kMaxUnpackedLength + 1, false},
        {"claims one byte more", 300000, 300001, false},
        {"claims one byte less", 300000, 299999, false},
        {"claims less than the first room", 100000, 50000, false},
        {"claims nothing, holds something", 10, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> payload = payload_of(c.real);
        const std::vector<std::uint8_t> resource = text_resource(payload, c.claimed);
        for (bool terminator : {false, true}) {
            std::vector<std::uint8_t> out = {0xEE};
            EXPECT_EQ(unpack_text_resource(resource.data(), resource.size(), terminator, out), c.accepted);
            if (!c.accepted) {
                EXPECT_EQ(out, std::vector<std::uint8_t>{0xEE}) << "a refused resource leaves out untouched";
                continue;
            }
            std::vector<std::uint8_t> expected = payload;
            if (terminator)
                expected.push_back(0);
            EXPECT_EQ(out, expected);
        }
    }
}

// A stream cut short at any point is refused, wherever the output buffer stood.
TEST(HostileTextResource, CutStreamsAreRefused)
{
    const std::vector<std::uint8_t> payload = payload_of(200000);
    const std::vector<std::uint8_t> whole = text_resource(payload, 200000);
    for (std::size_t keep : {std::size_t{13}, whole.size() / 4, whole.size() / 2, whole.size() - 1}) {
        SCOPED_TRACE(keep);
        // Cut the stream, then fix the check value so that only the stream is wrong.
        const std::vector<std::uint8_t> cut = with_check_value(
            std::vector<std::uint8_t>(whole.begin() + 8, whole.begin() + static_cast<std::ptrdiff_t>(keep)));
        std::vector<std::uint8_t> out;
        EXPECT_FALSE(unpack_text_resource(cut.data(), cut.size(), false, out));
        EXPECT_TRUE(out.empty());
    }
}
