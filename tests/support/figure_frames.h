// The figure as the programs draw it, frame after frame, and how a screen
// shows those frames.
#pragma once

#include <vector>

#include "platform/platform.h"
#include "tests/support/screen.h"

namespace testsupport {

using Polyline = std::vector<GpPointF>;

// The figure as frames 1 to `count` draw it.
std::vector<Polyline> FigureFrames(int count);

// Whether every segment of the polyline shows magenta at its middle.
bool ShowsPolyline(const Screenshot& shot, const Polyline& points);

// The magenta pixels farther than a stroke reaches from every one of the frames.
int StrayPixels(const Screenshot& shot, const std::vector<Polyline>& frames);

}  // namespace testsupport
