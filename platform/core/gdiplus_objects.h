// The device contexts and GDI+ objects behind the handles the programs hold.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/handle_table.h"

// The device context of the whole screen; the backend holds what it draws on.
struct HDC__ {};

struct GpGraphics {
  HDC dc;
};

// Widths are in pixels, and joins always mitered: the programs ask for no other.
struct GpPen {
  ARGB color;
  REAL width;
};

struct GpBrush {
  ARGB color;
};

// A family is a name, looked for among the desktop's fonts when a font is made of it.
struct GpFontFamily {
  std::string name;
};

struct GpFont {
  std::unique_ptr<core::NativeFont> native;
};

namespace core {

struct GdiplusObjects {
  std::vector<ULONG_PTR> liveTokens;
  ULONG_PTR lastToken = 0;
  HandleTable<HDC__> deviceContexts;
  HandleTable<GpGraphics> graphics;
  HandleTable<GpPen> pens;
  HandleTable<GpBrush> brushes;
  HandleTable<GpFontFamily> fontFamilies;
  HandleTable<GpFont> fonts;
};

}  // namespace core
