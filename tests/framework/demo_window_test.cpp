// A small program on the framework, run in the test: the framework's own start, a main
// window with a menu bar, two document windows, a tool window, text and a bitmap, the main
// loop until the main window goes, and the end. Once everything is painted, screenshots of
// the main and the tool window are checked pixel by pixel: the bitmap's exact colours in the
// first document window, the frame in the second, text in each, the menu bar's titles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "framework/menus.h"
#include "platform/qt/draw.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

FrameWindow* g_docs[2] = {nullptr, nullptr};
FrameWindow* g_tool = nullptr;
bool g_checked = false;

constexpr int kBitmapWidth = 64, kBitmapHeight = 32;

// A red-to-blue gradient as a 24-bit bottom-up buffer (blue, green, red per pixel), green
// 128 in the rows stored last.
std::vector<std::uint8_t> gradient(int* stride)
{
    *stride = (kBitmapWidth * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(*stride) * kBitmapHeight, 0);
    for (int row = 0; row < kBitmapHeight; ++row)
        for (int x = 0; x < kBitmapWidth; ++x) {
            std::uint8_t* p = &bits[static_cast<std::size_t>(row * *stride + x * 3)];
            p[0] = static_cast<std::uint8_t>(x * 255 / (kBitmapWidth - 1));
            p[1] = row < kBitmapHeight / 2 ? 0 : 128;
            p[2] = static_cast<std::uint8_t>(255 - x * 255 / (kBitmapWidth - 1));
        }
    return bits;
}

void fill(FrameWindow* window, platform::Colour colour)
{
    const platform::Size size = platform::WindowClientSize(window->window);
    platform::DrawFillRect(platform::WindowSurface(window->window), platform::MakeRect(0, 0, size.width, size.height),
                           colour);
}

void paint_first(FrameWindow* window, const platform::Rect&)
{
    fill(window, 0xFFFFFF);
    platform::Surface* s = platform::WindowSurface(window->window);
    platform::DrawText(s, 10, 8, "Quillon \xE9t\xE9 demo", FrameworkFont(0), 0x000000);
    int stride = 0;
    std::vector<std::uint8_t> bits = gradient(&stride);
    // Through an offscreen bitmap, as the frame display does.
    platform::Surface* band = platform::SurfaceNew(kBitmapWidth, kBitmapHeight);
    platform::DrawBottomUpRows(band, 0, kBitmapHeight, bits.data(), kBitmapWidth, stride);
    platform::DrawCopy(s, 10, 40, band, platform::MakeRect(0, 0, kBitmapWidth, kBitmapHeight));
    platform::SurfaceFree(band);
}

void paint_second(FrameWindow* window, const platform::Rect&)
{
    fill(window, 0xFFFFC0);
    platform::Surface* s = platform::WindowSurface(window->window);
    platform::DrawFrameRect(s, platform::MakeRect(20, 20, 100, 60), 0xFF0000, 3);
    platform::DrawText(s, 30, 40, "Second", FrameworkFont(1), 0x000080);
}

void paint_tool(FrameWindow* window, const platform::Rect&)
{
    fill(window, 0x2060A0);
    platform::DrawText(platform::WindowSurface(window->window), 8, 8, "Tool window", FrameworkFont(0), 0xFFFFFF);
}

void build_menus()
{
    MenuBar* bar = MenuBarNew();
    Menu* file = MenuNew(bar, "File", 'f');
    ItemNew(file, "Open...", 'o', 'O', nullptr, nullptr);
    ItemNew(file, "-", 0, 0, nullptr, nullptr);
    ItemNew(file, "Quit", 'q', 'Q', nullptr, nullptr);
    Menu* edit = MenuNew(bar, "Edit", 'e');
    ItemSetChecked(ItemNew(edit, "Interlace", 'i', 0, nullptr, nullptr), true);
    MenuBarInstall(bar);
}

platform::Surface* screenshot(platform::Window* window, const char* name)
{
    const std::string path = ScreenshotPath(name);
    if (!platform::WindowSaveScreenshot(window, path.c_str()))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return platform::SurfaceFromImageData(bytes.data(), bytes.size());
}

// Pixels of the w x h block at (x0, y0) darker than 300 (red + green + blue), or lighter than 600.
int count_pixels(const platform::Surface* s, int x0, int y0, int w, int h, bool dark)
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            const platform::Colour c = platform::SurfacePixel(s, x, y);
            const int sum = static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF));
            n += dark ? sum < 300 : sum > 600;
        }
    return n;
}

