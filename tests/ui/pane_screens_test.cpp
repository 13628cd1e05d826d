// Screenshots of the animation pane, the range pane and the topics window, in English and
// (when a Japanese font is installed) in Japanese, for review.
#include <gtest/gtest.h>

#include <string>

#include "app/string_tables.h"
#include "document/document.h"
#include "foundation/time_text.h"
#include "framework/frame_window.h"
#include "ui/animation_pane.h"
#include "ui/info_windows.h"
#include "ui/range_pane.h"
#include "ui_support.h"

namespace {

std::uint8_t frame_colour(int frame, int, int) { return static_cast<std::uint8_t>(frame); }

TEST(PaneScreens, EnglishAndJapanese)
{
    ASSERT_TRUE(StartUiTests());
    SetTimeTextSource(app_string);
    DocumentPtr doc = TestDocument(120, 90, 48, std::vector<std::uint32_t>(12, 8), frame_colour);
    doc->file_size = 48213;
    doc->loop_present = 1;
    doc->loop_count = 3;
    doc->leading_comment.reset(StrDup("Drawn frame by frame"));
    doc->trailing_comment.reset(StrDup("Optimized by Quillon"));
    std::uint8_t* bg = doc->palette.get() + 765;
    bg[0] = 240, bg[1] = 200, bg[2] = 64;
    InEachLanguage([&doc](const std::string& suffix) {
        AnimationPane animation;
        animation.open();
        animation.refresh(doc.get());
        Shoot(animation.panel().window(), "animation_pane" + suffix);
        RangePane range;
        ASSERT_TRUE(range.open(doc.get()));
        range.set_range(2, 7, 0);
        Shoot(range.panel().window(), "range_pane" + suffix);
        InfoWindow& topics = info_window(InfoWindowKind::Topics);
        if (!suffix.empty())
            topics.panel.rebuild();  // built again in the new language
        FrameWindow* shown = show_info_window(InfoWindowKind::Topics);
        if (!topics.disclosures.empty())
            topics.disclosures.front()->set_open(true, Notify::Yes);
        Shoot(shown, "topics_window" + suffix);
    });
}

}  // namespace
