// The typed controls: a change the user makes through the framework (a click, a key, a menu
// choice) calls the control's callback exactly once with the new value; a setter with
// Notify::No never calls it, one with Notify::Yes calls it once when the value changes; and
// the link survives either side going first.
#include "framework/widgets.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/frame_window.h"
#include "support/test_framework.h"

namespace {

// One of each control; a case builds only the one it tests, so the rest stay empty.
struct Panel {
    std::vector<std::string> log;
    Button button;
    CheckBox check;
    ChoiceButton choice;
    Disclosure disclosure;
    PopupMenu popup;
    ComboField combo;
    TextField field;
    Slider slider;
    RangeSlider range;
    SliderWithValue slider_value;
    Swatch swatch;
    ColourPair pair;
    ClickableText link;

    void note(std::string entry) { log.push_back(std::move(entry)); }
};

// What the user does, through the window's event delivery.
struct User {
    FrameWindow* window;
    void click_at(int x, int y) const
    {
        ViewsMouseDown(window, 0, x, y);
        ViewsMouseUp(window, 0, x, y);
    }
    void click(View* view) const { click_at(view->x + view->width / 2, view->y + view->height / 2); }
    void key(View* view, std::uint8_t character, std::uint8_t modifiers = 0) const
    {
        ViewSetFocus(view);
        KeyEvent e;
        e.character = character;
        e.modifiers = modifiers;
        ViewsKey(window, e);
    }
    void choose(View* view, int entry) const
    {
        PopupSetScriptedChoice(&entry);
        key(view, ' ');
        PopupSetScriptedChoice(nullptr);
    }
};

const char* const kRules[] = {"Keep", "Least used", "First unused"};
const char* const kCounts[] = {"1", "10", "100"};
const int kValues[] = {10, 20, 30};

struct Case {
    const char* name;
    std::function<void(Panel&, View* root)> build;
    std::function<void(Panel&, const User&)> user_change;
    const char* after_user;                  // the one entry the user's change logs
    std::function<void(Panel&)> silent_set;  // a different value, Notify::No
    std::function<void(Panel&)> notify_set;  // a different value again, Notify::Yes
    const char* after_notify;                // its one entry ("" for controls that only click)
};

const Case kCases[] = {
    {"button",
     [](Panel& p, View* root) {
         p.button.create(root, "Apply");
         p.button.on_click = [&p] { p.note("click"); };
     },
     [](Panel& p, const User& u) { u.click(p.button.view()); }, "click", [](Panel& p) { p.button.set_text("Go"); },
     nullptr, ""},
    {"check box by mouse",
     [](Panel& p, View* root) {
         p.check.create(root, "Offset frames", false);
         p.check.on_change = [&p](bool on) { p.note(on ? "checked" : "cleared"); };
     },
     [](Panel& p, const User& u) { u.click(p.check.view()); }, "checked",
     [](Panel& p) { p.check.set_checked(false, Notify::No); }, [](Panel& p) { p.check.set_checked(true, Notify::Yes); },
     "checked"},
    {"check box by space bar",
     [](Panel& p, View* root) {
         p.check.create(root, "Offset frames", true);
         p.check.on_change = [&p](bool on) { p.note(on ? "checked" : "cleared"); };
     },
     [](Panel& p, const User& u) { u.key(p.check.view(), ' '); }, "cleared",
     [](Panel& p) { p.check.set_checked(true, Notify::No); }, [](Panel& p) { p.check.set_checked(false, Notify::Yes); },
     "cleared"},
    {"choice button",
     [](Panel& p, View* root) {
         p.choice.create(root, "Deutsch", false);
         p.choice.on_click = [&p] { p.note("chosen"); };
     },
     [](Panel& p, const User& u) { u.click(p.choice.view()); }, "chosen", [](Panel& p) { p.choice.set_selected(true); },
     nullptr, ""},
    {"disclosure",
     [](Panel& p, View* root) {
         p.disclosure.create(root, "Transparency", true);
         p.disclosure.on_change = [&p](bool open) { p.note(open ? "open" : "closed"); };
     },
     [](Panel& p, const User& u) { u.click(p.disclosure.view()); }, "closed",
     [](Panel& p) { p.disclosure.set_open(true, Notify::No); },
     [](Panel& p) { p.disclosure.set_open(false, Notify::Yes); }, "closed"},
    {"pop-up menu",
     [](Panel& p, View* root) {
         p.popup.create(root, kRules, 0);
         p.popup.on_change = [&p](int rule) { p.note("rule " + std::to_string(rule)); };
     },
     [](Panel& p, const User& u) { u.choose(p.popup.view(), 2); }, "rule 2",
     [](Panel& p) { p.popup.set_selected(0, Notify::No); }, [](Panel& p) { p.popup.set_selected(1, Notify::Yes); },
     "rule 1"},
    {"pop-up menu by arrow key",
     [](Panel& p, View* root) {
         p.popup.create_labelled(root, "Rule:", kRules, 0);
         p.popup.on_change = [&p](int rule) { p.note("rule " + std::to_string(rule)); };
     },
     [](Panel& p, const User& u) { u.key(p.popup.view(), key_char::down); }, "rule 1",
     [](Panel& p) { p.popup.set_selected(2, Notify::No); }, [](Panel& p) { p.popup.set_selected(0, Notify::Yes); },
     "rule 0"},
    {"combo field typed",
     [](Panel& p, View* root) {
         p.combo.create(root, ComboKind::editable, kCounts, "10");
         p.combo.on_change = [&p](const char* text) { p.note(std::string("count ") + text); };
     },
     [](Panel& p, const User& u) {
         u.key(p.combo.view(), '0');
         u.key(p.combo.view(), key_char::ret);
     },
     "count 100", [](Panel& p) { p.combo.set_text("7", Notify::No); },
     [](Panel& p) { p.combo.set_text("1", Notify::Yes); }, "count 1"},
    {"value pop-up chosen",
     [](Panel& p, View* root) {
         p.combo.create(root, ComboKind::fixed, kCounts, "10");
         p.combo.on_change = [&p](const char* text) { p.note(std::string("count ") + text); };
     },
     [](Panel& p, const User& u) { u.choose(p.combo.view(), 0); }, "count 1",
     [](Panel& p) { p.combo.set_text("100", Notify::No); }, [](Panel& p) { p.combo.set_text("33", Notify::Yes); },
     "count 33"},
    {"text field",
     [](Panel& p, View* root) {
         p.field.create(root, "1", FieldLines::one, 100);
         p.field.on_change = [&p](const char* text) { p.note(std::string("text ") + text); };
     },
     [](Panel& p, const User& u) { u.key(p.field.view(), '5'); }, "text 15",
     [](Panel& p) { p.field.set_text("20", Notify::No); }, [](Panel& p) { p.field.set_text("30", Notify::Yes); },
     "text 30"},
    {"text field commit",
     [](Panel& p, View* root) {
         p.field.create(root, "1", FieldLines::one, 100);
         p.field.on_commit = [&p](const char* text) { p.note(std::string("commit ") + text); };
     },
     [](Panel& p, const User& u) { u.key(p.field.view(), key_char::ret); }, "commit 1",
     [](Panel& p) { p.field.set_text("20", Notify::No); }, nullptr, ""},
    {"slider",
     [](Panel& p, View* root) {
         p.slider.create(root, 0, 100, 50);
         p.slider.on_change = [&p](int v) { p.note("value " + std::to_string(v)); };
     },
     [](Panel& p, const User& u) { u.key(p.slider.view(), key_char::right); }, "value 51",
     [](Panel& p) { p.slider.set_value(10, Notify::No); }, [](Panel& p) { p.slider.set_value(90, Notify::Yes); },
     "value 90"},
    {"slider by mouse at the left end",
     [](Panel& p, View* root) {
         p.slider.create(root, 0, 100, 50, 200);
         p.slider.on_change = [&p](int v) { p.note("value " + std::to_string(v)); };
     },
     [](Panel& p, const User& u) { u.click_at(p.slider.view()->x, p.slider.view()->y + 5); }, "value 0",
     [](Panel& p) { p.slider.set_value(10, Notify::No); }, [](Panel& p) { p.slider.set_value(100, Notify::Yes); },
     "value 100"},
    {"range slider second thumb",
     [](Panel& p, View* root) {
         p.range.create(root, 0, 40, 8, 30, 260);
         p.range.on_change = [&p](int a, int b) { p.note("range " + std::to_string(a) + "-" + std::to_string(b)); };
     },
     [](Panel& p, const User& u) { u.key(p.range.view(), key_char::left, platform::modifier::shift); }, "range 8-29",
     [](Panel& p) { p.range.set_values(0, 40, Notify::No); }, [](Panel& p) { p.range.set_values(40, 2, Notify::Yes); },
     "range 40-2"},
    {"range slider pointed at",
     [](Panel& p, View* root) {
         p.range.create(root, 0, 40, 0, 40, 260);
         p.range.on_point = [&p](int v) { p.note("point " + std::to_string(v)); };
         p.range.on_change = [&p](int, int) { p.note("moved"); };
     },
     // The middle of the track, far from both thumbs.
     [](Panel& p, const User& u) { u.click(p.range.view()); }, "point 20",
     [](Panel& p) { p.range.set_values(5, 6, Notify::No); }, nullptr, ""},
    {"slider with value",
     [](Panel& p, View* root) {
         p.slider_value.create(root, 10, 20, 30, kValues);
         p.slider_value.on_change = [&p](int v) { p.note("delay " + std::to_string(v)); };
     },
     [](Panel& p, const User& u) { u.choose(p.slider_value.popup_view(), 2); }, "delay 30",
     [](Panel& p) { p.slider_value.set_value(15, Notify::No); },
     [](Panel& p) { p.slider_value.set_value(12, Notify::Yes); }, "delay 12"},
    {"swatch",
     [](Panel& p, View* root) {
         p.swatch.create(root, SwatchClicks::taken, "Background");
         p.swatch.on_click = [&p](int modifiers) { p.note("swatch " + std::to_string(modifiers)); };
     },
     [](Panel& p, const User& u) { u.click(p.swatch.view()); }, "swatch 0",
     [](Panel& p) {
         p.swatch.set_colour(SwatchColour{1, 2, 3});
     },
     nullptr, ""},
    {"colour pair second swatch",
     [](Panel& p, View* root) {
         p.pair.create(root, PairLayout::side_by_side, "Colours");
         p.pair.on_click = [&p](int, bool second) { p.note(second ? "second" : "first"); };
     },
     [](Panel& p, const User& u) { u.click(p.pair.swatch_view(1)); }, "second",
     [](Panel& p) {
         p.pair.set_colours(SwatchColour{}, SwatchColour{9, 9, 9});
     },
     nullptr, ""},
    {"clickable text",
     [](Panel& p, View* root) {
         p.link.create(root, "www.example.org");
         p.link.on_click = [&p] { p.note("link"); };
     },
     [](Panel& p, const User& u) { u.click(p.link.view()); }, "link", [](Panel& p) { p.link.set_text("elsewhere"); },
     nullptr, ""},
};

class Widgets : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        m_window = NewTestWindow(400, 300);
        m_root = make_root_column(m_window, 4);
        SetFocusedFrameWindow(m_window);
        ViewSetCaptureEnabled(false);
    }
    void TearDown() override
    {
        ViewSetCaptureEnabled(true);
        FrameWindowClose(m_window);
    }
    FrameWindow* m_window = nullptr;
    View* m_root = nullptr;
};