// Where a document window's client area lies in the main window's screenshot.
platform::Point origin_in_main(FrameWindow* window)
{
    const platform::Point p = platform::WindowClientToScreen(window->window, platform::Point{0, 0});
    const platform::Rect main = platform::WindowBounds(MainWindowInfo().window);
    return platform::Point{p.x - main.left, p.y - main.top};
}

void check(const platform::Surface* shot, const platform::Surface* tool)
{
    const platform::Size first_size = platform::WindowClientSize(g_docs[0]->window);
    EXPECT_EQ(first_size.width, 260);
    EXPECT_EQ(first_size.height, 120);
    // The gradient at (10, 40): red on the left, blue on the right, the rows stored first
    // (green 0) at the bottom.
    const platform::Point first = origin_in_main(g_docs[0]);
    const int bx = first.x + 10, by = first.y + 40;
    EXPECT_EQ(platform::SurfacePixel(shot, bx, by), 0xFF8000u);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 63, by), 0x0080FFu);
    EXPECT_EQ(platform::SurfacePixel(shot, bx, by + 31), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 63, by + 31), 0x0000FFu);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 64, by + 10), 0xFFFFFFu);  // white beside it
    EXPECT_GT(count_pixels(shot, first.x + 10, first.y + 8, 150, 16, true), 30);
    // The 3-pixel red frame at (20, 20) on the pale yellow background, and the text in it.
    const platform::Point second = origin_in_main(g_docs[1]);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 20, second.y + 20), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 22, second.y + 50), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 23, second.y + 25), 0xFFFFC0u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 5, second.y + 5), 0xFFFFC0u);
    EXPECT_GT(count_pixels(shot, second.x + 30, second.y + 40, 80, 16, true), 20);
    // The menu bar holds its titles above the document area.
    EXPECT_GT(count_pixels(shot, 0, 0, 120, std::min(first.y, 30), true), 10);
    const platform::Size size = platform::SurfaceSize(tool);
    EXPECT_GE(size.width, 160);
    EXPECT_EQ(platform::SurfacePixel(tool, size.width - 3, size.height - 3), 0x2060A0u);
    EXPECT_GT(count_pixels(tool, 0, 0, size.width, 30, false), 20);
}

void check_screenshots(void*)
{
    g_checked = true;
    platform::Surface* shot = screenshot(MainWindowInfo().window, "demo_main");
    platform::Surface* tool = screenshot(g_tool->window, "demo_tool");
    if (shot != nullptr && tool != nullptr)
        check(shot, tool);
    else
        ADD_FAILURE() << "no screenshot";
    platform::SurfaceFree(shot);
    platform::SurfaceFree(tool);
    platform::WindowDestroy(MainWindowInfo().window);  // ends the main loop
}

}  // namespace

TEST(DemoWindow, ScreenshotShowsWindowsTextAndBitmap)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char name[] = "demo_window";
    static char* argv[] = {name, nullptr};
    ASSERT_TRUE(FrameworkStart(1, argv, 1));
    platform::Window* main = CreateMainWindow();
    platform::WindowSetBounds(main, platform::MakeRect(0, 0, 640, 420));
    build_menus();
    g_docs[0] = CreateFrameWindow(nullptr, "First", frame_flag::closable | frame_flag::resizable,
                                  platform::MakeRect(10, 34, 260, 120));
    g_docs[0]->handlers.paint = paint_first;
    g_docs[1] = CreateFrameWindow(nullptr, "Second", frame_flag::closable, platform::MakeRect(300, 90, 200, 140));
    g_docs[1]->handlers.paint = paint_second;
    g_tool = CreateFrameWindow(nullptr, "Tools", frame_flag::tool | frame_flag::closable,
                               platform::MakeRect(700, 100, 160, 80));
    g_tool->handlers.paint = paint_tool;
    for (FrameWindow* w : {g_docs[0], g_docs[1], g_tool})
        platform::WindowShow(w->window, platform::Show::show);
    // The screenshots are taken once the queue has gone idle and everything is painted.
    TaskAfter(check_screenshots, nullptr, 150);
    RunMainLoop();
    FrameworkEnd();
    EXPECT_TRUE(g_checked);
}
