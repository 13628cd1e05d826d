// Menu item texts, the menu model and its native menus, command dispatch, the shortcut
// matcher and the keyboard handling around it.
#include "framework/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/formatter.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/menu_text.h"
#include "platform/qt/menu.h"
#include "platform/qt/window.h"
#include "support/test_framework.h"

TEST(MenuText, MnemonicsAndShortcuts)
{
    const char* const kEditer = "\xC9"
                                "diter";
    const char* const kEditerMarked = "\xC9"
                                      "dit&er";
    struct Case {
        int script_class;
        ShortcutCombination combination;
        const char* text;
        std::uint8_t mnemonic, shortcut;
        const char* expected;
    } cases[] = {
        {0, ShortcutCombination::ctrl, "Open", 'o', 0, "&Open"},
        {0, ShortcutCombination::ctrl, "Save As...", 'a', 0, "S&ave As..."},
        {1, ShortcutCombination::ctrl, "Save As...", 'a', 0, "Save As(&A)..."},
        {1, ShortcutCombination::ctrl, "Open", 'O', 0, "Open(&O)"},
        {0, ShortcutCombination::ctrl, "Copy", 'c', 'C', "&Copy\tCtrl+C"},
        {0, ShortcutCombination::ctrl_alt, "Copy", 'c', 'C', "&Copy\tAlt+Ctrl+C"},
        {1, ShortcutCombination::ctrl, "Copy", 'c', 'C', "Copy(&C)\tCtrl+C"},
        {0, ShortcutCombination::ctrl, "Open", 'x', 0, "Open"},          // not in the text
        {0, ShortcutCombination::ctrl, "Quit", 0, 'Q', "Quit\tCtrl+Q"},  // no mnemonic
        {0, ShortcutCombination::ctrl, kEditer, 0xC9, 0, "&Editer"},     // base letter
        {0, ShortcutCombination::ctrl, kEditer, 'e', 0, kEditerMarked},
    };
    for (const Case& c : cases) {
        TempMark();
        SetMenuScriptClass(c.script_class);
        SetShortcutCombination(c.combination);
        EXPECT_STREQ(MenuItemText(c.text, c.mnemonic, c.shortcut), c.expected) << c.text;
        TempRelease();
    }
    SetMenuScriptClass(0);
    SetShortcutCombination(ShortcutCombination::ctrl);
}

namespace {

std::vector<std::string> g_ran;
int g_beeps = 0;
std::vector<MenuItem*> g_notified;
std::vector<MenuItem*> g_chosen;
std::vector<std::uint8_t> g_keys;

void run(void* argument) { g_ran.emplace_back(static_cast<const char*>(argument)); }
void beep() { ++g_beeps; }
void notify(FrameWindow*, MenuItem* item) { g_notified.push_back(item); }
void chosen(FrameWindow*, MenuItem* item) { g_chosen.push_back(item); }
bool key(FrameWindow*, const KeyEvent& event)
{
    g_keys.push_back(event.character);
    return true;
}

class Menus : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(StartTestFramework());
        g_ran.clear();
        g_beeps = 0;
        g_notified.clear();
        g_chosen.clear();
        g_keys.clear();
        SetBeepHook(beep);
        bar = MenuBarNew();
        file = MenuNew(bar, "File", 'f');
        open = ItemNew(file, "Open...", 'o', 'O', run, const_cast<char*>("open"));
        ItemNew(file, "-", 'x', 'X', nullptr, nullptr);
        save = ItemNew(file, "Save", 's', 'S', run, const_cast<char*>("save"));
        ItemSetEnabled(save, false);
        apple = MenuNew(bar, "Apple", 'a');
        ItemNew(apple, "About", 'a', 0, run, const_cast<char*>("about"));
        edit = MenuNew(bar, "Edit", 'e');
        copy = ItemNew(edit, "Copy", 'c', 'C', nullptr, nullptr);
        again = ItemNew(edit, "Open again", 'g', 'o', run, const_cast<char*>("again"));
        MenuBarInstall(bar);
        window = NewTestWindow(100, 60, "menus");
        window->handlers.notify = notify;
        window->handlers.chosen = chosen;
        window->handlers.key = key;
        PumpAll();
    }
    void TearDown() override
    {
        FrameWindowClose(window);
        MenuBarFree(bar);
        SetBeepHook(nullptr);
        PumpAll();
    }
    static KeyEvent shortcut_key(char c)
    {
        KeyEvent e;
        e.character = static_cast<std::uint8_t>(c);
        e.modifiers = platform::modifier::control | platform::modifier::shortcut;
        return e;
    }
    MenuBar* bar = nullptr;
    Menu *file = nullptr, *apple = nullptr, *edit = nullptr;
    MenuItem *open = nullptr, *save = nullptr, *copy = nullptr, *again = nullptr;
    FrameWindow* window = nullptr;
};

}  // namespace

TEST_F(Menus, NativeBarLeavesOutAppleAndShowsTexts)
{
    ASSERT_EQ(platform::NativeMenuCount(bar->native), 2);
    EXPECT_STREQ(platform::NativeMenuEntryText(bar->native, 0), "&File");
    EXPECT_STREQ(platform::NativeMenuEntryText(bar->native, 1), "&Edit");
    ASSERT_EQ(platform::NativeMenuCount(file->popup), 3);
    EXPECT_STREQ(platform::NativeMenuEntryText(file->popup, 0), "&Open...\tCtrl+O");
    EXPECT_STREQ(platform::NativeMenuEntryText(file->popup, 1), "-");  // no mnemonic, no shortcut
    EXPECT_FALSE(platform::NativeMenuEntryEnabled(file->popup, 2));
    EXPECT_FALSE(apple->shown);
}

