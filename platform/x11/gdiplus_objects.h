// The GDI+ objects behind the flat interface's handles.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

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

// A family is a name, looked for among the server's core fonts.
struct GpFontFamily {
  std::string name;
};

// A core X font: the family's at the size in pixels where the server has
// one, else one of that size, else the server's "fixed".
struct GpFont {
  struct Release {
    void operator()(XFontStruct* font) const;
  };
  std::unique_ptr<XFontStruct, Release> core;
};

namespace x11 {

bool GdiplusStarted();
bool IsLiveGraphics(const GpGraphics* graphics);
bool IsLivePen(const GpPen* pen);
bool IsLiveBrush(const GpBrush* brush);
bool IsLiveFontFamily(const GpFontFamily* family);
bool IsLiveFont(const GpFont* font);

// The UTF-8 form of a zero-terminated UTF-16 text.
std::string ToUtf8(const WCHAR* text);

}  // namespace x11
