// Alerts in real (offscreen) windows: layout from measured texts, keys, answers, the modal
// loop, and a screenshot of each kind for a person to look at.
#include "framework/alert.h"

#include <gtest/gtest.h>

#include <cmath>

#include "framework/alert_layout.h"
#include "framework/control.h"
#include "framework/control_button.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "view_support.h"

namespace {

KeyEvent key(std::uint8_t character)
{
    KeyEvent e;
    e.character = character;
    return e;
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

TEST_F(Alerts, OneWordMessageIs180Wide)
{
    Answer answer;
    FrameWindow* alert = alert_show(nullptr, alert_kind::information, "Done.", "OK", nullptr, record_answer, &answer);
    ASSERT_NE(alert, nullptr);
    View* message = alert_message(alert);
    EXPECT_EQ(message->width, 180);
    EXPECT_EQ(message->x, 83);
    EXPECT_EQ(message->y, 4);
    EXPECT_EQ(client(alert).width, 290);
    alert_close(alert);
    EXPECT_EQ(answer.calls, 0);  // closed without an answer
}

TEST_F(Alerts, LongLineIsRewrappedToAboutTwoAndAHalfToOne)
{
    std::string text;
    while (platform::MeasureText(ControlFont(TextStyle::normal), text.c_str()).width < 900)
        text += "word ";
    const platform::Size natural = platform::MeasureText(ControlFont(TextStyle::normal), text.c_str());
    FrameWindow* alert = alert_show(nullptr, alert_kind::exclamation, text.c_str(), "OK", nullptr, nullptr, nullptr);
    const int expected = std::max(static_cast<int>(std::sqrt(natural.width * natural.height * 2.5)), 180);
    EXPECT_EQ(alert_message(alert)->width, expected);
    EXPECT_GT(alert_message(alert)->height, natural.height);
    alert_close(alert);
}

TEST_F(Alerts, TwoButtonsShareOneWidth)
{
    FrameWindow* alert = alert_show(nullptr, alert_kind::question, "Save the changes?", "Save",
                                    "Discard all the changes", nullptr, nullptr);
    View* first = alert_button(alert, 0);
    View* second = alert_button(alert, 1);
    const int widest = std::max(ButtonNaturalSize(first).width, ButtonNaturalSize(second).width);
    EXPECT_EQ(first->width, std::max(static_cast<int>(widest * 1.2), 60));
    EXPECT_EQ(second->width, first->width);
    // The second on the left, the first on the right, equal gaps, bottoms 10 above the edge.
    const platform::Size size = client(alert);
    const int gap = (size.width - 2 * first->width) / 3;
    EXPECT_EQ(second->x, gap);
    EXPECT_EQ(first->x, size.width - gap - first->width);
    EXPECT_EQ(first->y + first->height, size.height - 10);
    alert_close(alert);
}

TEST_F(Alerts, EscapeOnAOneButtonAlertDoesNothingAndReturnAnswers1)
{
    Answer answer;
    FrameWindow* alert =
        alert_show(nullptr, alert_kind::stop, "The file could not be read.", "OK", nullptr, record_answer, &answer);
    ViewsKey(alert, key(key_char::escape));
    EXPECT_EQ(answer.calls, 0);
    ASSERT_TRUE(FrameWindowAlive(alert));
    ViewsKey(alert, key(key_char::ret));
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.value, 1);
    EXPECT_FALSE(FrameWindowAlive(alert));
}

TEST_F(Alerts, EscapeChoosesTheSecondButtonAndAnswers0)
{
    Answer answer;
    FrameWindow* alert =
        alert_show(nullptr, alert_kind::exclamation, "Replace it?", "Replace", "Cancel", record_answer, &answer);
    ViewsKey(alert, key(key_char::escape));
    EXPECT_EQ(answer.value, 0);
    Answer third;
    FrameWindow* three =
        alert_show3(nullptr, alert_kind::question, "Save?", "Save", "Cancel", "Don't save", record_answer, &third);
    alert_choose(three, 2);
    EXPECT_EQ(third.value, 2);
}

TEST_F(Alerts, ClickingAButtonClosesTheAlertThenAnswers)
{
    Answer answer;
    FrameWindow* alert =
        alert_show(nullptr, alert_kind::question, "Keep the comments?", "Keep", "Remove", record_answer, &answer);
    View* second = alert_button(alert, 1);
    const int x = second->x + second->width / 2;
    const int y = second->y + second->height / 2;
    ASSERT_TRUE(ViewsMouseDown(alert, 0, x, y));
    EXPECT_EQ(answer.calls, 0);  // a press alone chooses nothing
    ASSERT_TRUE(ViewsMouseUp(alert, 0, x, y));
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.value, 0);
    EXPECT_FALSE(FrameWindowAlive(alert));
}

