// The compositor's outputs, where they lie in its layout and at what scale.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/wayland/screen.h"
#include "platform/wayland/session.h"

namespace wayland {

class Backend;

// Logical pixels, as the compositor lays its outputs out (xdg-output), and
// the scale of the buffers that show sharp there.
struct OutputGeometry {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int scale = 1;
};

class Output {
 public:
  Output(Backend& backend, uint32_t name, wl_output* output, zxdg_output_manager_v1* manager);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  uint32_t name() const { return name_; }
  wl_output* output() const { return output_; }
  // Whether the compositor has described it whole at least once.
  bool ready() const { return ready_; }
  const OutputGeometry& geometry() const { return current_; }

  // Its part of the screen, while the screen is open.
  std::unique_ptr<ScreenSurface> screen;

 private:
  static void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                         int32_t) {}
  static void OnMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
  static void OnDone(void* data, wl_output* output);
  static void OnScale(void* data, wl_output* output, int32_t factor);
  static void OnLogicalPosition(void* data, zxdg_output_v1* output, int32_t x, int32_t y);
  static void OnLogicalSize(void* data, zxdg_output_v1* output, int32_t width, int32_t height);
  static void OnXdgDone(void* data, zxdg_output_v1* output);
  static void OnXdgName(void*, zxdg_output_v1*, const char*) {}
  static void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}
  void Apply();

  Backend& backend_;
  uint32_t name_;
  wl_output* output_;
  zxdg_output_v1* xdgOutput_;
  OutputGeometry pending_;
  OutputGeometry current_;
  bool ready_ = false;
};

}  // namespace wayland
