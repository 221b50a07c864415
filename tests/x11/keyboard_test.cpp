#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "platform/x11/connection.h"
#include "platform/x11/keyboard.h"

namespace {

constexpr LPARAM altDown = static_cast<LPARAM>(KF_ALTDOWN) << 16;
constexpr LPARAM repeated = static_cast<LPARAM>(KF_REPEAT) << 16;
constexpr LPARAM up = static_cast<LPARAM>(KF_UP) << 16;

// A key event of the layer's own display for the key that carries the keysym.
XKeyEvent Key(int type, KeySym keysym, unsigned state = 0) {
  XKeyEvent event{};
  event.type = type;
  event.display = x11::Connection();
  event.keycode = XKeysymToKeycode(event.display, keysym);
  event.state = state;
  return event;
}

LPARAM ScanCode(KeySym keysym) { return static_cast<LPARAM>(Key(KeyPress, keysym).keycode - 8) << 16; }

TEST(KeyboardTest, PressAndReleaseBecomeKeyDownAndKeyUpWithWindowsKeyData) {
  x11::Keyboard keyboard;
  const x11::KeyMessage down = keyboard.Translate(Key(KeyPress, XK_Escape));
  EXPECT_EQ(down.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(down.virtualKey, VK_ESCAPE);
  EXPECT_EQ(down.keyData, 1 | ScanCode(XK_Escape));
  const x11::KeyMessage release = keyboard.Translate(Key(KeyRelease, XK_Escape));
  EXPECT_EQ(release.message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(release.keyData, 1 | ScanCode(XK_Escape) | repeated | up);
}

TEST(KeyboardTest, HeldKeyRepeatsPressesMarkedAsAlreadyDown) {
  x11::Keyboard keyboard;
  keyboard.Translate(Key(KeyPress, XK_a));
  const x11::KeyMessage repeat = keyboard.Translate(Key(KeyPress, XK_a));
  EXPECT_EQ(repeat.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(repeat.virtualKey, static_cast<WPARAM>('A'));
  EXPECT_NE(repeat.keyData & repeated, 0);
}

TEST(KeyboardTest, AltAndF10MakeSystemKeys) {
  x11::Keyboard keyboard;
  const x11::KeyMessage alt = keyboard.Translate(Key(KeyPress, XK_Alt_L));
  EXPECT_EQ(alt.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(alt.virtualKey, VK_MENU);
  const x11::KeyMessage f4 = keyboard.Translate(Key(KeyPress, XK_F4, Mod1Mask));
  EXPECT_EQ(f4.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(f4.virtualKey, VK_F4);
  EXPECT_NE(f4.keyData & altDown, 0);
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, XK_F4, Mod1Mask)).message, static_cast<UINT>(WM_SYSKEYUP));
  // Alt's own release still has Alt held: it is a system key too.
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, XK_Alt_L, Mod1Mask)).message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(keyboard.Translate(Key(KeyPress, XK_F10)).message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, XK_F10)).message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, XK_F9)).message, static_cast<UINT>(WM_KEYUP));
}

TEST(KeyboardTest, VirtualKeysFollowWindows) {
  EXPECT_EQ(x11::VirtualKeyOf(XK_q), static_cast<WPARAM>('Q'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_Q), static_cast<WPARAM>('Q'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_7), static_cast<WPARAM>('7'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_F1), VK_F1);
  EXPECT_EQ(x11::VirtualKeyOf(XK_F12), 0x7Bu);
  EXPECT_EQ(x11::VirtualKeyOf(XK_Return), VK_RETURN);
  EXPECT_EQ(x11::VirtualKeyOf(XK_space), VK_SPACE);
  EXPECT_EQ(x11::VirtualKeyOf(XK_Left), VK_LEFT);
}

}  // namespace
