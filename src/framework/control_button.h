// Buttons: the push button (the default one answers Return), the check box, the choice
// button that shows a selected state, and the disclosure control of expandable sections.
// A click (press and release inside) or the space bar on the focused button calls the
// press callback: push and choice buttons with 0, check boxes and disclosures with the new
// state.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"

enum class ButtonKind : std::uint8_t { push, check_box, choice, disclosure };

View* ButtonNew(View* parent, ButtonKind kind, const char* text, int state, TextStyle style = TextStyle::normal);
void ButtonOnPress(View* button, std::function<void(int)> callback);
// The default button of its window: drawn as such and pressed by Return.
void ButtonSetDefault(View* button, bool is_default);
// Escape presses it.
void ButtonSetCancel(View* button);
void ButtonSetText(View* button, const char* text);
const char* ButtonText(View* button);
// Check box checked, choice selected, disclosure open (0 or 1); nothing is called.
void ButtonSetState(View* button, int state);
int ButtonState(View* button);
// Presses the button as a click does.
void ButtonPress(View* button);
bool ViewIsButton(const View* view);
// The natural size the style gives the button for its text.
platform::Size ButtonNaturalSize(View* button);
