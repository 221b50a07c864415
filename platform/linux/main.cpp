// The Linux programs: the session of the display server they show on is
// built first, then the program starts as on Windows. A Wayland compositor
// with layer shell gets the native backend; anything else goes to X11.
#include "platform/core/session.h"
#include "platform/wayland/wayland.h"
#include "platform/x11/session.h"
#include "shell/shell.h"

int main() {
  std::unique_ptr<core::Backend> backend = wayland::Connect();
  if (backend == nullptr) {
    backend = std::make_unique<x11::Session>();
  }
  core::Session session(std::move(backend));
  Start();
}
