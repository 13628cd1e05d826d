// Platform windows on the offscreen Qt platform: surfaces, invalidation and paint
// messages, the queue and its filter, menus posting commands, fonts.
#include "platform/qt/window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/draw.h"
#include "platform/qt/fonts.h"
#include "platform/qt/menu.h"

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
    // Takes every queued message, returning those of a type.
    static std::vector<Message> drain(MessageType type)
    {
        std::vector<Message> found;
        Message m;
        while (PeekMessage(&m, nullptr)) {
            if (m.type == MessageType::paint) {
                WindowValidate(m.window);
                continue;
            }
            GetMessage(&m, nullptr);
            if (m.type == type)
                found.push_back(m);
        }
        return found;
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
    drain(MessageType::none);
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

TEST_F(PlatformWindows, FilterKeepsOtherWindowsMessagesQueued)
{
    Window* main = make(WindowKind::main);
    Window* a = make(WindowKind::tool);
    Window* b = make(WindowKind::popup);
    drain(MessageType::none);
    Message m;
    m.type = MessageType::user;
    m.window = a;
    m.value = 1;
    PostMessage(m);
    m.window = b;
    m.value = 2;
    PostMessage(m);
    Message got;
    ASSERT_TRUE(PeekMessage(&got, b));
    EXPECT_EQ(got.value, 2u);
    ASSERT_TRUE(GetMessage(&got, b));
    EXPECT_FALSE(PeekMessage(&got, b));
    ASSERT_TRUE(PeekMessage(&got, nullptr));
    EXPECT_EQ(got.window, a);
    (void)main;
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

TEST_F(PlatformWindows, BottomUpRowsArriveUpsideDownInBgrOrder)
{
    Surface* s = SurfaceNew(3, 4);
    // Two rows of 3 pixels, stride 12 (3 x 3 rounded up to 4): blue, green, red per pixel.
    const std::uint8_t bits[24] = {
        0xFF, 0,    0,    0,    0xFF, 0,    0,    0,    0xFF, 0, 0, 0,  // first in memory: bottom row
        0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0, 0, 0};
    // Two rows starting at line 2 from the bottom: the top two rows of the surface.
    DrawBottomUpRows(s, 2, 2, bits, 3, 12);
    EXPECT_EQ(SurfacePixel(s, 0, 1), 0x0000FFu);  // blue
    EXPECT_EQ(SurfacePixel(s, 1, 1), 0x00FF00u);
    EXPECT_EQ(SurfacePixel(s, 2, 1), 0xFF0000u);
    EXPECT_EQ(SurfacePixel(s, 0, 0), 0x302010u);
    EXPECT_EQ(SurfacePixel(s, 0, 2), 0xFFFFFFu);  // untouched
    SurfaceFree(s);
}

TEST_F(PlatformWindows, MenuItemsPostTheirCommand)
{
    Window* main = make(WindowKind::main);
    NativeMenu* bar = NativeMenuNew();
    NativeMenu* file = NativeMenuNew();
    NativeMenuAppendItem(file, 0x1234, "&Open\tCtrl+O", true, false);
    NativeMenuAppendSeparator(file);
    NativeMenuAppendItem(file, 7, "&Quit", false, true);
    NativeMenuInsertPopup(bar, -1, file, "&File", true);
    WindowSetMenuBar(main, bar);
    EXPECT_STREQ(NativeMenuEntryText(file, 0), "&Open\tCtrl+O");
    EXPECT_STREQ(NativeMenuEntryText(file, 1), "-");
    EXPECT_FALSE(NativeMenuEntryEnabled(file, 2));
    EXPECT_TRUE(NativeMenuEntryChecked(file, 2));
    drain(MessageType::none);
    NativeMenuTrigger(file, 0);
    std::vector<Message> commands = drain(MessageType::command);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].value, 0x1234u);
    EXPECT_EQ(commands[0].window, main);
    WindowSetMenuBar(main, nullptr);
    NativeMenuFree(file);
    NativeMenuFree(bar);
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
}

TEST_F(PlatformWindows, TextWidthGrowsWithText)
{
    FontRequest r;
    Font* font = FontCreate(r);
    ASSERT_NE(font, nullptr);
    Size one = MeasureText(font, "W");
    Size three = MeasureText(font, "WWW");
    EXPECT_GT(one.width, 0);
    EXPECT_NEAR(three.width, 3 * one.width, 2);
    int offsets[4];
    ASSERT_EQ(TextCaretOffsets(font, "WWW", 3, offsets, 4), 4);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_NEAR(offsets[3], three.width, 1);
    FontFree(font);
}

TEST_F(PlatformWindows, NativeControlsDrawInTheirRectangles)
{
    Surface* s = SurfaceNew(220, 260);
    ASSERT_NE(s, nullptr);
    FontRequest r;
    Font* font = FontCreate(r);
    const std::uint32_t on = control_state::enabled;
    struct Drawn {
        Rect r;
    } drawn[] = {{MakeRect(10, 10, 90, 26)},   {MakeRect(110, 10, 100, 22)}, {MakeRect(10, 50, 100, 22)},
                 {MakeRect(110, 50, 100, 24)}, {MakeRect(10, 90, 200, 24)},  {MakeRect(10, 130, 200, 18)},
                 {MakeRect(10, 160, 120, 24)}, {MakeRect(10, 200, 200, 50)}, {MakeRect(150, 160, 16, 16)}};
    DrawPushButton(s, drawn[0].r, "OK", font, on | control_state::default_button);
    DrawCheckBox(s, drawn[1].r, "Check", font, on | control_state::checked);
    DrawRadioButton(s, drawn[2].r, "Radio", font, on | control_state::checked);
    DrawComboBox(s, drawn[3].r, "Choice", font, on);
    DrawSlider(s, drawn[4].r, 0, 100, 30, on);
    DrawProgressBar(s, drawn[5].r, 0, 10, 6);
    DrawTextFieldFrame(s, drawn[6].r, on);
    DrawGroupFrame(s, drawn[7].r, "Group", font);
    DrawDisclosure(s, drawn[8].r, true, on);
    const char* out = std::getenv("QUILLON_CONTROLS_PNG");
    if (out != nullptr) {
        EXPECT_TRUE(SurfaceSavePng(s, out));
    }
    // Each control left more than one colour inside its rectangle, nothing outside them.
    for (const Drawn& d : drawn) {
        Colour first = SurfacePixel(s, d.r.left + 1, d.r.top + 1);
        bool varied = false;
        for (int y = d.r.top; y < d.r.bottom && !varied; ++y)
            for (int x = d.r.left; x < d.r.right && !varied; ++x)
                varied = SurfacePixel(s, x, y) != first;
        EXPECT_TRUE(varied) << d.r.left << "," << d.r.top;
    }
    EXPECT_EQ(SurfacePixel(s, 105, 45), 0xFFFFFFu);
    // The slider maps its ends to its range.
    EXPECT_EQ(SliderValueAt(drawn[4].r, 0, 100, drawn[4].r.left), 0);
    EXPECT_EQ(SliderValueAt(drawn[4].r, 0, 100, drawn[4].r.right - 1), 100);
    Size button = ControlNaturalSize(ControlKind::push_button, "Cancel", font);
    EXPECT_GT(button.width, MeasureText(font, "Cancel").width);
    FontFree(font);
    SurfaceFree(s);
}
