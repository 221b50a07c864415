// The one connection to the X server that the whole layer shares.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Opens the display on first use. Without one the program cannot show
// anything, so it says so on stderr and exits with code 1.
Display* Connection();

// Whether a window manager runs on the default screen.
bool HasWindowManager();

Atom InternAtom(const char* name);

}  // namespace x11
