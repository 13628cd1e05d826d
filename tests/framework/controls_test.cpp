// Controls: the editing rules of text fields (typing, selection, clipboard, undo), the
// combo field's current entry, the box layouts, and the setters that lay out only on change.
#include <gtest/gtest.h>

#include <string>

#include "framework/builders.h"
#include "framework/control_box.h"
#include "framework/control_field.h"
#include "framework/control_popup.h"
#include "framework/control_slider.h"
#include "framework/control_text.h"
#include "framework/frame_window.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

namespace {

constexpr std::uint8_t kShift = 0x2;
constexpr std::uint8_t kCtrl = 0x8 | 0x4;

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        m_window = NewTestWindow(400, 300);
        m_root = make_root_column(m_window, 4);
    }
    void TearDown() override { FrameWindowClose(m_window); }
    FrameWindow* m_window = nullptr;
    View* m_root = nullptr;
};

void type(View* field, const char* text)
{
    for (const char* p = text; *p != '\0'; ++p)
        ASSERT_TRUE(FieldKey(field, TestKey(static_cast<std::uint8_t>(*p))));
}

TEST(TextEdit, ShiftArrowsSelectTypingReplacesAndUndoes)
{
    TextEdit e;
    e.set("hello");
    e.move(TextEdit::Move::left, true);
    e.move(TextEdit::Move::left, true);
    EXPECT_EQ(e.selected(), "lo");
    e.insert("p!", 1);
    EXPECT_EQ(e.text, "help!");
    EXPECT_TRUE(e.undo());
    EXPECT_EQ(e.text, "hello");
    e.move(TextEdit::Move::home, false);
    e.move(TextEdit::Move::end, true);
    EXPECT_EQ(e.selected(), "hello");
    e.move(TextEdit::Move::left, false);  // collapses to the selection's start
    EXPECT_EQ(e.caret, 0u);
    EXPECT_FALSE(e.has_selection());
    // Typing joins one undo step; undoing the undo brings the typing back.
    e.set("x");
    for (char c : std::string("abc"))
        e.insert(std::string(1, c), 1);
    EXPECT_EQ(e.text, "xabc");
    e.undo();
    EXPECT_EQ(e.text, "x");
    e.undo();
    EXPECT_EQ(e.text, "xabc");
    e.backspace();
    e.undo();
    EXPECT_EQ(e.text, "xabc");
}

TEST(TextEdit, OneLineFieldsDropLineBreaksAndMultiLineFieldsMoveByLine)
{
    TextEdit one;
    one.set("");
    one.insert("a\r\nb\nc", 0);
    EXPECT_EQ(one.text, "abc");

    TextEdit many;
    many.multi_line = true;
    many.set("");
    many.insert("first\r\nsecond\nthird", 0);
    EXPECT_EQ(many.text, "first\rsecond\rthird");
    EXPECT_EQ(many.line_count(), 3);
    many.move(TextEdit::Move::text_start, false);
    many.move(TextEdit::Move::right, false);
    many.move(TextEdit::Move::right, false);
    many.move(TextEdit::Move::down, true);
    EXPECT_EQ(many.selected(), "rst\rse");
    many.move(TextEdit::Move::down, false);
    EXPECT_EQ(many.caret, std::string("first\rsecond\rth").size());
    many.move(TextEdit::Move::up, false);
    many.move(TextEdit::Move::up, false);
    EXPECT_EQ(many.caret, 2u);
}

