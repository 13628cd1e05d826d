#include "ui/application.h"

#include <clocale>
#include <cstdio>
#include <cstring>

#include "app/embedded_resources.h"
#include "app/preferences.h"
#include "app/report.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "codec/codec_state.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/memory.h"
#include "foundation/time_text.h"
#include "framework/alert.h"
#include "framework/builders.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "gif/warning_queue.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"
#include "ui/progress_reporter.h"
#include "ui/commands.h"
#include "ui/info_windows.h"
#include "ui/start_windows.h"
#include "ui/language_chooser.h"
#include "ui/settings_window.h"
#include "ui/ui_state.h"

namespace {

constexpr int kNotPrinted = 100, kNotPrintedButton = 101;
constexpr int kLowDisplay = 194, kLowDisplayGoOn = 195, kLowDisplayHelp = 196, kLowDisplayAdvice = 197,
              kLowDisplayAdviceButton = 198;
constexpr int kMainTitlePattern = 2, kMainTitleName = 1;
constexpr int kOutOfMemory = 1, kLowMemory = 2, kLowMemoryButton = 3;
constexpr std::uint16_t kGifType = 2;

// Out of memory: the message goes out before the process ends (no window can be trusted).
void memory_exit(void*, int)
{
    std::fprintf(stderr, "%s\n", error_text(kOutOfMemory));
    std::_Exit(1);
}

void memory_state(void*, int state)
{
    if (state == 1)
        (void)alert_show(nullptr, alert_kind::exclamation, error_text(kLowMemory), error_text(kLowMemoryButton),
                         nullptr, nullptr, nullptr);
}

void install_error_handling()
{
    MemSetExitHook(memory_exit, nullptr);
    MemSetStateCallback(memory_state, nullptr);
}

bool texts_present()
{
    return embedded_text_resource(200).data != nullptr && embedded_text_resource(300).data != nullptr;
}

void register_document_types()
{
    if (kSiblingMode)
        RegisterFileType(kPreferenceFileType, "rts", ".rts", "Tessel Preferences (.RTS)");
    else
        RegisterFileType(kPreferenceFileType, "rqs", ".rqs", "Quillon Preferences (.RQS)");
    RegisterFileType(kGifType, "gif", ".gif", "GIF Files (.GIF)");
}

void set_main_title()
{
    const StrPtr title(FormatNew(independent_text(kMainTitlePattern), independent_text(kMainTitleName)));
    platform::WindowSetTitle(MainWindowInfo().window, title.get());
}

const char* language_text(std::uint16_t n) { return app_string(n); }
const char* constant_text(std::uint16_t n) { return independent_text(n); }
void save_preferences_hook() { save_preferences_reporting_failure(); }
void save_settings_notified(void*) { (void)save_settings(); }

void fill_document_events()
{
    SetDocumentEventHandler(DocumentEvent::start, document_event_start, nullptr);
    SetDocumentEventHandler(DocumentEvent::open, document_event_open, nullptr);
    SetDocumentEventHandler(DocumentEvent::print, document_event_print, nullptr);
    SetDocumentEventHandler(DocumentEvent::quit, document_event_quit, nullptr);
}

bool framework_language(int language, std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    return SetInterfaceLanguage(language, a, b, c);
}

void framework_texts(const char* const*, int) { }

// Steps 13 and 14: the chooser of the first start (remembered in the preferences), then
// the interface language. False when the user chose to quit there.
bool choose_language()
{
    FrameworkHooks hooks;
    hooks.set_framework_texts = framework_texts;
    hooks.set_interface_language = framework_language;
    install_framework_hooks(hooks);
    bool quit = false;
    run_startup_language_step([&quit](bool chosen_quit) { quit = chosen_quit; });
    if (quit)
        return false;
    if (interface_language() != settings().interface_language)  // not offered or not displayable
        (void)set_interface_language(default_language());
    return true;
}

}  // namespace

void document_event_start(void*, const char*) { }

