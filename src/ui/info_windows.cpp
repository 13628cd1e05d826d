#include "ui/info_windows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/preferences.h"
#include "app/settings.h"
#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "framework/alert.h"
#include "framework/control_box.h"
#include "framework/frame_window.h"
#include "framework/view.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"
#include "ui/pane_support.h"
#include "ui/progress_reporter.h"

namespace {

// Entry kinds; bit value 8 opens an expandable item at first show.
namespace kind {
constexpr int table = 0, heading = 1, item = 2, body = 3, link = 4, space = 5, named = 6, named_body = 7, open = 8,
              section = 16;  // a table section: heading, then an item whose body is a table
}

struct Entry {
    int kind;
    int string;     // negative: the per-language text -string
    int table = 0;  // kind table and section: the first constant string of the table
    int language = kNoLanguage;
    int alternative = 0;
    int section_item = 0;  // kind section: the heading of its expandable item
};

struct Descriptor {
    int title;
    const Entry* entries;
    int count;
};

constexpr Entry kNoticeEntries[] = {{kind::link, 354}, {kind::link, 355}, {kind::link, 356}, {kind::link, 357},
                                    {kind::link, 358}, {kind::link, 359}, {kind::link, 360}, {kind::link, 361},
                                    {kind::link, 362}, {kind::link, 363}};
constexpr Entry kTopicsEntries[] = {
    {kind::table, 368, 11},
    {kind::heading, 377},
    {kind::item, 378},
    {kind::body, 379},
    {kind::item, 380},
    {kind::body, 381},
    {kind::item, 382},
    {kind::body, 383},
    {kind::heading, 384},
    {kind::item, 385},
    {kind::body, 386},  // 387 in the sibling mode
    {kind::section, 395, 21, 9, 397, 410},
};
constexpr Entry kHelpEntries[] = {{kind::link, -2000}};

constexpr Descriptor kDescriptors[kInfoWindowCount] = {
    {353, kNoticeEntries, 10}, {353, kNoticeEntries, 10}, {367, kTopicsEntries, 12}, {165, kHelpEntries, 1}};

namespace text {
constexpr int notice_message = 364, notice_continue = 365, notice_quit = 366, sibling_manual = 387, web_failed = 24,
              mail_failed = 25, dont_copy = 26, copy = 27;
}

constexpr int kWindowClass = 200;
constexpr int kParagraphWidth = 400;
constexpr int kMinimumWidth = 320, kMinimumHeight = 160;
constexpr int kLine = 12;
constexpr int kMostRows = 64;

std::string entry_text(const Entry& entry)
{
    if (entry.string >= 0)
        return app_string(entry.string);
    const StrPtr dynamic = per_language_text(-entry.string);
    return dynamic ? dynamic.get() : "";
}

// A decimal number at the start of text, then one separator (two bytes for the lead byte
// of a double-byte character). Null when no digit is there.
const char* read_count(const char* text, int* value)
{
    if (*text < '0' || *text > '9')
        return nullptr;
    long n = 0;
    while (*text >= '0' && *text <= '9') {
        n = std::min(n * 10 + (*text - '0'), 1000000L);
        ++text;
    }
    *value = static_cast<int>(n);
    if (*text == '\0')
        return text;
    const auto lead = static_cast<unsigned char>(*text);
    return text + ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? (text[1] ? 2 : 1) : 1);
}

bool is_mail_address(const char* text)
{
    return std::strchr(text, '@') != nullptr && std::strchr(text, ' ') == nullptr &&
        std::strstr(text, "://") == nullptr;
}

// Whole paragraphs that are an address are links; other text is a paragraph.
bool is_address(const char* text)
{
    if (std::strchr(text, ' ') != nullptr || *text == '\0')
        return false;
    return std::strncmp(text, "http://", 7) == 0 || std::strncmp(text, "https://", 8) == 0 || is_mail_address(text);
}

void set_view_shown(View* view, bool shown)
{
    if (shown)
        ViewShow(view, 0);
    else
        ViewHide(view, 0);
}

