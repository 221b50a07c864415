#include "platform/x11/event_dispatch.h"

#include <array>

namespace x11 {
namespace {

// Every event type fits in the protocol's seven bits.
std::array<EventHandler, 128> handlers;

}  // namespace

void RegisterEventHandler(int type, EventHandler handler) { handlers[static_cast<unsigned>(type) & 0x7F] = handler; }

void DispatchEvent(const XEvent& event) {
  if (const EventHandler handler = handlers[static_cast<unsigned>(event.type) & 0x7F]) {
    handler(event);
  }
}

}  // namespace x11
