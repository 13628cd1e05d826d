// The frame pane offscreen, on documents built here: what each field accepts, the messages
// of refused entries (the English string tables, quotes in Windows-1252), and the effects.
#include "ui/frame_pane.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/frame_coding.h"
#include "document/document.h"
#include "framework/builders.h"
#include "framework/control_button.h"
#include "framework/control_field.h"
#include "framework/control_slider.h"
#include "framework/frame_window.h"
#include "platform/qt/window.h"
#include "ui_support.h"

namespace {

constexpr int kWidth = 16, kHeight = 12;

// The pixel of a test frame: a pattern of four colours that differs per frame.
std::uint8_t pattern(int frame, int x, int y) { return static_cast<std::uint8_t>((x + 2 * y + frame) % 4); }

// Frames of delay 10, 20, 30 ... over the whole screen, comment "" and not interlaced.
DocumentPtr make_document(int frames)
{
    std::vector<std::uint32_t> delays;
    for (int i = 0; i < frames; ++i)
        delays.push_back(static_cast<std::uint32_t>(10 * (i + 1)));
    return TestDocument(kWidth, kHeight, 4, delays, pattern);
}

// Types the text over the field's content and presses Return, as the user does.
void enter(View* field, const std::string& typed)
{
    FieldEdit(field).select_all();
    FieldEdit(field).insert(typed, 0);
    FieldKey(field, TestKey(13));
}

class FramePaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartUiTests());
        m_changes = 0;
        m_chosen = -1;
        m_pane.on_document_changed = [this] { ++m_changes; };
        m_pane.on_frame_chosen = [this](int frame) { m_chosen = frame; };
        m_pane.open();
    }
    void show(Document* doc, int frame)
    {
        m_chosen = -1;
        m_pane.refresh(doc, frame);
    }

    FramePane m_pane;
    int m_changes = 0;
    int m_chosen = -1;
};

TEST_F(FramePaneTest, FrameNumberEntries)
{
    DocumentPtr ten = make_document(10);
    DocumentPtr one = make_document(1);
    const std::string long_text(5000, 'x');
    struct Case {
        Document* doc;
        int current;
        std::string typed;
        std::string message;  // "" for none
        const char* field;
        int chosen;  // -1: no frame asked for
    };
    const Case cases[] = {
        {ten.get(), 2, "7", "", "7", 6},
        {ten.get(), 2, "3", "", "3", -1},
        {ten.get(), 2, "0", "Frame numbers start at 1.", "3", -1},
        {ten.get(), 2, "11", "This animation has 10 frames, so there is no frame 11. Showing the last frame.", "10", 9},
        {ten.get(), 2, "abc",
         "\x93"
         "abc\x94 is not a frame number. Type a whole number.",
         "3", -1},
        {ten.get(), 2, long_text, "\x93" + std::string(60, 'x') + "...\x94 is not a frame number. Type a whole number.",
         "3", -1},
        {one.get(), 0, "2", "This animation has only 1 frame, so there is no frame 2. Showing the last frame.", "1",
         -1},
    };
    for (const Case& c : cases) {
        show(c.doc, c.current);
        enter(m_pane.number_field(), c.typed);
        EXPECT_EQ(TakeAlert(m_pane.last_alert()), c.message) << c.typed.substr(0, 20);
        EXPECT_STREQ(FieldText(m_pane.number_field()), c.field) << c.typed.substr(0, 20);
        EXPECT_EQ(m_chosen, c.chosen) << c.typed.substr(0, 20);
    }
}

TEST_F(FramePaneTest, DelayEntries)
{
    struct Case {
        const char* typed;
        const char* message;
        std::uint32_t delay;
        const char* field;
    };
    const Case cases[] = {
        {"1:00", "", 6000, "1:00.00"},  // one minute and no seconds
        {"2.5", "", 250, "0:02.50"},
        {"655.36", "A frame delay can be at most 655.35 seconds; the delay was set to that.", 65535, "10:55.35"},
        {"xyz",
         "\x93xyz\x94 is not a delay. Type seconds (2.5), minutes and seconds (1:30) or hours, minutes and "
         "seconds (1:00:00).",
         20, "0:00.20"},
    };
    for (const Case& c : cases) {
        DocumentPtr doc = make_document(3);  // delays 10, 20, 30
        show(doc.get(), 1);
        m_changes = 0;
        enter(m_pane.delay_field(), c.typed);
        EXPECT_EQ(TakeAlert(m_pane.last_alert()), c.message) << c.typed;
        Frame* frame = document_frame_at(*doc, 1);
        EXPECT_EQ(frame->delay, c.delay) << c.typed;
        EXPECT_EQ(doc->total_delay, 10 + c.delay + 30) << c.typed;
        EXPECT_STREQ(FieldText(m_pane.delay_field()), c.field) << c.typed;
        EXPECT_EQ(m_changes, c.delay != 20 ? 1 : 0) << c.typed;
    }
}

