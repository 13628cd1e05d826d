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

    // option 0 (tag 3), options 1-8 (tags 4-11), options 9-14 (tags 14-19).
    // 1 end-code saving, 2 offset frames, 3 crop first frame, 4 transparency search,
    // 5 display check, 6 welcome window, 7 settings section 340, 8 range limits shown.
    std::uint8_t options[15] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1};
    char* template_text = nullptr;               // tag 13, owned heap string
    std::uint16_t rule_value = 0;                // tag 12: transparent index rule 0-6
    std::uint16_t interface_language = 1;        // tag 21
    std::uint16_t language_chosen = 0;           // tag 22
    std::uint16_t first_start_notice_shown = 0;  // tag 23
    std::uint32_t framework_setting = 0;         // tag 20
    SettingsRect main_window;                    // tag 24: outer rectangle, kept by the window layer

    bool end_code_saving() const { return options[1] != 0; }
    bool offset_frames() const { return options[2] != 0; }
    bool crop_first_frame() const { return options[3] != 0; }
    bool transparency_search() const { return options[4] != 0; }
    int transparent_index_rule() const { return rule_value; }
};

// The process-wide settings record.
Settings& settings();
