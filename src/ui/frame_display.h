// Composing the screen of an animation at one frame into the document's canvas: the start
// point (an opaque whole-screen frame, a stored snapshot, a whole-screen frame that clears,
// or the current canvas when moving forward), the frames drawn from there, and the area of
// the screen that changed. No window code: the document window paints what this composes.
#pragma once
#include <cstdint>
#include <vector>

#include "document/document.h"

// The frames of a document by index (the document's list walked once).
std::vector<Frame*> frame_table(Document& document);

struct ComposeStart {
    int index = 0;               // the frame to start from (below 1: from the empty screen)
    bool from_snapshot = false;  // its stored snapshot is decoded first
};

// Where composing frame n starts, before the current canvas is considered.
ComposeStart find_compose_start(const std::vector<Frame*>& frames, const Document& document, int n);

// Composes frame n into the canvas, which holds the screen at document.current_frame (or
// anything when that is -1), and returns the area that changed. current_frame is not set.
ScreenRect compose_frame(Document& document, const std::vector<Frame*>& frames, int n);

// The union of two rectangles (an empty one adds nothing).
ScreenRect rect_union(const ScreenRect& a, const ScreenRect& b);
