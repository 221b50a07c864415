#include "platform/x11/keyboard.h"

#include <X11/XKBlib.h>

namespace x11 {

core::Key KeyOf(const XKeyEvent& event) {
  const unsigned keycode = event.keycode & 0xFF;
  const KeySym keysym = XkbKeycodeToKeysym(event.display, static_cast<KeyCode>(keycode), 0, 0);
  return core::Key{static_cast<std::uint32_t>(keysym), keycode - 8};
}

bool IsAutoRepeatRelease(const Connection& connection, const XKeyEvent& event) {
  constexpr Time sameMoment = 20;
  Display* dpy = connection.display;
  if (event.type != KeyRelease || connection.detectableAutoRepeat || XEventsQueued(dpy, QueuedAfterReading) == 0) {
    return false;
  }
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == KeyPress && next.xkey.keycode == event.keycode && next.xkey.time - event.time < sameMoment;
}

}  // namespace x11
