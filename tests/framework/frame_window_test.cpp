// Framework windows: classes from the build strings, creation flags and the windows they
// give, Ctrl+F4 and Ctrl+F6 among document windows, the click-away rule, the main
// window's close request.
#include "framework/frame_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/event_loop.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

class FrameWindows : public ::testing::Test {
protected:
    static void TearDownTestSuite() { WindowClassesEnd(); }
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        if (WindowClassCount() == 0)
            RegisterWindowClasses();
        PumpAll();
    }
    void TearDown() override
    {
        for (FrameWindow* w : made)
            FrameWindowClose(w);
        PumpAll();
    }
    FrameWindow* make(std::uint16_t flags, int x = 20, int y = 40)
    {
        FrameWindow* w = CreateFrameWindow(nullptr, "w", flags, platform::MakeRect(x, y, 120, 80));
        made.push_back(w);
        return w;
    }
    std::vector<FrameWindow*> made;
};

platform::Message key_down(std::uint16_t key, std::uint8_t held)
{
    platform::Message m;
    m.type = platform::MessageType::key_down;
    m.key = key;
    m.modifiers = held;
    return m;
}

int g_away = 0;
void away(FrameWindow*, MenuItem* item)
{
    if (item == nullptr)
        ++g_away;
}

}  // namespace

TEST_F(FrameWindows, ANamedClassIsUsedOnce)
{
    EXPECT_EQ(WindowClassIcon("JChildWindow-4"), 214);  // first + d + 10 on the new shell
    UseWindowClassOnce("JChildWindow-2");
    FrameWindow* named = make(0);
    FrameWindow* plain = make(0);
    EXPECT_STREQ(named->class_name, "JChildWindow-2");
    EXPECT_STREQ(plain->class_name, "JChildWindow");  // the naming is used once
}

TEST_F(FrameWindows, FlagsChooseKindInsetAndParent)
{
    struct Case {
        std::uint16_t flags;
        platform::WindowKind kind;
        int inset;
        bool has_parent;
        std::uint16_t flags_after;
    } cases[] = {
        {frame_flag::tool | frame_flag::closable, platform::WindowKind::tool, 20, false, 0x1001},
        {frame_flag::click_away, platform::WindowKind::popup, 1, false, 0x30},
        {frame_flag::popup, platform::WindowKind::popup, 1, false, 0x2000},
        {frame_flag::plain_popup, platform::WindowKind::plain_popup, 1, true, 0x40},
        {frame_flag::dialog, platform::WindowKind::dialog, 40, true, 0x20},
        {frame_flag::resizable, platform::WindowKind::document, 40, true, 0x2},
    };
    for (const Case& c : cases) {
        FrameWindow* w = make(c.flags);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(platform::WindowKindOf(w->window), c.kind) << c.flags;
        EXPECT_EQ(w->frame_inset, c.inset) << c.flags;
        EXPECT_EQ(platform::WindowParent(w->window) != nullptr, c.has_parent) << c.flags;
        EXPECT_EQ(w->flags, c.flags_after) << c.flags;
        platform::Size client = platform::WindowClientSize(w->window);
        EXPECT_EQ(client.width, 120) << c.flags;  // placed by its client area
        EXPECT_EQ(client.height, 80) << c.flags;
        EXPECT_EQ(FrameWindowOf(w->window), w);
    }
    // Every framework window is in the list, in creation order.
    List* list = FrameWindowList();
    std::vector<FrameWindow*> listed;
    for (ListNode* n = list->first; n != nullptr; n = n->next)
        listed.push_back(ListPointer<FrameWindow>(n->value));
    ASSERT_GE(listed.size(), made.size());
    EXPECT_TRUE(std::equal(made.begin(), made.end(), listed.end() - static_cast<long>(made.size())));
}

TEST_F(FrameWindows, CtrlF4ClosesTheActiveClosableDocument)
{
    FrameWindow* a = make(frame_flag::closable, 20, 40);
    FrameWindow* b = make(0, 200, 40);
    for (FrameWindow* w : {a, b})
        platform::WindowShow(w->window, platform::Show::show);
    PumpAll();
    platform::WindowActivate(b->window);
    PumpAll();
    ASSERT_EQ(ActiveDocument(), b);
    // Not closable: the key is swallowed and the window stays.
    EXPECT_TRUE(HandleKeyMessage(key_down(platform::key::F(4), platform::modifier::control)));
    PumpAll();
    EXPECT_TRUE(FrameWindowAlive(b));
    platform::WindowActivate(a->window);
    PumpAll();
    ASSERT_EQ(ActiveDocument(), a);
    EXPECT_TRUE(HandleKeyMessage(key_down(platform::key::F(4), platform::modifier::control)));
    PumpAll();
    EXPECT_FALSE(FrameWindowAlive(a));
    made.erase(made.begin());
}

TEST_F(FrameWindows, CtrlF6SendsTheActiveDocumentBack)
{
    FrameWindow* a = make(0, 20, 40);
    FrameWindow* b = make(0, 60, 60);
    FrameWindow* c = make(0, 100, 80);
    for (FrameWindow* w : {a, b, c})
        platform::WindowShow(w->window, platform::Show::show);
    PumpAll();
    ASSERT_EQ(ActiveDocument(), c);
    EXPECT_TRUE(HandleKeyMessage(key_down(platform::key::F(6), platform::modifier::control)));
    PumpAll();
    FrameWindow* after = ActiveDocument();
    EXPECT_NE(after, c);
    EXPECT_NE(after, nullptr);
    platform::Window* order[8];
    int n = platform::DocumentWindows(order, 8);
    ASSERT_GE(n, 3);
    EXPECT_EQ(order[n - 1], c->window);  // at the back of the z-order
    // While a modal window is up the keys are ordinary keys.
    ModalEnter(a);
    EXPECT_FALSE(HandleKeyMessage(key_down(platform::key::F(6), platform::modifier::control)));
    ModalLeave();
}

TEST_F(FrameWindows, ClickAwayTellsTheModalPopup)
{
    FrameWindow* popup = make(frame_flag::click_away);
    popup->handlers.notify = away;
    g_away = 0;
    ApplyClickAway();
    EXPECT_EQ(g_away, 0);  // not modal: nothing
    ModalEnter(popup);
    platform::Message press;
    press.window = MainWindowInfo().window;
    press.type = platform::MessageType::mouse_down;
    press.button = platform::MouseButton::left;
    platform::PostMessage(press);
    PumpAll();
    EXPECT_EQ(g_away, 1);
    ModalLeave();
}

namespace {
int g_quits = 0;
void on_quit(void*, const char*) { ++g_quits; }
}  // namespace

TEST_F(FrameWindows, ClosingTheMainWindowAsksTheQuitSlot)
{
    SetDocumentEventHandler(DocumentEvent::quit, on_quit, nullptr);
    platform::Message close;
    close.window = MainWindowInfo().window;
    close.type = platform::MessageType::close;
    ASSERT_NE(close.window, nullptr);
    platform::PostMessage(close);
    for (int i = 0; i < 1000 && g_quits == 0; ++i)
        PumpStep(nullptr, false, nullptr);
    EXPECT_EQ(g_quits, 1);
    EXPECT_TRUE(platform::WindowIsAlive(MainWindowInfo().window));
    EXPECT_TRUE(LoopRunning());
    SetDocumentEventHandler(DocumentEvent::quit, nullptr, nullptr);
}
