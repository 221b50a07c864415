// The atoms the layer uses, each named once in one list and interned with
// the others in one round trip when the connection opens.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Each atom's field, and its name: as written for PLAIN, with a leading
// underscore for UNDERSCORED (names that C++ keeps for itself as fields).
#define X11_ATOMS(PLAIN, UNDERSCORED)        \
  PLAIN(WM_PROTOCOLS)                        \
  PLAIN(WM_DELETE_WINDOW)                    \
  UNDERSCORED(MOTIF_WM_HINTS)                \
  UNDERSCORED(NET_ACTIVE_WINDOW)             \
  UNDERSCORED(NET_SUPPORTING_WM_CHECK)       \
  UNDERSCORED(NET_WM_STATE)                  \
  UNDERSCORED(NET_WM_STATE_MAXIMIZED_VERT)   \
  UNDERSCORED(NET_WM_STATE_MAXIMIZED_HORZ)   \
  UNDERSCORED(NET_WM_WINDOW_TYPE)            \
  UNDERSCORED(NET_WM_WINDOW_TYPE_DIALOG)     \
  UNDERSCORED(NET_WM_WINDOW_OPACITY)

struct AtomTable {
#define X11_ATOM_FIELD(name) Atom name;
  X11_ATOMS(X11_ATOM_FIELD, X11_ATOM_FIELD)
#undef X11_ATOM_FIELD
  // The selection a compositing manager of the default screen owns while it
  // runs: its name ends in the screen's number.
  Atom NET_WM_CM_Sn;
};

// Interns them all in one round trip; run once, as the connection opens.
AtomTable InternAtoms(Display* dpy);

}  // namespace x11
