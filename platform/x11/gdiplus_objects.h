// The GDI+ objects behind the flat interface's handles.
#pragma once

#include <memory>

#include "platform/platform.h"
#include <string>

#include "platform/x11/canvas.h"

struct GpGraphics {
  HDC dc;
  // Made at the first drawing and kept until the graphics object is deleted.
  std::unique_ptr<x11::Canvas> canvas;
};

struct GpPen {
  ARGB color;
  REAL width;
  GpLineJoin lineJoin;
};

struct GpBrush {
  ARGB color;
};

// A family is a name for fontconfig, which finds the nearest installed one.
struct GpFontFamily {
  std::string name;
};

// A font is cairo's, of the family's face at the size in pixels.
struct GpFont {
  struct Release {
    void operator()(cairo_scaled_font_t* font) const { cairo_scaled_font_destroy(font); }
  };
  std::unique_ptr<cairo_scaled_font_t, Release> scaled;
};

namespace x11 {

// GDI+'s default miter limit: a miter longer than this many half widths is cut off.
constexpr REAL penMiterLimit = 10.0f;

bool GdiplusStarted();
bool IsLiveGraphics(const GpGraphics* graphics);
bool IsLivePen(const GpPen* pen);
bool IsLiveBrush(const GpBrush* brush);
bool IsLiveFontFamily(const GpFontFamily* family);
bool IsLiveFont(const GpFont* font);

// The UTF-8 form of a zero-terminated UTF-16 text.
std::string ToUtf8(const WCHAR* text);

// The graphics object's canvas, made on first use.
Canvas& CanvasOf(GpGraphics& graphics);

}  // namespace x11
