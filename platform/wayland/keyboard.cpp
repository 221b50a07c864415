#include "platform/wayland/keyboard.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace wayland {

Input::Input(wl_seat* seat) : seat_(seat), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
  static const wl_seat_listener listener = {OnCapabilities, OnName};
  wl_seat_add_listener(seat_, &listener, this);
}

Input::~Input() {
  ReleaseKeyboard();
  ReleasePointer();
  xkb_context_unref(context_);
}

void Input::ReleaseKeyboard() {
  if (keyboard_ != nullptr) {
    wl_keyboard_get_version(keyboard_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION ? wl_keyboard_release(keyboard_)
                                                                            : wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
  }
  xkb_state_unref(state_);
  xkb_keymap_unref(keymap_);
  state_ = nullptr;
  keymap_ = nullptr;
  keyboardFocus_ = nullptr;
}

void Input::ReleasePointer() {
  if (pointer_ != nullptr) {
    wl_pointer_get_version(pointer_) >= WL_POINTER_RELEASE_SINCE_VERSION ? wl_pointer_release(pointer_)
                                                                         : wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
  }
  pointerFocus_ = nullptr;
}

void Input::Forget(const InputTarget* target) {
  if (keyboardFocus_ == target) {
    keyboardFocus_ = nullptr;
  }
  if (pointerFocus_ == target) {
    pointerFocus_ = nullptr;
  }
}

InputTarget* Input::TargetOf(wl_surface* surface) {
  return surface != nullptr ? static_cast<InputTarget*>(wl_surface_get_user_data(surface)) : nullptr;
}

void Input::OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  auto* self = static_cast<Input*>(data);
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (keyboard && self->keyboard_ == nullptr) {
    self->keyboard_ = wl_seat_get_keyboard(seat);
    static const wl_keyboard_listener listener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                  OnKey,    OnModifiers,     OnRepeatInfo};
    wl_keyboard_add_listener(self->keyboard_, &listener, self);
  } else if (!keyboard && self->keyboard_ != nullptr) {
    self->ReleaseKeyboard();
  }
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (pointer && self->pointer_ == nullptr) {
    self->pointer_ = wl_seat_get_pointer(seat);
    static const wl_pointer_listener listener = {OnPointerEnter,
                                                 OnPointerLeave,
                                                 OnMotion,
                                                 OnButton,
                                                 OnAxis,
                                                 [](void*, wl_pointer*) {},
                                                 [](void*, wl_pointer*, uint32_t) {},
                                                 [](void*, wl_pointer*, uint32_t, uint32_t) {},
                                                 [](void*, wl_pointer*, uint32_t, int32_t) {},
                                                 [](void*, wl_pointer*, uint32_t, int32_t) {}};
    wl_pointer_add_listener(self->pointer_, &listener, self);
  } else if (!pointer && self->pointer_ != nullptr) {
    self->ReleasePointer();
  }
}

void Input::OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  auto* self = static_cast<Input*>(data);
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      xkb_keymap* keymap = xkb_keymap_new_from_buffer(self->context_, static_cast<const char*>(text), size - 1,
                                                      XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
      munmap(text, size);
      if (keymap != nullptr) {
        xkb_state_unref(self->state_);
        xkb_keymap_unref(self->keymap_);
        self->keymap_ = keymap;
        self->state_ = xkb_state_new(keymap);
      }
    }
  }
  close(fd);
}

core::Key Input::KeyOf(uint32_t evdev) const {
  core::Key key{0, evdev};
  if (keymap_ != nullptr) {
    // xkb numbers keys as X does, 8 above the kernel.
    const xkb_keycode_t code = evdev + 8;
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap_, code, xkb_state_key_get_layout(state_, code), 0, &syms) > 0) {
      key.keysym = syms[0];
    }
  }
  return key;
}

bool Input::AltHeld() const {
  return state_ != nullptr && xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
}

void Input::OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array* keys) {
  auto* self = static_cast<Input*>(data);
  self->keyboardFocus_ = TargetOf(surface);
  if (self->keyboardFocus_ == nullptr) {
    return;
  }
  const auto* key = static_cast<const uint32_t*>(keys->data);
  for (std::size_t i = 0; i < keys->size / sizeof(uint32_t); ++i) {
    self->keyboardFocus_->KeyHeld(self->KeyOf(key[i]), self->AltHeld());
  }
}

void Input::OnKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
  static_cast<Input*>(data)->keyboardFocus_ = nullptr;
}

void Input::OnKey(void* data, wl_keyboard*, uint32_t, uint32_t time, uint32_t key, uint32_t state) {
  auto* self = static_cast<Input*>(data);
  if (self->keyboardFocus_ == nullptr) {
    return;
  }
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) {
    self->keyboardFocus_->KeyPressed(self->KeyOf(key), self->AltHeld(), time);
  } else {
    self->keyboardFocus_->KeyReleased(self->KeyOf(key), self->AltHeld(), time);
  }
}

void Input::OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                        uint32_t group) {
  auto* self = static_cast<Input*>(data);
  if (self->state_ != nullptr) {
    xkb_state_update_mask(self->state_, depressed, latched, locked, 0, 0, group);
  }
}

void Input::OnPointerEnter(void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  auto* self = static_cast<Input*>(data);
  self->pointerFocus_ = TargetOf(surface);
  self->pointerX_ = wl_fixed_to_double(x);
  self->pointerY_ = wl_fixed_to_double(y);
}

void Input::OnPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
  static_cast<Input*>(data)->pointerFocus_ = nullptr;
}

void Input::OnMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto* self = static_cast<Input*>(data);
  self->pointerX_ = wl_fixed_to_double(x);
  self->pointerY_ = wl_fixed_to_double(y);
}

void Input::OnButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
  auto* self = static_cast<Input*>(data);
  if (self->pointerFocus_ != nullptr && button == BTN_LEFT) {
    self->pointerFocus_->Button(state == WL_POINTER_BUTTON_STATE_PRESSED, self->pointerX_, self->pointerY_);
  }
}

}  // namespace wayland
