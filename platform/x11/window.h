// Top-level windows of registered classes, each backed by an X window.
#pragma once

#include <X11/Xlib.h>

#include "platform/platform.h"

struct HWND__ {
  Window xid;
  WNDPROC procedure;
  bool visible;
};

namespace x11 {

// The live window behind an X window id, or null.
HWND FindWindow(Window xid);
bool IsLiveWindow(HWND window);

// Sends WM_DESTROY and then removes the window and its X window.
void DestroyWindow(HWND window);

// The same for a window whose X window another client has destroyed.
void WindowDestroyed(HWND window);

}  // namespace x11
