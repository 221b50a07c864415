#include "platform/x11/compositor.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xrender.h>

#include "platform/x11/x_errors.h"

namespace x11 {

bool CompositorRuns(const Connection& connection) {
  return XGetSelectionOwner(connection.display, connection.atoms.NET_WM_CM_Sn) != None;
}

bool CompositorBlends(const Connection& connection) {
  Display* dpy = connection.display;
  int eventBase = 0;
  int errorBase = 0;
  if (!CompositorRuns(connection) || !XCompositeQueryExtension(dpy, &eventBase, &errorBase)) {
    return false;
  }
  // XWayland hands every window to the Wayland compositor, which blends.
  int opcode = 0;
  if (XQueryExtension(dpy, "XWAYLAND", &opcode, &eventBase, &errorBase)) {
    return true;
  }
  // A compositor that blends redirects every top-level window to itself, and
  // only one client can: if a window of ours can be, it has left that to
  // the server.
  XSetWindowAttributes attributes{};
  const Window probe = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, CopyFromParent, InputOutput,
                                     CopyFromParent, 0, &attributes);
  bool blends = false;
  {
    ExpectedErrors taken(dpy, {BadAccess});
    XCompositeRedirectWindow(dpy, probe, CompositeRedirectManual);
    blends = taken.Caught();
  }
  XDestroyWindow(dpy, probe);
  return blends;
}

TranslucentVisual FindTranslucentVisual(const Connection& connection) {
  Display* dpy = connection.display;
  TranslucentVisual found;
  XVisualInfo info;
  if (XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info) != 0) {
    XRenderPictFormat* format = XRenderFindVisualFormat(dpy, info.visual);
    if (format != nullptr && format->direct.alphaMask != 0) {
      found.visual = info.visual;
      found.colormap = XCreateColormap(dpy, DefaultRootWindow(dpy), info.visual, AllocNone);
    }
  }
  return found;
}

Window CreateTranslucentWindow(const Connection& connection, const TranslucentVisual& translucent, int x, int y,
                               unsigned width, unsigned height, unsigned long valueMask,
                               XSetWindowAttributes attributes) {
  if (translucent.visual == nullptr) {
    return None;
  }
  // A visual other than the root's needs a colormap and a border of its own, or the server refuses the window.
  attributes.colormap = translucent.colormap;
  attributes.border_pixel = 0;
  attributes.background_pixel = 0;
  Display* dpy = connection.display;
  return XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, width, height, 0, 32, InputOutput, translucent.visual,
                       valueMask | CWColormap | CWBorderPixel | CWBackPixel, &attributes);
}

}  // namespace x11
