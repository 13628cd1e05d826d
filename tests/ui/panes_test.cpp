// The animation pane and the range pane offscreen, on documents built here: what the
// fields accept, the messages of refused entries (English string tables, quotes in
// Windows-1252), the range and its keys, and what the range operations do to the document,
// down to a saved file read back by Pillow.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numeric>
#include <string>

#include "app/settings.h"
#include "app/string_tables.h"
#include "document/document.h"
#include "foundation/time_text.h"
#include "framework/control_field.h"
#include "framework/frame_window.h"
#include "gif/gif_writer.h"
#include "ui/animation_pane.h"
#include "ui/pane_support.h"
#include "ui/range_pane.h"
#include "ui_support.h"

namespace {

constexpr int kWidth = 8, kHeight = 6;

std::uint8_t checks(int frame, int x, int y) { return static_cast<std::uint8_t>((x + y + frame) % 2); }

// Frames over the whole screen with the given delays, two colours, comment "note", odd
// frames interlaced.
DocumentPtr make_document(std::initializer_list<std::uint32_t> delays)
{
    DocumentPtr doc = TestDocument(kWidth, kHeight, 2, delays, checks, "note", true);
    doc->palette.get()[3] = 255;
    return doc;
}

std::vector<std::uint32_t> delays_of(Document& doc)
{
    std::vector<std::uint32_t> out;
    for (int i = 0; i < doc.frame_count; ++i)
        out.push_back(document_frame_at(doc, i)->delay);
    return out;
}

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        SetTimeTextSource(app_string);
    }
};

TEST_F(PaneTest, ChannelWidening)
{
    struct Case {
        std::uint8_t channel;
        std::uint16_t wide;
    };
    const Case cases[] = {{255, 65535}, {128, 32896}, {0, 0}, {1, 257}};
    for (const Case& c : cases) {
        EXPECT_EQ(widen_channel(c.channel), c.wide);
        EXPECT_EQ(narrow_channel(c.wide), c.channel);
    }
    EXPECT_EQ(narrow_channel(65280), 254);  // what a 16-bit chooser may answer between two values
}

TEST_F(PaneTest, LoopingChoiceAndCount)
{
    DocumentPtr doc = make_document({10, 20});
    AnimationPane pane;
    pane.open();
    pane.refresh(doc.get());
    EXPECT_EQ(pane.loop_choice().selected(), 0);
    EXPECT_FALSE(pane.count_field().is_enabled());
    doc->loop_present = 1;
    doc->loop_count = 0;
    pane.refresh(doc.get());
    EXPECT_EQ(pane.loop_choice().selected(), 2);
    pane.on_loop_chosen(1);  // repeat, from a count of 0
    EXPECT_EQ(doc->loop_count, 1);
    EXPECT_STREQ(pane.count_field().text(), "1");
    EXPECT_STREQ(pane.count_label().text(), "time");
    EXPECT_TRUE(pane.count_field().is_enabled());

    struct Case {
        std::string typed;
        std::string message;
        std::uint16_t count;
        const char* field;
    };
    const Case cases[] = {
        {"3", "", 3, "3"},
        {"0", "The animation must repeat at least once. Choose \x93Play once\x94 to show it a single time.", 3, "3"},
        {"70000", "The animation can repeat at most 65535 times; choose \x93Loop forever\x94 for more.", 65535,
         "65535"},
        {"2x",
         "\x93"
         "2x\x94 is not a whole number. Type how many times the animation repeats.",
         65535, "65535"},
        {std::string(3000, '9'), "The animation can repeat at most 65535 times; choose \x93Loop forever\x94 for more.",
         65535, "65535"},
        {" 12 ", "", 12, "12"},
    };
    for (const Case& c : cases) {
        pane.on_count_entered(c.typed.c_str());
        EXPECT_EQ(TakeAlert(pane.last_alert()), c.message) << c.typed.substr(0, 10);
        EXPECT_EQ(doc->loop_count, c.count) << c.typed.substr(0, 10);
        EXPECT_STREQ(pane.count_field().text(), c.field) << c.typed.substr(0, 10);
    }
    pane.on_loop_chosen(0);
    EXPECT_EQ(doc->loop_present, 0);
    pane.on_loop_chosen(2);
    EXPECT_EQ(doc->loop_present, 1);
    EXPECT_EQ(doc->loop_count, 0);
}

