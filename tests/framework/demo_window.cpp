// A small program on the framework (not the product): a main window with a menu bar, two
// document windows, a tool window, text and a bitmap. It saves screenshots of the main and
// the tool window and prints where the document windows' client areas lie in the first.
// Usage: quillon_demo_window main.png tool.png
#include <cstdint>
#include <cstdio>
#include <vector>

#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "framework/menus.h"
#include "platform/qt/draw.h"
#include "platform/qt/window.h"

namespace {

const char* g_main_png = nullptr;
const char* g_tool_png = nullptr;
FrameWindow* g_docs[2] = {nullptr, nullptr};
FrameWindow* g_tool = nullptr;
int g_result = 1;

constexpr int kBitmapWidth = 64, kBitmapHeight = 32;

// A red-to-blue gradient as a 24-bit bottom-up buffer (blue, green, red per pixel).
std::vector<std::uint8_t> gradient(int* stride)
{
    *stride = (kBitmapWidth * 3 + 3) & ~3;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(*stride) * kBitmapHeight, 0);
    for (int row = 0; row < kBitmapHeight; ++row)
        for (int x = 0; x < kBitmapWidth; ++x) {
            std::uint8_t* p = &bits[static_cast<std::size_t>(row * *stride + x * 3)];
            p[0] = static_cast<std::uint8_t>(x * 255 / (kBitmapWidth - 1));        // blue
            p[1] = row < kBitmapHeight / 2 ? 0 : 128;                              // green: lower half
            p[2] = static_cast<std::uint8_t>(255 - x * 255 / (kBitmapWidth - 1));  // red
        }
    return bits;
}

void paint_first(FrameWindow* window, const platform::Rect&)
{
    platform::Surface* s = platform::WindowSurface(window->window);
    platform::Size size = platform::WindowClientSize(window->window);
    platform::DrawFillRect(s, platform::MakeRect(0, 0, size.width, size.height), 0xFFFFFF);
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
    platform::Surface* s = platform::WindowSurface(window->window);
    platform::Size size = platform::WindowClientSize(window->window);
    platform::DrawFillRect(s, platform::MakeRect(0, 0, size.width, size.height), 0xFFFFC0);
    platform::DrawFrameRect(s, platform::MakeRect(20, 20, 100, 60), 0xFF0000, 3);
    platform::DrawText(s, 30, 40, "Second", FrameworkFont(1), 0x000080);
}

void paint_tool(FrameWindow* window, const platform::Rect&)
{
    platform::Surface* s = platform::WindowSurface(window->window);
    platform::Size size = platform::WindowClientSize(window->window);
    platform::DrawFillRect(s, platform::MakeRect(0, 0, size.width, size.height), 0x2060A0);
    platform::DrawText(s, 8, 8, "Tool window", FrameworkFont(0), 0xFFFFFF);
}

void print_client_origin(const char* name, FrameWindow* window, platform::Rect main_bounds)
{
    platform::Point p = platform::WindowClientToScreen(window->window, platform::Point{0, 0});
    platform::Size size = platform::WindowClientSize(window->window);
    std::printf("%s %d %d %d %d\n", name, p.x - main_bounds.left, p.y - main_bounds.top, size.width, size.height);
}

void finish(void*)
{
    platform::Window* main = MainWindowInfo().window;
    bool saved = platform::WindowSaveScreenshot(main, g_main_png);
    if (!platform::WindowSaveScreenshot(g_tool->window, g_tool_png)) {
        std::fprintf(stderr, "cannot save %s (window %s)\n", g_tool_png,
                     platform::WindowIsAlive(g_tool->window) ? "alive" : "gone");
        saved = false;
    }
    platform::Rect bounds = platform::WindowBounds(main);
    print_client_origin("first", g_docs[0], bounds);
    print_client_origin("second", g_docs[1], bounds);
    g_result = saved ? 0 : 1;
    platform::WindowDestroy(main);
}

void quit(void*) { platform::WindowDestroy(MainWindowInfo().window); }

void build_menus()
{
    MenuBar* bar = MenuBarNew();
    Menu* file = MenuNew(bar, "File", 'f');
    ItemNew(file, "Open...", 'o', 'O', nullptr, nullptr);
    ItemNew(file, "Save As...", 'a', 0, nullptr, nullptr);
    ItemNew(file, "-", 0, 0, nullptr, nullptr);
    ItemNew(file, "Quit", 'q', 'Q', quit, nullptr);
    Menu* edit = MenuNew(bar, "Edit", 'e');
    ItemNew(edit, "Copy", 'c', 'C', nullptr, nullptr);
    MenuItem* check = ItemNew(edit, "Interlace", 'i', 0, nullptr, nullptr);
    ItemSetChecked(check, true);
    MenuBarInstall(bar);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillon_demo_window main.png tool.png\n");
        return 2;
    }
    g_main_png = argv[1];
    g_tool_png = argv[2];
    char* no_arguments[] = {argv[0], nullptr};
    if (!FrameworkStart(1, no_arguments, 1)) {
        std::fprintf(stderr, "the window system cannot be started\n");
        return 1;
    }
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
    TaskAfter(finish, nullptr, 150);
    RunMainLoop();
    FrameworkEnd();
    return g_result;
}
