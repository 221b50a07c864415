#include "platform/x11/connection.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace x11 {
namespace {

Display* display;

[[noreturn]] void ExitWithMessage(const char* what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
  std::_Exit(1);
}

int OnConnectionLost(Display*) { ExitWithMessage("lost the connection to the X display"); }

}  // namespace

Display* Connection() {
  if (display != nullptr) {
    return display;
  }
  // A dead server must end us through the I/O error handler, not through SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "%s: cannot open X display \"%s\"\n", program_invocation_short_name,
                 name != nullptr ? name : "");
    std::exit(1);
  }
  XSetIOErrorHandler(OnConnectionLost);
  // Holding a key must not look like a stream of releases.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(display, True, &supported);
  return display;
}

bool HasWindowManager() {
  Display* dpy = Connection();
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(dpy, DefaultRootWindow(dpy), InternAtom("_NET_SUPPORTING_WM_CHECK"), 0, 1, False,
                         XA_WINDOW, &type, &format, &count, &remaining, &data);
  const bool found = status == Success && count == 1;
  if (data != nullptr) {
    XFree(data);
  }
  return found;
}

Atom InternAtom(const char* name) { return XInternAtom(Connection(), name, False); }

}  // namespace x11