TEST_F(PaneTest, LinesAndBackground)
{
    DocumentPtr doc = make_document({150, 100});
    doc->file_size = 1536;
    AnimationPane pane;
    int redraws = 0;
    pane.on_background_changed = [&] { ++redraws; };
    pane.open();
    pane.refresh(doc.get());
    EXPECT_STREQ(pane.size_line().text(), "8 \xD7 6 pixels, 1.5 KB");
    EXPECT_STREQ(pane.frame_line().text(), "2 frames, 0:02.50 in total");
    EXPECT_STREQ(pane.colour_line().text(), "2 colors");
    EXPECT_STREQ(pane.colour_field().text(), "0, 0, 0");

    pane.on_colour_entered("255,128,0");
    const std::uint8_t* bg = doc->palette.get() + 765;
    EXPECT_EQ(bg[0], 255);
    EXPECT_EQ(bg[1], 128);
    EXPECT_EQ(bg[2], 0);
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(pane.swatch().colour().green, 32896);
    for (const char* bad : {"300,0,0", "red", "1,2", "-1,0,0", "1.5,2,3"}) {
        pane.on_colour_entered(bad);
        EXPECT_NE(TakeAlert(pane.last_alert()).find("is not a color"), std::string::npos) << bad;
        EXPECT_STREQ(pane.colour_field().text(), "255, 128, 0") << bad;
    }
    EXPECT_EQ(redraws, 1);

    // The chooser gets the colour widened and its answer is narrowed.
    SwatchColour offered;
    pane.choose_colour = [&](const SwatchColour& initial, SwatchColour* chosen) {
        offered = initial;
        *chosen = SwatchColour{65535, 32896, 257};
        return true;
    };
    pane.on_colour_entered("0,0,0");
    pane.on_swatch_clicked();
    EXPECT_EQ(offered.red, 0);
    EXPECT_EQ(bg[0], 255);
    EXPECT_EQ(bg[1], 128);
    EXPECT_EQ(bg[2], 1);

    pane.on_comment_changed(false, "made\rby hand");
    EXPECT_STREQ(doc->trailing_comment.get(), "made\rby hand");
    pane.refresh(nullptr);
    EXPECT_STREQ(pane.size_line().text(), "");
    EXPECT_FALSE(pane.colour_field().is_enabled());
}

