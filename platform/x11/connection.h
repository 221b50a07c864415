// The connection to the X server that the whole backend shares, and the
// atoms it uses, interned once as it opens.
#pragma once

#include <X11/Xlib.h>

#include "platform/x11/atoms.h"

namespace x11 {

class Connection {
 public:
  // The server DISPLAY names. Without one, one that does not let us connect
  // within a bound, or one without the RENDER extension, the program
  // cannot show anything: it says so on stderr and exits with code 1. So
  // does an X error it does not expect (x_errors.h), or the server going away.
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Display* const display;
  const AtomTable atoms;
  // Whether the server reports key releases of a held key only once, at its real release.
  const bool detectableAutoRepeat;
};

}  // namespace x11
