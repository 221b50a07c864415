// The screen the programs draw on, and where its pixels go. Everything
// drawn goes into the ink, a transparent 32-bit pixmap of the screen's
// size that keeps the figure, and onto what shows it:
// - without a compositor that blends (root mode), the root window, drawn
//   through every child window;
// - under one (overlay mode), an override-redirect window above every
//   other, of the ink's depth, that the compositor blends over the desktop.
// After an opaque fill of the whole screen in root mode the root alone
// holds the figure; the ink is taken back from it when an overlay comes.
// The mode is probed as the screen is made and then follows the
// compositor's selection; the ink and the overlay follow the screen's size.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrender.h>

#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/compositor.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_dispatch.h"

namespace x11 {

// One place a drawing lands: a drawable, with the GC that draws lines and
// text on it and the one that fills it, so that neither changes colour
// from frame to frame.
struct Target {
  Drawable drawable;
  GC gc;
  GC fillGC;
  // Whether it is the root, of the screen's own visual; the others are 32-bit, with alpha.
  bool root;
};

struct Targets {
  Target items[2];
  int count;
  const Target* begin() const { return items; }
  const Target* end() const { return items + count; }
};

// What changed since it was last asked, for the message loop to act on:
// the mode, whose windows then need new X windows; the size, which
// maximized windows follow; where windows lie and how they are stacked,
// which the overlay's clicks follow.
struct ScreenChange {
  bool mode = false;
  bool size = false;
  bool windows = false;
};

class Screen {
 public:
  // Follows the compositor's selection, the root's size and the windows
  // that map over it through the events it registers with the dispatch.
  Screen(const Connection& connection, EventDispatch& dispatch);
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Whether the screen is in overlay mode: a compositor that blends shows the windows.
  bool Blends() const { return mode_ == Mode::overlay; }
  const TranslucentVisual& Translucent() const { return translucent_; }

  // The screen's size: Xlib's own record of it, which the screen keeps up
  // to date as it changes.
  unsigned Width() const;
  unsigned Height() const;

  // The ink lives while a device context does.
  void CreateInk();
  void DestroyInk();

  // Where a drawing goes now.
  Targets DrawingTargets() const;

  // Fills the whole screen with the colour: an opaque fill leaves the root
  // alone holding the figure, from then on.
  void Fill(ARGB color);

  // The colour as a pixel of the target, premultiplied where it has alpha.
  unsigned long PixelOf(ARGB color, const Target& target);

  ScreenChange TakeChange();

  // In root mode, once the windows have new X windows after a compositor
  // stopped, or the screen has a new size: the ink back on the root.
  void ShowInkOnRoot();

  // In overlay mode the overlay lets every click through but those in the
  // area, which land on it: where the program's windows show, under a
  // compositor that gives their empty shape no input.
  bool IsOverlay(Window window) const { return window != None && window == overlay_; }
  void TakeClicksIn(XserverRegion area);

 private:
  enum class Mode {
    // The ink and the root get every drawing.
    inkAndRoot,
    // The root alone: it has been filled opaquely all over, so it holds what the ink would.
    rootAlone,
    // The ink and the overlay that shows it.
    overlay,
  };

  void OnConfigureNotify(const XConfigureEvent& configure);

  void FollowCompositor();
  void Resize(unsigned width, unsigned height);
  void FollowWindow(Window window, bool overrideRedirect);
  void CreateOverlay();
  void DestroyOverlay();
  void SelectRootInput();
  Picture InkPicture(Pixmap ink) const;
  unsigned long AllocatedPixel(ARGB color);

  const Connection& connection_;
  Display* dpy_;
  Window rootWindow_;
  TranslucentVisual translucent_;
  Mode mode_;
  ScreenChange change_;
  XserverRegion nothing_;
  GC rootGC_;
  GC rootFillGC_;
  Picture rootPicture_;
  Visual* rootVisual_;
  // Pixels of the colours allocated on a screen whose pixels index a colormap.
  std::vector<std::pair<ARGB, unsigned long>> allocated_;
  // While a device context lives: the ink, its GCs (for every 32-bit drawable) and picture.
  Pixmap ink_ = None;
  GC inkGC_ = nullptr;
  GC inkFillGC_ = nullptr;
  Picture inkPicture_ = None;
  // While the ink shows through it, in overlay mode.
  Window overlay_ = None;
};

}  // namespace x11
