// Alerts: the geometry rules on natural sizes given by hand, then real (offscreen) alerts:
// layout from measured texts, keys and clicks, answers, the modal loop, and a screenshot of
// each kind for a person to look at.
#include "framework/alert.h"

#include <gtest/gtest.h>

#include "framework/alert_layout.h"
#include "framework/control.h"
#include "framework/control_button.h"
#include "framework/event_loop.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

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
    const AlertSize small[2] = {{20, 20}, {30, 20}};
    EXPECT_EQ(AlertButtonWidth(small, 2), 60);  // small buttons still get 60
}

int wrap_to_five_lines(void*, int width) { return width < 900 ? 75 : 15; }
int wrap_by_width(void*, int width) { return 15 * (900 / width + 1); }

TEST(AlertLayout, WindowSizeAndPlacement)
{
    struct Given {
        AlertSize message;
        int count;
        AlertSize buttons[3];
        int limit;
        int (*wrapped)(void*, int);
    };
    struct Expected {
        int message_width, message_height, width, height, button_width;
        int x[3];        // of the first, second and third button
        int bottom_gap;  // between every button's bottom and the window's
    };
    const struct {
        const char* name;
        Given given;
        Expected expected;
    } cases[] = {
        // 180 + 110 beats 60 + 120; the message gets W - 110; one button centred, 7 above the bottom.
        {"one word", {{40, 15}, 1, {{50, 24}}, 0, nullptr}, {180, 15, 290, 60 + 24 + 20, 60, {115}, 7}},
        {"long line", {{900, 15}, 1, {{50, 24}}, 0, wrap_to_five_lines}, {183, 75, 293, 75 + 24 + 20, 60, {116}, 7}},
        // 131 x 1.2 = 157.2; 2 x 157 + 120 = 434 beats 290; the taller button sets the height.
        // Two buttons: three gaps of (434 - 314) / 3 = 40, the second on the left.
        {"wide button", {{40, 15}, 2, {{52, 24}, {131, 26}}, 0, nullptr}, {324, 15, 434, 106, 157, {237, 40}, 10}},
        {"two buttons", {{40, 15}, 2, {{50, 24}, {50, 24}}, 0, nullptr}, {180, 15, 290, 104, 60, {174, 56}, 10}},
        // 3 x 96 + 130 = 418; gaps of (418 - 288 - 10) / 4 = 30; the second 10 left of the first.
        {"three buttons",
         {{40, 15}, 3, {{80, 24}, {80, 24}, {80, 24}}, 0, nullptr},
         {308, 15, 418, 104, 96, {292, 186, 30}, 10}},
        // The parent's 250 less 20; the message wraps to 8 lines at 230 - 110.
        {"narrow parent",
         {{900, 15}, 2, {{50, 24}, {50, 24}}, 250, wrap_by_width},
         {120, 120, 230, 120 + 24 + 20, 60, {134, 36}, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Given& g = c.given;
        const Expected& e = c.expected;
        AlertLayoutInput input;
        input.message = g.message;
        for (int i = 0; i < g.count; ++i)
            input.buttons[i] = g.buttons[i];
        input.button_count = g.count;
        input.width_limit = g.limit;
        input.wrapped_height = g.wrapped;
        const AlertLayout layout = AlertComputeLayout(input);
        EXPECT_EQ(layout.picture.x, 23);
        EXPECT_EQ(layout.picture.y, 13);
        EXPECT_EQ(layout.message.x, 83);
        EXPECT_EQ(layout.message.y, 4);
        EXPECT_EQ(layout.message.width, e.message_width);
        EXPECT_EQ(layout.message.height, e.message_height);
        EXPECT_EQ(layout.width, e.width);
        EXPECT_EQ(layout.height, e.height);
        for (int i = 0; i < g.count; ++i) {
            EXPECT_EQ(layout.buttons[i].width, e.button_width) << i;
            EXPECT_EQ(layout.buttons[i].x, e.x[i]) << i;
            EXPECT_EQ(layout.height - layout.buttons[i].y - layout.buttons[i].height, e.bottom_gap) << i;
        }
    }
}

struct Answer {
    int calls = 0;
    int value = -1;
};

void record_answer(void* argument, int answer)
{
    auto* a = static_cast<Answer*>(argument);
    ++a->calls;
    a->value = answer;
}

platform::Size client(FrameWindow* window) { return platform::WindowClientSize(window->window); }

class Alerts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartTestFramework()); }
};

TEST_F(Alerts, LaidOutFromMeasuredTexts)
{
    Answer answer;
    FrameWindow* alert = alert_show(nullptr, alert_kind::information, "Done.", "OK", nullptr, record_answer, &answer);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert_message(alert)->width, 180);
    EXPECT_EQ(client(alert).width, 290);
    alert_close(alert);
    EXPECT_EQ(answer.calls, 0);  // closed without an answer

    // A narrow parent limits the width to its client area less the frame and 20.
    FrameWindow* parent = NewTestWindow(240, 200);
    alert = alert_show(parent, alert_kind::information,
                       "A rather long message that would like to be much wider than its parent window allows.", "OK",
                       "Cancel", nullptr, nullptr);
    const platform::Insets frame = platform::WindowFrameInsets(alert->window);
    EXPECT_LE(client(alert).width, 240 - frame.left - frame.right - 20);
    EXPECT_EQ(alert_message(alert)->width, client(alert).width - 110);
    alert_close(alert);
    FrameWindowClose(parent);
}

