// The information windows: the first-start notice, the information window, the topics and
// the help text. Each is a scrolling column of paragraphs, headings, two-column tables and
// expandable items whose texts come from the string tables; addresses in them are links
// that the desktop opens (with an offer to copy the address when it cannot). One window per
// kind: asking again brings it to the front. Position, size and the open items are kept
// while the program runs.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/widgets.h"
#include "ui/panel_window.h"

struct FrameWindow;

enum class InfoWindowKind : std::uint8_t { FirstStart, Information, Topics, Help };
constexpr int kInfoWindowCount = 4;

// One cell pair of a two-column table.
struct InfoTableRow {
    std::string left;
    std::string right;
};
// The rows of the table kept in the program's constant strings from `first` on: the row
// count, then per row a number and a text. With `language` the current interface language
// the cells come from the application strings from `alternative` on. No rows for a count
// of 0 or a damaged table.
[[nodiscard]] std::vector<InfoTableRow> info_table_rows(int first, int language, int alternative);
// The same over another source of constant strings (tests).
using ConstantStrings = const char* (*)(int n);
[[nodiscard]] std::vector<InfoTableRow> info_table_rows(ConstantStrings constant, int first, int language,
                                                        int alternative);

// The address a link text opens: an e-mail address gets "mailto:", a text without a
// scheme "https://".
[[nodiscard]] std::string link_address(const char* text);

// What the information windows keep while the program runs.
struct InfoWindow {
    PanelWindow panel;
    bool sized = false;                  // sized at its first show
    std::vector<std::uint8_t> expanded;  // the expandable items, in order
    std::vector<std::uint8_t> sections;  // the table sections, in order
    std::vector<std::unique_ptr<Disclosure>> disclosures;
    std::vector<View*> bodies;  // what each disclosure shows and hides
    std::vector<std::unique_ptr<ClickableText>> links;
    std::vector<std::unique_ptr<Button>> buttons;
};
struct InfoWindowsState {
    InfoWindow windows[kInfoWindowCount];
    // Opens an address with the desktop; replaceable for tests. Null: the platform's.
    std::function<bool(const char* address)> open_url;
    bool sibling_mode = false;          // the manual entry points at the sibling product
    FrameWindow* copy_offer = nullptr;  // the open offer to copy an address, or null
    std::string offered_address;        // what the offer copies
};
InfoWindowsState& info_windows_state();

// Shows the window of that kind (the existing one to the front); returns its window.
FrameWindow* show_info_window(InfoWindowKind kind);
InfoWindow& info_window(InfoWindowKind kind);

// The first-start notice: its second button calls `quit` (which ends the program), the
// first closes the window. Marks the notice as shown in the settings and saves them.
FrameWindow* show_first_start_notice(std::function<void()> quit);

// A link was clicked: the desktop opens it, or the user is offered to copy it.
void open_link(const char* text);
