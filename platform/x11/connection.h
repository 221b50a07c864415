// The one connection to the X server that the whole layer shares, and the
// atoms it uses, interned once when the connection opens.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Opens the display on first use. Without one, or without the RENDER
// extension, the program cannot show anything, so it says so on stderr and
// exits with code 1. So does any X error outside an ErrorTrap.
Display* Connection();

// While one lives, X errors do not end the program but are noted: for the
// requests that another client's timing can make fail, such as focusing a
// window its manager has not shown yet, or one that was just destroyed.
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Whether any request made since the trap was set has failed.
  bool Caught();

 private:
  ErrorTrap* outer_;
  bool caught_ = false;
  friend int OnError(Display*, XErrorEvent*);
};

struct AtomTable {
  Atom WM_PROTOCOLS;
  Atom WM_DELETE_WINDOW;
  Atom MOTIF_WM_HINTS;
  Atom NET_ACTIVE_WINDOW;
  // The selection a compositing manager of the default screen owns while it runs.
  Atom NET_WM_CM_Sn;
  Atom NET_SUPPORTING_WM_CHECK;
  Atom NET_WM_STATE;
  Atom NET_WM_STATE_MAXIMIZED_VERT;
  Atom NET_WM_STATE_MAXIMIZED_HORZ;
  Atom NET_WM_WINDOW_TYPE;
  Atom NET_WM_WINDOW_TYPE_DIALOG;
  Atom NET_WM_WINDOW_OPACITY;
};

const AtomTable& Atoms();

// Whether the server reports key releases of a held key only once, at its real release.
bool DetectableAutoRepeat();

}  // namespace x11
