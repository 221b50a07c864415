// The figure as the programs load it and draw it, frame after frame, and how
// a screen shows those frames.
#pragma once

#include <vector>

#include "platform/platform.h"
#include "tools/screen.h"

namespace tools {

using Polyline = std::vector<GpPointF>;

// Puts the figure module back as the program loads it: its table and cursor.
void RestoreLoadedFigure();

// The figure as frames 1 to `count` draw it, stepped from its state at load;
// the figure module is left as the last of them.
std::vector<Polyline> FigureFrames(int count);

// Whether every segment of the polyline shows magenta at its middle.
bool ShowsPolyline(const Screenshot& shot, const Polyline& points);

// The magenta pixels farther than a stroke reaches from every one of the frames.
int StrayPixels(const Screenshot& shot, const std::vector<Polyline>& frames);

}  // namespace tools