class Builder {
public:
    Builder(InfoWindow& window, InfoWindowKind kind) : m_window(window), m_kind(kind) { }
    View* build(View* container);

private:
    void paragraph(View* parent, const std::string& text);
    void table(View* parent, int first, int language, int alternative);
    View* item(View* parent, const std::string& heading, std::size_t index, bool first_open);
    void notice_buttons(View* parent);

    InfoWindow& m_window;
    InfoWindowKind m_kind;
};

void Builder::paragraph(View* parent, const std::string& text)
{
    if (is_address(text.c_str())) {
        auto link = std::make_unique<ClickableText>();
        link->create(parent, text.c_str());
        ClickableText* raw = link.get();
        link->on_click = [raw] { open_link(raw->text()); };
        m_window.links.push_back(std::move(link));
        return;
    }
    Label label;
    label.create(parent, text.c_str(), TextKind::label);
    label.set_wrap_width(kParagraphWidth);
}

void Builder::table(View* parent, int first, int language, int alternative)
{
    const std::vector<InfoTableRow> rows = info_table_rows(first, language, alternative);
    if (rows.empty())
        return;
    BoxStyle style;
    style.columns = 2;
    style.spacing = 5;
    style.row_spacing = 3;
    View* grid = BoxNew(BoxKind::grid, parent, parent->window, style);
    for (const InfoTableRow& row : rows) {
        make_heading(grid, row.left.c_str());
        paragraph(grid, row.right);
    }
}

View* Builder::item(View* parent, const std::string& heading, std::size_t index, bool first_open)
{
    std::vector<std::uint8_t>& states = m_window.expanded;
    if (states.size() <= index)
        states.push_back(first_open ? 1 : 0);
    auto disclosure = std::make_unique<Disclosure>();
    disclosure->create(parent, heading.c_str(), states[index] != 0);
    View* body = make_column(parent, 4);
    set_view_shown(body, states[index] != 0);
    InfoWindow* window = &m_window;
    disclosure->on_change = [window, index, body](bool open) {
        window->expanded[index] = open ? 1 : 0;
        set_view_shown(body, open);
        relayout_panel_window(window->panel, body);
        fit_panel_window(window->panel, KeepInside::Yes);
    };
    m_window.disclosures.push_back(std::move(disclosure));
    m_window.bodies.push_back(body);
    return body;
}

void Builder::notice_buttons(View* parent)
{
    make_spacer(parent, 10, 8);
    Label message;
    message.create(parent, app_string(text::notice_message), TextKind::label, Emphasis::emphasised);
    message.set_wrap_width(kParagraphWidth);
    View* row = make_row(parent, 8);
    for (int which = 0; which < 2; ++which) {
        auto button = std::make_unique<Button>();
        button->create(row, app_string(which == 0 ? text::notice_continue : text::notice_quit),
                       which == 0 ? ButtonRole::default_button : ButtonRole::normal);
        m_window.buttons.push_back(std::move(button));
    }
}

