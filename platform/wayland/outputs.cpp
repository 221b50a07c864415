#include "platform/wayland/outputs.h"

#include "platform/wayland/backend.h"

namespace wayland {

Output::Output(Backend& backend, uint32_t name, wl_output* output, zxdg_output_manager_v1* manager)
    : backend_(backend), name_(name), output_(output) {
  static const wl_output_listener outputListener = {OnGeometry, OnMode, OnDone, OnScale,
                                                    [](void*, wl_output*, const char*) {},
                                                    [](void*, wl_output*, const char*) {}};
  wl_output_add_listener(output_, &outputListener, this);
  xdgOutput_ = zxdg_output_manager_v1_get_xdg_output(manager, output_);
  static const zxdg_output_v1_listener xdgListener = {OnLogicalPosition, OnLogicalSize, OnXdgDone, OnXdgName,
                                                      OnXdgDescription};
  zxdg_output_v1_add_listener(xdgOutput_, &xdgListener, this);
}

Output::~Output() {
  screen.reset();
  zxdg_output_v1_destroy(xdgOutput_);
  wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION ? wl_output_release(output_)
                                                                    : wl_output_destroy(output_);
}

void Output::OnScale(void* data, wl_output*, int32_t factor) { static_cast<Output*>(data)->pending_.scale = factor; }

void Output::OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* self = static_cast<Output*>(data);
  self->pending_.x = x;
  self->pending_.y = y;
}

void Output::OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto* self = static_cast<Output*>(data);
  self->pending_.width = width;
  self->pending_.height = height;
}

// From version 3 of xdg-output the output's own done closes every change.
void Output::OnDone(void* data, wl_output*) { static_cast<Output*>(data)->Apply(); }

void Output::OnXdgDone(void* data, zxdg_output_v1* output) {
  if (zxdg_output_v1_get_version(output) < 3) {
    static_cast<Output*>(data)->Apply();
  }
}

void Output::Apply() {
  current_ = pending_;
  if (current_.width > 0 && current_.height > 0) {
    ready_ = true;
    backend_.OutputChanged(*this);
  }
}

}  // namespace wayland
