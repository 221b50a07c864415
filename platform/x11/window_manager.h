// Talking to whatever manages the desktop the way EWMH says: whether a
// window manager runs, and asking it to maximize and activate windows.
#pragma once

#include <X11/Xlib.h>

#include "platform/x11/connection.h"

namespace x11 {

// Whether a window manager runs: the root's _NET_SUPPORTING_WM_CHECK names
// a window whose own property names itself. A manager that has exited
// leaves the root's property behind, naming a window that is gone.
bool HasWindowManager(const Connection& connection);

// Asks for the window to be maximized: through its state before it is
// mapped, with a request to the window manager once it is.
void RequestMaximized(const Connection& connection, Window window, bool mapped);

// A window manager's request to close the window: WM_DELETE_WINDOW.
bool IsCloseRequest(const Connection& connection, const XEvent& event);

// Tells window managers that the window takes the keyboard when activated.
void MarkFocusable(Display* dpy, Window window);

// Gives the window the keyboard the way the desktop expects: a window
// manager, where one runs (HasWindowManager), is asked to activate it;
// without one the focus is set, once the window can take it.
void Activate(const Connection& connection, Window window, bool managed);

}  // namespace x11
