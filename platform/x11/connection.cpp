#include "platform/x11/connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xrender.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace x11 {
namespace {

Display* display;
AtomTable atoms;
bool detectableAutoRepeat;
ErrorTrap* innermostTrap;

[[noreturn]] void ExitWithMessage(const char* what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
  std::_Exit(1);
}

int OnConnectionLost(Display*) { ExitWithMessage("lost the connection to the X display"); }

// Drawing needs RENDER, with formats for the screen and for the 32-bit ink.
bool CanRender(Display* dpy) {
  int eventBase = 0;
  int errorBase = 0;
  return XRenderQueryExtension(dpy, &eventBase, &errorBase) &&
         XRenderFindVisualFormat(dpy, DefaultVisual(dpy, DefaultScreen(dpy))) != nullptr &&
         XRenderFindStandardFormat(dpy, PictStandardARGB32) != nullptr;
}

void InternAtoms(Display* dpy) {
  struct Name {
    Atom AtomTable::*atom;
    const char* name;
  };
  static constexpr Name names[] = {
      {&AtomTable::WM_PROTOCOLS, "WM_PROTOCOLS"},
      {&AtomTable::WM_DELETE_WINDOW, "WM_DELETE_WINDOW"},
      {&AtomTable::MOTIF_WM_HINTS, "_MOTIF_WM_HINTS"},
      {&AtomTable::NET_ACTIVE_WINDOW, "_NET_ACTIVE_WINDOW"},
      {&AtomTable::NET_SUPPORTING_WM_CHECK, "_NET_SUPPORTING_WM_CHECK"},
      {&AtomTable::NET_WM_STATE, "_NET_WM_STATE"},
      {&AtomTable::NET_WM_STATE_MAXIMIZED_VERT, "_NET_WM_STATE_MAXIMIZED_VERT"},
      {&AtomTable::NET_WM_STATE_MAXIMIZED_HORZ, "_NET_WM_STATE_MAXIMIZED_HORZ"},
      {&AtomTable::NET_WM_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE"},
      {&AtomTable::NET_WM_WINDOW_TYPE_DIALOG, "_NET_WM_WINDOW_TYPE_DIALOG"},
      {&AtomTable::NET_WM_WINDOW_OPACITY, "_NET_WM_WINDOW_OPACITY"},
  };
  constexpr int count = static_cast<int>(std::size(names));
  std::string compositorSelection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(dpy));
  char* request[count + 1];
  Atom interned[count + 1];
  for (int i = 0; i < count; ++i) {
    request[i] = const_cast<char*>(names[i].name);
  }
  request[count] = compositorSelection.data();
  // One round trip for all of them.
  XInternAtoms(dpy, request, count + 1, False, interned);
  for (int i = 0; i < count; ++i) {
    atoms.*names[i].atom = interned[i];
  }
  atoms.NET_WM_CM_Sn = interned[count];
}

}  // namespace

int OnError(Display* dpy, XErrorEvent* error) {
  if (innermostTrap != nullptr) {
    innermostTrap->caught_ = true;
    return 0;
  }
  char what[160];
  XGetErrorText(dpy, error->error_code, what, sizeof what);
  char request[80];
  if (error->request_code < 128) {
    char code[16];
    std::snprintf(code, sizeof code, "%d", error->request_code);
    XGetErrorDatabaseText(dpy, "XRequest", code, code, request, sizeof request);
  } else {
    std::snprintf(request, sizeof request, "extension request %d.%d", error->request_code, error->minor_code);
  }
  char message[280];
  std::snprintf(message, sizeof message, "X error %s in %s", what, request);
  ExitWithMessage(message);
}

ErrorTrap::ErrorTrap() : outer_(innermostTrap) {
  // Errors of earlier requests are judged without this trap.
  XSync(Connection(), False);
  innermostTrap = this;
}

ErrorTrap::~ErrorTrap() {
  XSync(Connection(), False);
  innermostTrap = outer_;
}

bool ErrorTrap::Caught() {
  XSync(Connection(), False);
  return caught_;
}

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
  XSetErrorHandler(OnError);
  if (!CanRender(display)) {
    ExitWithMessage("the X display cannot render: it has no RENDER extension");
  }
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

}  // namespace x11
