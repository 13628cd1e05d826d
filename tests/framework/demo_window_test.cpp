// Runs the demo program and checks pixels of its screenshots: the bitmap's exact colours
// in the first document window, the frame in the second, text drawn in each, the menu bar
// and the tool window.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/qt/draw.h"
#include "view_support.h"

#ifndef QUILLON_DEMO_WINDOW
#define QUILLON_DEMO_WINDOW "quillon_demo_window"
#endif

namespace {

struct ClientArea {
    int x = 0, y = 0, width = 0, height = 0;
};

platform::Surface* load_png(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return platform::SurfaceFromImageData(bytes.data(), bytes.size());
}

int count_pixels(const platform::Surface* s, int x0, int y0, int w, int h, bool (*pick)(platform::Colour))
{
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (pick(platform::SurfacePixel(s, x, y)))
                ++n;
    return n;
}

bool dark(platform::Colour c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 300; }
bool light(platform::Colour c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) > 600; }

}  // namespace

TEST(DemoWindow, ScreenshotShowsWindowsTextAndBitmap)
{
    ASSERT_TRUE(StartTestFramework());  // for decoding the PNG files
    std::string main_png = ScreenshotPath("demo_main");
    std::string tool_png = ScreenshotPath("demo_tool");
    std::remove(main_png.c_str());
    std::string command = std::string("QT_QPA_PLATFORM=offscreen \"") + QUILLON_DEMO_WINDOW + "\" \"" + main_png +
        "\" \"" + tool_png + "\" 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::map<std::string, ClientArea> areas;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string name;
        ClientArea a;
        if (fields >> name >> a.x >> a.y >> a.width >> a.height)
            areas[name] = a;
    }
    ASSERT_EQ(pclose(pipe), 0);
    ASSERT_EQ(areas.count("first"), 1u);
    ASSERT_EQ(areas.count("second"), 1u);

    platform::Surface* shot = load_png(main_png);
    ASSERT_NE(shot, nullptr);
    ClientArea first = areas["first"];
    EXPECT_EQ(first.width, 260);
    EXPECT_EQ(first.height, 120);
    // The gradient bitmap at (10, 40): red on the left, blue on the right. The buffer is
    // bottom-up: its first rows in memory (green 0) show at the bottom, the rows with
    // green 128 at the top.
    int bx = first.x + 10, by = first.y + 40;
    EXPECT_EQ(platform::SurfacePixel(shot, bx, by), 0xFF8000u);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 63, by), 0x0080FFu);
    EXPECT_EQ(platform::SurfacePixel(shot, bx, by + 31), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 63, by + 31), 0x0000FFu);
    EXPECT_EQ(platform::SurfacePixel(shot, bx + 64, by + 10), 0xFFFFFFu);  // white beside it
    // Text in the first line of the first window.
    EXPECT_GT(count_pixels(shot, first.x + 10, first.y + 8, 150, 16, dark), 30);

    ClientArea second = areas["second"];
    // The 3-pixel red frame at (20, 20) on the pale yellow background.
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 20, second.y + 20), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 22, second.y + 50), 0xFF0000u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 23, second.y + 25), 0xFFFFC0u);
    EXPECT_EQ(platform::SurfacePixel(shot, second.x + 5, second.y + 5), 0xFFFFC0u);
    EXPECT_GT(count_pixels(shot, second.x + 30, second.y + 40, 80, 16, dark), 20);
    // The menu bar holds its titles above the document area.
    EXPECT_GT(count_pixels(shot, 0, 0, 120, std::min(first.y, 30), dark), 10);
    platform::SurfaceFree(shot);

    platform::Surface* tool = load_png(tool_png);
    ASSERT_NE(tool, nullptr);
    platform::Size size = platform::SurfaceSize(tool);
    EXPECT_GE(size.width, 160);
    EXPECT_EQ(platform::SurfacePixel(tool, size.width - 3, size.height - 3), 0x2060A0u);
    EXPECT_GT(count_pixels(tool, 0, 0, size.width, 30, light), 20);
    platform::SurfaceFree(tool);
}
