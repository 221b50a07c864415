#include "platform/x11/screen.h"

#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include "platform/x11/compositor.h"
#include "platform/x11/connection.h"
#include "platform/x11/handle_table.h"
#include "platform/x11/window.h"

namespace x11 {
namespace {

enum class Mode {
  // The ink and the root get every drawing.
  inkAndRoot,
  // The root alone: it has been cleared opaquely all over, so it holds what the ink would.
  rootAlone,
  // The ink and the overlay that shows it.
  overlay,
};

constexpr unsigned long argbRed = 0xFF0000;
constexpr unsigned long argbGreen = 0xFF00;
constexpr unsigned long argbBlue = 0xFF;
constexpr unsigned long argbAlpha = 0xFF000000;

struct Screen {
  Mode mode = Mode::inkAndRoot;
  int fixesEventBase = 0;
  XserverRegion nothing = None;
  GC rootGC = nullptr;
  Picture rootPicture = None;
  // While a device context lives: the ink, its GC (for every 32-bit drawable) and picture.
  Pixmap ink = None;
  GC inkGC = nullptr;
  Picture inkPicture = None;
  // While the ink shows through it, in overlay mode.
  Window overlay = None;
  Picture overlayPicture = None;
};

HandleTable<HDC__> deviceContexts;


void CreateInk(Display* dpy, Screen& screen) {
  screen.ink = XCreatePixmap(dpy, DefaultRootWindow(dpy), ScreenWidth(dpy), ScreenHeight(dpy), 32);
  XGCValues values{};
  values.graphics_exposures = False;
  screen.inkGC = XCreateGC(dpy, screen.ink, GCGraphicsExposures, &values);
  screen.inkPicture =
      XRenderCreatePicture(dpy, screen.ink, XRenderFindStandardFormat(dpy, PictStandardARGB32), 0, nullptr);
  const XRenderColor transparent{0, 0, 0, 0};
  XRenderFillRectangle(dpy, PictOpSrc, screen.inkPicture, &transparent, 0, 0, ScreenWidth(dpy), ScreenHeight(dpy));
}

// Full-screen, above everything, showing the ink as its background and
// letting clicks and keys through to what lies below.
void CreateOverlay(Display* dpy, Screen& screen) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window window =
      CreateTranslucentWindow(0, 0, ScreenWidth(dpy), ScreenHeight(dpy), CWOverrideRedirect, attributes);
  if (window == None) {
    return;
  }
  XSetWindowBackgroundPixmap(dpy, window, screen.ink);
  XFixesSetWindowShapeRegion(dpy, window, ShapeInput, 0, 0, screen.nothing);
  XMapRaised(dpy, window);
  // Whatever another client maps or raises later is put back below it.
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  screen.overlay = window;
  screen.overlayPicture = XRenderCreatePicture(dpy, window, XRenderFindStandardFormat(dpy, PictStandardARGB32), 0,
                                               nullptr);
}

void DestroyOverlay(Display* dpy, Screen& screen) {
  XSelectInput(dpy, DefaultRootWindow(dpy), NoEventMask);
  XRenderFreePicture(dpy, screen.overlayPicture);
  XDestroyWindow(dpy, screen.overlay);
  screen.overlay = None;
  screen.overlayPicture = None;
}

// Overlay mode while a compositor blends; root mode otherwise.
void UseOverlay(Display* dpy, Screen& screen, bool wanted) {
  if (wanted == (screen.mode == Mode::overlay)) {
    return;
  }
  const unsigned width = ScreenWidth(dpy);
  const unsigned height = ScreenHeight(dpy);
  if (wanted) {
    if (screen.mode == Mode::rootAlone && screen.ink != None) {
      XRenderComposite(dpy, PictOpSrc, screen.rootPicture, None, screen.inkPicture, 0, 0, 0, 0, 0, 0, width, height);
    }
    screen.mode = Mode::overlay;
    if (screen.ink != None) {
      CreateOverlay(dpy, screen);
    }
    RenewWindows();
  } else {
    // Without a compositor a 32-bit window shows black where it is
    // transparent, over what it covers: the overlay goes, the program's
    // windows get the root's visual, and the screen gets the ink.
    screen.mode = Mode::inkAndRoot;
    if (screen.overlay != None) {
      DestroyOverlay(dpy, screen);
    }
    RenewWindows();
    if (screen.ink != None) {
      XRenderComposite(dpy, PictOpOver, screen.inkPicture, None, screen.rootPicture, 0, 0, 0, 0, 0, 0, width, height);
    }
  }
}

Screen Probe(Display* dpy) {
  Screen screen;
  int errorBase = 0;
  XFixesQueryExtension(dpy, &screen.fixesEventBase, &errorBase);
  XFixesSelectSelectionInput(dpy, DefaultRootWindow(dpy), Atoms().NET_WM_CM_Sn,
                             XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
  screen.nothing = XFixesCreateRegion(dpy, nullptr, 0);
  XGCValues values{};
  values.subwindow_mode = IncludeInferiors;
  values.graphics_exposures = False;
  screen.rootGC = XCreateGC(dpy, DefaultRootWindow(dpy), GCSubwindowMode | GCGraphicsExposures, &values);
  XRenderPictureAttributes attributes{};
  attributes.subwindow_mode = IncludeInferiors;
  screen.rootPicture = XRenderCreatePicture(dpy, DefaultRootWindow(dpy),
                                            XRenderFindVisualFormat(dpy, DefaultVisual(dpy, DefaultScreen(dpy))),
                                            CPSubwindowMode, &attributes);
  screen.mode = CompositorBlends() ? Mode::overlay : Mode::inkAndRoot;
  return screen;
}

// Made on first use, for the rest of the program.
Screen& TheScreen() {
  static Screen screen = Probe(Connection());
  return screen;
}

Target RootTarget(Display* dpy, const Screen& screen) {
  const Visual& visual = *DefaultVisual(dpy, DefaultScreen(dpy));
  return Target{DefaultRootWindow(dpy), screen.rootGC,       screen.rootPicture, visual.red_mask,
                visual.green_mask,      visual.blue_mask, 0};
}

Target ArgbTarget(Drawable drawable, GC gc, Picture picture) {
  return Target{drawable, gc, picture, argbRed, argbGreen, argbBlue, argbAlpha};
}

bool IsRaisedAboveOverlay(const XEvent& event, Window overlay) {
  switch (event.type) {
    case MapNotify:
      return event.xmap.window != overlay && !event.xmap.override_redirect;
    case ConfigureNotify:
      return event.xconfigure.window != overlay && !event.xconfigure.override_redirect;
    default:
      return false;
  }
}

}  // namespace

unsigned ScreenWidth(Display* dpy) { return static_cast<unsigned>(DisplayWidth(dpy, DefaultScreen(dpy))); }
unsigned ScreenHeight(Display* dpy) { return static_cast<unsigned>(DisplayHeight(dpy, DefaultScreen(dpy))); }

bool IsLiveDC(HDC dc) { return deviceContexts.Contains(dc); }

Targets DrawingTargets() {
  Display* dpy = Connection();
  const Screen& screen = TheScreen();
  const Target ink = ArgbTarget(screen.ink, screen.inkGC, screen.inkPicture);
  switch (screen.mode) {
    case Mode::overlay:
      if (screen.overlay != None) {
        return Targets{{ink, ArgbTarget(screen.overlay, screen.inkGC, screen.overlayPicture)}, 2};
      }
      return Targets{{ink}, 1};
    case Mode::rootAlone:
      return Targets{{RootTarget(dpy, screen)}, 1};
    default:
      return Targets{{ink, RootTarget(dpy, screen)}, 2};
  }
}

Targets WholeScreenFillTargets(ARGB color) {
  Screen& screen = TheScreen();
  if (color >> 24 == 0xFF && screen.mode == Mode::inkAndRoot) {
    screen.mode = Mode::rootAlone;
  }
  return DrawingTargets();
}

unsigned long PixelOf(ARGB color, const Target& target) {
  const unsigned alpha = color >> 24;
  // What the top bits of a channel, premultiplied, leave in the mask.
  const auto channel = [alpha](unsigned value, unsigned long mask) {
    if (mask == 0) {
      return 0UL;
    }
    const int shift = __builtin_ctzl(mask);
    const int bits = __builtin_popcountl(mask);
    const unsigned long premultiplied = (value * alpha + 127) / 255;
    return (premultiplied >> (8 - bits)) << shift;
  };
  return channel((color >> 16) & 0xFF, target.redMask) | channel((color >> 8) & 0xFF, target.greenMask) |
         channel(color & 0xFF, target.blueMask) | channel(0xFF, target.alphaMask);
}

bool CompositorBlendsNow() { return TheScreen().mode == Mode::overlay; }

void FollowScreen(const XEvent& event) {
  Display* dpy = Connection();
  Screen& screen = TheScreen();
  if (event.type == screen.fixesEventBase + XFixesSelectionNotify &&
      reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == Atoms().NET_WM_CM_Sn) {
    UseOverlay(dpy, screen, CompositorRuns());
    XFlush(dpy);
  } else if (screen.overlay != None && IsRaisedAboveOverlay(event, screen.overlay)) {
    XRaiseWindow(dpy, screen.overlay);
    XFlush(dpy);
  }
}

}  // namespace x11

