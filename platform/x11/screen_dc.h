// The device context of the whole screen. What it draws goes into its ink,
// a transparent pixmap of the screen's size, and onto the root window
// through every child window; where a compositing manager shows windows
// from copies of its own, blended, an overlay above every window shows the
// ink instead. The device context follows the compositor's coming and
// going, and the ink keeps the figure across the change. Once an opaque
// clear has covered the screen, the screen itself holds what the ink
// would, and the ink is taken from it when an overlay comes.
#pragma once

#include <X11/extensions/Xrender.h>

#include "platform/platform.h"

struct HDC__ {
  Picture ink;
  // The root window, or None while an overlay shows the ink.
  Picture screen;
  int width;
  int height;
};

namespace x11 {

bool IsLiveDC(HDC dc);

// Where a device context's drawing goes now: one or two pictures.
struct Targets {
  Picture pictures[2];
  int count;
  const Picture* begin() const { return pictures; }
  const Picture* end() const { return pictures + count; }
};
Targets TargetsOf(const HDC__& dc);

// Shows what a device context has just drawn in that part of the screen.
void Present(int x, int y, int width, int height);

// Tells that the whole screen has just been cleared to an opaque colour.
void ClearedOpaque();

// For the events the message loop reads: a compositor starting or stopping,
// and windows put above the overlay.
void FollowScreen(const XEvent& event);

}  // namespace x11
