#include "app/preferences.h"

#include "app/report.h"
#include "app/string_ids.h"
#include "app/string_tables.h"
#include "foundation/file_access.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

#include <cstring>
#include <string>

namespace {

constexpr int kSignatureText = 0;
constexpr int kFurtherText = 1;
constexpr int kProgramText = 2;
constexpr int kFileNameText = 8;
constexpr int kVersionText = 9;
constexpr int kCreatorText = 10;
constexpr int kTemplateText = 106;
constexpr int kSiblingTemplateText = 324;
constexpr std::uint16_t kSettingsWindowPlacementTag = 26;
constexpr std::uint16_t kInfoWindowPlacementTag = 27;  // and the two after it
constexpr std::uint32_t kHeaderTextLimit = 254;        // bytes of one header text with its zero

// The preference module's process-wide state.
struct Preferences {
    PreferenceTexts texts;
    PreferenceOptions options;
    FileRefPtr primary;
    FileRefPtr secondary;
    bool locations_fixed = false;
    bool from_secondary = false;
};

Preferences& preferences()
{
    static Preferences state;
    return state;
}

const char* independent(int n)
{
    const PreferenceTexts& texts = preferences().texts;
    const char* text = texts.independent ? texts.independent(n) : independent_text(n);
    return text ? text : "";
}

const char* application(int n)
{
    const PreferenceTexts& texts = preferences().texts;
    const char* text = texts.application ? texts.application(n) : app_string(n);
    return text ? text : "";
}

std::uint16_t language_default()
{
    const PreferenceTexts& texts = preferences().texts;
    int language = texts.default_language ? texts.default_language() : default_language();
    return static_cast<std::uint16_t>(language);
}

// Progress of reading and writing the preference file goes to the application's reporter.
class ReporterProgress : public RecordProgress {
public:
    void begin(const char* caption, std::uint32_t total) override { reporter().begin_progress(caption, total); }
    void restart(std::uint32_t total) override { reporter().restart_progress(total); }
    void detail(const char* text) override { reporter().set_progress_detail(text); }
    void advance(std::uint32_t units) override { reporter().advance_progress(units); }
    void end() override { reporter().end_progress(); }
};

// The four header texts, each with its zero byte.
std::string header_bytes()
{
    StrPtr creator(FormatNew(independent(kCreatorText), independent(kProgramText)));
    StrPtr further(FormatNew(independent(kFurtherText), independent(kProgramText)));
    std::string bytes;
    for (const char* text : {independent(kSignatureText), independent(kVersionText),
                             static_cast<const char*>(creator.get()), static_cast<const char*>(further.get())}) {
        bytes += text;
        bytes += '\0';
    }
    return bytes;
}

// A header text up to and including its zero byte; 254 bytes without one fail.
bool read_header_text(RecordStream& stream, std::string& text)
{
    text.clear();
    for (std::uint32_t i = 0; i < kHeaderTextLimit; ++i) {
        char c = 0;
        if (!record_raw_read(stream, &c, 1))
            return false;
        if (c == '\0')
            return true;
        text += c;
    }
    return false;
}

// The format version of a version text; any text the table does not know is version 1.
int version_of(const std::string& text) { return text == independent(kVersionText) ? 2 : 1; }

// Checks the header; true when the body that follows is ours to read.
bool read_header(RecordStream& stream, bool* body_follows)
{
    const char* signature = independent(kSignatureText);
    auto length = static_cast<std::uint32_t>(StrLen(signature));
    if (stream.remaining <= length)
        return false;
    std::string read(length + 1, '\0');
    if (!record_raw_read(stream, read.data(), length + 1) || std::memcmp(read.data(), signature, length + 1) != 0)
        return false;
    std::string version, creator, further;
    if (!read_header_text(stream, version) || !read_header_text(stream, creator) || !read_header_text(stream, further))
        return false;
    StrPtr own_creator(FormatNew(independent(kCreatorText), independent(kProgramText)));
    *body_follows = version_of(version) != 1 && creator == own_creator.get();
    return true;
}

void preference_file_schema(RecordStream& stream, void* settings_record)
{
    std::string header = header_bytes();
    record_raw_write(stream, header.data(), static_cast<std::uint32_t>(header.size()));
    settings_schema(stream, settings_record);
}

FileRef* preference_file_in(const FileRef* folder)
{
    const char* extension = preferences().options.sibling_mode ? "rts" : "rqs";
    FileRefPtr file(FileInFolder(folder, independent(kFileNameText), kPreferenceFileType));
    return FileRefNew(file->directory, file->name, kPreferenceFileType, extension);
}

void fix_locations()
{
    Preferences& p = preferences();
    if (p.locations_fixed)
        return;
    p.locations_fixed = true;
    FileRefPtr current(CurrentFolderRef());
    FileRefPtr prefs_folder(PrefsFolderRef());
    p.primary.reset(preference_file_in(prefs_folder ? prefs_folder.get() : current.get()));
    p.secondary.reset(preference_file_in(current.get()));
    if (FileRefSame(p.primary.get(), p.secondary.get()))
        p.secondary.reset();
}

// A tool window's placement: left, top, width, height as one rectangle record; none kept
// (all zero) by default.
void record_placement(RecordStream& stream, std::uint16_t tag, SettingsRect& placement)
{
    RecordRect value{placement.left, placement.top, placement.width, placement.height};
    if (record_rect(stream, tag, value, RecordRect{0, 0, 0, 0}))
        placement = SettingsRect{value.a, value.b, value.c, value.d};
}

std::int32_t clamp(std::int32_t value, std::int32_t low, std::int32_t high)
{
    if (value < low)
        return low;
    return value > high ? high : value;
}

}  // namespace

