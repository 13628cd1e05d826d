#include "ui/settings_window.h"

#include <cstring>

#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "framework/alert.h"
#include "framework/control_box.h"
#include "framework/control_text.h"
#include "framework/frame_window.h"
#include "ui/ui_state.h"

namespace {

namespace text {
constexpr int window_title = 140, options = 141, options_intro = 142, grid = 75, stamp = 146, stamp_intro = 147,
              preferences = 241, display_check = 242, welcome = 327, sibling = 340, sibling_option = 341, language = 32,
              rule_label = 203, rule_after = 204, first_rule = 205, grid_note = 268, grid_note_text = 269,
              refused = 276, refused_ok = 277, save_failed = 335, save_failed_ok = 336, extra = 450;
}
constexpr int kIndent = 16;
constexpr int kMargin = 10;
constexpr int kRuleCount = 7;
constexpr int kTemplateWidth = 260;
constexpr int kTemplateHeight = 80;
constexpr int kNoteWidth = 420;  // the grid's note wraps to about the grid's width

struct OptionRow {
    int text;
    std::uint8_t Settings::*field;
};
constexpr OptionRow kOptionRows[] = {
    {144, &Settings::end_code_saving},
    {145, &Settings::offset_frames},
    {201, &Settings::crop_first_frame},
    {202, &Settings::transparency_search},
};

void save() { save_preferences_reporting_failure(); }

}  // namespace

SettingsWindowState& settings_window_state()
{
    static SettingsWindowState state;
    return state;
}

SettingsWindow& settings_window() { return settings_window_state().window; }

void open_settings_window() { settings_window().open(); }

void save_preferences_reporting_failure()
{
    SettingsWindowState& state = settings_window_state();
    const bool saved = state.save != nullptr ? state.save() : save_settings();
    if (saved) {
        state.failure_reported = false;
        return;
    }
    if (state.failure_reported)
        return;
    state.failure_reported = true;
    const FileRef* file = primary_preference_file();
    const StrPtr name = StrPtr(file != nullptr ? FileRefDisplayName(file) : StrDup(""));
    const StrPtr message = StrPtr(FormatNew(app_string(text::save_failed), name.get()));
    FrameworkBeep();
    (void)alert_error(message.get(), app_string(text::save_failed_ok));
}

// ---- The window and its sections

void SettingsWindow::open()
{
    open_panel_window(m_panel, -1, app_string(text::window_title), 0, &settings().settings_window_placement,
                      [this](View* container, bool) { return build(container); });
}

View* SettingsWindow::build(View* container)
{
    m_sections.clear();
    View* root = make_column(container, 4);
    const bool sibling = settings_window_state().sibling_mode;
    add_section(root, text::options, 0, [this](View* c) { build_options(c); });
    add_section(root, text::grid, 0, [this](View* c) { build_grid(c); });
    add_section(root, text::stamp, 0, [this](View* c) { build_template(c); });
    add_section(root, text::preferences, 0, [this](View* c) { build_preferences(c); });
    if (sibling)
        add_section(root, text::sibling, 0, [this](View* c) { build_sibling(c); });
    add_section(root, text::language, 0, [this](View* c) { build_language(c); });
    return root;
}

SettingsSection& SettingsWindow::add_section(View* parent, int title, int level, std::function<void(View*)> builder)
{
    m_sections.push_back(std::make_unique<SettingsSection>());
    SettingsSection& s = *m_sections.back();
    s.title = title;
    s.level = level;
    s.builder = std::move(builder);
    s.outer = make_column(parent, 2);
    if (s.builder) {
        s.header.create(s.outer, app_string(title), false);
        s.header.on_change = [this, &s](bool open) { open_section(s, open); };
    } else {
        make_label(s.outer, app_string(title));
    }
    return s;
}

void SettingsWindow::open_section(SettingsSection& s, bool open)
{
    s.open = open;
    s.header.set_open(open, Notify::No);
    if (s.content == nullptr && open && s.builder) {
        View* row = make_row(s.outer, 0);
        make_spacer(row, kIndent, 1);
        s.content = make_column(row, 4);
        s.builder(s.content);
    } else if (s.content != nullptr) {
        View* row = s.content->parent;
        open ? ViewShow(row, 0) : ViewHide(row, 0);
    }
    if (m_panel.built()) {
        relayout_panel_window(m_panel, s.outer);
        fit_panel_window(m_panel, KeepInside::Yes);
    }
}

