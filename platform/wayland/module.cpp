// The entry the programs look up once they have loaded the backend.
#include "platform/wayland/wayland.h"

extern "C" __attribute__((visibility("default"))) core::Backend* ConnectWaylandBackend() {
  return wayland::Connect().release();
}
