#include "ui/language_chooser.h"

#include "app/preferences.h"
#include "app/settings.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "framework/control_box.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "platform/qt/text.h"
#include "platform/qt/window.h"
#include "ui/settings_window.h"

namespace {

// Texts of the error-handling family that the chooser speaks.
namespace text {
constexpr int quit = 4, confirm = 7, prompt = 8, title = 9;
}
constexpr int kWindowTextNote = 12;  // window texts: the embedded form's note

int code_page_of(int language)
{
    switch (language) {
    case 5:
        return 950;
    case 6:
        return 949;
    case 9:
        return 932;
    case 10:
        return 936;
    default:
        return platform::kWesternCodePage;
    }
}

std::string error_text_of(int language, int n)
{
    const StrPtr text = error_text_in_language(language, n);
    return text_in_language(text.get(), language);
}

LanguageChooser* chooser_of(FrameWindow* window)
{
    return window != nullptr ? static_cast<LanguageChooser*>(window->data) : nullptr;
}

bool chooser_key(FrameWindow* window, const KeyEvent& event)
{
    LanguageChooser* chooser = chooser_of(window);
    return chooser != nullptr && chooser->key(event);
}

int view_width(View* view)
{
    const platform::Rect r = ViewRect(view);
    return r.right - r.left;
}

}  // namespace

std::string text_in_language(const char* text, int language)
{
    const int saved = platform::TextCodePage();
    platform::SetTextCodePage(code_page_of(language));
    std::string utf8 = platform::TextToUtf8(text != nullptr ? text : "");
    platform::SetTextCodePage(saved);
    return utf8;
}

LanguageChooserState& language_chooser_state()
{
    static LanguageChooserState state;
    return state;
}

LanguageChooser::~LanguageChooser()
{
    if (m_window != nullptr && FrameWindowAlive(m_window)) {
        m_window->data = nullptr;
        FrameWindowClose(m_window);
    }
}

bool LanguageChooser::selectable(int language) const
{
    return language < kNoLanguage && language_available(language) && can_display_language(language);
}

void LanguageChooser::build(View* parent, ChooserForm form, int language, FrameWindow* window)
{
    m_form = form;
    m_window = window;
    const bool modal = form == ChooserForm::modal;
    View* row = modal ? parent : make_row(parent, 10);
    m_panel = make_column(row, 6);
    if (modal)
        m_prompt.create(m_panel, "");
    View* column = make_column(m_panel, 2);
    if (modal)
        BoxSetMargins(column, 5, 20);  // the framework's boxes have one margin per axis
    else
        BoxSetMargins(column, 5, 0);
    for (int slot = 0; slot < kLanguageIdCount; ++slot) {
        const int id = slot_to_language(slot);
        if (id >= kNoLanguage || !language_available(id))
            continue;
        ChoiceButton& button = m_buttons[static_cast<std::size_t>(id)];
        button.create(column, "", false);
        button.on_click = [this, id] { pressed(id); };
        button.set_shown(can_display_language(id));
    }
    m_credit.create(m_panel, "");
    if (modal) {
        View* buttons = make_row(m_panel, 8);
        m_quit.create(buttons, "", ButtonRole::cancel_button);
        m_quit.on_click = [this] { m_outcome = Outcome::quit; };
        m_confirm.create(buttons, "", ButtonRole::default_button);
        m_confirm.on_click = [this] { m_outcome = Outcome::confirmed; };
    } else {
        m_note.create(row, "");
    }
    highlight(selectable(language) ? language : next_language(language, 1), true);
}

void LanguageChooser::highlight(int language, bool relayout)
{
    m_highlighted = language;
    const bool modal = m_form == ChooserForm::modal;
    const int display = modal ? language : interface_language();
    for (int id = 0; id < kLanguageIdCount; ++id) {
        ChoiceButton& button = m_buttons[static_cast<std::size_t>(id)];
        if (!button)
            continue;
        set_control_text(button.view(), text_in_language(language_name(display, id), display).c_str());
        button.set_selected(id == language);
    }
    if (m_prompt)
        m_prompt.set_text(error_text_of(display, text::prompt).c_str());
    const std::string first = text_in_language(credit_first_text(display, language), display);
    const std::string second = text_in_language(credit_second_text(display, language), display);
    if (first.empty() && second.empty()) {
        m_credit.set_text("");
    } else {
        const StrPtr credit = StrPtr(FormatNew("%s%%c%%c%%s%", first.c_str(), 13, 13, second.c_str()));
        m_credit.set_text(credit.get());
    }
    if (m_confirm)
        m_confirm.set_text(error_text_of(display, text::confirm).c_str());
    if (m_quit)
        m_quit.set_text(error_text_of(display, text::quit).c_str());
    // The texts have just sized their labels; the modal form leaves the prompt and the credit
    // some room around them.
    if (relayout && m_prompt)
        ViewSetWidth(m_prompt.view(), view_width(m_prompt.view()) * 11 / 10);
    if (relayout && modal)
        ViewSetWidth(m_credit.view(), view_width(m_credit.view()) * 12 / 10);
    if (relayout && modal)
        fit_window();
    if (modal && m_window != nullptr) {
        const StrPtr title = error_text_in_language(display, text::title);
        platform::WindowSetTitle(m_window->window, text_in_language(title.get(), display).c_str());
    }
}

