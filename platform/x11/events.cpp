#include "platform/x11/events.h"

#include <poll.h>

#include "platform/x11/connection.h"

namespace x11 {
namespace {

struct Wanted {
  Window window;
  int type;
};

Bool IsWanted(Display*, XEvent* candidate, XPointer argument) {
  const Wanted& wanted = *reinterpret_cast<const Wanted*>(argument);
  return candidate->xany.window == wanted.window && (wanted.type == 0 || candidate->type == wanted.type) ? True
                                                                                                         : False;
}

}  // namespace

bool IsCloseRequest(const XEvent& event) {
  const AtomTable& atoms = Atoms();
  return event.type == ClientMessage && event.xclient.message_type == atoms.WM_PROTOCOLS &&
         event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == atoms.WM_DELETE_WINDOW;
}

XEvent NextEventFor(Display* dpy, Window window) {
  Wanted wanted{window, 0};
  XEvent event;
  XIfEvent(dpy, &event, IsWanted, reinterpret_cast<XPointer>(&wanted));
  return event;
}

bool WaitForEventFor(Display* dpy, Window window, int type, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  Wanted wanted{window, type};
  XEvent event;
  XFlush(dpy);
  while (XCheckIfEvent(dpy, &event, IsWanted, reinterpret_cast<XPointer>(&wanted)) == False) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      return false;
    }
    pollfd connection{ConnectionNumber(dpy), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left));
  }
  return true;
}

}  // namespace x11
