// The desktop program's one state record: the current document, the menu items whose state
// follows it, the hooks that make and arrange panes, and the start-up windows. Reached
// through ui_state(); nothing else of the program keeps state outside its windows.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/pane.h"

struct Document;
struct FrameWindow;
struct Menu;
struct MenuItem;
class DocumentWindow;
struct Task;

using PaneFactory = std::unique_ptr<Pane> (*)(DocumentWindow& owner, PaneKind kind);
using PaneArranger = void (*)(DocumentWindow& owner);

struct CommandItems {
    MenuItem* close = nullptr;         // item 11
    MenuItem* save[3] = {};            // items 12, 13, 14
    MenuItem* panes[kPaneCount] = {};  // items 24, 25, 26
    Menu* document_menu = nullptr;     // title 19
};

struct UiState {
    Document* current = nullptr;
    CommandItems items;
    PaneFactory pane_factory = nullptr;
    PaneArranger pane_arranger = nullptr;
    FrameWindow* splash = nullptr;
    Task* splash_task = nullptr;
    FrameWindow* welcome = nullptr;
    bool quit_at_start = false;  // the user ended the program in the start-up chooser
};

UiState& ui_state();

// Built as the sibling product's companion (a build option, never changed at run time).
constexpr bool kSiblingMode =
#ifdef QUILLON_SIBLING_MODE
    true;
#else
    false;
#endif
