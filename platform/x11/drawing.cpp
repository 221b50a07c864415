// Drawing on the screen with the server's own requests: one fill, one
// PolyLine, one string of a core font, on every target the screen names.
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/x11/session.h"

namespace x11 {
namespace {

// A pen that rounds to one pixel or less is drawn as X's thin line (width
// 0): one pixel wide, as GDI draws such a pen on Windows and under Wine, and
// far cheaper for the server than a wide line of width 1. Wider pens are
// wide lines with mitered joins. Written so that a NaN width draws the
// thinnest line rather than reach a conversion.
unsigned LineWidth(REAL width) {
  return !(width >= 1.5f) ? 0 : static_cast<unsigned>(std::lround(std::min(width, 4096.0f)));
}

// To the nearest pixel, halves away from zero; the core keeps coordinates within the protocol's range.
short Round(REAL value) { return static_cast<short>(std::lround(value)); }

// A core X font: the family's at the size in pixels where the server has
// one, else a sans-serif one of that size, else the server's "fixed".
struct CoreFont : core::NativeFont {
  CoreFont(Display* dpy, XFontStruct* font) : dpy(dpy), font(font) {}
  ~CoreFont() override { XFreeFont(dpy, font); }
  Display* const dpy;
  XFontStruct* const font;
};

}  // namespace

void Session::Fill(ARGB color) {
  screen_.Fill(color);
  XFlush(connection_.display);
}

void Session::DrawLines(const GpPointF* points, INT count, ARGB color, REAL width) {
  Display* dpy = connection_.display;
  linePoints_.clear();
  for (INT i = 0; i < count; ++i) {
    linePoints_.push_back(XPoint{Round(points[i].X), Round(points[i].Y)});
  }
  for (const Target& target : screen_.DrawingTargets()) {
    XSetForeground(dpy, target.gc, screen_.PixelOf(color, target));
    XSetLineAttributes(dpy, target.gc, LineWidth(width), LineSolid, CapButt, JoinMiter);
    XDrawLines(dpy, target.drawable, target.gc, linePoints_.data(), count, CoordModeOrigin);
  }
  XFlush(dpy);
}

std::unique_ptr<core::NativeFont> Session::OpenFont(const std::string& family, REAL pixels) {
  Display* dpy = connection_.display;
  // No core font is anywhere near this big; the bound keeps the conversion defined.
  const long size = std::lround(std::min(pixels, 4096.0f));
  const std::string sized = "-medium-r-normal--" + std::to_string(size) + "-*-*-*-*-*-iso8859-1";
  for (const std::string& name : {"-*-" + family + sized, "-*-helvetica" + sized, std::string("fixed")}) {
    if (XFontStruct* font = XLoadQueryFont(dpy, name.c_str())) {
      return std::make_unique<CoreFont>(dpy, font);
    }
  }
  return nullptr;
}

void Session::DrawText(const core::NativeFont& font, const std::string& latin1, REAL x, REAL y, ARGB color) {
  Display* dpy = connection_.display;
  const XFontStruct& core = *static_cast<const CoreFont&>(font).font;
  const int baseline = Round(y) + core.ascent;
  for (const Target& target : screen_.DrawingTargets()) {
    XSetForeground(dpy, target.gc, screen_.PixelOf(color, target));
    XSetFont(dpy, target.gc, core.fid);
    XDrawString(dpy, target.drawable, target.gc, Round(x), baseline, latin1.data(), static_cast<int>(latin1.size()));
  }
  XFlush(dpy);
}

}  // namespace x11
