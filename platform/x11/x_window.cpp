#include "platform/x11/x_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <poll.h>

#include <chrono>
#include <string>

#include "platform/x11/window_manager.h"

namespace x11 {
namespace {

// How long a window manager may take to map a window it was asked to show.
constexpr std::chrono::milliseconds windowManagerPatience{1000};

// A window whose client area shows what lies behind it, as one the program
// never paints does on Windows. Without a compositor a window with no
// background keeps the screen's pixels; under one that blends, it would
// show a stale copy of them, so it is made fully transparent instead, and
// of opacity 0, which compositors apply to its frame and shadow as well.
// There it has nothing to show: a frame takes its window's shape, so with
// none the compositor casts no shadow of the frame over the desktop either
// (the overlay takes the clicks on it).
Window CreateUnpaintedWindow(const Connection& connection, const Screen& screen, int x, int y, unsigned width,
                             unsigned height) {
  Display* dpy = connection.display;
  XSetWindowAttributes attributes{};
  // The keys already down as it takes the keyboard come too (KeymapNotify).
  attributes.event_mask = KeyPressMask | KeyReleaseMask | KeymapStateMask | StructureNotifyMask;
  if (screen.Blends()) {
    const Window translucent = CreateTranslucentWindow(connection, screen.Translucent(), x, y, width, height,
                                                       CWEventMask, attributes);
    if (translucent != None) {
      const long transparent = 0;
      XChangeProperty(dpy, translucent, connection.atoms.NET_WM_WINDOW_OPACITY, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&transparent), 1);
      XShapeCombineRectangles(dpy, translucent, ShapeBounding, 0, 0, nullptr, 0, ShapeSet, YXBanded);
      return translucent;
    }
  }
  attributes.background_pixmap = None;
  return XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, width, height, 0, CopyFromParent, InputOutput,
                       CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
}

// Asks window managers for a frame without decorations, as a popup has none.
void RemoveDecorations(const Connection& connection, Window xid) {
  constexpr long decorationsFlag = 1L << 1;
  const long motifHints[5] = {decorationsFlag, 0, 0, 0, 0};
  const Atom atom = connection.atoms.MOTIF_WM_HINTS;
  Display* dpy = connection.display;
  XChangeProperty(dpy, xid, atom, atom, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(motifHints), 5);
}

void NameWindow(Display* dpy, Window xid, LPCSTR title, LPCSTR className) {
  XStoreName(dpy, xid, title);
  std::string instanceName = className;
  std::string classNameCopy = className;
  XClassHint hint{instanceName.data(), classNameCopy.data()};
  XSetClassHint(dpy, xid, &hint);
}

void PlaceWindow(Display* dpy, Window xid, int x, int y, int width, int height) {
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = x;
  hints.y = y;
  hints.width = width;
  hints.height = height;
  XSetWMNormalHints(dpy, xid, &hints);
}

Bool IsMapOf(Display*, XEvent* candidate, XPointer window) {
  return candidate->type == MapNotify && candidate->xmap.window == *reinterpret_cast<Window*>(window) ? True : False;
}

}  // namespace

Window CreateXWindow(const Connection& connection, const Screen& screen, const core::WindowLook& look) {
  Display* dpy = connection.display;
  const Window xid = CreateUnpaintedWindow(connection, screen, look.x, look.y, static_cast<unsigned>(look.width),
                                           static_cast<unsigned>(look.height));
  NameWindow(dpy, xid, look.title.c_str(), look.className.c_str());
  PlaceWindow(dpy, xid, look.x, look.y, look.width, look.height);
  Atom deleteWindow = connection.atoms.WM_DELETE_WINDOW;
  XSetWMProtocols(dpy, xid, &deleteWindow, 1);
  if ((look.style & WS_POPUP) != 0) {
    RemoveDecorations(connection, xid);
  }
  MarkFocusable(dpy, xid);
  return xid;
}

Window FrameOf(Display* dpy, Window xid) {
  for (;;) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(dpy, xid, &root, &parent, &children, &count) == 0) {
      return xid;
    }
    if (children != nullptr) {
      XFree(children);
    }
    if (parent == root) {
      return xid;
    }
    xid = parent;
  }
}

void WaitUntilMapped(Display* dpy, Window window) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + windowManagerPatience;
  XEvent event;
  XFlush(dpy);
  while (XCheckIfEvent(dpy, &event, IsMapOf, reinterpret_cast<XPointer>(&window)) == False) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      return;
    }
    pollfd connection{ConnectionNumber(dpy), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left));
  }
}

}  // namespace x11
