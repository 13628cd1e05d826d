// Showing a window's pixels while the program is busy outside the event loop (a progress
// window during a long save): the window system's pending exposures of the program's
// windows are taken in, then the window's surface is put on the screen at once. Input
// stays queued for later.
#pragma once

namespace platform {

struct Window;
void WindowShowSurfaceNow(Window* window);

}  // namespace platform