TEST_F(PaneTest, FactorScaleAndEntry)
{
    EXPECT_DOUBLE_EQ(factor_at_position(100), 10.0);
    EXPECT_DOUBLE_EQ(factor_at_position(0), 0.1);
    EXPECT_DOUBLE_EQ(factor_at_position(50), 1.0);
    struct Case {
        double factor;
        int position;
    };
    const Case cases[] = {{0.05, 0}, {0.1, 0}, {1.0, 50}, {2.0, 65}, {10.0, 100}, {50.0, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(position_of_factor(c.factor), c.position) << c.factor;
    struct Entry {
        const char* typed;
        FactorVerdict verdict;
        double factor;
    };
    const Entry entries[] = {{"0.5", FactorVerdict::Accepted, 0.5},  {" 2 ", FactorVerdict::Accepted, 2},
                             {"-1", FactorVerdict::Negative, -1},    {"x", FactorVerdict::Unreadable, 0},
                             {"1.5x", FactorVerdict::Unreadable, 0}, {"", FactorVerdict::Unreadable, 0}};
    for (const Entry& e : entries) {
        const FactorEntry got = read_factor(e.typed);
        EXPECT_EQ(got.verdict, e.verdict) << e.typed;
        if (e.verdict != FactorVerdict::Unreadable) {
            EXPECT_DOUBLE_EQ(got.factor, e.factor) << e.typed;
        }
    }
}

TEST_F(PaneTest, RangeKeysWrap)
{
    struct Case {
        int key;
        FrameRange from;
        FrameRange to;
    };
    const Case cases[] = {
        {28, {0, 2}, {2, 4}},  // first back from 0 wraps to the last frame, then the pair is ordered
        {28, {2, 3}, {1, 3}}, {29, {1, 0 + 3}, {1, 2}},
        {29, {0, 0}, {0, 4}}, {30, {4, 4}, {0, 4}},  // first on past the last frame wraps to 0
        {31, {1, 4}, {0, 1}}, {30, {1, 1}, {1, 2}},
    };
    for (const Case& c : cases) {
        FrameRange moved;
        ASSERT_TRUE(range_after_key(c.key, c.from, 5, &moved));
        EXPECT_EQ(moved.first, c.to.first) << c.key << " " << c.from.first << "-" << c.from.last;
        EXPECT_EQ(moved.last, c.to.last) << c.key << " " << c.from.first << "-" << c.from.last;
    }
    FrameRange ignored;
    EXPECT_FALSE(range_after_key(32, {0, 0}, 5, &ignored));
}

TEST_F(PaneTest, RangeFieldsAndLimits)
{
    DocumentPtr doc = make_document({3, 5, 0, 7, 9});
    RangePane pane;
    int shown = -1;
    pane.on_frame_chosen = [&](int frame) { shown = frame; };
    ASSERT_TRUE(pane.open(doc.get()));
    EXPECT_EQ(pane.first(), 0);
    EXPECT_EQ(pane.last(), 0);
    EXPECT_EQ(pane.mode(), RangeMode::Delays);
    EXPECT_STREQ(pane.factor_field().text(), "1.000");

    pane.on_end_entered(false, "4");
    EXPECT_EQ(pane.last(), 3);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(pane.range_slider().second(), 3);
    pane.on_end_entered(true, "0");
    EXPECT_EQ(TakeAlert(pane.last_alert()), "Frame numbers start at 1.");
    EXPECT_STREQ(pane.first_field().text(), "1");
    pane.on_end_entered(true, "9");
    EXPECT_EQ(TakeAlert(pane.last_alert()),
              "This animation has 5 frames, so there is no frame 9. Showing the last frame.");
    EXPECT_EQ(pane.first(), 3);  // the ends are ordered: 4 .. 5
    EXPECT_EQ(pane.last(), 4);
    pane.set_range(4, 1, 0);
    EXPECT_EQ(pane.first(), 1);
    EXPECT_STREQ(pane.first_field().text(), "2");
    EXPECT_STREQ(pane.last_field().text(), "5");

    pane.on_factor_slider(100);
    EXPECT_DOUBLE_EQ(pane.factor(), 10.0);
    pane.on_factor_slider(0);
    EXPECT_DOUBLE_EQ(pane.factor(), 0.1);
    pane.on_factor_entered("-2");
    EXPECT_EQ(TakeAlert(pane.last_alert()), "The factor cannot be negative.");
    EXPECT_DOUBLE_EQ(pane.factor(), 0.1);
    pane.on_factor_entered(std::string(4000, '%').c_str());
    EXPECT_NE(TakeAlert(pane.last_alert()).find("is not a number"), std::string::npos);

    pane.on_limit_entered(false, "2");  // upper 200
    pane.on_limit_entered(true, "5");   // lower 500 above it: the two swap
    EXPECT_EQ(pane.lower_limit(), 200u);
    EXPECT_EQ(pane.upper_limit(), 500u);
    pane.on_limit_entered(false, "1");  // upper 100 below the lower
    EXPECT_EQ(pane.lower_limit(), 100u);
    EXPECT_EQ(pane.upper_limit(), 200u);

    // Hiding the limits puts them back to 1 and 65535, is stored and saved.
    static int saves = 0;
    panel_window_state().save_preferences = [] { ++saves; };
    settings().limits_shown = 1;
    pane.limits_button().click();
    EXPECT_EQ(settings().limits_shown, 0);
    EXPECT_EQ(saves, 1);
    EXPECT_STREQ(pane.limits_button().text(), "Show Limits");
    EXPECT_EQ(pane.lower_limit(), 1u);
    EXPECT_EQ(pane.upper_limit(), 65535u);
    pane.limits_button().click();
    EXPECT_STREQ(pane.limits_button().text(), "Hide Limits");
    panel_window_state().save_preferences = nullptr;
}

TEST_F(PaneTest, ScalingRounding)
{
    const struct {
        const char* factor;
        int first, last;
        std::vector<std::uint32_t> delays;
    } cases[] = {
        {"1", 0, 4, {3, 5, 1, 7, 9}},    // delay 0 is raised to the lower limit 1
        {"0.5", 1, 3, {3, 3, 1, 4, 9}},  // halves round up; the ends are outside the range
    };
    for (const auto& c : cases) {
        DocumentPtr doc = make_document({3, 5, 0, 7, 9});
        RangePane pane;
        ASSERT_TRUE(pane.open(doc.get()));
        pane.set_range(c.first, c.last, 0);
        pane.on_factor_entered(c.factor);
        int changes = 0;
        pane.on_document_changed = [&] { ++changes; };
        pane.run_action(RangeMode::Delays);
        EXPECT_EQ(delays_of(*doc), c.delays) << c.factor;
        EXPECT_EQ(doc->total_delay, std::accumulate(c.delays.begin(), c.delays.end(), 0u)) << c.factor;
        EXPECT_EQ(changes, 1);
    }
}

TEST_F(PaneTest, CommentsAndInterlaceOverTheRange)
{
    DocumentPtr doc = make_document({1, 1, 1, 1});
    RangePane pane;
    ASSERT_TRUE(pane.open(doc.get()));
    pane.set_range(1, 2, 0);
    pane.set_mode(RangeMode::Comments);
    pane.action_button(RangeMode::Comments).click();
    pane.set_mode(RangeMode::Interlace);
    pane.action_button(RangeMode::Interlace).click();
    const char* comments[] = {"note", "", "", "note"};
    const int interlaced[] = {0, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(document_frame_at(*doc, i)->comment.get(), comments[i]) << i;
        EXPECT_EQ(document_frame_at(*doc, i)->interlaced, interlaced[i]) << i;
    }
    DocumentPtr empty = make_document({});
    RangePane none;
    EXPECT_FALSE(none.open(empty.get()));
}

// Scaling the delays of a range and saving: Pillow reads the delays the arithmetic gives.
TEST_F(PaneTest, ScaledDelaysSavedAsPillowReadsThem)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quillon_panes_test";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "scaled.gif").string();
    std::filesystem::remove(path);
    DocumentPtr doc = make_document({3, 5, 10, 7});
    doc->path.reset(StrDup(path.c_str()));
    doc->file_size = 1000000;  // the file it replaces is larger: no question before writing
    RangePane pane;
    ASSERT_TRUE(pane.open(doc.get()));
    pane.set_range(0, 2, 0);
    pane.on_factor_entered("2.5");
    pane.on_limit_entered(false, "0.2");  // at most 20 hundredths
    pane.run_action(RangeMode::Delays);
    ASSERT_TRUE(save_document(*doc, SaveMode::Write));
    const std::string read = CommandOutput("/usr/bin/python3 -c \"from PIL import Image\nim = Image.open('" + path +
                                           "'); d = []\nfor i in range(im.n_frames): im.seek(i); "
                                           "d.append(im.info['duration'])\nprint(d)\"");
    // 3 x 2.5 = 7.5 -> 8; 5 x 2.5 = 12.5 -> 13; 10 x 2.5 = 25 -> 20 (the upper limit); 7 is outside.
    EXPECT_EQ(read, "[80, 130, 200, 70]\n");
}

}  // namespace

