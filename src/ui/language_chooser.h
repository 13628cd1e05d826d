// The language chooser: one button per language this machine can display, each labelled
// with the language's name. It speaks the highlighted language: its title, prompt, buttons
// and the translator credit change to it at once. A modal window at the first start, and a
// page inside the settings window that applies the choice from the next start.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "app/string_tables.h"
#include "framework/widgets.h"

struct FrameWindow;
struct KeyEvent;

enum class ChooserForm : std::uint8_t { modal, embedded };

class LanguageChooser {
public:
    LanguageChooser() = default;
    ~LanguageChooser();
    LanguageChooser(const LanguageChooser&) = delete;
    LanguageChooser& operator=(const LanguageChooser&) = delete;

    // Embedded form: the user picked this language.
    std::function<void(int language)> on_change;

    // Builds the chooser inside `parent` (the modal form's window passes its root column).
    void build(View* parent, ChooserForm form, int language, FrameWindow* window = nullptr);
    void highlight(int language, bool relayout);
    int highlighted() const { return m_highlighted; }
    // The modal form's keys; true when used (any other key beeps).
    bool key(const KeyEvent& event);

    // The modal form's answer once it has finished.
    enum class Outcome : std::uint8_t { running, confirmed, quit };
    Outcome outcome() const { return m_outcome; }

    // For tests and screenshots.
    ChoiceButton& language_button(int slot) { return m_buttons[static_cast<std::size_t>(slot)]; }
    const Label& prompt() const { return m_prompt; }
    const Label& credit() const { return m_credit; }
    const Label& note() const { return m_note; }
    Button& confirm_button() { return m_confirm; }
    Button& quit_button() { return m_quit; }
    FrameWindow* window() const { return m_window; }

private:
    void pressed(int language);
    int next_language(int from, int step) const;
    bool selectable(int language) const;
    void fit_window();

    FrameWindow* m_window = nullptr;
    ChooserForm m_form = ChooserForm::embedded;
    View* m_panel = nullptr;
    Label m_prompt;
    Label m_credit;
    Label m_note;  // embedded form
    Button m_quit;
    Button m_confirm;
    std::array<ChoiceButton, kLanguageIdCount> m_buttons;
    int m_highlighted = 1;
    Outcome m_outcome = Outcome::running;
};

// Shows the modal chooser with `language` highlighted and waits for the answer: the
// confirmed language, or kNoLanguage when the user chose to quit.
[[nodiscard]] int show_language_chooser(int language);

// The start-up step. When a language was chosen at an earlier start (`chosen_before`),
// nothing is shown; otherwise the modal chooser runs and stores its answer in `language`.
// Then `done` is called: with quit true when the user asked to end the program (nothing is
// stored); else the interface language has been switched to `language`.
void run_language_chooser_at_startup(std::uint16_t& language, bool chosen_before,
                                     const std::function<void(bool quit)>& done);
// The same over the settings record: notes the "language chosen" field read from the
// preference file, marks it chosen, runs the step and saves on a choice. On quit the field
// goes back to what was read, so that the chooser is shown again at the next start.
void run_startup_language_step(const std::function<void(bool quit)>& done);

// What the choosers share.
struct LanguageChooserState {
    // Called once the modal window is shown, before it waits (tests and screenshots drive
    // it from here).
    std::function<void(LanguageChooser&)> on_modal_shown;
    // Saves the settings after a start-up choice (null: the settings window's save).
    void (*save_preferences)() = nullptr;
};
LanguageChooserState& language_chooser_state();

// The text as UTF-8 from the code page of the language it is written in.
[[nodiscard]] std::string text_in_language(const char* text, int language);
