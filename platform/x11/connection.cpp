#include "platform/x11/connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xrender.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "platform/x11/x_errors.h"

namespace x11 {
namespace {

Display* display;
AtomTable atoms;
bool detectableAutoRepeat;

int OnConnectionLost(Display*) { ExitWithMessage("lost the connection to the X display"); }

// How long connecting may take, the authority file included: a server that
// accepts and never answers, or an authority file that never ends, would
// otherwise keep XOpenDisplay waiting for ever.
constexpr unsigned connectSeconds = 10;
char connectTimedOut[320];

void OnConnectTimeout(int) {
  // Only what is safe in a signal handler: Xlib's state is never touched.
  ssize_t written = write(STDERR_FILENO, connectTimedOut, std::strlen(connectTimedOut));
  static_cast<void>(written);
  _exit(1);
}

// XOpenDisplay has no timeout of its own. A watchdog alarm ends the process
// rather than interrupting Xlib, so no signal ever returns into half-made
// Xlib state, and no thread runs beside it; it is cancelled as soon as
// XOpenDisplay returns, so a slow but connected server is waited for.
Display* OpenDisplayWithin(const char* name) {
  std::snprintf(connectTimedOut, sizeof connectTimedOut,
                "%s: cannot open X display \"%s\": no answer within %u s\n", program_invocation_short_name,
                name, connectSeconds);
  struct sigaction watchdog = {};
  watchdog.sa_handler = OnConnectTimeout;
  struct sigaction previous;
  sigaction(SIGALRM, &watchdog, &previous);
  alarm(connectSeconds);
  Display* opened = XOpenDisplay(nullptr);
  alarm(0);
  sigaction(SIGALRM, &previous, nullptr);
  return opened;
}

// Drawing needs RENDER, with formats for the screen and for the 32-bit ink.
bool CanRender(Display* dpy) {
  int eventBase = 0;
  int errorBase = 0;
  return XRenderQueryExtension(dpy, &eventBase, &errorBase) &&
         XRenderFindVisualFormat(dpy, DefaultVisual(dpy, DefaultScreen(dpy))) != nullptr &&
         XRenderFindStandardFormat(dpy, PictStandardARGB32) != nullptr;
}

}  // namespace

void ExitWithMessage(const char* what) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
  std::_Exit(1);
}

Display* Connection() {
  if (display != nullptr) {
    return display;
  }
  // A dead server must end us through the I/O error handler, not through SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr) {
    name = "";
  }
  display = OpenDisplayWithin(name);
  if (display == nullptr) {
    std::fprintf(stderr, "%s: cannot open X display \"%s\"\n", program_invocation_short_name, name);
    std::exit(1);
  }
  XSetIOErrorHandler(OnConnectionLost);
  XSetErrorHandler(OnError);
  if (!CanRender(display)) {
    ExitWithMessage("the X display cannot render: it has no RENDER extension");
  }
  atoms = InternAtoms(display);
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
