// X key events as Windows keyboard messages.
#pragma once

#include <X11/Xlib.h>

#include <bitset>

#include "platform/platform.h"

namespace x11 {

struct KeyMessage {
  UINT message;
  WPARAM virtualKey;
  LPARAM keyData;
};

// Tracks which keys are down, to mark repeated presses as Windows does.
class Keyboard {
 public:
  KeyMessage Translate(const XKeyEvent& event);

 private:
  std::bitset<256> down_;
};

// The virtual-key code of an unshifted keysym, or 0 for a key Windows has no code for.
WPARAM VirtualKeyOf(KeySym keysym);

// Whether the release is one that a held key sends with its next press,
// where the server cannot report auto-repeat as presses alone: no release.
bool IsAutoRepeatRelease(const XKeyEvent& event);

}  // namespace x11