void LanguageChooser::pressed(int language)
{
    highlight(language, true);
    if (m_form != ChooserForm::embedded)
        return;
    const std::string name = text_in_language(language_name(interface_language(), language), interface_language());
    const StrPtr note = StrPtr(FormatNew(window_text(kWindowTextNote), name.c_str()));
    m_note.set_text(note.get());
    if (on_change)
        on_change(language);
}

int LanguageChooser::next_language(int from, int step) const
{
    int slot = language_to_slot(from);
    if (slot < 0)
        slot = step > 0 ? kLanguageIdCount - 1 : 0;
    for (int i = 0; i < kLanguageIdCount; ++i) {
        slot = (slot + step + kLanguageIdCount) % kLanguageIdCount;
        const int id = slot_to_language(slot);
        if (selectable(id))
            return id;
    }
    return from;
}

bool LanguageChooser::key(const KeyEvent& event)
{
    switch (event.character) {
    case key_char::ret:
    case key_char::enter:
    case ' ':
        m_confirm.click();
        return true;
    case key_char::escape:
        m_quit.click();
        return true;
    case key_char::up:
        highlight(next_language(m_highlighted, -1), true);
        return true;
    case key_char::down:
        highlight(next_language(m_highlighted, 1), true);
        return true;
    default:
        FrameworkBeep();
        return true;
    }
}

// The window keeps the panel at (15, 5) with 15 pixels to spare on the right, 5 below,
// centred over the main window.
void LanguageChooser::fit_window()
{
    if (m_window == nullptr || m_panel == nullptr)
        return;
    View* panel = m_panel->parent;
    const platform::Rect r = ViewRect(panel);
    const int width = r.right - r.left + 30, height = r.bottom - r.top + 10;
    platform::Rect main = platform::MakeRect(0, 0, 640, 480);
    if (platform::MainWindow() != nullptr)
        main = platform::WindowBounds(platform::MainWindow());
    FrameWindowSetBounds(
        m_window,
        platform::MakeRect((main.left + main.right - width) / 2, (main.top + main.bottom - height) / 2, width, height));
}

int show_language_chooser(int language)
{
    FrameWindow* window = CreateFrameWindow(nullptr, "", frame_flag::dialog, platform::MakeRect(0, 0, 400, 300));
    if (window == nullptr)
        return language;
    int answer = kNoLanguage;
    {
        LanguageChooser chooser;
        window->data = &chooser;
        window->handlers.key = chooser_key;
        View* root = BoxNew(BoxKind::free, nullptr, window, BoxStyle{});
        View* panel = make_column(root, 0);
        BoxSetChildOffset(root, panel, 15, 5);
        chooser.build(panel, ChooserForm::modal, language, window);
        const platform::Rect r = ViewRect(panel);
        const platform::Rect main = platform::WindowBounds(platform::MainWindow());
        const int width = r.right - r.left + 30, height = r.bottom - r.top + 10;
        FrameWindowSetBounds(window,
                             platform::MakeRect((main.left + main.right - width) / 2,
                                                (main.top + main.bottom - height) / 2, width, height));
        platform::WindowShow(window->window, platform::Show::show);
        SetFocusedFrameWindow(window);
        ModalEnter(window);
        if (language_chooser_state().on_modal_shown)
            language_chooser_state().on_modal_shown(chooser);
        while (chooser.outcome() == LanguageChooser::Outcome::running && LoopRunning() && FrameWindowAlive(window))
            PumpStep(nullptr, true, nullptr);
        ModalLeave();
        if (chooser.outcome() == LanguageChooser::Outcome::confirmed)
            answer = chooser.highlighted();
    }  // the window closes with the chooser
    // The keyboard goes back to the main window, which had it before the chooser came up.
    if (platform::MainWindow() != nullptr)
        platform::WindowActivate(platform::MainWindow());
    return answer;
}

void run_language_chooser_at_startup(std::uint16_t& language, bool chosen_before,
                                     const std::function<void(bool quit)>& done)
{
    if (!chosen_before) {
        const int chosen = show_language_chooser(language);
        if (chosen == kNoLanguage) {
            done(true);
            return;
        }
        language = static_cast<std::uint16_t>(chosen);
    }
    (void)set_interface_language(language);
    done(false);
}

void run_startup_language_step(const std::function<void(bool quit)>& done)
{
    Settings& s = settings();
    const std::uint16_t read = s.language_chosen;
    s.language_chosen = 1;
    // Quitting here keeps the mark: the settings saved as the program ends say that the
    // language has been asked for, and the next start goes straight on in the default one.
    run_language_chooser_at_startup(s.interface_language, read != 0, [read, &done](bool quit) {
        if (!quit && read == 0) {
            void (*save)() = language_chooser_state().save_preferences;
            save != nullptr ? save() : save_preferences_reporting_failure();
        }
        done(quit);
    });
}