HDC WINAPI GetDC(HWND window) {
  // Only the whole screen is offered; the programs never draw into a window of their own.
  if (window != nullptr) {
    return nullptr;
  }
  Display* dpy = x11::Connection();
  x11::Screen& screen = x11::TheScreen();
  if (x11::deviceContexts.Empty()) {
    x11::CreateInk(dpy, screen);
    if (screen.mode == x11::Mode::overlay) {
      x11::CreateOverlay(dpy, screen);
    }
  }
  return x11::deviceContexts.Add(std::make_unique<HDC__>(
      HDC__{static_cast<int>(x11::ScreenWidth(dpy)), static_cast<int>(x11::ScreenHeight(dpy))}));
}

INT WINAPI ReleaseDC(HWND, HDC dc) {
  if (x11::deviceContexts.Remove(dc) == nullptr) {
    return 0;
  }
  Display* dpy = x11::Connection();
  x11::Screen& screen = x11::TheScreen();
  if (x11::deviceContexts.Empty()) {
    if (screen.overlay != None) {
      x11::DestroyOverlay(dpy, screen);
    }
    XRenderFreePicture(dpy, screen.inkPicture);
    XFreeGC(dpy, screen.inkGC);
    XFreePixmap(dpy, screen.ink);
    screen.ink = None;
    screen.inkGC = nullptr;
    screen.inkPicture = None;
    if (screen.mode == x11::Mode::rootAlone) {
      screen.mode = x11::Mode::inkAndRoot;
    }
  }
  XFlush(dpy);
  return 1;
}
