#include <gtest/gtest.h>

#include "platform/x11/keyboard.h"

#include <X11/keysym.h>

namespace {

constexpr unsigned escapeKeycode = 9;
constexpr LPARAM altContext = 1L << 29;
constexpr LPARAM previousState = 1L << 30;
constexpr LPARAM transition = 1L << 31;

XKeyEvent Key(int type, unsigned keycode, unsigned state = 0) {
  XKeyEvent event{};
  event.type = type;
  event.keycode = keycode;
  event.state = state;
  return event;
}

TEST(KeyboardTest, PressAndReleaseBecomeKeyDownAndKeyUpWithWindowsKeyData) {
  x11::Keyboard keyboard;
  const x11::KeyMessage down = keyboard.Translate(Key(KeyPress, escapeKeycode), XK_Escape);
  EXPECT_EQ(down.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(down.virtualKey, 0x1Bu);
  EXPECT_EQ(down.keyData, 1 | (1L << 16));
  const x11::KeyMessage up = keyboard.Translate(Key(KeyRelease, escapeKeycode), XK_Escape);
  EXPECT_EQ(up.message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(up.keyData, 1 | (1L << 16) | previousState | transition);
}

TEST(KeyboardTest, HeldKeyRepeatsPressesMarkedAsAlreadyDown) {
  x11::Keyboard keyboard;
  keyboard.Translate(Key(KeyPress, 38), XK_a);
  const x11::KeyMessage repeat = keyboard.Translate(Key(KeyPress, 38), XK_a);
  EXPECT_EQ(repeat.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(repeat.virtualKey, static_cast<WPARAM>('A'));
  EXPECT_NE(repeat.keyData & previousState, 0);
}

TEST(KeyboardTest, AltAndF10MakeSystemKeys) {
  x11::Keyboard keyboard;
  const x11::KeyMessage alt = keyboard.Translate(Key(KeyPress, 64), XK_Alt_L);
  EXPECT_EQ(alt.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(alt.virtualKey, static_cast<WPARAM>(VK_MENU));
  const x11::KeyMessage f4 = keyboard.Translate(Key(KeyPress, 70, Mod1Mask), XK_F4);
  EXPECT_EQ(f4.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(f4.virtualKey, static_cast<WPARAM>(VK_F4));
  EXPECT_NE(f4.keyData & altContext, 0);
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, 70, Mod1Mask), XK_F4).message, static_cast<UINT>(WM_SYSKEYUP));
  // Alt's own release still has Alt held: it is a system key too.
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, 64, Mod1Mask), XK_Alt_L).message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(keyboard.Translate(Key(KeyPress, 76), XK_F10).message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, 76), XK_F10).message, static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(keyboard.Translate(Key(KeyRelease, 75), XK_F9).message, static_cast<UINT>(WM_KEYUP));
}

TEST(KeyboardTest, VirtualKeysFollowWindows) {
  EXPECT_EQ(x11::VirtualKeyOf(XK_q), static_cast<WPARAM>('Q'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_Q), static_cast<WPARAM>('Q'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_7), static_cast<WPARAM>('7'));
  EXPECT_EQ(x11::VirtualKeyOf(XK_F1), 0x70u);
  EXPECT_EQ(x11::VirtualKeyOf(XK_F12), 0x7Bu);
  EXPECT_EQ(x11::VirtualKeyOf(XK_Return), 0x0Du);
  EXPECT_EQ(x11::VirtualKeyOf(XK_space), 0x20u);
  EXPECT_EQ(x11::VirtualKeyOf(XK_Left), 0x25u);
}

}  // namespace
