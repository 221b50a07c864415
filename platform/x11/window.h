// Top-level windows of registered classes, each backed by an X window.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "platform/platform.h"

// What the window was created with, kept to give it a new X window.
struct WindowLook {
  std::string title;
  std::string className;
  DWORD style;
  int x;
  int y;
  int width;
  int height;
};

struct HWND__ {
  // The X window behind the handle now; the screen's mode can replace it.
  Window xid;
  WNDPROC procedure;
  WindowLook look;
  bool visible;
  bool maximized;
};

namespace x11 {

// The live window behind an X window id, or one it had until it was renewed; null if none.
HWND FindWindow(Window xid);
bool IsLiveWindow(HWND window);

// Gives every window a new X window of the screen's current mode, shown as
// the old one was; the handles stay.
void RenewWindows();

// Under a compositor that blends, where the program's shown windows lie
// uncovered by other windows, the overlay takes the clicks; the raised one
// is taken to be on top.
void RouteClicksToShownWindows(HWND raised = nullptr);

// The shown window at that point of the screen, or null.
HWND ShownWindowAt(int x, int y);

// Without a window manager, maximized windows cover the screen at its new size.
void FitMaximizedWindows();

// Sends WM_DESTROY and then removes the window and its X window.
void DestroyWindow(HWND window);

// The server reports an X window gone: a renewed window's old one ends
// nothing; a window of ours another client destroyed is destroyed, as by
// DestroyWindow but for its X window.
void XWindowDestroyed(Window xid);

// Input for the windows, their close requests and their end go to them from the first window on.
void ListenToWindowEvents();

}  // namespace x11
