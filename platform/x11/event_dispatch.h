// Which part of the backend consumes which X event. The part that owns an
// event type registers its handler, bound to itself, as the session is
// built; the session hands every event the server sends to its type's
// handler. Events of a type that no part owns are passed over.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <functional>

namespace x11 {

class EventDispatch {
 public:
  using Handler = std::function<void(const XEvent& event)>;

  // Core and extension event types alike, those of extensions being known once the extension is queried.
  void Register(int type, Handler handler) { handlers_[Slot(type)] = std::move(handler); }

  void Dispatch(const XEvent& event) const {
    if (const Handler& handler = handlers_[Slot(event.type)]) {
      handler(event);
    }
  }

 private:
  // Every event type fits in the protocol's seven bits.
  static unsigned Slot(int type) { return static_cast<unsigned>(type) & 0x7F; }

  std::array<Handler, 128> handlers_;
};

}  // namespace x11
