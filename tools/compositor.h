// What an X client can tell of a compositing manager on the display.
#pragma once

#include <X11/Xlib.h>

namespace tools {

// Whether one runs: some client owns the compositing manager selection of the first screen.
bool CompositorRuns(Display* display);

// Whether one has redirected the root's children itself: another client's manual redirection is then
// refused. Asked only once the compositor has painted, lest the question take the redirection from it.
bool RedirectionHeld(Display* display);

}  // namespace tools
