// Questions about X events that more than one part of the layer asks.
#pragma once

#include <X11/Xlib.h>

#include <chrono>

namespace x11 {

// A window manager's request to close the window: WM_DELETE_WINDOW.
bool IsCloseRequest(const XEvent& event);

// Waits for the next event reported on that window; events for other
// windows stay queued.
XEvent NextEventFor(Display* dpy, Window window);

// Waits, for no longer than `limit`, for an event of that type reported on
// that window: whether it came. Other events stay queued.
bool WaitForEventFor(Display* dpy, Window window, int type, std::chrono::milliseconds limit);

// How long to wait for a window manager to act on a request.
constexpr std::chrono::milliseconds windowManagerPatience{1000};

}  // namespace x11
