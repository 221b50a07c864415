#include "platform/wayland/session.h"

#include <poll.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <string>

#include "platform/core/exit.h"

namespace wayland {

void Globals::Destroy() {
  if (seat != nullptr) {
    wl_seat_get_version(seat) >= WL_SEAT_RELEASE_SINCE_VERSION ? wl_seat_release(seat) : wl_seat_destroy(seat);
  }
  if (outputManager != nullptr) {
    zxdg_output_manager_v1_destroy(outputManager);
  }
  if (viewporter != nullptr) {
    wp_viewporter_destroy(viewporter);
  }
  if (layerShell != nullptr) {
    zwlr_layer_shell_v1_get_version(layerShell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION
        ? zwlr_layer_shell_v1_destroy(layerShell)
        : wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell));
  }
  if (wmBase != nullptr) {
    xdg_wm_base_destroy(wmBase);
  }
  if (shm != nullptr) {
    wl_shm_destroy(shm);
  }
  if (subcompositor != nullptr) {
    wl_subcompositor_destroy(subcompositor);
  }
  if (compositor != nullptr) {
    wl_compositor_destroy(compositor);
  }
  *this = Globals{};
}

wl_display* Session::Open() {
  if (std::getenv("WAYLAND_DISPLAY") == nullptr) {
    return nullptr;
  }
  // The program says what went wrong in one line of its own; without a
  // compositor it goes on with X11 and says nothing of Wayland at all.
  wl_log_set_handler_client([](const char*, va_list) {});
  return wl_display_connect(nullptr);
}

Session::~Session() { wl_display_disconnect(display_); }

// A protocol error is a fault of ours that the compositor names; anything
// else is the connection gone.
void Session::Lost() {
  if (wl_display_get_error(display_) == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id = 0;
    const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
    const std::string what = "the Wayland compositor refused a request on " +
                             std::string(interface != nullptr ? interface->name : "an object") + " (error " +
                             std::to_string(code) + ")";
    core::ExitWithMessage(what.c_str());
  }
  core::ExitWithMessage("lost the connection to the Wayland compositor");
}

void Session::Flush() {
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    Lost();
  }
}

void Session::Roundtrip() {
  if (wl_display_roundtrip(display_) < 0) {
    Lost();
  }
}

// The read is prepared before the wait, so that no other reader of the
// queue can take the events this one waits for.
void Session::Dispatch(bool wait) {
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) {
      Lost();
    }
  }
  Flush();
  pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
  int ready;
  do {
    ready = poll(&fd, 1, wait ? -1 : 0);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) {
    wl_display_cancel_read(display_);
    if (ready < 0) {
      Lost();
    }
  } else if (wl_display_read_events(display_) < 0) {
    Lost();
  }
  if (wl_display_dispatch_pending(display_) < 0) {
    Lost();
  }
}

}  // namespace wayland
