// The connection to the compositor and the globals the backend binds.
#pragma once

#include <wayland-client.h>

#include "viewporter-client-protocol.h"
// The layer shell names an argument `namespace`, a word that C++ keeps.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace wayland {

// Every global of the compositor the backend uses; all but the seat are
// required. Outputs come and go, so the backend keeps them apart.
struct Globals {
  wl_compositor* compositor = nullptr;
  wl_subcompositor* subcompositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zwlr_layer_shell_v1* layerShell = nullptr;
  wp_viewporter* viewporter = nullptr;
  zxdg_output_manager_v1* outputManager = nullptr;
  wl_seat* seat = nullptr;

  bool Complete() const {
    return compositor != nullptr && subcompositor != nullptr && shm != nullptr && wmBase != nullptr &&
           layerShell != nullptr && viewporter != nullptr && outputManager != nullptr;
  }
  void Destroy();
};

// The display connection. Any failure on it ends the program with one line
// on stderr: without the compositor nothing the program shows can go on.
class Session {
 public:
  // Null when WAYLAND_DISPLAY is unset or names no compositor that answers.
  static wl_display* Open();

  explicit Session(wl_display* display) : display_(display) {}
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  wl_display* display() const { return display_; }

  // Sends what is queued; a compositor slow to read keeps the rest queued.
  void Flush();
  void Roundtrip();
  // Reads what the compositor has sent and dispatches it; with `wait`, waits
  // for it to send something first.
  void Dispatch(bool wait);

 private:
  [[noreturn]] void Lost();

  wl_display* display_;
};

}  // namespace wayland
