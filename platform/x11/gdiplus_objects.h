// The GDI+ objects behind the flat interface's handles.
#pragma once

#include "platform/platform.h"

struct GpGraphics {
  HDC dc;
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
