#include "platform/x11/screen_dc.h"

#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

#include "platform/x11/compositor.h"
#include "platform/x11/connection.h"
#include "platform/x11/handle_table.h"

namespace x11 {
namespace {

HandleTable<HDC__> deviceContexts;
// While a device context lives: the ink, and the overlay while one shows it.
Pixmap ink = None;
Window overlay = None;
// While the root shows what the ink would hold.
bool inkOnScreen = false;
int fixesEventBase = -1;

unsigned ScreenWidth(Display* dpy) { return static_cast<unsigned>(DisplayWidth(dpy, DefaultScreen(dpy))); }
unsigned ScreenHeight(Display* dpy) { return static_cast<unsigned>(DisplayHeight(dpy, DefaultScreen(dpy))); }

Picture RootPicture(Display* dpy) {
  XRenderPictureAttributes attributes{};
  attributes.subwindow_mode = IncludeInferiors;
  return XRenderCreatePicture(dpy, DefaultRootWindow(dpy),
                              XRenderFindVisualFormat(dpy, DefaultVisual(dpy, DefaultScreen(dpy))), CPSubwindowMode,
                              &attributes);
}

Picture InkPicture(Display* dpy) {
  return XRenderCreatePicture(dpy, ink, XRenderFindStandardFormat(dpy, PictStandardARGB32), 0, nullptr);
}

void CreateInk(Display* dpy) {
  ink = XCreatePixmap(dpy, DefaultRootWindow(dpy), ScreenWidth(dpy), ScreenHeight(dpy), 32);
  const Picture picture = InkPicture(dpy);
  const XRenderColor transparent{0, 0, 0, 0};
  XRenderFillRectangle(dpy, PictOpSrc, picture, &transparent, 0, 0, ScreenWidth(dpy), ScreenHeight(dpy));
  XRenderFreePicture(dpy, picture);
}

// Full-screen, above everything, showing the ink as its background and
// letting clicks and keys through to what lies below.
Window CreateOverlay(Display* dpy) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window window =
      CreateTranslucentWindow(0, 0, ScreenWidth(dpy), ScreenHeight(dpy), CWOverrideRedirect, attributes);
  if (window == None) {
    return None;
  }
  XSetWindowBackgroundPixmap(dpy, window, ink);
  const XserverRegion nothing = XFixesCreateRegion(dpy, nullptr, 0);
  XFixesSetWindowShapeRegion(dpy, window, ShapeInput, 0, 0, nothing);
  XFixesDestroyRegion(dpy, nothing);
  XMapRaised(dpy, window);
  // Whatever another client maps or raises later is put back below it.
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  return window;
}

enum class Direction { inkOntoRoot, rootOntoInk };

// Composites the whole of the ink onto the root window, or the other way round.
void CompositeScreen(Display* dpy, int op, Direction direction) {
  const Picture root = RootPicture(dpy);
  const Picture drawn = InkPicture(dpy);
  const bool ontoRoot = direction == Direction::inkOntoRoot;
  XRenderComposite(dpy, op, ontoRoot ? drawn : root, None, ontoRoot ? root : drawn, 0, 0, 0, 0, 0, 0,
                   ScreenWidth(dpy), ScreenHeight(dpy));
  XRenderFreePicture(dpy, drawn);
  XRenderFreePicture(dpy, root);
}

void DestroyOverlay(Display* dpy) {
  XSelectInput(dpy, DefaultRootWindow(dpy), NoEventMask);
  XDestroyWindow(dpy, overlay);
  overlay = None;
}

// Switches between showing the ink through an overlay and drawing on the root.
void UseOverlay(Display* dpy, bool wanted) {
  if (wanted == (overlay != None)) {
    return;
  }
  if (wanted) {
    if (inkOnScreen) {
      CompositeScreen(dpy, PictOpSrc, Direction::rootOntoInk);
      inkOnScreen = false;
    }
    overlay = CreateOverlay(dpy);
    if (overlay != None) {
      deviceContexts.ForEach([dpy](HDC__& dc) {
        XRenderFreePicture(dpy, dc.screen);
        dc.screen = None;
      });
    }
    return;
  }
  // Without a compositor an overlay shows black where it is transparent,
  // over what it covers: the screen gets the ink, and the overlay goes.
  DestroyOverlay(dpy);
  CompositeScreen(dpy, PictOpOver, Direction::inkOntoRoot);
  deviceContexts.ForEach([dpy](HDC__& dc) { dc.screen = RootPicture(dpy); });
}

// From the first device context on, the compositor's selection is watched.
void WatchCompositor(Display* dpy) {
  int errorBase = 0;
  if (fixesEventBase >= 0 || !XFixesQueryExtension(dpy, &fixesEventBase, &errorBase)) {
    return;
  }
  XFixesSelectSelectionInput(dpy, DefaultRootWindow(dpy), Atoms().NET_WM_CM_Sn,
                             XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
}

bool IsRaisedAboveOverlay(const XEvent& event) {
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

bool IsLiveDC(HDC dc) { return deviceContexts.Contains(dc); }

Targets TargetsOf(const HDC__& dc) {
  if (dc.screen == None) {
    return Targets{{dc.ink, None}, 1};
  }
  if (inkOnScreen) {
    return Targets{{dc.screen, None}, 1};
  }
  return Targets{{dc.ink, dc.screen}, 2};
}

void ClearedOpaque() { inkOnScreen = overlay == None; }

void Present(int x, int y, int width, int height) {
  if (overlay != None) {
    XClearArea(Connection(), overlay, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), False);
  }
}

void FollowScreen(const XEvent& event) {
  Display* dpy = Connection();
  if (fixesEventBase >= 0 && event.type == fixesEventBase + XFixesSelectionNotify &&
      reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == Atoms().NET_WM_CM_Sn) {
    if (!deviceContexts.Empty()) {
      UseOverlay(dpy, CompositorRuns());
      XFlush(dpy);
    }
  } else if (overlay != None && IsRaisedAboveOverlay(event)) {
    XRaiseWindow(dpy, overlay);
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
  x11::WatchCompositor(dpy);
  if (x11::deviceContexts.Empty()) {
    x11::CreateInk(dpy);
    x11::UseOverlay(dpy, x11::CompositorBlends());
  }
  const Picture screen = x11::overlay != None ? None : x11::RootPicture(dpy);
  return x11::deviceContexts.Add(std::make_unique<HDC__>(HDC__{
      x11::InkPicture(dpy), screen, DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy))}));
}

INT WINAPI ReleaseDC(HWND, HDC dc) {
  const std::unique_ptr<HDC__> released = x11::deviceContexts.Remove(dc);
  if (released == nullptr) {
    return 0;
  }
  Display* dpy = x11::Connection();
  XRenderFreePicture(dpy, released->ink);
  if (released->screen != None) {
    XRenderFreePicture(dpy, released->screen);
  }
  if (x11::deviceContexts.Empty()) {
    if (x11::overlay != None) {
      x11::DestroyOverlay(dpy);
    }
    XFreePixmap(dpy, x11::ink);
    x11::ink = None;
    x11::inkOnScreen = false;
  }
  XFlush(dpy);
  return 1;
}
