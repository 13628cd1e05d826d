// Platform windows on the offscreen Qt platform: surfaces, invalidation and paint
// messages, closing, drawing with a clip, fonts and the native controls' drawing. (The
// queue's filter, menus and bottom-up rows are checked through the framework's tests.)
#include "platform/qt/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/qt/draw.h"
#include "platform/qt/fonts.h"

using namespace platform;

namespace {

class PlatformWindows : public ::testing::Test {
protected:
    // Qt (and the font configuration it loads) goes down with the suite.
    static void TearDownTestSuite() { PlatformEnd(); }
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "window_test";
        static char* argv[] = {name, nullptr};
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ASSERT_TRUE(PlatformStart(argc, argv));
    }
    void TearDown() override
    {
        for (Window* w : created)
            WindowDestroy(w);
        Message m;
        while (PeekMessage(&m, nullptr) && m.type != MessageType::paint)
            GetMessage(&m, nullptr);
    }
    Window* make(WindowKind kind, WindowProc proc = nullptr, Window* parent = nullptr)
    {
        WindowDesc d;
        d.kind = kind;
        d.proc = proc;
        d.parent = parent;
        d.title = "T\xE9st";
        d.style = window_style::system_menu | window_style::resizable;
        Window* w = WindowCreate(d);
        created.insert(created.begin(), w);
        return w;
    }
    // Takes every queued message.
    static void drain()
    {
        Message m;
        while (PeekMessage(&m, nullptr)) {
            if (m.type == MessageType::paint)
                WindowValidate(m.window);
            else
                GetMessage(&m, nullptr);
        }
    }
    std::vector<Window*> created;
};

std::vector<MessageType> g_seen;
std::intptr_t recording_proc(Window* window, const Message& m)
{
    g_seen.push_back(m.type);
    return DefaultWindowProc(window, m);
}

}  // namespace

TEST_F(PlatformWindows, ClientSizeFollowsBoundsAndSurfaceMatches)
{
    Window* main = make(WindowKind::main);
    WindowSetBounds(main, MakeRect(0, 0, 640, 480));
    WindowShow(main, Show::show);
    Window* doc = make(WindowKind::document);
    WindowSetBounds(doc, MakeRect(10, 10, 300, 200));
    WindowShow(doc, Show::show);
    Insets in = WindowFrameInsets(doc);
    Size client = WindowClientSize(doc);
    EXPECT_EQ(client.width, 300 - in.left - in.right);
    EXPECT_EQ(client.height, 200 - in.top - in.bottom);
    EXPECT_GT(in.top, in.bottom);  // the title bar
    Size surface = SurfaceSize(WindowSurface(doc));
    EXPECT_EQ(surface.width, client.width);
    EXPECT_EQ(surface.height, client.height);
}

TEST_F(PlatformWindows, InvalidationBecomesOnePaintWhenQueueIsEmpty)
{
    Window* main = make(WindowKind::main);
    WindowShow(main, Show::show);
    Window* tool = make(WindowKind::tool, recording_proc);
    WindowSetBounds(tool, MakeRect(50, 50, 120, 80));
    WindowShow(tool, Show::show);
    drain();
    Rect a = MakeRect(1, 1, 10, 10), b = MakeRect(30, 20, 5, 5);
    WindowInvalidate(tool, &a);
    WindowInvalidate(tool, &b);
    Message user;
    user.window = tool;
    user.type = MessageType::user;
    PostMessage(user);
    Message m;
    ASSERT_TRUE(PeekMessage(&m, nullptr));
    EXPECT_EQ(m.type, MessageType::user);  // queued messages come before paint
    GetMessage(&m, nullptr);
    ASSERT_TRUE(PeekMessage(&m, nullptr));
    ASSERT_EQ(m.type, MessageType::paint);
    EXPECT_EQ(m.window, tool);
    Rect area = BeginPaint(tool);
    EXPECT_TRUE(RectEqual(area, Rect{1, 1, 25, 35}));  // bounding box of both
    EndPaint(tool);
    EXPECT_FALSE(WindowNeedsPaint(tool));
}

TEST_F(PlatformWindows, CloseGoesThroughTheProcedureAndDestroySendsDestroy)
{
    make(WindowKind::main);
    g_seen.clear();
    Window* tool = make(WindowKind::tool, recording_proc);
    created.erase(created.begin());
    Message m;
    m.window = tool;
    m.type = MessageType::close;
    PostMessage(m);
    GetMessage(&m, nullptr);
    DispatchMessage(m);  // default procedure destroys it
    EXPECT_FALSE(WindowIsAlive(tool));
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0], MessageType::close);
    EXPECT_EQ(g_seen[1], MessageType::destroy);
}

