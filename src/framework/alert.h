// Alerts: the one way the program shows a message. A small framework window with the
// picture of its kind (128 stop, 129 information, 130 exclamation, 131 question), the
// message and one to three buttons; modal with an answer, or modeless with a completion
// function. Answers: 1 the first button, 0 the second, 2 the third. Texts are copied.
#pragma once
#include <cstdint>

#include "platform/qt/draw.h"

struct FrameWindow;
struct View;

namespace alert_kind {
constexpr int stop = 128, information = 129, exclamation = 130, question = 131;
}

using AlertCompletion = void (*)(void* argument, int answer);

// Runs a modal loop until a button is chosen and returns the answer. parent null: the main
// window.
int alert_ask(FrameWindow* parent, int kind, const char* message, const char* first, const char* second);
// Shows the alert, paints it at once and returns its window; a chosen button closes it and
// then calls the completion (when given) with the argument and the answer.
FrameWindow* alert_show(FrameWindow* parent, int kind, const char* message, const char* first, const char* second,
                        AlertCompletion completion, void* argument);
// The full form with a third button.
FrameWindow* alert_show3(FrameWindow* parent, int kind, const char* message, const char* first, const char* second,
                         const char* third, AlertCompletion completion, void* argument);
// alert_show with the main window, kind 128, one button and no completion.
FrameWindow* alert_error(const char* message, const char* button);
// Closes the alert without an answer.
void alert_close(FrameWindow* alert);

// For tests and screenshots: the button and message views of an open alert.
View* alert_button(FrameWindow* alert, int index);
View* alert_message(FrameWindow* alert);
// Chooses a button of an open alert as a click does (index 0 first, 1 second, 2 third).
void alert_choose(FrameWindow* alert, int index);

// The 32 x 32 picture of a kind over the given background, as a new surface.
platform::Surface* alert_picture(int kind, platform::Colour background);
