// The screen the programs draw on, and where its pixels go. Everything
// drawn goes into the ink, a transparent 32-bit pixmap of the screen's
// size that keeps the figure, and onto what shows it:
// - without a compositor that blends (root mode), the root window, drawn
//   through every child window;
// - under one (overlay mode), an override-redirect window above every
//   other, of the ink's depth, that the compositor blends over the desktop.
// After an opaque clear of the whole screen in root mode the root alone
// holds the figure; the ink is taken back from it when an overlay comes.
// The mode is probed when the screen is first used and then follows the
// compositor's selection.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrender.h>

#include "platform/platform.h"

// The device context of the whole screen; the screen itself holds its state.
struct HDC__ {
  int width;
  int height;
};

namespace x11 {

// One place a drawing lands: a drawable, the GC and picture that draw on
// it, and the masks of its pixels' channels (alpha none on the root).
struct Target {
  Drawable drawable;
  GC gc;
  Picture picture;
  unsigned long redMask;
  unsigned long greenMask;
  unsigned long blueMask;
  unsigned long alphaMask;
};

struct Targets {
  Target items[2];
  int count;
  const Target* begin() const { return items; }
  const Target* end() const { return items + count; }
};

// How far from the screen's origin anything is drawn: coordinates beyond are
// cut to it, well inside the 16-bit range of the protocol, so that even a
// wide line's outline stays representable.
constexpr double coordinateReach = 16384;

// The size of the screen, in pixels.
unsigned ScreenWidth(Display* dpy);
unsigned ScreenHeight(Display* dpy);

bool IsLiveDC(HDC dc);

// Where a drawing goes now.
Targets DrawingTargets();

// Where a fill of the whole screen in that colour goes: an opaque one
// leaves the root alone holding the figure, from then on.
Targets WholeScreenFillTargets(ARGB color);

// The colour as a pixel of the target, premultiplied where it has alpha.
unsigned long PixelOf(ARGB color, const Target& target);

// Whether the screen is in overlay mode: a compositor that blends shows the windows.
bool CompositorBlendsNow();

// For the events the message loop reads: a compositor starting or stopping,
// and windows put above the overlay.
void FollowScreen(const XEvent& event);

}  // namespace x11