View* Builder::build(View* container)
{
    m_window.disclosures.clear();
    m_window.bodies.clear();
    m_window.links.clear();
    m_window.buttons.clear();
    const Descriptor& d = kDescriptors[static_cast<int>(m_kind)];
    View* root = make_column(container, 0);
    std::size_t items = 0;
    for (int i = 0; i < d.count; ++i) {
        const Entry& e = d.entries[i];
        const bool last = i + 1 == d.count;
        switch (e.kind & 7) {
        case kind::table:
            if (e.kind == kind::section) {
                make_spacer(root, 1, 10);
                make_heading(root, entry_text(e).c_str());
                make_spacer(root, 1, 1);
                View* body = item(root, app_string(e.section_item), items++, false);
                table(body, e.table, e.language, e.alternative);
                break;
            }
            make_spacer(root, 1, 10);
            make_heading(root, entry_text(e).c_str());
            make_spacer(root, 1, 1);
            table(root, e.table, e.language, e.alternative);
            break;
        case kind::heading:
            make_spacer(root, 1, 10);
            make_heading(root, entry_text(e).c_str());
            make_spacer(root, 1, 1);
            break;
        case kind::item: {
            View* body = item(root, entry_text(e), items++, (e.kind & kind::open) != 0);
            if (i + 1 < d.count) {
                const Entry& next = d.entries[++i];
                std::string shown = entry_text(next);
                if (next.string == 386 && info_windows_state().sibling_mode)
                    shown = app_string(text::sibling_manual);
                if ((next.kind & 7) == kind::named_body)
                    shown = StrPtr(FormatNew(shown.c_str(), independent_text(1))).get();
                paragraph(body, shown);
            }
            make_spacer(root, 1, 5);
            break;
        }
        case kind::link:
        case kind::named:
            paragraph(root,
                      (e.kind & 7) == kind::named ? StrPtr(FormatNew(entry_text(e).c_str(), independent_text(1))).get()
                                                  : entry_text(e));
            if (!last)
                make_spacer(root, 1, 5);
            break;
        case kind::space:
            make_spacer(root, 1, 8);
            break;
        default:
            break;
        }
    }
    if (m_kind == InfoWindowKind::FirstStart)
        notice_buttons(root);
    BoxSetMargins(root, 8, 8);
    return root;
}

// First show: about square with the content's area, within the main window.
void size_at_first_show(InfoWindow& window)
{
    View* content = window.panel.content();
    FrameWindow* frame_window = window.panel.window();
    if (content == nullptr || frame_window == nullptr)
        return;
    const platform::Insets frame = platform::WindowFrameInsets(frame_window->window);
    const platform::Size main = platform::MainWindow() != nullptr ? platform::WindowClientSize(platform::MainWindow())
                                                                  : platform::Size{800, 600};
    const int most_width = std::max(kMinimumWidth, main.width - frame.left - frame.right - 6);
    const int most_height = std::max(kMinimumHeight, main.height - frame.top - frame.bottom - 6);
    const long area = static_cast<long>(content->width + 14) * (content->height + 14);
    int width = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(area))));
    int height = static_cast<int>(area / width);
    if (content->height + 14 > height)
        width = static_cast<int>(width * 1.3);
    width = std::clamp(std::max(width, content->width + 30), kMinimumWidth, most_width);
    height = std::clamp(std::min(height, content->height + 30), kMinimumHeight, most_height);
    const Rect client = FrameWindowClientBounds(frame_window);
    FrameWindowSetBounds(frame_window, platform::MakeRect(client.left, client.top, width, height));
    window.panel.size_event();
}

bool scroll_key(InfoWindow& window, const KeyEvent& event)
{
    View* scroll = window.panel.scroll_view();
    if (scroll == nullptr)
        return false;
    switch (event.character) {
    case 28:
        ScrollPanelScrollBy(scroll, -kLine, 0);
        return true;
    case 30:
        ScrollPanelScrollBy(scroll, kLine, 0);
        return true;
    case 29:
        ScrollPanelScrollBy(scroll, 0, -kLine);
        return true;
    case 31:
        ScrollPanelScrollBy(scroll, 0, kLine);
        return true;
    case 8:
    case 11:
    case 127:
        ScrollPanelScrollBy(scroll, 0, -(scroll->height - 20));
        return true;
    case 12:
    case ' ':
        ScrollPanelScrollBy(scroll, 0, scroll->height - 20);
        return true;
    default:
        return false;
    }
}

void copy_answer(void* argument, int answer)
{
    auto* state = static_cast<InfoWindowsState*>(argument);
    state->copy_offer = nullptr;
    if (answer == 1)
        platform::ClipboardSetText(state->offered_address.c_str());
    state->offered_address.clear();
}

}  // namespace

std::vector<InfoTableRow> info_table_rows(int first, int language, int alternative)
{
    return info_table_rows(independent_text, first, language, alternative);
}

