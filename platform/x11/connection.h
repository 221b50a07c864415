// The one connection to the X server that the whole layer shares, and the
// atoms it uses, interned once when the connection opens.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Opens the display on first use. Without one the program cannot show
// anything, so it says so on stderr and exits with code 1.
Display* Connection();

struct AtomTable {
  Atom WM_PROTOCOLS;
  Atom WM_DELETE_WINDOW;
  Atom MOTIF_WM_HINTS;
  Atom NET_SUPPORTING_WM_CHECK;
  Atom NET_WM_STATE;
  Atom NET_WM_STATE_MAXIMIZED_VERT;
  Atom NET_WM_STATE_MAXIMIZED_HORZ;
  Atom NET_WM_WINDOW_TYPE;
  Atom NET_WM_WINDOW_TYPE_DIALOG;
};

const AtomTable& Atoms();

// Whether the server reports key releases of a held key only once, at its real release.
bool DetectableAutoRepeat();

// Whether a window manager runs on the default screen.
bool HasWindowManager();

}  // namespace x11
