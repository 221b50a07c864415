#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/core/keyboard.h"

namespace {

using Kind = core::WindowEvent::Kind;

// One keyboard through a run of key events, each with the message and the virtual key Windows gives, and its
// key data: a repeat count of 1, the scan code, and the flags of Alt held, of a key already down, of a release.
TEST(KeyboardTest, KeyEventsBecomeWindowsKeyMessages) {
  const struct { const char* name; Kind kind; std::uint32_t keysym; unsigned scanCode; bool alt; UINT message; WPARAM key; LPARAM data; }
  table[] = {
      {"Esc pressed", Kind::keyPressed, XKB_KEY_Escape, 1, false, WM_KEYDOWN, VK_ESCAPE, 0x00010001},
      {"Esc released", Kind::keyReleased, XKB_KEY_Escape, 1, false, WM_KEYUP, VK_ESCAPE, 0xC0010001},
      {"A pressed", Kind::keyPressed, XKB_KEY_a, 30, false, WM_KEYDOWN, 'A', 0x001E0001},
      {"A held: its presses repeat", Kind::keyPressed, XKB_KEY_a, 30, false, WM_KEYDOWN, 'A', 0x401E0001},
      {"Alt pressed: a system key", Kind::keyPressed, XKB_KEY_Alt_L, 56, false, WM_SYSKEYDOWN, VK_MENU, 0x20380001},
      {"F4 pressed with Alt", Kind::keyPressed, XKB_KEY_F4, 62, true, WM_SYSKEYDOWN, VK_F4, 0x203E0001},
      {"F4 released with Alt", Kind::keyReleased, XKB_KEY_F4, 62, true, WM_SYSKEYUP, VK_F4, 0xE03E0001},
      // Alt's own release still has Alt held: it is a system key too.
      {"Alt released", Kind::keyReleased, XKB_KEY_Alt_L, 56, true, WM_SYSKEYUP, VK_MENU, 0xE0380001},
      {"F10 pressed: a system key without Alt", Kind::keyPressed, XKB_KEY_F10, 68, false, WM_SYSKEYDOWN, VK_F10,
       0x00440001},
      {"F10 released", Kind::keyReleased, XKB_KEY_F10, 68, false, WM_SYSKEYUP, VK_F10, 0xC0440001},
      {"F9 released: an ordinary key", Kind::keyReleased, XKB_KEY_F9, 67, false, WM_KEYUP, 0x78, 0xC0430001},
      {"Q, shifted or not", Kind::keyPressed, XKB_KEY_Q, 16, false, WM_KEYDOWN, 'Q', 0x00100001},
      {"7", Kind::keyPressed, XKB_KEY_7, 8, false, WM_KEYDOWN, '7', 0x00080001},
      {"F12", Kind::keyPressed, XKB_KEY_F12, 88, false, WM_KEYDOWN, 0x7B, 0x00580001},
      {"space", Kind::keyPressed, XKB_KEY_space, 57, false, WM_KEYDOWN, VK_SPACE, 0x00390001},
      {"left arrow", Kind::keyPressed, XKB_KEY_Left, 105, false, WM_KEYDOWN, VK_LEFT, 0x00690001},
      {"a key Windows has no code for", Kind::keyPressed, XKB_KEY_dead_acute, 13, false, WM_KEYDOWN, 0, 0x000D0001},
  };
  core::Keyboard keyboard;
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    const core::KeyMessage message = keyboard.Translate(
        core::WindowEvent{row.kind, nullptr, core::Key{row.keysym, row.scanCode}, row.alt, 0});
    EXPECT_EQ(message.message, row.message);
    EXPECT_EQ(message.virtualKey, row.key);
    EXPECT_EQ(message.keyData, row.data);
  }
}

// A key already down as the window takes the keyboard, as the one that dismissed the notice may be: its presses
// are repeats, as on Windows, whose window procedure then does not take its release for a key pressed there.
TEST(KeyboardTest, AKeyHeldAsTheKeyboardArrivesRepeats) {
  core::Keyboard keyboard;
  keyboard.NoteHeld(core::Key{XKB_KEY_Return, 28});
  const core::KeyMessage repeat =
      keyboard.Translate(core::WindowEvent{Kind::keyPressed, nullptr, core::Key{XKB_KEY_Return, 28}, false, 0});
  EXPECT_EQ(repeat.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(repeat.keyData, 0x401C0001);
  const core::KeyMessage other =
      keyboard.Translate(core::WindowEvent{Kind::keyPressed, nullptr, core::Key{XKB_KEY_Escape, 1}, false, 0});
  EXPECT_EQ(other.keyData, 0x00010001) << "only the key held";
}

}  // namespace
