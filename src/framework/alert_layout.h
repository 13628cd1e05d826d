// The geometry of an alert window, as pure arithmetic on measured sizes: the message width
// rule (180 at least, long texts rewrapped about 2.5 times as wide as high), equal button
// widths, the window size limited by the parent, and the placement of one to three buttons.
// The alert module measures texts and buttons and applies the result to its views.
#pragma once
#include <cstdint>

struct AlertSize {
    int width = 0;
    int height = 0;
};

struct AlertBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct AlertLayoutInput {
    AlertSize message;     // natural size of the message, unwrapped
    AlertSize buttons[3];  // natural sizes of the buttons
    int button_count = 1;  // 1 to 3
    int width_limit = 0;   // parent client width less the alert's frame; 0: no parent limit
    // Height of the message when wrapped to a width (the caller's text measurement).
    int (*wrapped_height)(void* context, int width) = nullptr;
    void* context = nullptr;
};

struct AlertLayout {
    int width = 0;        // client width W
    int height = 0;       // client height H
    AlertBox picture;     // the 32 x 32 picture
    AlertBox message;     // the message view
    AlertBox buttons[3];  // first, second, third button
};

inline constexpr int kAlertMinimumMessageWidth = 180;
inline constexpr int kAlertMinimumButtonWidth = 60;

// Width of the message block for a natural size w x h.
int AlertMessageWidth(int natural_width, int natural_height);
// The common width of the buttons from their natural widths.
int AlertButtonWidth(const AlertSize* buttons, int count);
AlertLayout AlertComputeLayout(const AlertLayoutInput& input);
