// Which part of the layer consumes which X event. The module that owns an
// event type registers its handler as it starts taking part; the message
// loop hands every event the server sends to its type's handler. Events of
// a type that no module owns are passed over.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

using EventHandler = void (*)(const XEvent& event);

// Core and extension event types alike, those of extensions being known once the extension is queried.
void RegisterEventHandler(int type, EventHandler handler);

void DispatchEvent(const XEvent& event);

}  // namespace x11