TEST_F(FramePaneTest, ShowsTheFrameAndEmptiesWithoutDocument)
{
    DocumentPtr doc = make_document(4);
    Frame* third = document_frame_at(*doc, 2);
    third->user_input = 1;
    third->comment.reset(StrDup("first line\rsecond line"));
    show(doc.get(), 2);
    EXPECT_STREQ(FieldText(m_pane.number_field()), "3");
    EXPECT_STREQ(control_text(m_pane.count_label()), "of 4");
    EXPECT_STREQ(control_text(m_pane.start_label()), "0:00.30");  // 10 + 20
    EXPECT_STREQ(FieldText(m_pane.delay_field()), "0:00.30");
    EXPECT_EQ(ButtonState(m_pane.user_input_box()), 1);
    EXPECT_EQ(ButtonState(m_pane.interlaced_box()), 0);
    EXPECT_STREQ(FieldText(m_pane.comment_field()), "first line\rsecond line");
    EXPECT_EQ(SliderValue(m_pane.slider()), 2);
    EXPECT_TRUE(ViewIsEnabled(m_pane.delay_field()));

    show(nullptr, 0);
    for (View* field : {m_pane.number_field(), m_pane.delay_field(), m_pane.comment_field()}) {
        EXPECT_STREQ(FieldText(field), "");
        EXPECT_FALSE(ViewIsEnabled(field));
    }
    enter(m_pane.number_field(), "2");  // nothing to act on
    EXPECT_EQ(m_chosen, -1);
    EXPECT_EQ(m_pane.last_alert(), nullptr);
}

TEST_F(FramePaneTest, FlagsCommentAndSliderChangeTheFrame)
{
    DocumentPtr doc = make_document(5);
    show(doc.get(), 1);
    ButtonPress(m_pane.user_input_box());
    EXPECT_EQ(document_frame_at(*doc, 1)->user_input, 1);
    FieldKey(m_pane.comment_field(), TestKey('H'));
    FieldKey(m_pane.comment_field(), TestKey('i'));
    EXPECT_STREQ(document_frame_at(*doc, 1)->comment.get(), "Hi");
    EXPECT_EQ(m_changes, 3);
    View* slider = m_pane.slider();
    ASSERT_NE(slider->cls->key, nullptr);
    slider->cls->key(slider, TestKey(29));  // one step right
    EXPECT_EQ(m_chosen, 2);
}

TEST_F(FramePaneTest, InterlacingReencodesTheSamePixels)
{
    DocumentPtr doc = make_document(2);
    show(doc.get(), 1);
    Frame* frame = document_frame_at(*doc, 1);
    const std::string before(reinterpret_cast<const char*>(frame->encoded_data.get()), frame->encoded_length);
    ButtonPress(m_pane.interlaced_box());
    ASSERT_EQ(frame->interlaced, 1);
    EXPECT_EQ(m_changes, 1);
    const std::string after(reinterpret_cast<const char*>(frame->encoded_data.get()), frame->encoded_length);
    EXPECT_NE(before, after);  // rows are stored in interlace order now
    Canvas decoded;
    canvas_resize(decoded, kWidth, kHeight, 255);
    ASSERT_NE(decode_frame_onto(decoded, *frame, TransparentAware::No), DecodeResult::Failed);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            wrong += decoded.row(y)[x] != pattern(1, x, y);
    EXPECT_EQ(wrong, 0);
}

TEST_F(FramePaneTest, StrangeTextNeverBreaksIt)
{
    DocumentPtr doc = make_document(3);
    const std::string strange[] = {std::string(20000, '9'),   "%s%s%s%n%d%", "\xFF\xFE\x80",         "1e999",
                                   "99999999999999999999:99", "::::",        std::string(3000, ':'), "\r\r\r"};
    for (const std::string& typed : strange) {
        show(doc.get(), 1);
        enter(m_pane.number_field(), typed);
        TakeAlert(m_pane.last_alert());
        enter(m_pane.delay_field(), typed);
        TakeAlert(m_pane.last_alert());
        EXPECT_LE(document_frame_at(*doc, 1)->delay, 65535u);
        PumpAll();
    }
    // A comment far taller than any screen, read from a file or typed.
    std::string tall;
    for (int i = 0; i < 5000; ++i)
        tall += "line\r";
    document_frame_at(*doc, 2)->comment.reset(StrDup(tall.c_str()));
    show(doc.get(), 2);
    PumpAll();
    EXPECT_EQ(FieldText(m_pane.comment_field()), tall);
    FieldKey(m_pane.comment_field(), TestKey(13));
    EXPECT_EQ(std::string(document_frame_at(*doc, 2)->comment.get()).size(), tall.size() + 1);
    const platform::Rect client = FrameWindowClientBounds(m_pane.panel().window());
    EXPECT_GT(platform::RectHeight(client), 0);
    PumpAll();
}

TEST_F(FramePaneTest, Screenshots)
{
    DocumentPtr doc = make_document(12);
    document_frame_at(*doc, 4)->comment.reset(StrDup("Optimized by Quillon"));
    InEachLanguage([&doc](const std::string& suffix) {
        FramePane pane;
        pane.open();
        pane.refresh(doc.get(), 4);
        Shoot(pane.panel().window(), "frame_pane" + suffix);
    });
    show(nullptr, 0);  // no current document
    Shoot(m_pane.panel().window(), "frame_pane_empty");
}

}  // namespace