TEST_F(Menus, ItemChangesRefreshTheCurrentBarsMenu)
{
    ItemSetChecked(copy, true);
    EXPECT_TRUE(platform::NativeMenuEntryChecked(edit->popup, 0));
    ItemSetText(copy, "Duplicate");
    EXPECT_STREQ(platform::NativeMenuEntryText(edit->popup, 0), "Dupli&cate\tCtrl+C");
    EXPECT_TRUE(MenuBarNeedsRedraw());
    EXPECT_EQ(platform::NativeMenuCount(bar->native), 2);  // put back at its place
    EXPECT_STREQ(platform::NativeMenuEntryText(bar->native, 1), "&Edit");
    // A menu of a bar that is not installed is left alone until its bar is.
    MenuBar* other = MenuBarNew();
    Menu* view = MenuNew(other, "View", 'v');
    MenuItem* zoom = ItemNew(view, "Zoom", 'z', 0, nullptr, nullptr);
    ItemSetChecked(zoom, true);
    EXPECT_EQ(platform::NativeMenuCount(view->popup), 0);
    MenuBarFree(other);
}

TEST_F(Menus, ShortcutFirstInBarOrderWinsAndDisabledBeeps)
{
    EXPECT_TRUE(MatchShortcut(shortcut_key('o')));  // Open (File) before Open again (Edit)
    EXPECT_EQ(g_ran, (std::vector<std::string>{"open"}));
    ASSERT_EQ(g_notified.size(), 1u);
    EXPECT_EQ(g_notified[0], open);
    EXPECT_TRUE(MatchShortcut(shortcut_key('S')));  // disabled: consumed with a beep
    EXPECT_EQ(g_beeps, 1);
    EXPECT_EQ(g_ran.size(), 1u);
    MenuSetEnabled(file, false);
    EXPECT_TRUE(MatchShortcut(shortcut_key('O')));  // item of a disabled menu
    EXPECT_EQ(g_beeps, 2);
    EXPECT_FALSE(MatchShortcut(shortcut_key('Z')));
    EXPECT_FALSE(MatchShortcut(shortcut_key('X')));  // the separator has none
}

TEST_F(Menus, CommandsFromIdentifiersOrNativeItemsAreFoundAndReported)
{
    EXPECT_EQ(FindMenuItem(bar, copy->id), copy);
    EXPECT_EQ(FindMenuItem(bar, edit->id), nullptr);  // a menu's own identifier ends the search
    // An item without handler is still reported and counts as handled.
    EXPECT_TRUE(DispatchCommand(copy->id));
    ASSERT_EQ(g_chosen.size(), 1u);
    EXPECT_EQ(g_chosen[0], copy);
    EXPECT_EQ(g_notified.back(), copy);
    EXPECT_FALSE(DispatchCommand(0xEEEE));
    EXPECT_EQ(g_chosen.back(), nullptr);
    // Choosing a native item posts its command: the handler runs from the queue.
    platform::NativeMenuTrigger(edit->popup, 1);
    EXPECT_TRUE(g_ran.empty());
    PumpAll();
    EXPECT_EQ(g_ran, (std::vector<std::string>{"again"}));
}

TEST_F(Menus, KeyMessagesGoToShortcutsOrTheFocusedWindow)
{
    auto key_message = [](std::uint16_t code, std::uint32_t character, std::uint8_t held) {
        platform::Message m;
        m.type = platform::MessageType::key_down;
        m.key = code;
        m.character = character;
        m.modifiers = held;
        return m;
    };
    EXPECT_TRUE(HandleKeyMessage(key_message('O', 'o', platform::modifier::control)));
    EXPECT_EQ(g_ran, (std::vector<std::string>{"open"}));
    // Arrows with Ctrl are keys, not shortcuts.
    EXPECT_TRUE(HandleKeyMessage(key_message(platform::key::left, 0, platform::modifier::control)));
    EXPECT_TRUE(HandleKeyMessage(key_message('A', 'a', 0)));
    EXPECT_EQ(g_keys, (std::vector<std::uint8_t>{key_char::left, 'a'}));
    EXPECT_FALSE(HandleKeyMessage(key_message(platform::key::shift, 0, platform::modifier::shift)));
}

TEST(MenuIds, PoolGivesIdentifiersBack)
{
    int before = MenuIdsInUse();
    std::uint16_t a = MenuIdAcquire();
    std::uint16_t b = MenuIdAcquire();
    EXPECT_NE(a, b);
    EXPECT_GE(a, 0x100);
    MenuIdRelease(a);
    EXPECT_EQ(MenuIdAcquire(), a);  // the lowest free identifier again
    MenuIdRelease(a);
    MenuIdRelease(b);
    EXPECT_EQ(MenuIdsInUse(), before);
}

TEST(ModifierBits, ShortcutBitFollowsTheCombination)
{
    namespace m = platform::modifier;
    SetShortcutCombination(ShortcutCombination::ctrl);
    EXPECT_EQ(EventModifiers(m::control), m::control | m::shortcut);
    EXPECT_EQ(EventModifiers(m::control | m::shift), m::control | m::shift | m::shortcut);
    EXPECT_EQ(EventModifiers(m::control | m::alt), m::control | m::alt);
    SetShortcutCombination(ShortcutCombination::ctrl_alt);
    EXPECT_EQ(EventModifiers(m::control | m::alt), m::control | m::alt | m::shortcut);
    EXPECT_EQ(EventModifiers(m::control), m::control);
    SetShortcutCombination(ShortcutCombination::ctrl);
}
