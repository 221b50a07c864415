#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <utility>

#include "platform/x11/connection.h"
#include "platform/x11/keyboard.h"

namespace {

constexpr LPARAM altDown = static_cast<LPARAM>(KF_ALTDOWN) << 16;
constexpr LPARAM repeated = static_cast<LPARAM>(KF_REPEAT) << 16;
constexpr LPARAM up = static_cast<LPARAM>(KF_UP) << 16;

// One keyboard through a run of key events of the layer's own display. Each gives the message and the virtual
// key Windows gives, and key data of a repeat count of 1, the scan code, which X numbers from 8, and the flags.
TEST(KeyboardTest, KeyEventsBecomeWindowsKeyMessages) {
  const struct { const char* name; int type; KeySym keysym; unsigned state; UINT message; WPARAM key; LPARAM flags; }
  table[] = {
      {"Esc pressed", KeyPress, XK_Escape, 0, WM_KEYDOWN, VK_ESCAPE, 0},
      {"Esc released", KeyRelease, XK_Escape, 0, WM_KEYUP, VK_ESCAPE, repeated | up},
      {"A pressed", KeyPress, XK_a, 0, WM_KEYDOWN, 'A', 0},
      {"A held: its presses repeat, marked as already down", KeyPress, XK_a, 0, WM_KEYDOWN, 'A', repeated},
      {"Alt pressed: a system key", KeyPress, XK_Alt_L, 0, WM_SYSKEYDOWN, VK_MENU, altDown},
      {"F4 pressed with Alt", KeyPress, XK_F4, Mod1Mask, WM_SYSKEYDOWN, VK_F4, altDown},
      {"F4 released with Alt", KeyRelease, XK_F4, Mod1Mask, WM_SYSKEYUP, VK_F4, altDown | repeated | up},
      // Alt's own release still has Alt held: it is a system key too.
      {"Alt released", KeyRelease, XK_Alt_L, Mod1Mask, WM_SYSKEYUP, VK_MENU, altDown | repeated | up},
      {"F10 pressed: a system key without Alt", KeyPress, XK_F10, 0, WM_SYSKEYDOWN, VK_F10, 0},
      {"F10 released", KeyRelease, XK_F10, 0, WM_SYSKEYUP, VK_F10, repeated | up},
      {"F9 released: an ordinary key", KeyRelease, XK_F9, 0, WM_KEYUP, VK_F1 + 8, repeated | up},
  };
  x11::Keyboard keyboard;
  for (const auto& row : table) {
    SCOPED_TRACE(row.name);
    XKeyEvent event{};
    event.type = row.type;
    event.display = x11::Connection();
    event.keycode = XKeysymToKeycode(event.display, row.keysym);
    event.state = row.state;
    const x11::KeyMessage translated = keyboard.Translate(event);
    EXPECT_EQ(translated.message, row.message);
    EXPECT_EQ(translated.virtualKey, row.key);
    EXPECT_EQ(translated.keyData, 1 | static_cast<LPARAM>(event.keycode - 8) << 16 | row.flags);
  }
}

TEST(KeyboardTest, VirtualKeysFollowWindows) {
  const std::pair<KeySym, WPARAM> table[] = {{XK_q, 'Q'}, {XK_Q, 'Q'}, {XK_7, '7'}, {XK_F1, VK_F1}, {XK_F12, 0x7B},
                                             {XK_Return, VK_RETURN}, {XK_space, VK_SPACE}, {XK_Left, VK_LEFT}};
  for (const auto& [keysym, key] : table) {
    EXPECT_EQ(x11::VirtualKeyOf(keysym), key) << XKeysymToString(keysym);
  }
}

}  // namespace
