// A pane built from every builder, in a real (offscreen) window: layout checks and a
// screenshot for a person to look at. Also the preference check box and text lists.
#include "framework/builders.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/control_box.h"
#include "framework/control_button.h"
#include "framework/control_progress.h"
#include "framework/control_slider.h"
#include "framework/control_field.h"
#include "framework/control_text.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

int g_saves = 0;

class Builders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        BuilderHooks hooks;
        hooks.language_text = [](std::uint16_t n) -> const char* { return n == 205 ? "Keep" : "Other"; };
        hooks.constant_text = [](std::uint16_t) -> const char* { return "constant"; };
        hooks.save_preferences = [] { ++g_saves; };
        set_builder_hooks(hooks);
    }
    void TearDown() override { set_builder_hooks(BuilderHooks{}); }
};

// No two shown children of a box overlap (free boxes place children where they are told,
// the overlapping colour pair among them).
void expect_no_overlap(View* box)
{
    const int n = BoxKindOf(box) == BoxKind::free ? 0 : BoxChildCount(box);
    for (int i = 0; i < n; ++i) {
        View* a = BoxChildAt(box, i);
        if (ViewIsBox(a) && BoxChildCount(a) > 0)
            expect_no_overlap(a);
        for (int j = i + 1; j < n; ++j) {
            View* b = BoxChildAt(box, j);
            if (!ViewIsShown(a) || !ViewIsShown(b))
                continue;
            EXPECT_TRUE(platform::RectIsEmpty(platform::RectIntersect(ViewRect(a), ViewRect(b))))
                << a->cls->name << " meets " << b->cls->name;
        }
    }
}

// Every view lies inside its parent.
void expect_inside(View* view)
{
    for (int i = 0, n = ViewIsBox(view) ? BoxChildCount(view) : 0; i < n; ++i) {
        View* c = BoxChildAt(view, i);
        if (!ViewIsShown(c))
            continue;
        const Rect outer = ViewRect(view);
        const Rect inner = ViewRect(c);
        EXPECT_TRUE(inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                    inner.bottom <= outer.bottom)
            << c->cls->name << " leaves " << view->cls->name;
        expect_inside(c);
    }
}

TEST_F(Builders, PaneFromEveryBuilder)
{
    FrameWindow* window = NewTestWindow(560, 560, "Every control");
    View* root = make_root_column(window, 0);
    View* pane = make_styled_column(root, 6);
    make_heading(pane, "Optimization");
    make_label(pane, "Every change takes effect at once.\rLong lines wrap where the text has a break.");
    make_label(pane, "Emphasised label", Emphasis::emphasised);
    make_separator(pane, 0);
    View* buttons = make_row(pane, 8);
    make_button(buttons, "Apply", DefaultButton::yes, nullptr);
    make_button(buttons, "Revert", DefaultButton::no, nullptr);
    make_choice_button(buttons, "English", true, nullptr);
    make_choice_button(buttons, "Deutsch", false, nullptr);
    View* checks = make_grid(pane, 2, 2);
    make_check_box(checks, "Save end codes", true, nullptr);
    make_check_box(checks, "Offset frames", false, nullptr);
    std::uint8_t flag = 1;
    View* preference = make_preference_check_box(checks, "Check the display", &flag);
    make_disclosure(checks, "Transparency", true, nullptr);
    ViewSetEnabled(make_check_box(checks, "Disabled option", true, nullptr), false);
    make_disclosure(checks, "Closed section", false, nullptr);
    const char* rules[] = {"Keep the index", "Least used colour", "First unused"};
    View* popup = make_labelled_popup_menu(pane, "Transparent index:", 3, rules, 1, nullptr);
    View* values = make_row(pane, 10);
    const int numbers[] = {1, 2, 5, 10, 20};
    make_slider_with_value(values, 1, 5, 20, 5, numbers, nullptr);
    const char* loops[] = {"0", "1", "10"};
    make_combo_field(values, 3, loops, "3", nullptr);
    make_value_popup(values, 3, loops, "10", nullptr);
    View* fields = make_row(pane, 8);
    make_text_line(fields, "Background:");
    View* line = FieldNew(fields, "255, 255, 255", false, 120, 0);
    ViewSetFocus(line);
    FieldEdit(line).anchor = 5;  // "255, " stays unselected
    View* swatch = make_colour_swatch(fields, true, "Swatch", nullptr);
    set_swatch_colour(swatch, SwatchColour{0x3030, 0x9090, 0xE0E0});
    View* pair = make_colour_pair(fields, false, "Pair", nullptr);
    set_pair_colours(pair, SwatchColour{0xFFFF, 0xC0C0, 0}, SwatchColour{0x2020, 0x2020, 0x2020});
    View* framed = make_framed_box(pane);
    make_label(framed, "Inside a framed box");
    View* misc = make_row(pane, 8);
    make_clickable_text(misc, "www.example.org", 1, 2, nullptr);
    make_spacer(misc, 20, 4);
    make_separator(misc, 1);
    View* bar = ProgressBarNew(misc, 10, 120, 16);
    ProgressBarSetValue(bar, 7);
    ProgressBarNew(misc, 0, 80, 16);
    RangeSliderNew(pane, 0, 40, 8, 30, 260);
    FieldNew(pane, "First comment line\rSecond line", true, 260, 50);

    PumpAll();
    ASSERT_TRUE(platform::WindowSaveScreenshot(window->window, ScreenshotPath("pane_every_builder").c_str()));
    expect_no_overlap(pane);
    expect_inside(root);
    const platform::Size client = platform::WindowClientSize(window->window);
    EXPECT_LE(root->width, client.width);
    EXPECT_LE(root->height, client.height);
    // The labelled pop-up is a row of spacing 2: the label, then the menu.
    View* label = BoxChildAt(popup->parent, 0);
    EXPECT_EQ(popup->x, label->x + label->width + 2);
    // The preference check box shows its flag byte, stores each toggle in it and saves.
    g_saves = 0;
    EXPECT_EQ(ButtonState(preference), 1);
    ButtonPress(preference);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(g_saves, 1);
    ButtonPress(preference);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(g_saves, 2);
    FrameWindowClose(window);
}

TEST_F(Builders, TextListLooksUpNumbers)
{
    const std::uint16_t numbers[] = {205, 65535, 206};
    const char* const* list = make_text_list(3, numbers);
    EXPECT_STREQ(list[0], "Keep");
    EXPECT_EQ(list[1], nullptr);
    EXPECT_STREQ(list[2], "Other");
    const char* const* constants = make_text_list(1, numbers, true);
    EXPECT_STREQ(constants[0], "constant");
}

}  // namespace
