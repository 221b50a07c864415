#include "platform/x11/events.h"

#include "platform/x11/connection.h"

namespace x11 {

bool IsCloseRequest(const XEvent& event) {
  const AtomTable& atoms = Atoms();
  return event.type == ClientMessage && event.xclient.message_type == atoms.WM_PROTOCOLS &&
         event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == atoms.WM_DELETE_WINDOW;
}

XEvent NextEventFor(Display* dpy, Window window, int type) {
  struct Wanted {
    Window window;
    int type;
  } wanted{window, type};
  XEvent event;
  XIfEvent(
      dpy, &event,
      [](Display*, XEvent* candidate, XPointer argument) {
        const Wanted& w = *reinterpret_cast<const Wanted*>(argument);
        return candidate->xany.window == w.window && (w.type == 0 || candidate->type == w.type) ? True : False;
      },
      reinterpret_cast<XPointer>(&wanted));
  return event;
}

}  // namespace x11
