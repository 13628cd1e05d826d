// The preference file: header texts, then the settings record as tagged records, one
// schema for initialising, resetting, reading, writing and measuring it. Owns where the
// file lives (the configuration folder, and a second file in the start-up folder that wins
// when present), saving by replacement (a failed save keeps the old file), and the rule
// that fits the saved main-window rectangle on the screen. The settings record: app/settings.
#pragma once
#include <cstdint>

#include "app/settings.h"
#include "foundation/file_ref.h"
#include "foundation/record_stream.h"

// Preference file type id (registered by the application shell).
constexpr std::uint16_t kPreferenceFileType = 20;

// Where the preference module takes its texts and defaults; by default the string tables.
struct PreferenceTexts {
    const char* (*independent)(int n) = nullptr;  // header texts 0, 1, 2, 8, 9, 10
    const char* (*application)(int n) = nullptr;  // template defaults 106 and 324
    int (*default_language)() = nullptr;          // default of the interface language
};
void set_preference_texts(const PreferenceTexts& texts);  // null members: the string tables

struct PreferenceOptions {
    bool sibling_mode = false;            // the sibling product's texts and file type
    bool read_secondary = true;           // false: the start-up forbids the second file
    std::uint32_t framework_default = 0;  // default of the framework setting (tag 20)
};
void set_preference_options(const PreferenceOptions& options);

// The settings schema over `settings` (a Settings*): every field in tag order, then the end.
void settings_schema(RecordStream& stream, void* settings);

// Locations: fixed at the first initialise_settings (the folders at start-up). Tests and
// the shell may set them; the secondary is dropped when it names the primary. Not owned.
void set_preference_locations(const FileRef* primary, const FileRef* secondary);
const FileRef* primary_preference_file();
const FileRef* secondary_preference_file();  // null when none

// Schema in mode Initialise, then Defaults.
void initialise_settings();
// Reads the primary file, then (unless forbidden) the secondary one, whose values win.
// True when at least one file was read with a valid header.
bool read_settings();
// Writes the secondary file when it exists and the settings came from it, else the
// primary one. False (the old file untouched) when the file could not be written.
bool save_settings();
// Set by read_settings when the secondary file was read; the shell may change it.
bool settings_came_from_secondary();
void set_settings_came_from_secondary(bool from_secondary);

// One file, for the two operations above and for tests.
bool read_preference_file(const FileRef* file, Settings& target);
bool write_preference_file(const FileRef* file, Settings& source);

// The frame around the main window's client area.
struct WindowFrame {
    std::int16_t left, top, right, bottom;
};
// The client rectangle (left, top, width, height) for a saved outer rectangle: the size is
// clamped to [50, max] keeping the centre, the position so that 50 pixels stay reachable and
// the top edge is not above 0; then the frame is taken off.
SettingsRect main_window_client_rect(const SettingsRect& outer, std::int16_t max_width, std::int16_t max_height,
                                     const WindowFrame& frame);
