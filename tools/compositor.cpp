#include "tools/compositor.h"

#include <X11/extensions/Xcomposite.h>

#include "tools/x_errors.h"

namespace tools {

bool CompositorRuns(Display* display) {
  return XGetSelectionOwner(display, XInternAtom(display, "_NET_WM_CM_S0", False)) != None;
}

bool RedirectionHeld(Display* display) {
  XErrorsIgnored errors(display);
  XCompositeRedirectSubwindows(display, DefaultRootWindow(display), CompositeRedirectManual);
  if (errors.Caught()) {
    return true;
  }
  XCompositeUnredirectSubwindows(display, DefaultRootWindow(display), CompositeRedirectManual);
  return false;
}

}  // namespace tools
