// The settings window: a panel window holding a list of collapsible sections, each built
// the first time it is opened: the optimization options, the compatibility grid, the stamp
// template, the start-up preferences, the companion section (sibling mode) and the
// language page. Every change is stored in the settings record and saved at once.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "framework/widgets.h"
#include "ui/constraint_grid.h"
#include "ui/language_chooser.h"
#include "ui/panel_window.h"
#include "ui/ui_state.h"

// A collapsible section: a disclosure header and, once opened, its content indented below.
struct SettingsSection {
    int title = 0;
    std::function<void(View* content)> builder;  // null: a plain heading
    int level = 0;
    bool open = false;
    Disclosure header;
    View* outer = nullptr;    // the header and the content
    View* content = nullptr;  // made on first opening
};

class SettingsWindow {
public:
    // Creates the window on first use and brings it to the front.
    void open();
    PanelWindow& panel() { return m_panel; }

    // Opens or closes a section by its title (builds it on first opening). False when the
    // window has no such section.
    bool set_section_open(int title, bool open);
    SettingsSection* section(int title);

    // The controls, for tests and screenshots.
    CheckBox& option_box(int index) { return m_options[static_cast<std::size_t>(index)]; }
    PopupMenu& rule_popup() { return m_rule; }
    CheckBox& extra_box() { return m_extra; }
    ConstraintGrid& grid() { return m_grid; }
    TextField& template_field() { return m_template; }
    LanguageChooser& language_page() { return m_language; }
    FrameWindow* last_alert() const;

    // Takes the option controls from the settings (after the grid changed them).
    void refresh_options();

private:
    View* build(View* container);
    SettingsSection& add_section(View* parent, int title, int level, std::function<void(View*)> builder);
    void open_section(SettingsSection& section, bool open);
    void build_options(View* content);
    void build_grid(View* content);
    void build_template(View* content);
    void build_preferences(View* content);
    void build_sibling(View* content);
    void build_language(View* content);
    void option_changed();

    PanelWindow m_panel;
    std::vector<std::unique_ptr<SettingsSection>> m_sections;
    std::array<CheckBox, 4> m_options;
    PopupMenu m_rule;
    CheckBox m_extra;
    ConstraintGrid m_grid;
    TextField m_template;
    LanguageChooser m_language;
    FrameWindow* m_alert = nullptr;
};

// The one settings window of the program.
SettingsWindow& settings_window();
void open_settings_window();

// Saves the settings; when the file cannot be written the user is told once, and again
// only after a save has worked in between.
void save_preferences_reporting_failure();

// What the settings window shares.
struct SettingsWindowState {
    SettingsWindow window;
    bool failure_reported = false;
    bool sibling_mode = kSiblingMode;  // the build's; tests may change it before the first opening
    bool (*save)() = nullptr;          // null: save_settings (tests count saves here)
};
SettingsWindowState& settings_window_state();