SettingsSection* SettingsWindow::section(int title)
{
    for (auto& s : m_sections)
        if (s->title == title)
            return s.get();
    return nullptr;
}

bool SettingsWindow::set_section_open(int title, bool open)
{
    SettingsSection* s = section(title);
    if (s == nullptr)
        return false;
    open_section(*s, open);
    return true;
}

FrameWindow* SettingsWindow::last_alert() const
{
    return m_alert != nullptr && FrameWindowAlive(m_alert) ? m_alert : nullptr;
}

// ---- Section contents

void SettingsWindow::build_options(View* content)
{
    View* column = make_column(content, 4);
    make_label(column, app_string(text::options_intro));
    BoxSetMargins(column, kMargin, kMargin);
    Settings& s = settings();
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        const OptionRow& row = kOptionRows[i];
        m_options[i].create(column, app_string(row.text), s.*row.field != 0);
        m_options[i].on_change = [this, &row](bool checked) {
            settings().*row.field = checked ? 1 : 0;
            option_changed();
        };
    }
    const char* texts[kRuleCount];
    for (int i = 0; i < kRuleCount; ++i)
        texts[i] = app_string(text::first_rule + i);
    m_rule.create_labelled(column, app_string(text::rule_label), std::span(texts, kRuleCount), s.rule_value);
    m_rule.on_change = [this](int rule) {
        settings().rule_value = static_cast<std::uint16_t>(rule);
        option_changed();
    };
    make_label(column, app_string(text::rule_after));
    // Not one of the grid's options: the extra mode keeps every frame as it is shown.
    m_extra.create(column, app_string(text::extra), s.extra_compression != 0);
    m_extra.on_change = [](bool checked) {
        settings().extra_compression = checked ? 1 : 0;
        save();
    };
}

void SettingsWindow::option_changed()
{
    save();
    if (m_grid.built())
        m_grid.refresh();
}

void SettingsWindow::refresh_options()
{
    const Settings& s = settings();
    for (std::size_t i = 0; i < m_options.size(); ++i)
        m_options[i].set_checked(s.*kOptionRows[i].field != 0, Notify::No);
    m_rule.set_selected(s.rule_value, Notify::No);
    m_extra.set_checked(s.extra_compression != 0, Notify::No);
}

void SettingsWindow::build_grid(View* content)
{
    m_grid.on_settings_changed = [this] {
        refresh_options();
        save();
    };
    m_grid.on_refused = [this] {
        FrameworkBeep();
        m_alert = alert_error(app_string(text::refused), app_string(text::refused_ok));
    };
    m_grid.build(content);
    SettingsSection& note = add_section(content, text::grid_note, 1, [](View* c) {
        LabelSetWrapWidth(make_label(c, app_string(text::grid_note_text)), kNoteWidth);
    });
    (void)note;
}

void SettingsWindow::build_template(View* content)
{
    make_label(content, app_string(text::stamp_intro));
    const char* stored = settings().template_text;
    m_template.create(content, stored != nullptr ? stored : "", FieldLines::many, kTemplateWidth, kTemplateHeight);
    m_template.on_change = [](const char* typed) {
        Settings& s = settings();
        if (s.template_text != nullptr && std::strcmp(s.template_text, typed) == 0)
            return;
        StrFree(s.template_text);
        s.template_text = StrDup(typed);
        save();
    };
}

void SettingsWindow::build_preferences(View* content)
{
    Settings& s = settings();
    if (!settings_window_state().sibling_mode)
        make_preference_check_box(content, app_string(text::display_check), &s.display_check);
    make_preference_check_box(content, app_string(text::welcome), &s.welcome_window);
}

void SettingsWindow::build_sibling(View* content)
{
    make_preference_check_box(content, app_string(text::sibling_option), &settings().sibling_section_option);
}

void SettingsWindow::build_language(View* content)
{
    m_language.on_change = [](int language) {
        settings().interface_language = static_cast<std::uint16_t>(language);
        save();
    };
    m_language.build(content, ChooserForm::embedded, settings().interface_language);
}
