// Text on the screen in a core X font, drawn by the server in the brush colour.
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/x11/connection.h"
#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen.h"

namespace x11 {
namespace {

// The text in the font's Latin-1, what has no place there as '?'.
std::string ToLatin1(const WCHAR* text) {
  std::string latin1;
  for (; *text != 0; ++text) {
    latin1 += *text < 0x100 ? static_cast<char>(*text) : '?';
  }
  return latin1;
}

// The coordinate in whole pixels, a far or missing one cut to the screen's reach.
int ToXCoordinate(REAL value) {
  constexpr REAL limit = coordinateReach;
  return static_cast<int>(std::lround(std::isnan(value) ? 0 : std::clamp(value, -limit, limit)));
}

}  // namespace
}  // namespace x11

GpStatus WINGDIPAPI GdipDrawString(GpGraphics* graphics, const WCHAR* string, INT length, const GpFont* font,
                                   const RectF* layoutRect, const GpStringFormat* stringFormat, const GpBrush* brush) {
  // Only a whole zero-terminated text, from the top-left corner of a rectangle that neither wraps nor clips it.
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || string == nullptr || length != -1 ||
      !x11::IsLiveFont(font) || layoutRect == nullptr || layoutRect->Width != 0 || layoutRect->Height != 0 ||
      stringFormat != nullptr || !x11::IsLiveBrush(brush)) {
    return InvalidParameter;
  }
  // The server's glyphs are opaque: a translucent brush would need blending that is not offered.
  if (brush->color >> 24 != 0xFF) {
    return NotImplemented;
  }
  Display* dpy = x11::Connection();
  const std::string text = x11::ToLatin1(string);
  const XFontStruct& core = *font->core;
  const int x = x11::ToXCoordinate(layoutRect->X);
  const int baseline = x11::ToXCoordinate(layoutRect->Y) + core.ascent;
  x11::Screen& screen = x11::TheScreen();
  for (const x11::Target& target : screen.DrawingTargets()) {
    XSetForeground(dpy, target.gc, screen.PixelOf(brush->color, target));
    XSetFont(dpy, target.gc, core.fid);
    XDrawString(dpy, target.drawable, target.gc, x, baseline, text.data(), static_cast<int>(text.size()));
  }
  XFlush(dpy);
  return Ok;
}
