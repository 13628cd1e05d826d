// The document commands on real files: clearing comments (and replacing them with the
// stamp), making frames non-interlaced (same screen, flag cleared), with their progress runs
// paced on a clock the test moves; saving with and without the extra compression option,
// the saved screens checked by Pillow.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "codec/output_buffer.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"
#include "foundation/heap_string.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/progress_window.h"
#include "platform/qt/window.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "program_support.h"
#include "ui_support.h"

namespace {

std::uint32_t g_now = 0;
std::uint32_t fake_tick() { return g_now; }
void fake_sleep(std::uint32_t milliseconds) { g_now += milliseconds; }

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_program_for_tests();
        close_all_documents();
        SetLoopClock(LoopClock{fake_tick, fake_sleep});
    }
    void TearDown() override
    {
        close_all_documents();
        SetLoopClock(LoopClock{});
    }
};

bool empty(const StrPtr& text) { return !text || !text.get()[0]; }

TEST_F(Commands, ClearingCommentsEmptiesEveryComment)
{
    for (const bool then_stamp : {false, true}) {
        DocumentWindow* w = open_front("pil_multiple_comments.gif");
        if (!w)
            GTEST_SKIP() << "no corpus";
        Document& d = w->document();
        ASSERT_FALSE(empty(d.leading_comment));
        ASSERT_FALSE(w->changed());
        StrFree(settings().template_text);
        settings().template_text = nullptr;  // the stamp of an empty template is empty
        command_clear_comments(then_stamp);
        EXPECT_FALSE(ProgressIsOpen());
        for (Frame* frame : w->frames())
            EXPECT_TRUE(empty(frame->comment));
        EXPECT_TRUE(empty(d.leading_comment));
        EXPECT_TRUE(empty(d.trailing_comment));
        EXPECT_TRUE(w->changed());
        close_all_documents();
    }
}

TEST_F(Commands, MakingFramesNonInterlacedKeepsTheScreen)
{
    DocumentWindow* w = open_front("igif_interlaced.gif");
    if (!w)
        GTEST_SKIP() << "no corpus";
    Document& d = w->document();
    ASSERT_TRUE(w->frames()[0]->interlaced);
    const std::vector<std::uint8_t> before(d.canvas.pixels.get(), d.canvas.pixels.get() + d.canvas.size());
    command_make_non_interlaced();
    EXPECT_FALSE(w->frames()[0]->interlaced);
    EXPECT_TRUE(w->changed());
    EXPECT_EQ(d.current_frame, 0);
    const std::vector<std::uint8_t> after(d.canvas.pixels.get(), d.canvas.pixels.get() + d.canvas.size());
    EXPECT_EQ(after, before);
}

TEST_F(Commands, InsertingAStampKeepsTheOldTrailingCommentAfterTwoReturns)
{
    DocumentWindow* w = open_front("pil_dispose_bgnd.gif");
    if (!w)
        GTEST_SKIP() << "no corpus";
    Document& d = w->document();
    StrFree(settings().template_text);
    settings().template_text = StrDup("stamp");
    const struct {
        const char* before;
        const char* after;
    } cases[] = {{"", "stamp"}, {"old", "stamp\r\rold"}};
    for (const auto& c : cases) {
        d.trailing_comment.reset(StrDup(c.before));
        command_insert_stamp();
        EXPECT_STREQ(d.trailing_comment.get(), c.after);
    }
}

// The keyboard goes round the document window and its shown panes, in the order of the
// panes, forward with F6 and backward with Shift+F6; a hidden pane is left out.
TEST_F(Commands, F6GoesRoundTheDocumentAndItsShownPanes)
{
    DocumentWindow* w = open_front("pil_chi.gif");
    if (!w)
        GTEST_SKIP() << "no corpus";
    command_toggle_pane(PaneKind::Animation);
    pump(20);
    ASSERT_TRUE(w->pane(PaneKind::Animation) && w->pane(PaneKind::Frame));
    FrameWindow* document = w->frame_window();
    FrameWindow* animation = w->pane(PaneKind::Animation)->window();
    FrameWindow* frame = w->pane(PaneKind::Frame)->window();
    const auto press_f6 = [](std::uint8_t modifiers) {
        platform::Message key;
        key.window = platform::MainWindow();
        key.type = platform::MessageType::key_down;
        key.key = platform::key::F(6);
        key.modifiers = modifiers;
        platform::DispatchMessage(key);
        pump(20);
    };
    constexpr std::uint8_t kShift = platform::modifier::shift;
    const struct {
        std::uint8_t modifiers;
        FrameWindow* focused;
    } steps[] = {{0, animation}, {0, frame}, {0, document}, {kShift, frame}, {kShift, animation}, {kShift, document}};
    platform::WindowActivate(document->window);
    pump(20);
    ASSERT_EQ(FocusedFrameWindow(), document);
    for (const auto& step : steps) {
        press_f6(step.modifiers);
        EXPECT_EQ(FocusedFrameWindow(), step.focused) << int(step.modifiers);
        EXPECT_EQ(current_document(), &w->document());  // the panes act on it all along
    }
    command_toggle_pane(PaneKind::Animation);
    pump(20);
    press_f6(0);
    EXPECT_EQ(FocusedFrameWindow(), frame);
    press_f6(0);
    EXPECT_EQ(FocusedFrameWindow(), document);
}

