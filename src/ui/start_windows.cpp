#include "ui/start_windows.h"

#include "app/string_tables.h"
#include "framework/builders.h"
#include "framework/control_field.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "framework/language.h"
#include "platform/qt/draw.h"
#include "platform/qt/window.h"
#include "ui/commands.h"
#include "ui/ui_state.h"

namespace {

constexpr int kSplashTitle = 408, kSplashVersion = 409;
constexpr std::uint32_t kSplashMilliseconds = 2500;
constexpr int kSplashMargin = 5, kSplashPadding = 12;
constexpr int kWelcomeTitle = 430, kWelcomeText = 431, kWelcomeDrop = 432, kWelcomeOpen = 433;

void paint_splash(FrameWindow* window, const platform::Rect&)
{
    platform::Surface* s = platform::WindowSurface(window->window);
    const platform::Size size = platform::WindowClientSize(window->window);
    platform::DrawFillRect(s, platform::MakeRect(0, 0, size.width, size.height),
                           platform::SystemColourOf(platform::SystemColour::window));
    const platform::Font* title = FrameworkFont(1);
    const platform::Font* text = FrameworkFont(0);
    const platform::Colour ink = platform::SystemColourOf(platform::SystemColour::window_text);
    platform::DrawText(s, kSplashPadding, kSplashPadding, app_string(kSplashTitle), title, ink);
    const int line = platform::FontMetricsOf(title).line_spacing;
    platform::DrawText(s, kSplashPadding, kSplashPadding + line + 4, app_string(kSplashVersion), text, ink);
}

void close_splash(void*)
{
    UiState& state = ui_state();
    state.splash_task = nullptr;
    if (state.splash && FrameWindowAlive(state.splash))
        FrameWindowClose(state.splash);
    state.splash = nullptr;
}

// Fits a window to its root view and places it (screen coordinates) at the top-left point.
void fit_to_content(FrameWindow* window, View* root, platform::Point at)
{
    FrameWindowSetBounds(window, platform::MakeRect(at.x, at.y, root->width, root->height));
}

platform::Point main_client_centre(int width, int height)
{
    platform::Window* main = MainWindowInfo().window;
    const platform::Size size = platform::WindowClientSize(main);
    const platform::Point origin = platform::WindowClientToScreen(main, platform::Point{0, 0});
    return platform::Point{origin.x + (size.width - width) / 2, origin.y + (size.height - height) / 3};
}

void forget_welcome(FrameWindow*) { ui_state().welcome = nullptr; }

}  // namespace

void show_splash_window()
{
    const char* title = app_string(kSplashTitle);
    const char* version = app_string(kSplashVersion);
    const platform::Size a = platform::MeasureText(FrameworkFont(1), title);
    const platform::Size b = platform::MeasureText(FrameworkFont(0), version);
    const int width = (a.width > b.width ? a.width : b.width) + 2 * kSplashPadding;
    const int height = a.height + b.height + 4 + 2 * kSplashPadding;
    platform::Window* main = MainWindowInfo().window;
    const platform::Size client = platform::WindowClientSize(main);
    const platform::Point corner = platform::WindowClientToScreen(main, platform::Point{client.width, client.height});
    FrameWindow* splash = CreateFrameWindow(
        nullptr, "", frame_flag::popup,
        platform::MakeRect(corner.x - kSplashMargin - width, corner.y - kSplashMargin - height, width, height));
    if (!splash)
        return;
    splash->handlers.paint = paint_splash;
    platform::WindowShow(splash->window, platform::Show::show_no_activate);
    ui_state().splash = splash;
    ui_state().splash_task = TaskAfter(close_splash, nullptr, kSplashMilliseconds);
}

void show_welcome_window()
{
    UiState& state = ui_state();
    if (state.welcome && FrameWindowAlive(state.welcome)) {
        platform::WindowActivate(state.welcome->window);
        return;
    }
    FrameWindow* window =
        CreateFrameWindow(nullptr, app_string(kWelcomeTitle), frame_flag::dialog | frame_flag::closable,
                          platform::MakeRect(0, 0, 320, 160));
    if (!window)
        return;
    window->handlers.destroy = forget_welcome;
    View* root = make_styled_column(make_root_column(window, 0), 10);
    make_heading(root, app_string(kWelcomeTitle));
    make_text_line(root, app_string(kWelcomeText));
    make_text_line(root, app_string(kWelcomeDrop));
    make_button(root, app_string(kWelcomeOpen), DefaultButton::yes, [] { command_open(); });
    View* top = ViewTopLevelAt(window, 0);
    fit_to_content(window, top, main_client_centre(top->width, top->height));
    platform::WindowShow(window->window, platform::Show::show);
    state.welcome = window;
}

void close_welcome_window()
{
    UiState& state = ui_state();
    if (state.welcome && FrameWindowAlive(state.welcome))
        FrameWindowClose(state.welcome);
    state.welcome = nullptr;
}

void edit_focused_field(std::uint8_t letter)
{
    FrameWindow* window = FocusedFrameWindow();
    View* field = window ? ViewFocus(window) : nullptr;
    if (!field || !ViewIsField(field))
        return;
    KeyEvent event;
    event.character = letter;
    if (letter != key_char::del)
        event.modifiers = platform::modifier::control;
    (void)FieldKey(field, event);
}
