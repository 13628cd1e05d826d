#include "ui_support.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/string_tables.h"
#include "codec/frame_coding.h"
#include "framework/alert.h"
#include "foundation/heap_string.h"
#include "framework/builders.h"
#include "framework/language.h"
#include "platform/qt/window.h"

bool StartUiTests()
{
    static bool shown = false;
    if (!StartTestFramework())
        return false;
    if (!shown) {
        platform::WindowShow(platform::MainWindow(), platform::Show::show);
        shown = true;
    }
    return true;
}

DocumentPtr TestDocument(int width, int height, int colours, const std::vector<std::uint32_t>& delays,
                         std::uint8_t (*pixel)(int, int, int), const char* comment, bool interlace_odd)
{
    DocumentPtr doc(new_document());
    doc->screen_width = static_cast<std::uint16_t>(width);
    doc->screen_height = static_cast<std::uint16_t>(height);
    doc->palette_size = static_cast<std::uint16_t>(colours);
    doc->leading_comment.reset(StrDup(""));
    doc->trailing_comment.reset(StrDup(""));
    canvas_resize(doc->canvas, width, height, 255);
    int i = 0;
    for (std::uint32_t delay : delays) {
        FramePtr frame(new_frame());
        frame->rect = ScreenRect{0, 0, static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
        frame->delay = delay;
        frame->comment.reset(StrDup(comment));
        Canvas pixels;
        canvas_resize(pixels, width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.row(y)[x] = pixel(i, x, y);
        const bool interlaced = interlace_odd && i % 2 == 1;
        encode_frame_into(*frame, pixels, interlaced, colours);
        frame->interlaced = interlaced ? 1 : 0;
        doc->total_delay += delay;
        document_append_frame(*doc, std::move(frame));
        ++i;
    }
    doc->frame_count = i;
    return doc;
}

std::string CommandOutput(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        pclose(pipe);
    }
    return text;
}

std::string TakeAlert(FrameWindow* alert)
{
    if (alert == nullptr)
        return "";
    std::string text = control_text(alert_message(alert));
    alert_close(alert);
    return text;
}

void InEachLanguage(const std::function<void(const std::string&)>& shoot)
{
    shoot("");
    FrameworkHooks hooks;
    hooks.set_interface_language = SetInterfaceLanguage;
    install_framework_hooks(hooks);
    force_interface_language(9);
    if (InterfaceLanguage() == 9)
        shoot("_ja");
    force_interface_language(1);
    install_framework_hooks(FrameworkHooks{});
}

void Shoot(FrameWindow* window, const std::string& name)
{
    PumpAll();
    EXPECT_TRUE(platform::WindowSaveScreenshot(window->window, ScreenshotPath(name.c_str()).c_str())) << name;
}