TEST_F(Alerts, ReturnAnswers1AndEscapeChoosesTheSecondButton)
{
    const struct {
        const char* second;
        std::uint8_t key;
        int calls, value;
    } cases[] = {
        {nullptr, key_char::escape, 0, -1},  // one button: Escape does nothing
        {nullptr, key_char::ret, 1, 1},
        {"Cancel", key_char::escape, 1, 0},
        {"Cancel", key_char::ret, 1, 1},
    };
    for (const auto& c : cases) {
        Answer answer;
        FrameWindow* alert =
            alert_show(nullptr, alert_kind::exclamation, "Replace it?", "Replace", c.second, record_answer, &answer);
        ViewsKey(alert, TestKey(c.key));
        EXPECT_EQ(answer.calls, c.calls) << c.key;
        EXPECT_EQ(answer.value, c.value) << c.key;
        EXPECT_EQ(FrameWindowAlive(alert), c.calls == 0) << c.key;
        if (FrameWindowAlive(alert))
            alert_close(alert);
    }
    // An error alert has one button: Escape leaves it up, Return closes it.
    FrameWindow* error = alert_error("Not enough memory to open the file.", "OK");
    ASSERT_NE(error, nullptr);
    EXPECT_NE(alert_button(error, 0), nullptr);
    EXPECT_EQ(alert_button(error, 1), nullptr);
    ViewsKey(error, TestKey(key_char::escape));
    EXPECT_TRUE(FrameWindowAlive(error));
    ViewsKey(error, TestKey(key_char::ret));
    EXPECT_FALSE(FrameWindowAlive(error));
    // The third button answers 2.
    Answer third;
    FrameWindow* three =
        alert_show3(nullptr, alert_kind::question, "Save?", "Save", "Cancel", "Don't save", record_answer, &third);
    alert_choose(three, 2);
    EXPECT_EQ(third.value, 2);
}

TEST_F(Alerts, ClickThroughTheQueueClosesTheAlertThenAnswers)
{
    Answer answer;
    FrameWindow* alert =
        alert_show(nullptr, alert_kind::question, "Keep the comments?", "Keep", "Remove", record_answer, &answer);
    SetFocusedFrameWindow(alert);
    View* second = alert_button(alert, 1);
    platform::Message press;
    press.window = alert->window;
    press.type = platform::MessageType::mouse_down;
    press.button = platform::MouseButton::left;
    press.clicks = 1;
    press.point = platform::Point{second->x + 4, second->y + 4};
    platform::PostMessage(press);
    PumpAll();
    EXPECT_EQ(answer.calls, 0);  // a press alone chooses nothing
    platform::Message release = press;
    release.type = platform::MessageType::mouse_up;
    platform::PostMessage(release);
    PumpAll();
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.value, 0);
    EXPECT_FALSE(FrameWindowAlive(alert));
}

TEST_F(Alerts, ModalAskReturnsTheAnswer)
{
    // A task presses the key in the modal alert once the loop runs.
    TaskAfter([](void*) { ViewsKey(ModalWindow(), TestKey(key_char::ret)); }, nullptr, 0);
    EXPECT_EQ(alert_ask(nullptr, alert_kind::question, "Continue?", "Yes", "No"), 1);
    EXPECT_EQ(ModalWindow(), nullptr);
    TaskAfter([](void*) { ViewsKey(ModalWindow(), TestKey(key_char::escape)); }, nullptr, 0);
    EXPECT_EQ(alert_ask(nullptr, alert_kind::question, "Continue?", "Yes", "No"), 0);
}

TEST_F(Alerts, ScreenshotsOfEachKind)
{
    enum class Hue { red, blue, yellow };
    const struct {
        int kind;
        const char* name;
        const char* message;
        const char* first;
        const char* second;
        Hue picture;  // the colour that dominates the picture's centre
    } cases[] = {
        {alert_kind::stop, "alert_stop",
         "The file \"walk cycle.gif\" could not be opened because it is not a GIF file.", "OK", nullptr, Hue::red},
        {alert_kind::information, "alert_information", "Saved 12,345 bytes (18.2%): the file now takes 55,432 bytes.",
         "OK", nullptr, Hue::blue},
        {alert_kind::exclamation, "alert_exclamation",
         "The optimized file is not smaller than the original. Write it anyway?", "Write", "Cancel", Hue::yellow},
        {alert_kind::question, "alert_question", "Save the changes to \"banner.gif\" before closing?", "Save",
         "Don't Save", Hue::yellow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FrameWindow* alert = alert_show(nullptr, c.kind, c.message, c.first, c.second, nullptr, nullptr);
        PumpAll();
        ASSERT_TRUE(platform::WindowSaveScreenshot(alert->window, ScreenshotPath(c.name).c_str()));
        // The message and the buttons lie inside the window and do not meet.
        const platform::Size size = client(alert);
        View* message = alert_message(alert);
        EXPECT_LE(message->x + message->width, size.width);
        for (int i = 0; i < 3; ++i) {
            View* button = alert_button(alert, i);
            if (button == nullptr)
                continue;
            EXPECT_GE(button->x, 0);
            EXPECT_LE(button->x + button->width, size.width);
            EXPECT_GE(button->y, message->y + message->height);
        }
        if (View* second = alert_button(alert, 1)) {  // on the left of the first
            EXPECT_LE(second->x + second->width, alert_button(alert, 0)->x);
        }
        // The 32 x 32 picture at (23, 13), sampled near its centre.
        const platform::Colour pixel = platform::SurfacePixel(platform::WindowSurface(alert->window), 23 + 16, 13 + 6);
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        if (c.picture == Hue::red) {
            EXPECT_GT(r, g + 80);
        } else if (c.picture == Hue::blue) {
            EXPECT_GT(b, r + 80);
        } else {
            EXPECT_GT(r, b + 80);
            EXPECT_GT(g, b + 60);
        }
        alert_close(alert);
    }
}

}  // namespace