TEST_F(Widgets, CallbackFiresOncePerUserChangeAndNeverOnASilentSet)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Panel panel;
        View* column = make_column(m_root, 2);
        c.build(panel, column);
        const User user{m_window};
        c.user_change(panel, user);
        EXPECT_EQ(panel.log, std::vector<std::string>{c.after_user});
        panel.log.clear();
        c.silent_set(panel);
        EXPECT_TRUE(panel.log.empty());
        if (c.notify_set) {
            c.notify_set(panel);
            EXPECT_EQ(panel.log, std::vector<std::string>{c.after_notify});
            c.notify_set(panel);  // now the current value
            EXPECT_EQ(panel.log.size(), 1u) << "a set to the current value called back";
        }
        ViewDestroy(column);
    }
}

TEST_F(Widgets, LinkSurvivesEitherSideGoingFirst)
{
    View* column = make_column(m_root, 2);
    const User user{m_window};
    // A control outlived by its object calls nothing.
    int clicks = 0;
    View* view = nullptr;
    {
        Button button;
        button.create(column, "Apply");
        button.on_click = [&clicks] { ++clicks; };
        view = button.view();
    }
    user.click(view);
    EXPECT_EQ(clicks, 0);
    // Creating again links the object to the new view only.
    std::vector<int> seen;
    PopupMenu popup;
    popup.on_change = [&seen](int index) { seen.push_back(index); };
    popup.create(column, kRules, 0);
    View* first = popup.view();
    popup.create(column, kRules, 1);
    user.choose(first, 2);
    user.choose(popup.view(), 0);
    EXPECT_EQ(seen, std::vector<int>{0});
    // Objects outliving their views are empty and safe.
    Slider slider;
    slider.create(column, 0, 10, 4);
    ComboField combo;
    combo.create(column, ComboKind::editable, kCounts, "10");
    ASSERT_TRUE(slider);
    ViewDestroy(column);
    EXPECT_FALSE(slider);
    EXPECT_EQ(slider.view(), nullptr);
    slider.set_value(3, Notify::Yes);
    EXPECT_EQ(slider.value(), 0);
    combo.set_text("1", Notify::Yes);
    EXPECT_STREQ(combo.text(), "");
    EXPECT_EQ(combo.current_index(), kNoItem);
    EXPECT_EQ(popup.view(), nullptr);
}

}  // namespace