TEST_F(PlatformWindows, DrawingLandsOnTheSurfaceWithinTheClip)
{
    Surface* s = SurfaceNew(20, 10);
    ASSERT_NE(s, nullptr);
    DrawFillRect(s, MakeRect(0, 0, 20, 10), 0x000000);
    DrawPushClip(s, MakeRect(5, 0, 10, 10));
    DrawFillRect(s, MakeRect(0, 2, 20, 3), 0xFF0000);
    DrawPopClip(s);
    EXPECT_EQ(SurfacePixel(s, 4, 3), 0x000000u);
    EXPECT_EQ(SurfacePixel(s, 5, 3), 0xFF0000u);
    EXPECT_EQ(SurfacePixel(s, 14, 3), 0xFF0000u);
    EXPECT_EQ(SurfacePixel(s, 15, 3), 0x000000u);
    DrawFrameRect(s, MakeRect(0, 0, 20, 10), 0x00FF00);
    EXPECT_EQ(SurfacePixel(s, 0, 0), 0x00FF00u);
    EXPECT_EQ(SurfacePixel(s, 19, 9), 0x00FF00u);
    EXPECT_EQ(SurfacePixel(s, 1, 1), 0x000000u);
    SurfaceFree(s);
}

TEST_F(PlatformWindows, FontSubstitutesResolve)
{
    const char* families[] = {"MS Sans Serif", "Times New Roman", "Courier New"};
    for (const char* f : families) {
        EXPECT_TRUE(FontFamilyResolves(f, charset::ansi)) << f;
        FontRequest r;
        r.family = f;
        r.size = 15;
        Font* font = FontCreate(r);
        ASSERT_NE(font, nullptr) << f;
        FontMetrics m = FontMetricsOf(font);
        EXPECT_NEAR(m.height, 15, 2) << f;
        FontFree(font);
    }
    EXPECT_FALSE(FontFamilyResolves("No Such Family 42", charset::ansi));
    std::string serif = FontResolvedFamily("Times New Roman", charset::ansi);
    std::string mono = FontResolvedFamily("Courier New", charset::ansi);
    std::string sans = FontResolvedFamily("MS Sans Serif", charset::ansi);
    EXPECT_NE(serif, mono);
    EXPECT_NE(serif, sans);
    // An East Asian family maps to an installed font of its script.
    if (FontFamilyResolves("MS Mincho", charset::shift_jis)) {
        EXPECT_NE(std::string(FontResolvedFamily("MS Mincho", charset::shift_jis)), sans);
    }
    // Widths and caret offsets add up along the text.
    Font* font = FontCreate(FontRequest{});
    const int one = MeasureText(font, "W").width;
    EXPECT_GT(one, 0);
    EXPECT_NEAR(MeasureText(font, "WWW").width, 3 * one, 2);
    int offsets[4];
    ASSERT_EQ(TextCaretOffsets(font, "WWW", 3, offsets, 4), 4);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_NEAR(offsets[3], MeasureText(font, "WWW").width, 1);
    FontFree(font);
}

TEST_F(PlatformWindows, NativeControlsDrawInTheirRectangles)
{
    Surface* s = SurfaceNew(220, 260);
    ASSERT_NE(s, nullptr);
    FontRequest r;
    Font* font = FontCreate(r);
    const std::uint32_t on = control_state::enabled;
    const Rect drawn[] = {MakeRect(10, 10, 90, 26),   MakeRect(110, 10, 100, 22), MakeRect(10, 50, 100, 22),
                          MakeRect(110, 50, 100, 24), MakeRect(10, 90, 200, 24),  MakeRect(10, 130, 200, 18),
                          MakeRect(10, 160, 120, 24), MakeRect(10, 200, 200, 50), MakeRect(150, 160, 16, 16)};
    DrawPushButton(s, drawn[0], "OK", font, on | control_state::default_button);
    DrawCheckBox(s, drawn[1], "Check", font, on | control_state::checked);
    DrawRadioButton(s, drawn[2], "Radio", font, on | control_state::checked);
    DrawComboBox(s, drawn[3], "Choice", font, on);
    DrawSlider(s, drawn[4], 0, 100, 30, on);
    DrawProgressBar(s, drawn[5], 0, 10, 6);
    DrawTextFieldFrame(s, drawn[6], on);
    DrawGroupFrame(s, drawn[7], "Group", font);
    DrawDisclosure(s, drawn[8], true, on);
    // Each control left more than one colour inside its rectangle, nothing outside them.
    for (const Rect& r : drawn) {
        const Colour first = SurfacePixel(s, r.left + 1, r.top + 1);
        bool varied = false;
        for (int y = r.top; y < r.bottom && !varied; ++y)
            for (int x = r.left; x < r.right && !varied; ++x)
                varied = SurfacePixel(s, x, y) != first;
        EXPECT_TRUE(varied) << r.left << "," << r.top;
    }
    EXPECT_EQ(SurfacePixel(s, 105, 45), 0xFFFFFFu);
    // The slider maps its ends to its range.
    EXPECT_EQ(SliderValueAt(drawn[4], 0, 100, drawn[4].left), 0);
    EXPECT_EQ(SliderValueAt(drawn[4], 0, 100, drawn[4].right - 1), 100);
    Size button = ControlNaturalSize(ControlKind::push_button, "Cancel", font);
    EXPECT_GT(button.width, MeasureText(font, "Cancel").width);
    FontFree(font);
    SurfaceFree(s);
}