std::vector<std::uint8_t> file_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What Pillow composes of each file: frame count, colours seen, size and a CRC per screen.
std::vector<std::string> pillow_screens(const std::vector<std::filesystem::path>& files)
{
    std::string command = "/usr/bin/python3 " QUILLON_COMPOSE_REFERENCE;
    for (const auto& file : files)
        command += " '" + file.string() + "'";
    const std::string text = CommandOutput(command);
    std::vector<std::string> screens;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        screens.push_back(text.substr(text.find(' ', at) + 1, end - text.find(' ', at) - 1));  // without the name
    return screens;
}

void edit_first_delay(Document& document) { document_frame_at(document, 0)->delay += 7; }

// The default writer's file for the document of `path` (edited as the case says), for comparison.
std::vector<std::uint8_t> default_file(const std::string& path, bool edited)
{
    DocumentPtr document(open_gif_file(path.c_str()));
    if (!document)
        return {};
    if (edited)
        edit_first_delay(*document);
    const std::uint32_t size = write_gif_to_buffer(*document, path.c_str());
    const MemPtr<std::uint8_t> bytes = output_buffer().finish();
    return std::vector<std::uint8_t>(bytes.get(), bytes.get() + size);
}

// The extra compression option: off, Save writes the default file; on, the saved file shows
// what the document shows (an unedited document: its original file, every colour of it) and
// is not larger than the original, nor than the default file unless that one merged colours.
TEST_F(Commands, ExtraCompressionOptionOnSave)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillon_extra_save";
    std::filesystem::create_directories(folder);
    const struct {
        const char* file;
        bool extra;
        bool edited;
        bool many_colours;     // more than 255: the default file merges some
        std::uint32_t frames;  // steps of the extra mode's progress report
    } cases[] = {
        {"pil_dispose_bgnd.gif", false, false, false, 5},
        {"pil_animated_hopper.gif", false, true, true, 4},
        {"pil_dispose_bgnd.gif", true, false, false, 5},
        {"pil_animated_hopper.gif", true, false, true, 4},  // 493 colours, every one kept
        {"pil_animated_hopper.gif", true, true, true, 4},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string input = corpus_path(c.file);
        if (input.empty() || !std::filesystem::exists(input))
            GTEST_SKIP() << "no corpus";
        const std::filesystem::path saved = folder / ("saved" + std::to_string(n) + ".gif");
        const std::filesystem::path reference = folder / ("default" + std::to_string(n++) + ".gif");
        std::filesystem::copy_file(input, saved, std::filesystem::copy_options::overwrite_existing);
        const std::vector<std::uint8_t> expected = default_file(saved.string(), c.edited);
        std::ofstream(reference, std::ios::binary)
            .write(reinterpret_cast<const char*>(expected.data()), static_cast<std::streamsize>(expected.size()));
        DocumentWindow* w = DocumentWindow::open(DocumentPtr(open_gif_file(saved.c_str())));
        ASSERT_NE(w, nullptr) << c.file;
        if (c.edited) {
            edit_first_delay(w->document());
            w->mark_changed();
        }
        settings().extra_compression = c.extra ? 1 : 0;
        RecordingReporter reporter;
        EXPECT_TRUE(save_current_document(*w, SaveMode::Write)) << c.file;
        settings().extra_compression = 0;
        close_all_documents();
        const std::vector<std::uint8_t> written = file_bytes(saved);
        const std::string caption = "Compressing \x93" + saved.filename().string() + "\x94 further";
        const auto extra_report =
            std::find_if(reporter.reports.begin(), reporter.reports.end(),
                         [&](const RecordingReporter::Progress& p) { return p.caption == caption; });
        ASSERT_EQ(extra_report != reporter.reports.end(), c.extra) << c.file;
        if (c.extra) {
            EXPECT_EQ(extra_report->total, c.frames) << c.file;
            EXPECT_GE(extra_report->done, 1u) << c.file;  // the mode may stop early: the input stands
            EXPECT_LE(extra_report->done, c.frames) << c.file;
        }
        if (!c.extra) {
            EXPECT_EQ(written, expected) << c.file;
            continue;
        }
        if (c.edited || !c.many_colours) {
            EXPECT_LE(written.size(), expected.size()) << c.file;
        }
        EXPECT_LE(written.size(), std::filesystem::file_size(input)) << c.file;
        const auto screens = pillow_screens({saved, c.edited ? reference : std::filesystem::path(input)});
        ASSERT_EQ(screens.size(), 2u) << c.file;
        EXPECT_EQ(screens[0], screens[1])
            << c.file << (c.edited ? " against the default file" : " against the original");
        if (!c.edited) {  // the English reports say "merged" when colours were merged
            for (const auto& [kind, message] : reporter.alerts)
                EXPECT_EQ(message.find("merged"), std::string::npos) << message;
        }
    }
}

}  // namespace
