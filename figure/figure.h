// The animated figure: an 18-point table deformed one exchange per frame.
#pragma once

#include "platform/platform.h"

constexpr int figurePointCount = 18;

// 18 points as one run of 36 float32 coordinates: x0, y0, x1, y1, ...
extern GpPointF figurePoints[figurePointCount];

// Byte offset, within the coordinate run, of the pair the latest step exchanged.
extern std::uint32_t swapCursor;

void StepFigure();
