#include "tools/figure_frames.h"

#include <algorithm>
#include <cmath>

#include "figure/figure.h"

namespace tools {

namespace {

struct Figure {
  Polyline points;
  std::uint32_t cursor;
};

// Taken on first use, and at the latest as the process starts, before anything can step the figure.
const Figure& Loaded() {
  static const Figure loaded{Polyline(figurePoints, figurePoints + figurePointCount), swapCursor};
  return loaded;
}
[[maybe_unused]] const Figure& takenAtStart = Loaded();

}  // namespace

void RestoreLoadedFigure() {
  std::copy(Loaded().points.begin(), Loaded().points.end(), figurePoints);
  swapCursor = Loaded().cursor;
}

std::vector<Polyline> FigureFrames(int count) {
  RestoreLoadedFigure();
  std::vector<Polyline> frames;
  for (int frame = 0; frame < count; ++frame) {
    StepFigure();
    frames.emplace_back(figurePoints, figurePoints + figurePointCount);
  }
  return frames;
}

bool ShowsPolyline(const Screenshot& shot, const Polyline& points) {
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    if (!ColorNear(shot, (points[i].X + points[i + 1].X) / 2, (points[i].Y + points[i + 1].Y) / 2, 1, magenta)) {
      return false;
    }
  }
  return true;
}

int StrayPixels(const Screenshot& shot, const std::vector<Polyline>& frames) {
  int stray = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      if (shot.At(x, y) == magenta &&
          std::none_of(frames.begin(), frames.end(), [&](const Polyline& frame) {
            return DistanceToPolyline(x + 0.5, y + 0.5, frame) <= strokeReach;
          })) {
        ++stray;
      }
    }
  }
  return stray;
}

}  // namespace tools