TEST_F(Controls, FieldTypingSelectionAndClipboard)
{
    int changes = 0;
    int commits = 0;
    View* field = FieldNew(m_root, "", false, 150, 0);
    FieldOnChange(field, [&changes](const char*) { ++changes; });
    FieldOnCommit(field, [&commits](const char*) { ++commits; });
    ViewSetFocus(field);
    type(field, "abc");
    EXPECT_STREQ(FieldText(field), "abc");
    EXPECT_EQ(changes, 3);
    FieldKey(field, TestKey(key_char::left, kShift));
    FieldKey(field, TestKey(key_char::left, kShift));
    EXPECT_EQ(FieldEdit(field).selected(), "bc");
    FieldKey(field, TestKey('c', kCtrl));
    EXPECT_EQ(platform::ClipboardText(), "bc");
    FieldKey(field, TestKey('x', kCtrl));
    EXPECT_STREQ(FieldText(field), "a");
    FieldKey(field, TestKey('v', kCtrl));
    FieldKey(field, TestKey('v', kCtrl));
    EXPECT_STREQ(FieldText(field), "abcbc");
    FieldKey(field, TestKey('z', kCtrl));
    EXPECT_STREQ(FieldText(field), "abc");
    FieldKey(field, TestKey('a', kCtrl));
    FieldKey(field, TestKey(key_char::back));
    EXPECT_STREQ(FieldText(field), "");
    EXPECT_EQ(commits, 0);
    FieldKey(field, TestKey(key_char::ret));
    EXPECT_EQ(commits, 1);
}

TEST_F(Controls, FieldMouseSelection)
{
    View* field = FieldNew(m_root, "selection", false, 200, 0);
    const int y = field->y + field->height / 2;
    ViewSetCaptureEnabled(false);
    ASSERT_TRUE(ViewsMouseDown(m_window, 0, field->x + 2, y));
    ViewsMouseMove(m_window, 0, field->x + 199, y);
    ViewsMouseUp(m_window, 0, field->x + 199, y);
    ViewSetCaptureEnabled(true);
    EXPECT_EQ(FieldEdit(field).selected(), "selection");
    EXPECT_EQ(ViewFocus(m_window), field);
}

TEST_F(Controls, MultiLineFieldGrowsAndRelaysItsParent)
{
    View* field = FieldNew(m_root, "one", true, 200, 0);
    const int height = field->height;
    const int column = m_root->height;
    ViewSetFocus(field);
    FieldKey(field, TestKey(key_char::ret));
    type(field, "two");
    EXPECT_STREQ(FieldText(field), "one\rtwo");
    EXPECT_GT(field->height, height);
    EXPECT_EQ(m_root->height - column, field->height - height);
}

TEST_F(Controls, TabMovesTheFocusBetweenFields)
{
    View* a = FieldNew(m_root, "", false, 100, 0);
    View* b = FieldNew(m_root, "", false, 100, 0);
    ViewSetFocus(a);
    EXPECT_TRUE(ViewsKey(m_window, TestKey(key_char::tab)));
    EXPECT_EQ(ViewFocus(m_window), b);
    EXPECT_TRUE(ViewsKey(m_window, TestKey(key_char::tab, kShift)));
    EXPECT_EQ(ViewFocus(m_window), a);
}

TEST_F(Controls, ActivationRule)
{
    FrameWindow* other = NewTestWindow(100, 100);
    SetFocusedFrameWindow(m_window);
    EXPECT_TRUE(ViewsPressAllowed(m_window));
    EXPECT_FALSE(ViewsPressAllowed(other));  // the press only activates it
    EXPECT_EQ(FocusedFrameWindow(), other);
    EXPECT_TRUE(ViewsPressAllowed(other));
    ModalEnter(m_window);
    EXPECT_TRUE(ViewsPressAllowed(m_window));
    EXPECT_FALSE(ViewsPressAllowed(other));
    ModalLeave();
    FrameWindowClose(other);
    SetFocusedFrameWindow(m_window);
}

TEST_F(Controls, MovingAShownViewInvalidatesItsWindow)
{
    View* spacer = make_spacer(m_root, 20, 20);
    PumpAll();
    ASSERT_FALSE(platform::WindowNeedsPaint(m_window->window));
    ViewMoveTo(spacer, spacer->x + 5, spacer->y);
    EXPECT_TRUE(platform::WindowNeedsPaint(m_window->window));
    PumpAll();
    ViewHide(m_root, 0);
    PumpAll();
    ViewMoveTo(spacer, spacer->x + 5, spacer->y);  // not visible: nothing to repaint
    EXPECT_FALSE(platform::WindowNeedsPaint(m_window->window));
}

