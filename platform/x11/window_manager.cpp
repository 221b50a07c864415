#include "platform/x11/window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/x11/x_errors.h"

namespace x11 {
namespace {

constexpr long fromApplication = 1;
constexpr long addState = 1;

// The window a window property names, or None if it names none.
Window WindowProperty(Display* dpy, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  Window named = None;
  if (XGetWindowProperty(dpy, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &remaining, &data) ==
          Success &&
      type == XA_WINDOW && format == 32 && count == 1) {
    named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data != nullptr) {
    XFree(data);
  }
  return named;
}

void SendToRoot(Display* dpy, Window window, Atom type, const long (&data)[5]) {
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.message_type = type;
  request.xclient.format = 32;
  for (int i = 0; i < 5; ++i) {
    request.xclient.data.l[i] = data[i];
  }
  XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
}

}  // namespace

bool HasWindowManager(const Connection& connection) {
  Display* dpy = connection.display;
  const Atom check = connection.atoms.NET_SUPPORTING_WM_CHECK;
  const Window named = WindowProperty(dpy, DefaultRootWindow(dpy), check);
  if (named == None) {
    return false;
  }
  // Gone, it fails the question: a manager that has exited leaves its property naming it.
  const ExpectedErrors gone(dpy, {BadWindow});
  return WindowProperty(dpy, named, check) == named;
}

void RequestMaximized(const Connection& connection, Window window, bool mapped) {
  Display* dpy = connection.display;
  const AtomTable& atoms = connection.atoms;
  if (mapped) {
    SendToRoot(dpy, window, atoms.NET_WM_STATE,
               {addState, static_cast<long>(atoms.NET_WM_STATE_MAXIMIZED_VERT),
                static_cast<long>(atoms.NET_WM_STATE_MAXIMIZED_HORZ), fromApplication, 0});
  } else {
    const Atom states[2] = {atoms.NET_WM_STATE_MAXIMIZED_VERT, atoms.NET_WM_STATE_MAXIMIZED_HORZ};
    XChangeProperty(dpy, window, atoms.NET_WM_STATE, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), 2);
  }
}

bool IsCloseRequest(const Connection& connection, const XEvent& event) {
  const AtomTable& atoms = connection.atoms;
  return event.type == ClientMessage && event.xclient.message_type == atoms.WM_PROTOCOLS &&
         event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == atoms.WM_DELETE_WINDOW;
}

void MarkFocusable(Display* dpy, Window window) {
  XWMHints hints{};
  hints.flags = InputHint | StateHint;
  hints.input = True;
  hints.initial_state = NormalState;
  XSetWMHints(dpy, window, &hints);
}

void Activate(const Connection& connection, Window window, bool managed) {
  Display* dpy = connection.display;
  if (managed) {
    SendToRoot(dpy, window, connection.atoms.NET_ACTIVE_WINDOW, {fromApplication, CurrentTime, None, 0, 0});
    XFlush(dpy);
    return;
  }
  // The window may be gone, or not viewable yet, by the time the server sees the request.
  const ExpectedErrors goneOrHidden(dpy, {BadWindow, BadMatch});
  XWindowAttributes attributes;
  if (XGetWindowAttributes(dpy, window, &attributes) != 0 && attributes.map_state == IsViewable) {
    XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
  }
}

}  // namespace x11
