// The one connection to the X server that the whole layer shares, and the
// atoms it uses, interned once when the connection opens.
#pragma once

#include <X11/Xlib.h>

#include "platform/x11/atoms.h"

namespace x11 {

// Opens the display on first use. Without one, or without the RENDER
// extension, the program cannot show anything, so it says so on stderr and
// exits with code 1. So does an X error it does not expect (x_errors.h).
Display* Connection();

const AtomTable& Atoms();

// Whether the server reports key releases of a held key only once, at its real release.
bool DetectableAutoRepeat();

// Says what went wrong on stderr, in one line after the program's name, and exits with code 1.
[[noreturn]] void ExitWithMessage(const char* what);

}  // namespace x11
