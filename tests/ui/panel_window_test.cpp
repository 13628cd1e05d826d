// Panel windows and where windows go, offscreen. Rectangles are screen coordinates unless
// named client; the expected positions are worked out from the placement rules by hand,
// with the frame sizes the window system reports.
#include "ui/panel_window.h"

#include <cstdio>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/preferences.h"
#include "foundation/file_ref.h"
#include "framework/control_box.h"
#include "framework/frame_window.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"
#include "ui_support.h"

namespace {

using platform::Rect;

int g_saves = 0;

Rect main_area()
{
    const platform::Size client = platform::WindowClientSize(platform::MainWindow());
    const platform::Point origin = platform::WindowClientToScreen(platform::MainWindow(), platform::Point{0, 0});
    return platform::MakeRect(origin.x, origin.y, client.width, client.height);
}

// Content of a fixed size.
PanelContentBuilder fixed_content(int width, int height)
{
    return [width, height](View* container, bool) { return SpacerNew(container, width, height); };
}

FrameWindow* tool_window(int width, int height)
{
    FrameWindow* w = CreateFrameWindow(nullptr, "Pane", frame_flag::tool, platform::MakeRect(0, 0, width, height));
    platform::WindowShow(w->window, platform::Show::show_no_activate);
    return w;
}

class PanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        g_saves = 0;
        panel_window_state().save_preferences = [] { ++g_saves; };
        m_area = main_area();
    }
    void TearDown() override
    {
        for (FrameWindow* w : m_windows)
            FrameWindowClose(w);
        PumpAll();
    }
    FrameWindow* keep(FrameWindow* w)
    {
        m_windows.push_back(w);
        return w;
    }

    Rect m_area;
    std::vector<FrameWindow*> m_windows;
};

TEST_F(PanelWindowTest, NewPanelGoesDownTheRightEdgeAtLeast200High)
{
    struct Case {
        int from_bottom;  // the given top, as a distance above the area's bottom
        bool cut_to_200;
    };
    const Case cases[] = {{600, false}, {300, false}, {150, true}, {20, true}};
    for (const Case& c : cases) {
        PanelWindow panel;
        const int top = platform::RectHeight(m_area) - c.from_bottom;
        open_panel_window(panel, -1, "Panel", top, nullptr, fixed_content(50, 50));
        ASSERT_TRUE(panel.visible());
        const platform::Insets f = platform::WindowFrameInsets(panel.window()->window);
        const Rect client = FrameWindowClientBounds(panel.window());
        EXPECT_EQ(platform::RectWidth(client), 300);
        EXPECT_EQ(client.left, m_area.right - f.right - 300 - 5);
        if (c.cut_to_200) {
            EXPECT_EQ(platform::RectHeight(client), 200) << c.from_bottom;
            EXPECT_EQ(client.top, m_area.bottom - 5 - f.bottom - 200);
        } else {
            EXPECT_EQ(client.top, m_area.top + top + f.top + 5) << c.from_bottom;
            EXPECT_EQ(client.bottom, m_area.bottom - f.bottom - 5);
        }
    }
}