TEST_F(Alerts, ClickThroughTheMessageQueue)
{
    Answer answer;
    FrameWindow* alert =
        alert_show(nullptr, alert_kind::exclamation, "Overwrite?", "Overwrite", "Cancel", record_answer, &answer);
    SetFocusedFrameWindow(alert);
    View* first = alert_button(alert, 0);
    platform::Message press;
    press.window = alert->window;
    press.type = platform::MessageType::mouse_down;
    press.button = platform::MouseButton::left;
    press.clicks = 1;
    press.point = platform::Point{first->x + 4, first->y + 4};
    platform::PostMessage(press);
    platform::Message release = press;
    release.type = platform::MessageType::mouse_up;
    platform::PostMessage(release);
    PumpAll();
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.value, 1);
}

TEST_F(Alerts, ErrorAlertHasOneButtonAndTheStopPicture)
{
    FrameWindow* alert = alert_error("Not enough memory to open the file.", "OK");
    ASSERT_NE(alert, nullptr);
    EXPECT_NE(alert_button(alert, 0), nullptr);
    EXPECT_EQ(alert_button(alert, 1), nullptr);
    ViewsKey(alert, key(key_char::escape));
    EXPECT_TRUE(FrameWindowAlive(alert));
    ViewsKey(alert, key(key_char::ret));
    EXPECT_FALSE(FrameWindowAlive(alert));
}

TEST_F(Alerts, ModalAskReturnsTheAnswer)
{
    // A task presses Return in the modal alert once the loop runs.
    TaskAfter([](void*) { ViewsKey(ModalWindow(), key(key_char::ret)); }, nullptr, 0);
    EXPECT_EQ(alert_ask(nullptr, alert_kind::question, "Continue?", "Yes", "No"), 1);
    EXPECT_EQ(ModalWindow(), nullptr);
    TaskAfter([](void*) { ViewsKey(ModalWindow(), key(key_char::escape)); }, nullptr, 0);
    EXPECT_EQ(alert_ask(nullptr, alert_kind::question, "Continue?", "Yes", "No"), 0);
}

TEST_F(Alerts, NarrowParentLimitsTheWidth)
{
    FrameWindow* parent = NewTestWindow(240, 200);
    FrameWindow* alert =
        alert_show(parent, alert_kind::information,
                   "A rather long message that would like to be much wider than its parent window allows.", "OK",
                   "Cancel", nullptr, nullptr);
    const platform::Insets frame = platform::WindowFrameInsets(alert->window);
    EXPECT_LE(client(alert).width, 240 - frame.left - frame.right - 20);
    EXPECT_EQ(alert_message(alert)->width, client(alert).width - 110);
    alert_close(alert);
    FrameWindowClose(parent);
}

TEST_F(Alerts, ScreenshotsOfEachKind)
{
    const struct {
        int kind;
        const char* name;
        const char* message;
        const char* first;
        const char* second;
        platform::Colour centre;  // the picture's dominant colour family: r, g, b dominant
    } cases[] = {
        {alert_kind::stop, "alert_stop",
         "The file \"walk cycle.gif\" could not be opened because it is not a GIF file.", "OK", nullptr, 0xFF0000},
        {alert_kind::information, "alert_information", "Saved 12,345 bytes (18.2%): the file now takes 55,432 bytes.",
         "OK", nullptr, 0x0000FF},
        {alert_kind::exclamation, "alert_exclamation",
         "The optimized file is not smaller than the original. Write it anyway?", "Write", "Cancel", 0xFFFF00},
        {alert_kind::question, "alert_question", "Save the changes to \"banner.gif\" before closing?", "Save",
         "Don't Save", 0xFFFF00},
    };
    for (const auto& c : cases) {
        FrameWindow* alert = alert_show(nullptr, c.kind, c.message, c.first, c.second, nullptr, nullptr);
        PumpAll();
        ASSERT_TRUE(platform::WindowSaveScreenshot(alert->window, ScreenshotPath(c.name).c_str())) << c.name;
        // Layout: the message and the buttons lie inside the window and do not meet.
        const platform::Size size = client(alert);
        View* message = alert_message(alert);
        EXPECT_LE(message->x + message->width, size.width) << c.name;
        for (int i = 0; i < 3; ++i) {
            View* button = alert_button(alert, i);
            if (button == nullptr)
                continue;
            EXPECT_GE(button->x, 0) << c.name;
            EXPECT_LE(button->x + button->width, size.width) << c.name;
            EXPECT_GE(button->y, message->y + message->height) << c.name;
        }
        // The picture: at (23 + 16, 13 + 8) the kind's colour dominates.
        const platform::Colour pixel = platform::SurfacePixel(platform::WindowSurface(alert->window), 23 + 16, 13 + 6);
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        if (c.centre == 0xFF0000) {
            EXPECT_GT(r, g + 80) << c.name;
        } else if (c.centre == 0x0000FF) {
            EXPECT_GT(b, r + 80) << c.name;
        } else {
            EXPECT_GT(r, b + 80) << c.name;
            EXPECT_GT(g, b + 60) << c.name;
        }
        alert_close(alert);
    }
}

}  // namespace