TEST_F(Controls, HoverFollowsThePointerWhileNoButtonIsDown)
{
    View* button = make_button(m_root, "Hover", DefaultButton::no, nullptr);
    ViewsMouseMove(m_window, 0, button->x + 3, button->y + 3);
    EXPECT_EQ(ViewHovered(), button);
    ViewsMouseMove(m_window, 0, button->x + button->width + 50, button->y + 3);
    EXPECT_EQ(ViewHovered(), nullptr);
}

TEST_F(Controls, ScrollPanelKeepsItsOffsetInsideTheContent)
{
    View* panel = ScrollPanelNew(m_root, m_window, 100, 50);
    BoxStyle style;
    View* content = BoxNew(BoxKind::column, panel, m_window, style);
    make_spacer(content, 80, 200);
    EXPECT_EQ(panel->height, 50);
    ScrollPanelScrollBy(panel, 0, 70);
    EXPECT_EQ(ScrollPanelOffsetY(panel), 70);
    EXPECT_EQ(content->y, panel->y - 70);
    ScrollPanelScrollBy(panel, 0, 1000);
    EXPECT_EQ(ScrollPanelOffsetY(panel), 150);  // 200 - 50
    ScrollPanelScrollTo(panel, 0, -5);
    EXPECT_EQ(ScrollPanelOffsetY(panel), 0);
}

std::string g_hook_text;
int g_hook_calls = 0;
void remember_text(const char* text)
{
    g_hook_text = text;
    ++g_hook_calls;
}

TEST_F(Controls, ComboFieldCurrentEntry)
{
    const char* items[] = {"10", "25", "25", "50"};
    g_hook_calls = 0;
    View* combo = make_combo_field(m_root, 4, items, "25", remember_text);
    EXPECT_EQ(PopupCurrentIndex(combo), 2);  // the later of two equal items
    EXPECT_EQ(g_hook_calls, 0);
    ComboSetText(combo, "33", Notify::Yes);
    EXPECT_EQ(PopupCurrentIndex(combo), kNoItem);
    EXPECT_STREQ(ComboText(combo), "33");
    EXPECT_EQ(g_hook_text, "33");
    // The menu shows the free text first, selected, ahead of the items.
    ASSERT_EQ(PopupMenuEntryCount(combo), 5);
    EXPECT_STREQ(PopupMenuEntry(combo, 0), "33");
    EXPECT_STREQ(PopupMenuEntry(combo, 1), "10");
    EXPECT_EQ(PopupMenuCheckedEntry(combo), 0);
    // The user chooses "50" (entry 4 of the menu).
    const int choice = 4;
    PopupSetScriptedChoice(&choice);
    PopupOpen(combo);
    PopupSetScriptedChoice(nullptr);
    EXPECT_EQ(PopupCurrentIndex(combo), 3);
    EXPECT_EQ(g_hook_text, "50");
    EXPECT_EQ(PopupMenuEntryCount(combo), 4);
    // Typed text that equals an item makes that item current.
    ViewSetFocus(combo);
    for (std::uint8_t c : {key_char::back, key_char::back, std::uint8_t('1'), std::uint8_t('0'), key_char::ret})
        ViewsKey(m_window, TestKey(c));
    EXPECT_EQ(PopupCurrentIndex(combo), 0);
    EXPECT_EQ(g_hook_text, "10");
}

int g_hook_value = 0;
void remember_value(int value) { g_hook_value = value; }

