// Which commands are available and checked as documents come and go: no document, one
// frame, several frames, the pane toggles, and panes across a switch between two windows.
#include <gtest/gtest.h>

#include "framework/frame_window.h"
#include "framework/menus.h"
#include "ui/commands.h"
#include "ui/document_window.h"
#include "ui/ui_state.h"
#include "program_support.h"

namespace {

// What the items show: close, the three save items, the document menu, then the three
// pane toggles as enabled and checked.
struct ItemState {
    bool close, save, document_menu;
    bool pane_enabled[kPaneCount];
    bool pane_checked[kPaneCount];
};

ItemState observed()
{
    const CommandItems& items = ui_state().items;
    ItemState s{};
    s.close = ItemEnabled(items.close);
    s.save = ItemEnabled(items.save[0]) && ItemEnabled(items.save[1]) && ItemEnabled(items.save[2]);
    EXPECT_EQ(ItemEnabled(items.save[0]), ItemEnabled(items.save[2]));
    s.document_menu = items.document_menu->flags & 1;
    for (int i = 0; i < kPaneCount; ++i) {
        s.pane_enabled[i] = ItemEnabled(items.panes[i]);
        s.pane_checked[i] = ItemChecked(items.panes[i]);
    }
    return s;
}

void expect_state(const ItemState& want, const char* what)
{
    const ItemState got = observed();
    EXPECT_EQ(got.close, want.close) << what;
    EXPECT_EQ(got.save, want.save) << what;
    EXPECT_EQ(got.document_menu, want.document_menu) << what;
    for (int i = 0; i < kPaneCount; ++i) {
        EXPECT_EQ(got.pane_enabled[i], want.pane_enabled[i]) << what << ": pane item " << 24 + i;
        EXPECT_EQ(got.pane_checked[i], want.pane_checked[i]) << what << ": pane item " << 24 + i << " check";
    }
}

class CommandState : public ::testing::Test {
protected:
    void SetUp() override
    {
        start_program_for_tests();
        close_all_documents();
        window_switch(nullptr);
    }
    void TearDown() override { close_all_documents(); }
};

TEST_F(CommandState, FollowsTheFrontDocument)
{
    expect_state({false, false, false, {true, false, false}, {false, false, false}}, "no document");

    DocumentWindow* single = open_front("igif_alpha_gif_a.gif");
    if (!single)
        GTEST_SKIP() << "no corpus";
    expect_state({true, true, true, {true, false, false}, {false, false, false}}, "one frame");

    DocumentWindow* several = open_front("pil_dispose_bgnd.gif");
    ASSERT_NE(several, nullptr);
    expect_state({true, true, true, {true, true, true}, {false, true, false}}, "several frames (frame pane shown)");

    const struct {
        PaneKind pane;
        bool checked[kPaneCount];
    } toggles[] = {
        {PaneKind::Animation, {true, true, false}}, {PaneKind::Frame, {true, false, false}},
        {PaneKind::Range, {true, false, true}},     {PaneKind::Animation, {false, false, true}},
        {PaneKind::Frame, {false, true, true}},     {PaneKind::Range, {false, true, false}},
    };
    for (const auto& t : toggles) {
        command_toggle_pane(t.pane);
        expect_state({true, true, true, {true, true, true}, {t.checked[0], t.checked[1], t.checked[2]}},
                     "after a pane toggle");
    }
}

TEST_F(CommandState, APaneHiddenInOneWindowStaysHiddenAcrossASwitch)
{
    DocumentWindow* a = open_front("pil_dispose_bgnd.gif");
    if (!a)
        GTEST_SKIP() << "no corpus";
    command_toggle_pane(PaneKind::Frame);  // the user hides A's frame pane
    ASSERT_FALSE(a->pane_shown(PaneKind::Frame));
    DocumentWindow* b = open_front("pil_dispose_none.gif");
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->pane_shown(PaneKind::Frame));
    EXPECT_EQ(a->show_count(PaneKind::Frame), -1);
    window_switch(&a->document());
    EXPECT_FALSE(a->pane_shown(PaneKind::Frame));
    EXPECT_FALSE(b->pane_shown(PaneKind::Frame));
    expect_state({true, true, true, {true, true, true}, {false, false, false}}, "back to A");
    window_switch(&b->document());
    EXPECT_TRUE(b->pane_shown(PaneKind::Frame));
}

TEST_F(CommandState, RangePaneClosedWhileInFrontLeavesNoCurrentDocument)
{
    DocumentWindow* w = open_front("pil_dispose_bgnd.gif");
    if (!w)
        GTEST_SKIP() << "no corpus";
    command_toggle_pane(PaneKind::Range);
    ASSERT_NE(w->pane(PaneKind::Range), nullptr);
    SetFocusedFrameWindow(w->pane(PaneKind::Range)->window());
    command_toggle_pane(PaneKind::Range);
    EXPECT_EQ(w->pane(PaneKind::Range), nullptr);
    EXPECT_EQ(current_document(), nullptr);
}

TEST_F(CommandState, ClosingTheLastDocumentDisablesTheDocumentCommands)
{
    DocumentWindow* w = open_front("pil_dispose_bgnd.gif");
    if (!w)
        GTEST_SKIP() << "no corpus";
    FrameWindowClose(w->frame_window());
    pump();
    EXPECT_EQ(current_document(), nullptr);
    expect_state({false, false, false, {true, false, false}, {false, false, false}}, "after the close");
}

}  // namespace