void set_preference_texts(const PreferenceTexts& texts) { preferences().texts = texts; }

void set_preference_options(const PreferenceOptions& options) { preferences().options = options; }

void settings_schema(RecordStream& stream, void* settings_record)
{
    Settings& s = *static_cast<Settings*>(settings_record);
    record_byte(stream, 3, s.spare_tag3, 0);
    record_byte(stream, 4, s.end_code_saving, 1);
    record_byte(stream, 5, s.offset_frames, 1);
    record_byte(stream, 6, s.crop_first_frame, 1);
    record_byte(stream, 7, s.transparency_search, 1);
    record_byte(stream, 8, s.display_check, 1);
    record_byte(stream, 9, s.welcome_window, 1);
    record_byte(stream, 10, s.sibling_section_option, 1);
    record_byte(stream, 11, s.limits_shown, 1);
    record_u16(stream, 12, s.rule_value, 0);
    // Reading and initialising need no default text: only ask the string tables when resetting.
    const char* template_default = "";
    if (stream.mode == RecordMode::Defaults)
        template_default = application(preferences().options.sibling_mode ? kSiblingTemplateText : kTemplateText);
    record_text(stream, 13, s.template_text, template_default);
    record_byte(stream, 14, s.spare_tag14, 1);
    record_byte(stream, 15, s.spare_tag15, 0);
    record_byte(stream, 16, s.spare_tag16, 1);
    record_byte(stream, 17, s.spare_tag17, 0);
    record_byte(stream, 18, s.spare_tag18, 1);
    record_byte(stream, 19, s.spare_tag19, 1);
    record_u32(stream, 20, s.framework_setting, preferences().options.framework_default);
    std::uint16_t language = stream.mode == RecordMode::Defaults ? language_default() : 1;
    record_u16(stream, 21, s.interface_language, language);
    record_u16(stream, 22, s.language_chosen, 0);
    record_u16(stream, 23, s.first_start_notice_shown, 0);
    // The window's current rectangle is its own default.
    RecordRect window{s.main_window.left, s.main_window.top, s.main_window.width, s.main_window.height};
    if (record_rect(stream, 24, window, window))
        s.main_window = SettingsRect{window.a, window.b, window.c, window.d};
    record_byte(stream, 25, s.extra_compression, 0);
    record_placement(stream, kSettingsWindowPlacementTag, s.settings_window_placement);
    for (int i = 0; i < 3; ++i)
        record_placement(stream, static_cast<std::uint16_t>(kInfoWindowPlacementTag + i), s.info_window_placements[i]);
    record_end_marker(stream);
}

