// X key events as the keys the core knows.
#pragma once

#include <X11/Xlib.h>

#include "platform/core/backend.h"
#include "platform/x11/connection.h"

namespace x11 {

// The key's unshifted keysym, and its kernel key code: X numbers keys from 8.
core::Key KeyOf(const XKeyEvent& event);

// Whether the release is one that a held key sends with its next press,
// where the server cannot report auto-repeat as presses alone: no release.
bool IsAutoRepeatRelease(const Connection& connection, const XKeyEvent& event);

}  // namespace x11
