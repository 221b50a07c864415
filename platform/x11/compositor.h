// Compositing managers: whether one runs that blends windows by their
// alpha, and windows of the visual such a compositor blends.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Whether a compositing manager owns the screen's _NET_WM_CM_S selection.
bool CompositorRuns();

// Whether, besides, it composites windows itself, blending them by their
// alpha. One that leaves compositing to the server (xcompmgr -a) shows a
// window's pixels as they are, alpha ignored. Telling them apart takes
// redirection for a moment that a compositor just starting needs: ask at
// start-up, not when the compositor changes.
bool CompositorBlends();

// A top-level window with a 32-bit visual, transparent until drawn on, of
// the given attributes besides; None if the server has no such visual.
Window CreateTranslucentWindow(int x, int y, unsigned width, unsigned height, unsigned long valueMask,
                               XSetWindowAttributes attributes);

}  // namespace x11
