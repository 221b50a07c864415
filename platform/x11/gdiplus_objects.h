// The GDI+ objects behind the flat interface's handles.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "platform/x11/stroke_canvas.h"

struct GpGraphics {
  HDC dc;
  // Made at the first stroke and kept until the graphics object is deleted.
  std::unique_ptr<x11::StrokeCanvas> canvas;
};

struct GpPen {
  ARGB color;
  REAL width;
  GpLineJoin lineJoin;
};

struct GpBrush {
  ARGB color;
};

namespace x11 {

// GDI+'s default miter limit: a miter longer than this many half widths is cut off.
constexpr REAL penMiterLimit = 10.0f;

bool GdiplusStarted();
bool IsLiveGraphics(const GpGraphics* graphics);
bool IsLivePen(const GpPen* pen);

}  // namespace x11