void document_event_open(void*, const char* path)
{
    if (kSiblingMode || !path)
        return;
    (void)open_document_file(path);
}

void document_event_print(void*, const char* path)
{
    FrameworkBeep();
    const StrPtr text(FormatNew(app_string(kNotPrinted), path ? path : ""));
    (void)alert_error(text.get(), app_string(kNotPrintedButton));
}

void document_event_quit(void*, const char*) { quit_program(); }

bool check_display(int bits_per_pixel)
{
    if (bits_per_pixel > 8)
        return true;
    const int colours = bits_per_pixel >= 0 && bits_per_pixel < 31 ? 1 << bits_per_pixel : 0;
    const StrPtr text(FormatNew(app_string(kLowDisplay), colours, bits_per_pixel));
    if (alert_ask(nullptr, alert_kind::exclamation, text.get(), app_string(kLowDisplayGoOn),
                  app_string(kLowDisplayHelp)) == 0)
        (void)alert_ask(nullptr, alert_kind::information, app_string(kLowDisplayAdvice),
                        app_string(kLowDisplayAdviceButton), nullptr);
    return false;
}

bool initialise_application()
{
    if (!texts_present())  // 1: the program cannot speak without its texts
        return false;
    SetTimeTextSource(app_string);
    register_document_types();  // 2
    set_main_title();           // 3
    install_error_handling();   // 4
    PreferenceOptions options;  // 5
    options.sibling_mode = kSiblingMode;
    set_preference_options(options);
    initialise_settings();
    (void)codec_state();    // 6: the codec's buffers (the colour pools live with their users)
    (void)read_settings();  // 7: no preference file yet keeps the defaults
    // 8: the settings are saved when the program loses the activation, and at its end
    // (program_entry), whether a loop ran or the user quit in the chooser.
    AddAppNotificationHandler(AppNotification::deactivated, save_settings_notified, nullptr);
    BuilderHooks builder;  // the controls' own changes are saved at once
    builder.language_text = language_text;
    builder.constant_text = constant_text;
    builder.save_preferences = save_preferences_hook;
    set_builder_hooks(builder);
    // 9: the frame slider is the framework's slider class, whose operations are its own
    // from the start (there is no class table to fill). 10: the Save dialog looks the GIF
    // type up by its number when it runs.
    (void)warning_queue();   // 11
    fill_document_events();  // 12
    ui_state().pane_factory = make_document_pane;
    ui_state().pane_arranger = arrange_document_panes;
    SetWindowGroupCycle(cycle_document_group);  // F6 goes round a document and its panes
    if (!choose_language()) {                   // 13, 14
        ui_state().quit_at_start = true;
        return false;
    }
    install_error_handling();
    build_menus();  // 15
    Settings& record = settings();
    info_windows_state().sibling_mode = kSiblingMode;
    if (record.first_start_notice_shown != 1)  // 16
        (void)show_first_start_notice([] { quit_program(); });
    const bool display_ok =
        !(record.display_check && !kSiblingMode) || check_display(platform::DisplayBitsPerPixel());  // 17
    show_splash_window();                                                                            // 18
    if (display_ok) {                                                                                // 19
        if (record.welcome_window)
            show_welcome_window();
        else if (!kSiblingMode)
            command_open();
    }
    return true;  // 20: the loop handles the command line when it starts
}

int program_entry(int argc, char** argv, int show_state)
{
    std::setlocale(LC_ALL, "");
    if (!FrameworkStart(argc, argv, show_state)) {
        std::fprintf(stderr, "quillon: the window system cannot be started\n");
        return 1;
    }
    (void)CreateMainWindow();
    Reporter* previous = install_progress_reporter();
    if (initialise_application())
        RunMainLoop();
    else if (!ui_state().quit_at_start)
        std::fprintf(stderr, "quillon: the program's texts are missing\n");
    (void)save_settings();  // step 8; after a quit in the chooser it keeps the mark that it asked
    set_reporter(previous);
    end_application();
    FrameworkEnd();
    return 0;
}

void end_application() { ui_state() = UiState{}; }