std::vector<InfoTableRow> info_table_rows(ConstantStrings constant, int first, int language, int alternative)
{
    std::vector<InfoTableRow> rows;
    int count = 0;
    const char* cur = read_count(constant(first), &count);
    if (cur == nullptr || count <= 0)
        return rows;
    const bool current = language == interface_language();
    int k = 0;
    for (int r = 0; r < std::min(count, kMostRows); ++r) {
        int n = 0;
        const char* rest = read_count(cur, &n);
        if (rest == nullptr)
            break;
        InfoTableRow row;
        if (n != 0) {
            const std::string row_text = current ? app_string(alternative + k) : rest;
            row.left = app_string(n);
            row.right = StrPtr(FormatNew(app_string(n + 1), row_text.c_str())).get();
        } else if (current) {
            row.left = app_string(alternative + k);
            ++k;
            row.right = app_string(alternative + k);
        } else {
            row.left = rest;
            ++k;
            row.right = constant(first + k);
        }
        ++k;
        rows.push_back(std::move(row));
        if (r + 1 < count)
            cur = constant(first + k);
    }
    return rows;
}

std::string link_address(const char* text)
{
    const std::string address = text != nullptr ? text : "";
    if (address.rfind("mailto:", 0) == 0 || address.find("://") != std::string::npos)
        return address;
    if (is_mail_address(address.c_str()))
        return "mailto:" + address;
    return "https://" + address;
}

InfoWindowsState& info_windows_state()
{
    static InfoWindowsState state;
    return state;
}

InfoWindow& info_window(InfoWindowKind kind) { return info_windows_state().windows[static_cast<int>(kind)]; }

namespace {

// The placement a window keeps in the preferences; the first-start notice keeps none.
SettingsRect* kept_placement(InfoWindowKind kind)
{
    if (kind == InfoWindowKind::FirstStart)
        return nullptr;
    return &settings().info_window_placements[static_cast<int>(kind) - 1];
}

}  // namespace

FrameWindow* show_info_window(InfoWindowKind kind)
{
    InfoWindow& window = info_window(kind);
    if (window.panel.built()) {
        window.panel.show();
        return window.panel.window();
    }
    progress_reporter().begin_busy_cursor();
    SettingsRect* placement = kept_placement(kind);
    const bool placed = placement != nullptr && placement->width > 0 && placement->height > 0;
    open_panel_window(window.panel, kWindowClass, app_string(kDescriptors[static_cast<int>(kind)].title), 0, placement,
                      [&window, kind](View* container, bool) { return Builder(window, kind).build(container); });
    window.panel.on_key = [&window](const KeyEvent& event) { return scroll_key(window, event); };
    window.sized = window.sized || placed;  // where the user put it last time
    if (!window.sized) {
        size_at_first_show(window);
        place_new_window(window.panel.window());
        window.sized = true;
    }
    progress_reporter().end_busy_cursor();
    return window.panel.window();
}

FrameWindow* show_first_start_notice(std::function<void()> quit)
{
    FrameWindow* shown = show_info_window(InfoWindowKind::FirstStart);
    InfoWindow& window = info_window(InfoWindowKind::FirstStart);
    if (window.buttons.size() == 2) {
        window.buttons[0]->on_click = [&window] { window.panel.hide(); };
        window.buttons[1]->on_click = [quit] {
            if (quit)
                quit();
        };
    }
    settings().first_start_notice_shown = 1;
    save_setting_change();
    return shown;
}

void open_link(const char* text)
{
    const std::string address = link_address(text);
    InfoWindowsState& state = info_windows_state();
    const bool opened = state.open_url ? state.open_url(address.c_str()) : platform::OpenUrl(address.c_str());
    if (opened || state.copy_offer != nullptr)
        return;
    FrameworkBeep();
    const bool mail = address.rfind("mailto:", 0) == 0;
    const std::string shown = mail ? address.substr(7) : address;
    const StrPtr message(FormatNew(window_text(mail ? text::mail_failed : text::web_failed), shown.c_str()));
    state.offered_address = shown;
    state.copy_offer = alert_show(nullptr, alert_kind::question, message.get(), window_text(text::copy),
                                  window_text(text::dont_copy), copy_answer, &state);
}
