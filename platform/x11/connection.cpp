#include "platform/x11/connection.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace x11 {
namespace {

Display* display;
AtomTable atoms;
bool detectableAutoRepeat;

[[noreturn]] void ExitWithMessage(const char* what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
  std::_Exit(1);
}

int OnConnectionLost(Display*) { ExitWithMessage("lost the connection to the X display"); }

void InternAtoms(Display* dpy) {
  struct Name {
    Atom AtomTable::*atom;
    const char* name;
  };
  static constexpr Name names[] = {
      {&AtomTable::WM_PROTOCOLS, "WM_PROTOCOLS"},
      {&AtomTable::WM_DELETE_WINDOW, "WM_DELETE_WINDOW"},
      {&AtomTable::MOTIF_WM_HINTS, "_MOTIF_WM_HINTS"},
      {&AtomTable::NET_SUPPORTING_WM_CHECK, "_NET_SUPPORTING_WM_CHECK"},
      {&AtomTable::NET_WM_STATE, "_NET_WM_STATE"},
      {&AtomTable::NET_WM_STATE_MAXIMIZED_VERT, "_NET_WM_STATE_MAXIMIZED_VERT"},
      {&AtomTable::NET_WM_STATE_MAXIMIZED_HORZ, "_NET_WM_STATE_MAXIMIZED_HORZ"},
      {&AtomTable::NET_WM_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE"},
      {&AtomTable::NET_WM_WINDOW_TYPE_DIALOG, "_NET_WM_WINDOW_TYPE_DIALOG"},
  };
  constexpr int count = static_cast<int>(std::size(names));
  char* request[count];
  Atom interned[count];
  for (int i = 0; i < count; ++i) {
    request[i] = const_cast<char*>(names[i].name);
  }
  // One round trip for all of them.
  XInternAtoms(dpy, request, count, False, interned);
  for (int i = 0; i < count; ++i) {
    atoms.*names[i].atom = interned[i];
  }
}

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
  InternAtoms(display);
  // Holding a key must not look like a stream of releases.
  Bool supported = False;
  detectableAutoRepeat = XkbSetDetectableAutoRepeat(display, True, &supported) && supported;
  return display;
}

const AtomTable& Atoms() {
  Connection();
  return atoms;
}

bool DetectableAutoRepeat() {
  Connection();
  return detectableAutoRepeat;
}

bool HasWindowManager() {
  Display* dpy = Connection();
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(dpy, DefaultRootWindow(dpy), atoms.NET_SUPPORTING_WM_CHECK, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &remaining, &data);
  const bool found = status == Success && count == 1;
  if (data != nullptr) {
    XFree(data);
  }
  return found;
}

}  // namespace x11
