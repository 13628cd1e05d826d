// Containers and the empty controls that give a layout its shape: row and column boxes with
// a fixed spacing, the styled panel column, a grid, a framed box whose children keep their
// own offsets, spacers, separator lines and the scrolling panel. A container sizes itself
// to its shown children and asks its parent to lay out again when its size changes.
#pragma once
#include <cstdint>

#include "framework/view.h"

enum class BoxKind : std::uint8_t { row, column, grid, free, scroll };

struct BoxStyle {
    int spacing = 0;      // row, column: between children; grid: horizontal
    int row_spacing = 0;  // grid: vertical
    int columns = 1;      // grid
    int margin_x = 0;
    int margin_y = 0;
    bool panel = false;   // the standard panel background
    bool framed = false;  // the standard sunken frame
};

// A box inside a parent, or a top-level box of a window when parent is null.
// x, y: the offset of the new box inside a free parent box.
View* BoxNew(BoxKind kind, View* parent, FrameWindow* window, const BoxStyle& style, int x = 0, int y = 0);
void BoxSetMargins(View* box, int margin_x, int margin_y);
// Free boxes: moves a child to a new offset inside the margins.
void BoxSetChildOffset(View* box, View* child, int dx, int dy);
int BoxChildCount(View* box);
View* BoxChildAt(View* box, int index);
// Lays the box out again (a child changed something besides its size).
void BoxRelayout(View* box);
// Lays out every box from the view up to its top-level view.
void BoxRelayoutUp(View* view);
bool ViewIsBox(const View* view);
BoxKind BoxKindOf(View* box);

// An empty control of a fixed size.
View* SpacerNew(View* parent, int width, int height);
// kind 0: a horizontal line, kind 1: a vertical line; either stretches across its box.
View* SeparatorNew(View* parent, int kind);

// A scrolling panel of a fixed size showing one content view (its first child).
View* ScrollPanelNew(View* parent, FrameWindow* window, int width, int height);
void ScrollPanelScrollTo(View* panel, int x, int y);
void ScrollPanelScrollBy(View* panel, int dx, int dy);
int ScrollPanelOffsetX(View* panel);
int ScrollPanelOffsetY(View* panel);
