// The Linux programs: the session of the display server they show on is
// built first, then the program starts as on Windows. A Wayland compositor
// with layer shell gets the native backend; anything else goes to X11.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/core/session.h"
#include "platform/x11/session.h"
#include "shell/shell.h"

namespace {

// The folder the program runs from, with its trailing slash.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  const std::string program(path, length > 0 ? static_cast<std::size_t>(length) : 0);
  return program.substr(0, program.rfind('/') + 1);
}

// The Wayland backend, from the module beside the program (in its build
// folder) or where it is installed; null where WAYLAND_DISPLAY names no
// compositor with layer shell, or the module cannot be loaded.
std::unique_ptr<core::Backend> ConnectWayland() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0') {
    return nullptr;
  }
  const std::string folder = ProgramFolder();
  for (const std::string& path :
       {folder + "wayland-backend.so", folder + WAYLAND_BACKEND_FROM_PROGRAM "/wayland-backend.so"}) {
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
      using Connect = core::Backend* (*)();
      const auto connect = reinterpret_cast<Connect>(dlsym(module, "ConnectWaylandBackend"));
      return std::unique_ptr<core::Backend>(connect != nullptr ? connect() : nullptr);
    }
  }
  return nullptr;
}

}  // namespace

int main() {
  std::unique_ptr<core::Backend> backend = ConnectWayland();
  if (backend == nullptr) {
    backend = std::make_unique<x11::Session>();
  }
  core::Session session(std::move(backend));
  Start();
}
