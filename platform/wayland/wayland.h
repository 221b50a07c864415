// The Wayland backend's one entry point.
#pragma once

#include <memory>

#include "platform/core/backend.h"

namespace wayland {

// A session on the compositor that WAYLAND_DISPLAY names, brought up whole;
// null when that is unset, the compositor cannot be reached, or it lacks
// what the screen is drawn with (layer shell above all): the program then
// goes on with X11.
std::unique_ptr<core::Backend> Connect();

}  // namespace wayland