// A window that keeps its placement writes it to the preference file as soon as the user
// moves it, and opens there again once the file has been read back (moved inside the screen
// when the place would be off it); one that keeps none leaves the file alone.
TEST_F(PanelWindowTest, KeptPlacementGoesThroughThePreferenceFile)
{
    char folder[] = "/tmp/quillon-panel-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/placements.rqs";
    const FileRefPtr file(FileRefFromPath(path.c_str()));
    set_preference_locations(file.get(), nullptr);
    panel_window_state().save_preferences = nullptr;  // the real save
    const Rect screen = platform::ScreenWorkArea();
    struct Case {
        const char* what;
        bool kept;
        int move_to_left;  // outer left after the move, from the screen's left
        bool off_screen;   // the moved-to place is beyond the screen's right edge
    } cases[] = {
        {"kept", true, 150, false},
        {"kept off screen", true, platform::RectWidth(screen) + 400, true},
        {"not kept", false, 150, false},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        initialise_settings();
        SettingsRect& kept = settings().settings_window_placement;
        Rect moved{};
        platform::Insets f{};
        {
            PanelWindow panel;
            open_panel_window(panel, -1, "Settings", 0, c.kept ? &kept : nullptr, fixed_content(100, 100));
            PumpAll();
            f = platform::WindowFrameInsets(panel.window()->window);
            platform::WindowSetBounds(panel.window()->window,
                                      platform::MakeRect(screen.left + c.move_to_left, screen.top + 60, 260, 220));
            PumpAll();
            moved = FrameWindowClientBounds(panel.window());
        }
        Settings in_file;
        EXPECT_EQ(read_preference_file(file.get(), in_file), c.kept) << c.what;
        if (c.kept) {
            EXPECT_EQ(in_file.settings_window_placement.left, screen.left + c.move_to_left + f.left) << c.what;
            EXPECT_EQ(in_file.settings_window_placement.top, screen.top + 60 + f.top) << c.what;
            EXPECT_EQ(in_file.settings_window_placement.width, platform::RectWidth(moved)) << c.what;
            EXPECT_EQ(in_file.settings_window_placement.height, platform::RectHeight(moved)) << c.what;
        }

        // The next start: defaults, then the file.
        initialise_settings();
        (void)read_settings();
        PanelWindow again;
        open_panel_window(again, -1, "Settings", 0, c.kept ? &kept : nullptr, fixed_content(100, 100));
        const Rect client = FrameWindowClientBounds(again.window());
        f = platform::WindowFrameInsets(again.window()->window);
        if (!c.kept) {
            EXPECT_EQ(client.left, m_area.right - f.right - 300 - 5) << c.what;  // the right-edge rule
            continue;
        }
        EXPECT_EQ(platform::RectWidth(client), platform::RectWidth(moved)) << c.what;
        EXPECT_EQ(client.top, screen.top + 60 + f.top) << c.what;
        const int left = c.off_screen ? screen.right - f.right - platform::RectWidth(moved) : moved.left;
        EXPECT_EQ(client.left, left) << c.what;
    }
    std::remove(path.c_str());
    rmdir(folder);
    panel_window_state().save_preferences = [] { ++g_saves; };
}

// Closing hides; opening again shows the same window where it was, with its size.
TEST_F(PanelWindowTest, HiddenPanelReopensWhereItWas)
{
    SettingsRect kept{120, 140, 260, 220};
    PanelWindow panel;
    open_panel_window(panel, -1, "Settings", 0, &kept, fixed_content(100, 100));
    PumpAll();
    bool hidden = false;
    panel.on_hidden = [&hidden] { hidden = true; };
    platform::Message close;
    close.window = panel.window()->window;
    close.type = platform::MessageType::close;
    platform::DispatchMessage(close);
    EXPECT_TRUE(hidden);
    EXPECT_FALSE(panel.visible());
    ASSERT_TRUE(FrameWindowAlive(panel.window()));
    FrameWindow* same = panel.window();
    open_panel_window(panel, -1, "Settings", 0, &kept, fixed_content(100, 100));
    EXPECT_EQ(panel.window(), same);
    EXPECT_TRUE(panel.visible());
    const Rect client = FrameWindowClientBounds(panel.window());
    EXPECT_EQ(client.left, 120);
    EXPECT_EQ(client.top, 140);
    EXPECT_EQ(platform::RectWidth(client), 260);
}

TEST_F(PanelWindowTest, FittingGrowsToTheContentAndKeepsInside)
{
    View* spacer = nullptr;
    PanelWindow panel;
    open_panel_window(panel, -1, "Fit", 0, nullptr, [&spacer](View* container, bool) {
        spacer = SpacerNew(container, 400, 100);
        return spacer;
    });
    const Rect before = FrameWindowClientBounds(panel.window());
    fit_panel_window(panel, KeepInside::No);
    // 400 + two margins of 6 = 412 of content, plus the scroll bar (11) and 6.
    Rect client = FrameWindowClientBounds(panel.window());
    EXPECT_EQ(platform::RectWidth(client), 429);
    EXPECT_EQ(platform::RectHeight(client), platform::RectHeight(before));  // never shrinks
    EXPECT_EQ(client.left, before.left);

    fit_panel_window(panel, KeepInside::Yes);
    const Rect outer = platform::WindowBounds(panel.window()->window);
    EXPECT_EQ(outer.right, m_area.right - 5);

    // Smaller content after a relayout leaves the window as it is.
    ViewSetSize(spacer, 40, 40);
    relayout_panel_window(panel, spacer);
    fit_panel_window(panel, KeepInside::No);
    EXPECT_EQ(platform::RectWidth(FrameWindowClientBounds(panel.window())), 429);
}