void set_preference_locations(const FileRef* primary, const FileRef* secondary)
{
    Preferences& p = preferences();
    p.locations_fixed = true;
    p.primary.reset(FileRefCopy(primary));
    p.secondary.reset(FileRefCopy(secondary));
    if (p.primary && p.secondary && FileRefSame(p.primary.get(), p.secondary.get()))
        p.secondary.reset();
}

const FileRef* primary_preference_file()
{
    fix_locations();
    return preferences().primary.get();
}

const FileRef* secondary_preference_file()
{
    fix_locations();
    return preferences().secondary.get();
}

void initialise_settings()
{
    fix_locations();
    RecordStream stream;
    stream.mode = RecordMode::Initialise;
    settings_schema(stream, &settings());
    stream.mode = RecordMode::Defaults;
    settings_schema(stream, &settings());
}

bool read_preference_file(const FileRef* file, Settings& target)
{
    if (!file)
        return false;
    ReporterProgress progress;
    RecordStream stream;
    if (!open_record_reader(stream, file, "", &progress))
        return false;
    bool body_follows = false;
    bool header_ok = read_header(stream, &body_follows);
    if (header_ok && body_follows)
        settings_schema(stream, &target);
    close_record_stream(stream);
    return header_ok;
}

bool write_preference_file(const FileRef* file, Settings& source)
{
    if (!file)
        return false;
    ReporterProgress progress;
    RecordStream stream;
    return write_record_file(stream, file, preference_file_schema, &source, "", "", &progress);
}

bool read_settings()
{
    fix_locations();
    Preferences& p = preferences();
    bool read_primary = read_preference_file(p.primary.get(), settings());
    bool read_secondary = false;
    if (p.options.read_secondary && p.secondary)
        read_secondary = read_preference_file(p.secondary.get(), settings());
    p.from_secondary = read_secondary;
    return read_primary || read_secondary;
}

bool save_settings()
{
    fix_locations();
    Preferences& p = preferences();
    const FileRef* target = p.primary.get();
    if (p.secondary && p.from_secondary && FileExists(p.secondary.get()))
        target = p.secondary.get();
    if (!target)  // no place for the file was found: nothing to write, nothing to report
        return false;
    if (write_preference_file(target, settings()))
        return true;
    // The old file is untouched; the user learns that the settings were not kept.
    const StrPtr name(FileRefDisplayName(target));
    const StrPtr text(FormatNew(app_string(kTextCannotReplace), name.get()));
    reporter().alert(AlertKind::Stop, text.get(), app_string(kTextCannotReplaceButton));
    return false;
}

bool settings_came_from_secondary() { return preferences().from_secondary; }

void set_settings_came_from_secondary(bool from_secondary) { preferences().from_secondary = from_secondary; }

SettingsRect main_window_client_rect(const SettingsRect& outer, std::int16_t max_width, std::int16_t max_height,
                                     const WindowFrame& frame)
{
    constexpr std::int32_t kSmallest = 50;
    std::int32_t w_max = max_width < kSmallest ? kSmallest : max_width;
    std::int32_t h_max = max_height < kSmallest ? kSmallest : max_height;
    std::int32_t width = clamp(outer.width, kSmallest, w_max);
    std::int32_t height = clamp(outer.height, kSmallest, h_max);
    // A clamped window keeps its centre (divisions round toward zero).
    std::int32_t left = outer.left + (outer.width - width) / 2;
    std::int32_t top = outer.top + (outer.height - height) / 2;
    // At least 50 pixels stay reachable, and the title bar is never above the screen.
    left = clamp(left, kSmallest - width, w_max - kSmallest);
    top = clamp(top, 0, h_max - kSmallest);
    left += frame.left;
    top += frame.top;
    width -= frame.left + frame.right;
    height -= frame.top + frame.bottom;
    return SettingsRect{static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                        static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
}
