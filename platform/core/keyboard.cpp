#include "platform/core/keyboard.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace core {
namespace {

struct KeyName {
  std::uint32_t keysym;
  WPARAM virtualKey;
};

constexpr KeyName namedKeys[] = {
    {XKB_KEY_BackSpace, VK_BACK},  {XKB_KEY_Tab, VK_TAB},       {XKB_KEY_Return, VK_RETURN},
    {XKB_KEY_KP_Enter, VK_RETURN}, {XKB_KEY_Shift_L, VK_SHIFT}, {XKB_KEY_Shift_R, VK_SHIFT},
    {XKB_KEY_Control_L, VK_CONTROL}, {XKB_KEY_Control_R, VK_CONTROL}, {XKB_KEY_Alt_L, VK_MENU},
    {XKB_KEY_Alt_R, VK_MENU},      {XKB_KEY_Pause, VK_PAUSE},   {XKB_KEY_Caps_Lock, VK_CAPITAL},
    {XKB_KEY_Escape, VK_ESCAPE},   {XKB_KEY_space, VK_SPACE},   {XKB_KEY_Prior, VK_PRIOR},
    {XKB_KEY_Next, VK_NEXT},       {XKB_KEY_End, VK_END},       {XKB_KEY_Home, VK_HOME},
    {XKB_KEY_Left, VK_LEFT},       {XKB_KEY_Up, VK_UP},         {XKB_KEY_Right, VK_RIGHT},
    {XKB_KEY_Down, VK_DOWN},       {XKB_KEY_Insert, VK_INSERT}, {XKB_KEY_Delete, VK_DELETE},
    {XKB_KEY_Super_L, VK_LWIN},    {XKB_KEY_Super_R, VK_RWIN},  {XKB_KEY_Menu, VK_APPS},
    {XKB_KEY_Num_Lock, VK_NUMLOCK}, {XKB_KEY_Scroll_Lock, VK_SCROLL},
};

}  // namespace

WPARAM VirtualKeyOf(std::uint32_t keysym) {
  if (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z) {
    return 'A' + (keysym - XKB_KEY_a);
  }
  if ((keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z) || (keysym >= XKB_KEY_0 && keysym <= XKB_KEY_9)) {
    return keysym;
  }
  if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F24) {
    return VK_F1 + (keysym - XKB_KEY_F1);
  }
  for (const KeyName& key : namedKeys) {
    if (key.keysym == keysym) {
      return key.virtualKey;
    }
  }
  return 0;
}

KeyMessage Keyboard::Translate(const WindowEvent& event) {
  const unsigned code = event.key.scanCode % down_.size();
  const WPARAM virtualKey = VirtualKeyOf(event.key.keysym);
  const bool press = event.kind == WindowEvent::Kind::keyPressed;
  // Alt and F10 keys, and any key while Alt is held, are system keys.
  const bool system = event.altHeld || virtualKey == VK_MENU || virtualKey == VK_F10;

  WORD flags = 0;
  if (event.altHeld || (press && virtualKey == VK_MENU)) {
    flags |= KF_ALTDOWN;
  }
  // The key's previous state: down for a repeat, and always before a release.
  if (!press || down_.test(code)) {
    flags |= KF_REPEAT;
  }
  if (!press) {
    flags |= KF_UP;
  }
  down_.set(code, press);

  const LPARAM keyData = 1 | static_cast<LPARAM>(code & 0xFF) << 16 | static_cast<LPARAM>(flags) << 16;
  const UINT message = press ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  return KeyMessage{message, virtualKey, keyData};
}

void Keyboard::NoteHeld(const Key& key) { down_.set(key.scanCode % down_.size()); }

}  // namespace core
