// The X window behind a window of the program: made for the screen's mode,
// named and hinted for window managers; and what a window manager does
// with it: the frame it puts around it, and when it maps it.
#pragma once

#include <X11/Xlib.h>

#include "platform/core/backend.h"
#include "platform/x11/connection.h"
#include "platform/x11/screen.h"

namespace x11 {

// The X window behind a window of that look, of the screen's current mode,
// with the names and hints a window manager reads.
Window CreateXWindow(const Connection& connection, const Screen& screen, const core::WindowLook& look);

// The frame a window manager put around the window, or the window itself.
Window FrameOf(Display* dpy, Window xid);

// Waits, for no longer than a window manager takes to act on a request,
// until the window is mapped; other events stay queued.
void WaitUntilMapped(Display* dpy, Window window);

}  // namespace x11
