#include "tools/compositor.h"

#include <X11/extensions/Xcomposite.h>

#include "platform/x11/x_errors.h"

namespace tools {

bool CompositorRuns(Display* display) {
  return XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False)) != None;
}

bool RedirectionHeld(Display* display) {
  // Only one client can hold it.
  x11::ExpectedErrors errors(display, {BadAccess});
  XCompositeRedirectSubwindows(display, DefaultRootWindow(display), CompositeRedirectManual);
  if (errors.Caught()) {
    return true;
  }
  // Let go at once: a compositor starting now must find it free.
  XCompositeUnredirectSubwindows(display, DefaultRootWindow(display), CompositeRedirectManual);
  XSync(display, False);
  return false;
}

}  // namespace tools
