// Screenshots of the animation pane, the range pane and the topics window, in English and
// (when a Japanese font is installed) in Japanese, for review.
#include <gtest/gtest.h>

#include <string>

#include "app/string_tables.h"
#include "codec/frame_coding.h"
#include "document/document.h"
#include "foundation/time_text.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "platform/qt/window.h"
#include "ui/animation_pane.h"
#include "ui/info_windows.h"
#include "ui/range_pane.h"
#include "ui_support.h"

namespace {

DocumentPtr sample_document()
{
    DocumentPtr doc(new_document());
    doc->screen_width = 120;
    doc->screen_height = 90;
    doc->palette_size = 48;
    doc->file_size = 48213;
    doc->loop_present = 1;
    doc->loop_count = 3;
    doc->leading_comment.reset(StrDup("Drawn frame by frame"));
    doc->trailing_comment.reset(StrDup("Optimized by Quillon"));
    std::uint8_t* bg = doc->palette.get() + 765;
    bg[0] = 240, bg[1] = 200, bg[2] = 64;
    canvas_resize(doc->canvas, 120, 90, 255);
    for (int i = 0; i < 12; ++i) {
        FramePtr frame(new_frame());
        frame->rect = ScreenRect{0, 0, 90, 120};
        frame->delay = 8;
        frame->comment.reset(StrDup(""));
        Canvas pixels;
        canvas_resize(pixels, 120, 90, static_cast<std::uint8_t>(i));
        encode_frame_into(*frame, pixels, false, 48);
        doc->total_delay += frame->delay;
        document_append_frame(*doc, std::move(frame));
    }
    doc->frame_count = 12;
    return doc;
}

void shoot(FrameWindow* window, const std::string& name)
{
    PumpAll();
    EXPECT_TRUE(platform::WindowSaveScreenshot(window->window, ScreenshotPath(name.c_str()).c_str())) << name;
}

void shoot_all(Document* doc, const std::string& suffix)
{
    AnimationPane animation;
    animation.open();
    animation.refresh(doc);
    shoot(animation.panel().window(), "animation_pane" + suffix);
    RangePane range;
    ASSERT_TRUE(range.open(doc));
    range.set_range(2, 7, 0);
    shoot(range.panel().window(), "range_pane" + suffix);
    FrameWindow* topics = show_info_window(InfoWindowKind::Topics);
    InfoWindow& window = info_window(InfoWindowKind::Topics);
    if (!window.disclosures.empty())
        window.disclosures.front()->set_open(true, Notify::Yes);
    shoot(topics, "topics_window" + suffix);
}

TEST(PaneScreens, EnglishAndJapanese)
{
    ASSERT_TRUE(StartUiTests());
    SetTimeTextSource(app_string);
    DocumentPtr doc = sample_document();
    shoot_all(doc.get(), "");
    FrameworkHooks hooks;
    hooks.set_interface_language = SetInterfaceLanguage;
    install_framework_hooks(hooks);
    force_interface_language(9);
    if (InterfaceLanguage() == 9) {
        // The topics window is built again in the new language.
        info_window(InfoWindowKind::Topics).panel.rebuild();
        shoot_all(doc.get(), "_ja");
    }
    force_interface_language(1);
    install_framework_hooks(FrameworkHooks{});
}

}  // namespace
