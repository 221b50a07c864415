#include "platform/x11/keyboard.h"

#include <X11/keysym.h>

namespace x11 {
namespace {

constexpr LPARAM contextAlt = 1L << 29;
constexpr LPARAM previouslyDown = 1L << 30;
constexpr LPARAM released = 1L << 31;

struct KeyName {
  KeySym keysym;
  WPARAM virtualKey;
};

constexpr KeyName namedKeys[] = {
    {XK_BackSpace, 0x08}, {XK_Tab, 0x09},       {XK_Return, 0x0D},    {XK_KP_Enter, 0x0D},  {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},   {XK_Control_L, 0x11}, {XK_Control_R, 0x11}, {XK_Alt_L, VK_MENU},  {XK_Alt_R, VK_MENU},
    {XK_Pause, 0x13},     {XK_Caps_Lock, 0x14}, {XK_Escape, 0x1B},    {XK_space, 0x20},     {XK_Prior, 0x21},
    {XK_Next, 0x22},      {XK_End, 0x23},       {XK_Home, 0x24},      {XK_Left, 0x25},      {XK_Up, 0x26},
    {XK_Right, 0x27},     {XK_Down, 0x28},      {XK_Insert, 0x2D},    {XK_Delete, 0x2E},    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},   {XK_Menu, 0x5D},      {XK_Num_Lock, 0x90},  {XK_Scroll_Lock, 0x91},
};

}  // namespace

WPARAM VirtualKeyOf(KeySym keysym) {
  if (keysym >= XK_a && keysym <= XK_z) {
    return 'A' + (keysym - XK_a);
  }
  if ((keysym >= XK_A && keysym <= XK_Z) || (keysym >= XK_0 && keysym <= XK_9)) {
    return keysym;
  }
  if (keysym >= XK_F1 && keysym <= XK_F24) {
    return 0x70 + (keysym - XK_F1);
  }
  for (const KeyName& key : namedKeys) {
    if (key.keysym == keysym) {
      return key.virtualKey;
    }
  }
  return 0;
}

KeyMessage Keyboard::Translate(const XKeyEvent& event, KeySym keysym) {
  const WPARAM virtualKey = VirtualKeyOf(keysym);
  const bool press = event.type == KeyPress;
  const unsigned keycode = event.keycode & 0xFF;
  // Alt and F10 keys, and any key while Alt is held, are system keys.
  const bool altHeld = (event.state & Mod1Mask) != 0;
  const bool system = altHeld || virtualKey == VK_MENU || virtualKey == VK_F10;

  LPARAM keyData = 1 | static_cast<LPARAM>((keycode - 8) & 0xFF) << 16;
  if (altHeld || (press && virtualKey == VK_MENU)) {
    keyData |= contextAlt;
  }
  if (!press || down_.test(keycode)) {
    keyData |= previouslyDown;
  }
  if (!press) {
    keyData |= released;
  }
  down_.set(keycode, press);

  const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  return KeyMessage{message, virtualKey, keyData};
}

}  // namespace x11
