// The settings record: one per run, initialised with its defaults and filled from the
// preference file. The optimizer reads it, the settings window edits it. The preference
// file code (app/preferences) owns reading and writing it.
#pragma once
#include <cstdint>

struct SettingsRect {
    std::int16_t left = 0, top = 0, width = 0, height = 0;
};

struct Settings {
    Settings() = default;
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // One-byte options, each stored as its own preference record; nonzero is on. The
    // spare ones have no meaning in this program and are kept only for the file.
    std::uint8_t spare_tag3 = 0;
    std::uint8_t end_code_saving = 1;         // tag 4: the optimizer's four flags
    std::uint8_t offset_frames = 1;           // tag 5
    std::uint8_t crop_first_frame = 1;        // tag 6
    std::uint8_t transparency_search = 1;     // tag 7
    std::uint8_t display_check = 1;           // tag 8: start-up display check
    std::uint8_t welcome_window = 1;          // tag 9: welcome window at start-up
    std::uint8_t sibling_section_option = 1;  // tag 10: settings section 340
    std::uint8_t limits_shown = 1;            // tag 11: the range pane's limits
    std::uint8_t spare_tag14 = 1;
    std::uint8_t spare_tag15 = 0;
    std::uint8_t spare_tag16 = 1;
    std::uint8_t spare_tag17 = 0;
    std::uint8_t spare_tag18 = 1;
    std::uint8_t spare_tag19 = 1;
    char* template_text = nullptr;               // tag 13, owned heap string
    std::uint16_t rule_value = 0;                // tag 12: transparent index rule 0-6
    std::uint16_t interface_language = 1;        // tag 21
    std::uint16_t language_chosen = 0;           // tag 22
    std::uint16_t first_start_notice_shown = 0;  // tag 23
    std::uint32_t framework_setting = 0;         // tag 20
    SettingsRect main_window;                    // tag 24: outer rectangle, kept by the window layer
    // Tag 25: the desktop Save also tries the extra compression mode and keeps the smaller
    // file. Files of older versions lack the record and keep it off.
    std::uint8_t extra_compression = 0;
    // Tool windows that remember where the user put them: client rectangle in screen
    // coordinates; a width or height of 0 means not placed yet (the window's own rule).
    SettingsRect settings_window_placement;  // tag 26
    // Tags 27-29: the information, topics and help windows (the first-start notice shows
    // once and keeps none).
    SettingsRect info_window_placements[3];

    int transparent_index_rule() const { return rule_value; }
};

// The one-byte options in the order of their preference tags (3 to 11, then 14 to 19).
inline constexpr std::uint8_t Settings::*kSettingsOptionBytes[] = {
    &Settings::spare_tag3,          &Settings::end_code_saving,
    &Settings::offset_frames,       &Settings::crop_first_frame,
    &Settings::transparency_search, &Settings::display_check,
    &Settings::welcome_window,      &Settings::sibling_section_option,
    &Settings::limits_shown,        &Settings::spare_tag14,
    &Settings::spare_tag15,         &Settings::spare_tag16,
    &Settings::spare_tag17,         &Settings::spare_tag18,
    &Settings::spare_tag19,
};

// The process-wide settings record.
Settings& settings();