namespace {

// Strange typed text in every field: refused or read, never a crash, and the document and
// the pane's values stay within their rules.
TEST_F(PaneTest, StrangeTextInEveryField)
{
    const std::string texts[] = {
        "",        "%",    "%s%",    "%d%%d%", std::string(5000, 'x'),    "\xFF\xFE", "1e999",
        "nan",     "inf",  "-0",     "   ",    "99999999999999999999999", "\r\r",     "\xE6\x97\xA5\xE6\x9C\xAC",
        "1,2,3,4", "3:-1", "1:2:3:4"};
    DocumentPtr doc = make_document({3, 5, 0, 7});
    doc->loop_present = 1;
    doc->loop_count = 4;
    AnimationPane animation;
    animation.open();
    animation.refresh(doc.get());
    RangePane range;
    ASSERT_TRUE(range.open(doc.get()));
    for (const std::string& t : texts) {
        animation.on_count_entered(t.c_str());
        (void)TakeAlert(animation.last_alert());
        animation.on_colour_entered(t.c_str());
        (void)TakeAlert(animation.last_alert());
        for (bool first : {true, false}) {
            range.on_end_entered(first, t.c_str());
            (void)TakeAlert(range.last_alert());
            range.on_limit_entered(first, t.c_str());
            (void)TakeAlert(range.last_alert());
        }
        range.on_factor_entered(t.c_str());
        (void)TakeAlert(range.last_alert());
        EXPECT_GE(doc->loop_count, 1) << t.substr(0, 10);
        EXPECT_TRUE(std::isfinite(range.factor()) && range.factor() >= 0) << t.substr(0, 10);
        EXPECT_LE(range.lower_limit(), range.upper_limit()) << t.substr(0, 10);
        EXPECT_LE(range.upper_limit(), 65535u) << t.substr(0, 10);
        EXPECT_TRUE(range.first() >= 0 && range.first() <= range.last() && range.last() < 4) << t.substr(0, 10);
    }
    EXPECT_EQ(delays_of(*doc), (std::vector<std::uint32_t>{3, 5, 0, 7}));
}

}  // namespace
