#include "platform/x11/keyboard.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "platform/x11/connection.h"

namespace x11 {
namespace {

struct KeyName {
  KeySym keysym;
  WPARAM virtualKey;
};

constexpr KeyName namedKeys[] = {
    {XK_BackSpace, VK_BACK},    {XK_Tab, VK_TAB},          {XK_Return, VK_RETURN},   {XK_KP_Enter, VK_RETURN},
    {XK_Shift_L, VK_SHIFT},     {XK_Shift_R, VK_SHIFT},    {XK_Control_L, VK_CONTROL}, {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},        {XK_Alt_R, VK_MENU},       {XK_Pause, VK_PAUSE},     {XK_Caps_Lock, VK_CAPITAL},
    {XK_Escape, VK_ESCAPE},     {XK_space, VK_SPACE},      {XK_Prior, VK_PRIOR},     {XK_Next, VK_NEXT},
    {XK_End, VK_END},           {XK_Home, VK_HOME},        {XK_Left, VK_LEFT},       {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},       {XK_Down, VK_DOWN},        {XK_Insert, VK_INSERT},   {XK_Delete, VK_DELETE},
    {XK_Super_L, VK_LWIN},      {XK_Super_R, VK_RWIN},     {XK_Menu, VK_APPS},       {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL},
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
    return VK_F1 + (keysym - XK_F1);
  }
  for (const KeyName& key : namedKeys) {
    if (key.keysym == keysym) {
      return key.virtualKey;
    }
  }
  return 0;
}

KeyMessage Keyboard::Translate(const XKeyEvent& event) {
  const unsigned keycode = event.keycode & 0xFF;
  const WPARAM virtualKey = VirtualKeyOf(XkbKeycodeToKeysym(event.display, static_cast<KeyCode>(keycode), 0, 0));
  const bool press = event.type == KeyPress;
  // Alt and F10 keys, and any key while Alt is held, are system keys.
  const bool altHeld = (event.state & Mod1Mask) != 0;
  const bool system = altHeld || virtualKey == VK_MENU || virtualKey == VK_F10;

  WORD flags = 0;
  if (altHeld || (press && virtualKey == VK_MENU)) {
    flags |= KF_ALTDOWN;
  }
  if (!press || down_.test(keycode)) {
    flags |= KF_REPEAT;
  }
  if (!press) {
    flags |= KF_UP;
  }
  down_.set(keycode, press);

  // A repeat count of 1 and the scan code, which X numbers from 8.
  const LPARAM keyData = 1 | static_cast<LPARAM>((keycode - 8) & 0xFF) << 16 | static_cast<LPARAM>(flags) << 16;
  const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  return KeyMessage{message, virtualKey, keyData};
}

bool IsAutoRepeatRelease(const XKeyEvent& event) {
  constexpr Time sameMoment = 20;
  Display* dpy = event.display;
  if (event.type != KeyRelease || DetectableAutoRepeat() || XEventsQueued(dpy, QueuedAfterReading) == 0) {
    return false;
  }
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == KeyPress && next.xkey.keycode == event.keycode && next.xkey.time - event.time < sameMoment;
}

}  // namespace x11
