// Preloaded into a program, makes the server look as if it lacked
// detectable auto-repeat: the request is never made, and the program is
// told the feature is unsupported.
#include <X11/XKBlib.h>

extern "C" Bool XkbSetDetectableAutoRepeat(Display*, Bool, Bool* supported) {
  if (supported != nullptr) {
    *supported = False;
  }
  return False;
}
