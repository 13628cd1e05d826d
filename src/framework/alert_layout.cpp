#include "framework/alert_layout.h"

#include <algorithm>
#include <cmath>

int AlertMessageWidth(int natural_width, int natural_height)
{
    if (natural_width < kAlertMinimumMessageWidth)
        return kAlertMinimumMessageWidth;
    // A long line becomes a block about 2.5 times as wide as it is high: the width w' with
    // w' x (w' / 2.5) = w x h. The block keeps the minimum width of a one-word message, so
    // that a sentence is never squeezed narrower than a single word would be.
    const double area = static_cast<double>(natural_width) * natural_height * 2.5;
    if (natural_height * 2.5 < natural_width)
        return std::max(static_cast<int>(std::sqrt(area)), kAlertMinimumMessageWidth);
    return natural_width;
}

int AlertButtonWidth(const AlertSize* buttons, int count)
{
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, buttons[i].width);
    return std::max(static_cast<int>(widest * 1.2), kAlertMinimumButtonWidth);
}

namespace {

void place_buttons(AlertLayout& layout, const AlertLayoutInput& input, int button_width)
{
    const int W = layout.width;
    const int H = layout.height;
    const int count = input.button_count;
    for (int i = 0; i < count; ++i) {
        layout.buttons[i].width = button_width;
        layout.buttons[i].height = input.buttons[i].height;
    }
    if (count == 1) {
        AlertBox& only = layout.buttons[0];
        only.x = (W - only.width) / 2;
        only.y = H - 7 - only.height;
        return;
    }
    const int w1 = layout.buttons[0].width;
    const int w2 = layout.buttons[1].width;
    if (count == 2) {
        const int gap = (W - w1 - w2) / 3;
        layout.buttons[1].x = gap;
        layout.buttons[0].x = W - gap - w1;
    } else {
        const int w3 = layout.buttons[2].width;
        const int gap = (W - w1 - w2 - w3 - 10) / 4;
        layout.buttons[2].x = gap;
        layout.buttons[0].x = W - gap - w1;
        layout.buttons[1].x = layout.buttons[0].x - 10 - w2;
    }
    for (int i = 0; i < count; ++i)
        layout.buttons[i].y = H - 10 - layout.buttons[i].height;
}

}  // namespace

AlertLayout AlertComputeLayout(const AlertLayoutInput& input)
{
    AlertLayout layout;
    const int count = std::clamp(input.button_count, 1, 3);
    AlertLayoutInput in = input;
    in.button_count = count;

    const int message_width = AlertMessageWidth(input.message.width, input.message.height);
    const int button_width = AlertButtonWidth(input.buttons, count);
    int width = std::max(button_width * count + (count == 3 ? 130 : 120), message_width + 110);
    if (input.width_limit > 0)
        width = std::min(width, input.width_limit - 20);
    layout.width = width;

    layout.message.x = 83;
    layout.message.y = 4;
    layout.message.width = std::max(width - 110, 1);
    layout.message.height = input.message.height;
    if (input.wrapped_height != nullptr)
        layout.message.height = input.wrapped_height(input.context, layout.message.width);

    int tallest = 0;
    for (int i = 0; i < count; ++i)
        tallest = std::max(tallest, input.buttons[i].height);
    layout.height = std::max(layout.message.height, 60) + tallest + 20;

    layout.picture = AlertBox{23, 13, 32, 32};
    place_buttons(layout, in, button_width);
    return layout;
}
