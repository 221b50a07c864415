// The seat's keyboard and pointer, handed to the surface of ours they are
// on. Keys are told by the keysym of their unshifted level (xkbcommon) and
// their evdev code; the compositor repeats nothing, and neither do we.
#pragma once

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>

#include "platform/core/backend.h"

namespace wayland {

// What a surface of ours does with the input that reaches it; the surface's
// user data points to it.
class InputTarget {
 public:
  virtual ~InputTarget() = default;
  virtual void KeyPressed(const core::Key& key, bool altHeld, uint32_t time) = 0;
  virtual void KeyReleased(const core::Key& key, bool altHeld, uint32_t time) = 0;
  // Down already as the surface took the keyboard.
  virtual void KeyHeld(const core::Key& key, bool altHeld) = 0;
  // The left button at (x, y) of the surface, in logical pixels.
  virtual void Button(bool pressed, double x, double y) = 0;
};

class Input {
 public:
  explicit Input(wl_seat* seat);
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  // The target goes: nothing more reaches it.
  void Forget(const InputTarget* target);

 private:
  static void OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
  static void OnName(void*, wl_seat*, const char*) {}
  static void OnKeymap(void* data, wl_keyboard* keyboard, uint32_t format, int32_t fd, uint32_t size);
  static void OnKeyboardEnter(void* data, wl_keyboard* keyboard, uint32_t serial, wl_surface* surface,
                              wl_array* keys);
  static void OnKeyboardLeave(void* data, wl_keyboard* keyboard, uint32_t serial, wl_surface* surface);
  static void OnKey(void* data, wl_keyboard* keyboard, uint32_t serial, uint32_t time, uint32_t key, uint32_t state);
  static void OnModifiers(void* data, wl_keyboard* keyboard, uint32_t serial, uint32_t depressed, uint32_t latched,
                          uint32_t locked, uint32_t group);
  static void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
  static void OnPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                             wl_fixed_t y);
  static void OnPointerLeave(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface);
  static void OnMotion(void* data, wl_pointer* pointer, uint32_t time, wl_fixed_t x, wl_fixed_t y);
  static void OnButton(void* data, wl_pointer* pointer, uint32_t serial, uint32_t time, uint32_t button,
                       uint32_t state);
  static void OnAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}

  static InputTarget* TargetOf(wl_surface* surface);
  core::Key KeyOf(uint32_t evdev) const;
  bool AltHeld() const;
  void ReleaseKeyboard();
  void ReleasePointer();

  wl_seat* seat_;
  xkb_context* context_;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  InputTarget* keyboardFocus_ = nullptr;
  InputTarget* pointerFocus_ = nullptr;
  double pointerX_ = 0;
  double pointerY_ = 0;
};

}  // namespace wayland