TEST_F(PanelWindowTest, PanesStackBesideTheDocumentInColumns)
{
    struct Case {
        int doc_width;              // document client width at (10, 40), 200 high
        bool third_below_document;  // else: a second column at the top of the row
    };
    const Case cases[] = {{300, false}, {700, true}};
    for (const Case& c : cases) {
        FrameWindow* doc =
            keep(CreateFrameWindow(nullptr, "Doc", frame_flag::closable, platform::MakeRect(10, 40, c.doc_width, 200)));
        platform::WindowShow(doc->window, platform::Show::show);
        FrameWindow* panes[3] = {keep(tool_window(180, 300)), keep(tool_window(180, 300)), keep(tool_window(180, 300))};
        arrange_panes(doc, 3, panes);
        const Rect d = platform::WindowBounds(doc->window);
        const Rect docs = platform::MakeRect(d.left + m_area.left, d.top + m_area.top, platform::RectWidth(d),
                                             platform::RectHeight(d));
        Rect p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = platform::WindowBounds(panes[i]->window);
        const int w = platform::RectWidth(p[0]);
        EXPECT_EQ(p[0].left, docs.right + 3);
        EXPECT_EQ(p[0].top, docs.top);
        EXPECT_EQ(p[1].left, p[0].left);
        EXPECT_EQ(p[1].top, p[0].bottom + 3);
        if (c.third_below_document) {
            EXPECT_EQ(p[2].top, docs.bottom + 3);
            EXPECT_EQ(p[2].left, docs.right - w);
        } else {
            EXPECT_EQ(p[2].left, p[1].right + 3);
            EXPECT_EQ(p[2].top, docs.top);
        }
    }
}

TEST_F(PanelWindowTest, CascadeTakesTheNextFreePoint)
{
    FrameWindow* first =
        keep(CreateFrameWindow(nullptr, "A", frame_flag::closable, platform::MakeRect(400, 300, 200, 150)));
    FrameWindow* second =
        keep(CreateFrameWindow(nullptr, "B", frame_flag::closable, platform::MakeRect(400, 300, 200, 150)));
    place_new_window(first);
    platform::WindowShow(first->window, platform::Show::show);
    place_new_window(second);
    const platform::Insets f = platform::WindowFrameInsets(first->window);
    const Rect a = FrameWindowClientBounds(first);
    const Rect b = FrameWindowClientBounds(second);
    EXPECT_EQ(a.left, f.left + 3);
    EXPECT_EQ(a.top, f.top + 3);
    EXPECT_EQ(b.left, a.left + f.left + 3);
    EXPECT_EQ(b.top, a.top + f.top + 3);
}

TEST_F(PanelWindowTest, CascadeWithoutRoomFallsBackToASeededRandomPoint)
{
    const int width = platform::RectWidth(m_area) - 20;
    FrameWindow* wide =
        keep(CreateFrameWindow(nullptr, "Wide", frame_flag::closable, platform::MakeRect(0, 0, width, 100)));
    const platform::Insets f = platform::WindowFrameInsets(wide->window);
    Rect placed[2];
    for (Rect& r : placed) {
        panel_window_state().random.seed(7);
        place_new_window(wide);
        r = FrameWindowClientBounds(wide);
    }
    EXPECT_EQ(placed[0].left, placed[1].left);
    EXPECT_EQ(placed[0].top, placed[1].top);
    const int outer_h = 100 + f.top + f.bottom;
    EXPECT_GE(placed[0].top, f.top + 3);
    EXPECT_LT(placed[0].top, f.top + 3 + platform::RectHeight(m_area) - outer_h - 7);
}

TEST_F(PanelWindowTest, FocusHooksHearActivation)
{
    static std::vector<bool> heard;
    heard.clear();
    add_panel_focus_hook([](bool active) { heard.push_back(active); });
    PanelWindow first, second;
    open_panel_window(first, -1, "First", 0, nullptr, fixed_content(50, 50));
    open_panel_window(second, -1, "Second", 100, nullptr, fixed_content(50, 50));
    PumpAll();
    heard.clear();
    platform::WindowActivate(first.window()->window);
    PumpAll();
    platform::WindowActivate(second.window()->window);
    PumpAll();
    // The first becomes active, then gives way to the second (what the window system
    // activates afterwards is its own affair).
    ASSERT_GE(heard.size(), 3u);
    const std::vector<bool> expected = {true, false, true};
    EXPECT_EQ(std::vector<bool>(heard.begin(), heard.begin() + 3), expected);
}

TEST(PanelRandom, BelowTheBound)
{
    panel_window_state().random.seed(1);
    const std::uint32_t bounds[] = {0, 1, 2, 3, 1000, 0x80000001u, 0xFFFFFFFFu};
    for (std::uint32_t bound : bounds)
        for (int i = 0; i < 50; ++i) {
            const std::uint32_t r = panel_random_below(bound);
            if (bound == 0)
                EXPECT_EQ(r, 0u);
            else
                EXPECT_LT(r, bound);
        }
}

}  // namespace
