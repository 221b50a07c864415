// The program's window: an xdg-shell toplevel that is never painted. It
// shows one transparent pixel stretched over its whole size (wp_viewporter),
// so that the desktop shows through it while it takes the clicks where it
// lies and the keyboard.
#pragma once

#include <memory>

#include "platform/core/backend.h"
#include "platform/wayland/keyboard.h"
#include "platform/wayland/session.h"
#include "platform/wayland/shm.h"

namespace wayland {

class Backend;

class Window : public core::NativeWindow, public InputTarget {
 public:
  Window(Backend& backend, HWND handle, const core::WindowLook& look);
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void Show(bool maximize);

  void KeyPressed(const core::Key& key, bool altHeld, uint32_t time) override;
  void KeyReleased(const core::Key& key, bool altHeld, uint32_t time) override;
  void KeyHeld(const core::Key& key, bool altHeld) override;
  void Button(bool, double, double) override {}

 private:
  static void OnSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial);
  static void OnConfigure(void* data, xdg_toplevel* toplevel, int32_t width, int32_t height, wl_array* states);
  static void OnClose(void* data, xdg_toplevel* toplevel);
  void Push(core::WindowEvent::Kind kind, const core::Key& key, bool altHeld, uint32_t time);

  Backend& backend_;
  HWND handle_;
  core::WindowLook look_;
  wl_surface* surface_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  std::unique_ptr<ShmBuffer> clear_;
  int width_ = 0;
  int height_ = 0;
  bool attached_ = false;
};

}  // namespace wayland