TEST_F(Controls, SliderWithValueKeepsBothPartsInStep)
{
    const int values[] = {10, 20, 30, 40, 50};
    View* column = make_slider_with_value(m_root, 10, 20, 50, 5, values, remember_value);
    View* slider = slider_with_value_slider(column);
    View* popup = slider_with_value_popup(column);
    EXPECT_EQ(SliderValue(slider), 10);  // position = current - minimum
    EXPECT_STREQ(ComboText(popup), "20");
    EXPECT_EQ(PopupCurrentIndex(popup), 1);
    // Slider to popup: one step right.
    ViewSetFocus(slider);
    ViewsKey(m_window, TestKey(key_char::right));
    EXPECT_STREQ(ComboText(popup), "21");
    EXPECT_EQ(PopupCurrentIndex(popup), kNoItem);
    EXPECT_EQ(g_hook_value, 21);
    // Popup to slider: choose 40 (entry 4: the free text "21" comes first).
    const int choice = 4;
    PopupSetScriptedChoice(&choice);
    PopupOpen(popup);
    PopupSetScriptedChoice(nullptr);
    EXPECT_EQ(SliderValue(slider), 30);
    EXPECT_EQ(g_hook_value, 40);
    EXPECT_STREQ(ComboText(popup), "40");
}

TEST_F(Controls, TextSetterLaysOutOnlyOnChange)
{
    View* label = make_label(m_root, "Remaining: 5 seconds");
    const std::uint32_t before = LabelRelayoutCount(label);
    EXPECT_FALSE(set_control_text_if_different(label, "Remaining: 5 seconds"));
    EXPECT_EQ(LabelRelayoutCount(label), before);
    const int width = label->width;
    EXPECT_TRUE(set_control_text_if_different(label, "Remaining: about 2 minutes and 40 seconds"));
    EXPECT_EQ(LabelRelayoutCount(label), before + 1);
    EXPECT_GT(label->width, width);
    EXPECT_EQ(m_root->width, label->width);  // the column followed
}

TEST_F(Controls, RowAndColumnLayout)
{
    View* row = make_row(m_root, 5);
    View* a = make_spacer(row, 10, 10);
    View* b = make_spacer(row, 20, 30);
    EXPECT_EQ(row->width, 35);
    EXPECT_EQ(row->height, 30);
    EXPECT_EQ(a->x, row->x);
    EXPECT_EQ(b->x, row->x + 15);
    EXPECT_EQ(a->y, row->y + 10);  // centred in the row
    View* below = make_spacer(m_root, 50, 5);
    EXPECT_EQ(below->y, row->y + 30 + 4);
    View* line = make_separator(m_root, 0);
    EXPECT_EQ(line->width, 50);  // stretched across the column
    // Hiding a child closes its gap.
    ViewHide(row, 0);
    EXPECT_EQ(below->y, m_root->y);
}

TEST_F(Controls, GridPlacesCellsInColumns)
{
    View* grid = make_grid(m_root, 2, 2);
    View* cells[4] = {make_spacer(grid, 10, 10), make_spacer(grid, 30, 10), make_spacer(grid, 20, 14),
                      make_spacer(grid, 5, 5)};
    EXPECT_EQ(cells[1]->x, cells[0]->x + 20 + 6);  // column 0 is 20 wide, spacing 6
    EXPECT_EQ(cells[3]->x, cells[1]->x);
    EXPECT_EQ(cells[2]->y, cells[0]->y + 10 + 2);
    EXPECT_EQ(grid->width, 20 + 6 + 30);
    EXPECT_EQ(grid->height, 10 + 2 + 14);
}

TEST_F(Controls, OverlappingColourPairIsOffsetBy8)
{
    View* pair = make_colour_pair(m_root, false, "Colours", nullptr);
    View* first = colour_pair_swatch(pair, 0);
    View* second = colour_pair_swatch(pair, 1);
    EXPECT_EQ(second->x - first->x, 8);
    EXPECT_EQ(second->y - first->y, 8);
    View* flat = make_colour_pair(m_root, true, nullptr, nullptr);
    EXPECT_EQ(colour_pair_swatch(flat, 1)->x, colour_pair_swatch(flat, 0)->x + colour_pair_swatch(flat, 0)->width + 2);
    set_pair_colours(pair, SwatchColour{0xFFFF, 0, 0}, SwatchColour{0, 0, 0x8080});
    EXPECT_EQ(pair_colour(pair, 1).blue, 0x8080);
}

}  // namespace
