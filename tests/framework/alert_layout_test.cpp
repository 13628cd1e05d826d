// The alert geometry rules, checked on measured sizes given by hand.
#include "framework/alert_layout.h"

#include <gtest/gtest.h>

namespace {

AlertLayoutInput input_of(AlertSize message, std::initializer_list<AlertSize> buttons, int limit = 0)
{
    AlertLayoutInput input;
    input.message = message;
    int i = 0;
    for (const AlertSize& b : buttons)
        input.buttons[i++] = b;
    input.button_count = i;
    input.width_limit = limit;
    return input;
}

TEST(AlertLayout, MessageWidthRule)
{
    const struct {
        int w, h, expected;
    } cases[] = {
        {40, 15, 180},  // one word: the minimum
        {179, 15, 180},
        {900, 15, 183},   // sqrt(900 x 15 x 2.5) = sqrt(33750) = 183.7
        {1000, 30, 273},  // sqrt(75000) = 273.8
        {200, 100, 200},  // taller than 1 : 2.5 keeps its width
        {250, 100, 250},  // exactly 2.5 x h is not below w
        // A rewrapped block never gets narrower than a one-word message:
        // sqrt(500 x 15 x 2.5) = 136 would be narrower than 180.
        {500, 15, 180},
        {181, 15, 180},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AlertMessageWidth(c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(AlertLayout, OneWordMessageIsLaidOut180Wide)
{
    const AlertLayout layout = AlertComputeLayout(input_of({40, 15}, {{50, 24}}));
    EXPECT_EQ(layout.message.width, 180);
    EXPECT_EQ(layout.width, 290);  // 180 + 110 beats 60 + 120
    EXPECT_EQ(layout.message.x, 83);
    EXPECT_EQ(layout.message.y, 4);
    EXPECT_EQ(layout.height, 60 + 24 + 20);
}

TEST(AlertLayout, LongLineIsRewrappedTo183)
{
    AlertLayoutInput input = input_of({900, 15}, {{50, 24}});
    input.wrapped_height = [](void*, int width) { return width < 900 ? 75 : 15; };
    const AlertLayout layout = AlertComputeLayout(input);
    EXPECT_EQ(layout.message.width, 183);
    EXPECT_EQ(layout.width, 293);
    EXPECT_EQ(layout.message.height, 75);
    EXPECT_EQ(layout.height, 75 + 24 + 20);
}

TEST(AlertLayout, ButtonsShareTheWidestWidthTimes1Point2)
{
    const AlertLayout layout = AlertComputeLayout(input_of({40, 15}, {{52, 24}, {131, 26}}));
    EXPECT_EQ(layout.buttons[0].width, 157);  // 131 x 1.2 = 157.2
    EXPECT_EQ(layout.buttons[1].width, 157);
    // Width: 2 x 157 + 120 = 434 beats 290; the tallest button sets the height.
    EXPECT_EQ(layout.width, 434);
    EXPECT_EQ(layout.height, 60 + 26 + 20);
    // Small buttons still get 60.
    const AlertSize small[2] = {{20, 20}, {30, 20}};
    EXPECT_EQ(AlertButtonWidth(small, 2), 60);
}

TEST(AlertLayout, NarrowParentLimitsTheWidth)
{
    AlertLayoutInput input = input_of({900, 15}, {{50, 24}, {50, 24}}, 250);
    input.wrapped_height = [](void*, int width) { return 15 * (900 / width + 1); };
    const AlertLayout layout = AlertComputeLayout(input);
    EXPECT_EQ(layout.width, 230);          // 250 less 20
    EXPECT_EQ(layout.message.width, 120);  // W - 110
    EXPECT_EQ(layout.message.height, 15 * 8);
}

TEST(AlertLayout, ButtonPlacement)
{
    // One button: centred, bottom 7 above the bottom edge.
    AlertLayout one = AlertComputeLayout(input_of({40, 15}, {{50, 24}}));
    EXPECT_EQ(one.buttons[0].x, (290 - 60) / 2);
    EXPECT_EQ(one.buttons[0].y + one.buttons[0].height, one.height - 7);

    // Two: three equal gaps; the second button on the left.
    AlertLayout two = AlertComputeLayout(input_of({40, 15}, {{50, 24}, {50, 24}}));
    const int g2 = (290 - 60 - 60) / 3;
    EXPECT_EQ(two.buttons[1].x, g2);
    EXPECT_EQ(two.buttons[0].x, 290 - g2 - 60);
    EXPECT_EQ(two.buttons[0].y + 24, two.height - 10);
    EXPECT_EQ(two.buttons[1].y + 24, two.height - 10);

    // Three: four gaps around 10 pixels between the first and second.
    AlertLayout three = AlertComputeLayout(input_of({40, 15}, {{80, 24}, {80, 24}, {80, 24}}));
    EXPECT_EQ(three.width, 3 * 96 + 130);
    const int g3 = (three.width - 3 * 96 - 10) / 4;
    EXPECT_EQ(three.buttons[2].x, g3);
    EXPECT_EQ(three.buttons[0].x, three.width - g3 - 96);
    EXPECT_EQ(three.buttons[1].x, three.buttons[0].x - 10 - 96);
}

}  // namespace
