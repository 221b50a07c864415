// Keys as Windows keyboard messages: virtual-key codes, system keys, and
// the flags that mark repeated presses and releases.
#pragma once

#include <bitset>

#include "platform/core/backend.h"
#include "platform/platform.h"

namespace core {

struct KeyMessage {
  UINT message;
  WPARAM virtualKey;
  LPARAM keyData;
};

// Which keys are down, as the keyboard's own state is on Windows: a press
// of a key already down is a repeat, whichever window had it.
class Keyboard {
 public:
  // A key event's message, with a repeat count of 1 and the scan code.
  KeyMessage Translate(const WindowEvent& event);
  // The key is down already, as a window takes the keyboard.
  void NoteHeld(const Key& key);

 private:
  // Kernel key codes end at 0x2FF.
  std::bitset<0x300> down_;
};

// The virtual-key code of an unshifted keysym, or 0 for a key Windows has no code for.
WPARAM VirtualKeyOf(std::uint32_t keysym);

}  // namespace core
