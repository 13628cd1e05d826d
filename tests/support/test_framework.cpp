#include "support/test_framework.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "foundation/formatter.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "platform/qt/window.h"

namespace {

// Shuts the window system down after the last test, so that a leak check sees only what
// the code under test lost.
class FrameworkEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (platform::MainWindow() != nullptr)
            platform::WindowDestroy(platform::MainWindow());
        LanguageEnd();
        platform::PlatformEnd();
    }
};

}  // namespace

bool StartTestFramework()
{
    static int started = -1;
    if (started >= 0)
        return started == 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // What the framework's start does for tests: the formatter, Qt, the fonts and the main
    // window (window classes and the command line are left to the tests that need them).
    static int argc = 1;
    static char name[] = "quillon_test";
    static char* argv[] = {name, nullptr};
    FormatterStart();
    started = platform::PlatformStart(argc, argv) ? 1 : 0;
    if (started == 1) {
        LanguageStart();
        SetLoopRunning(true);
        CreateMainWindow();
        ::testing::AddGlobalTestEnvironment(new FrameworkEnvironment);
        platform::WindowSetBounds(platform::MainWindow(), platform::MakeRect(0, 0, 1000, 760));
    }
    return started == 1;
}

FrameWindow* NewTestWindow(int width, int height, const char* title)
{
    FrameWindow* window = CreateFrameWindow(nullptr, title, frame_flag::dialog, platform::MakeRect(60, 60, 640, 480));
    FrameWindowSetBounds(window, platform::MakeRect(60, 60, width, height));
    platform::WindowShow(window->window, platform::Show::show);
    SetFocusedFrameWindow(window);
    return window;
}

void PumpAll()
{
    for (int i = 0; i < 200; ++i) {
        platform::Message message;
        if (!platform::PeekMessage(&message, nullptr))
            break;
        PumpStep(nullptr, false, nullptr);
    }
}

KeyEvent TestKey(std::uint8_t character, std::uint8_t modifiers)
{
    KeyEvent e;
    e.character = character;
    e.modifiers = modifiers;
    return e;
}

std::string ScreenshotPath(const char* name)
{
    const char* build = std::getenv("QUILLON_BUILD");
    std::filesystem::path folder =
        build != nullptr ? std::filesystem::path(build) / "screenshots" : std::filesystem::path("screenshots");
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / (std::string(name) + ".png")).string();
}
