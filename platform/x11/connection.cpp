#include "platform/x11/connection.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xrender.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "platform/core/exit.h"
#include "platform/x11/x_errors.h"

namespace x11 {
namespace {

int OnConnectionLost(Display*) { core::ExitWithMessage("lost the connection to the X display"); }

// How long connecting may take, the authority file included: a server that
// accepts and never answers, or an authority file that never ends, would
// otherwise keep XOpenDisplay waiting for ever.
constexpr unsigned connectSeconds = 10;
// Written before the alarm is set: a signal handler may only write it out.
char connectTimedOut[320];

void OnConnectTimeout(int) {
  ssize_t written = write(STDERR_FILENO, connectTimedOut, std::strlen(connectTimedOut));
  static_cast<void>(written);
  _exit(1);
}

const char* DisplayName() {
  const char* name = std::getenv("DISPLAY");
  return name != nullptr ? name : "";
}

// XOpenDisplay has no timeout of its own. A watchdog alarm ends the process
// rather than interrupting Xlib, so no signal ever returns into half-made
// Xlib state, and no thread runs beside it; it is cancelled as soon as
// XOpenDisplay returns, so a slow but connected server is waited for.
Display* OpenDisplay() {
  // A dead server must end us through the I/O error handler, not through SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  const char* name = DisplayName();
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
  if (opened == nullptr) {
    std::fprintf(stderr, "%s: cannot open X display \"%s\"\n", program_invocation_short_name, name);
    std::exit(1);
  }
  XSetIOErrorHandler(OnConnectionLost);
  HandleErrors();
  // Drawing needs RENDER, with formats for the screen and for the 32-bit ink.
  int eventBase = 0;
  int errorBase = 0;
  if (!XRenderQueryExtension(opened, &eventBase, &errorBase) ||
      XRenderFindVisualFormat(opened, DefaultVisual(opened, DefaultScreen(opened))) == nullptr ||
      XRenderFindStandardFormat(opened, PictStandardARGB32) == nullptr) {
    core::ExitWithMessage("the X display cannot render: it has no RENDER extension");
  }
  return opened;
}

// Holding a key must not look like a stream of releases.
bool SetDetectableAutoRepeat(Display* display) {
  Bool supported = False;
  return XkbSetDetectableAutoRepeat(display, True, &supported) && supported;
}

}  // namespace

Connection::Connection()
    : display(OpenDisplay()), atoms(InternAtoms(display)), detectableAutoRepeat(SetDetectableAutoRepeat(display)) {}

Connection::~Connection() {
  ForgetExpectedErrors(display);
  XCloseDisplay(display);
}

}  // namespace x11
