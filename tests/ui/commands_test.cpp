// The document commands on real files: clearing comments (and replacing them with the
// stamp), making frames non-interlaced (same screen, flag cleared), with their progress runs
// paced on a clock the test moves.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "foundation/heap_string.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/progress_window.h"
#include "platform/qt/window.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "program_support.h"

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
    DocumentWindow* open_front(const char* name)
    {
        DocumentWindow* w = open_corpus(name);
        if (w && current_document() != &w->document())
            window_switch(&w->document());
        return w;
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

}  // namespace
