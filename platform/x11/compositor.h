// Compositing managers: whether one runs that blends windows by their
// alpha, and windows of the visual such a compositor blends.
#pragma once

#include <X11/Xlib.h>

#include "platform/x11/connection.h"

namespace x11 {

// Whether a compositing manager owns the screen's _NET_WM_CM_S selection.
bool CompositorRuns(const Connection& connection);

// Whether, besides, it composites windows itself, blending them by their
// alpha. One that leaves compositing to the server (xcompmgr -a) shows a
// window's pixels as they are, alpha ignored. Telling them apart takes
// redirection for a moment that a compositor just starting needs: ask at
// start-up, not when the compositor changes.
bool CompositorBlends(const Connection& connection);

// The 32-bit visual with alpha that a compositor blends, and a colormap of
// it; a null visual if the server has none.
struct TranslucentVisual {
  Visual* visual = nullptr;
  Colormap colormap = None;
};

TranslucentVisual FindTranslucentVisual(const Connection& connection);

// A top-level window of that visual, transparent until drawn on, of the
// given attributes besides; None if there is no such visual.
Window CreateTranslucentWindow(const Connection& connection, const TranslucentVisual& translucent, int x, int y,
                               unsigned width, unsigned height, unsigned long valueMask,
                               XSetWindowAttributes attributes);

}  // namespace x11
