// Clearing the screen and drawing polylines on it with the server's own
// requests: one fill, and one PolyLine per run of the polyline, for every
// target the screen names.
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/x11/connection.h"
#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen.h"

namespace x11 {
namespace {

int ToXJoin(GpLineJoin join) {
  switch (join) {
    case LineJoinBevel:
      return JoinBevel;
    case LineJoinRound:
      return JoinRound;
    default:
      return JoinMiter;
  }
}

// A pen that rounds to one pixel or less is drawn as X's thin line (width
// 0): one pixel wide, without joins, as GDI draws such a pen on Windows and
// under Wine, and far cheaper for the server than a wide line of width 1.
// Wider pens are wide lines, whose joins follow the pen's. Written so that
// a NaN width draws the thinnest line rather than reach a conversion.
int LineWidth(REAL width) { return !(width >= 1.5f) ? 0 : static_cast<int>(std::lround(std::min(width, 4096.0f))); }

// To the nearest pixel, halves away from zero; the point lies within the square.
short Round(double value) { return static_cast<short>(value + (value < 0 ? -0.5 : 0.5)); }

XPoint ToXPoint(double x, double y) { return XPoint{Round(x), Round(y)}; }

// Whether the point lies in the square of the screen's reach (coordinateReach), which far segments are cut to.
bool Inside(double x, double y) { return std::fabs(x) <= coordinateReach && std::fabs(y) <= coordinateReach; }

// The fractions of the segment from a to b inside the square (Liang-Barsky):
// false if none of it is.
bool Clip(double ax, double ay, double bx, double by, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  const double dx = bx - ax;
  const double dy = by - ay;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {ax + coordinateReach, coordinateReach - ax, ay + coordinateReach, coordinateReach - ay};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) {
        return false;
      }
    } else if (p[i] < 0) {
      t0 = std::max(t0, q[i] / p[i]);
    } else {
      t1 = std::min(t1, q[i] / p[i]);
    }
  }
  return t0 <= t1;
}

// The point at the fraction t of the way from a to b, measured from the
// nearer end, so that a far end does not swallow the near one's digits;
// `back` is the same point's fraction of the way from b to a.
XPoint At(double ax, double ay, double bx, double by, double t, double back) {
  if (t <= 0.5) {
    return ToXPoint(ax + t * (bx - ax), ay + t * (by - ay));
  }
  return ToXPoint(bx + back * (ax - bx), by + back * (ay - by));
}

// The polyline in whole pixels, as runs of connected points, each ended
// where `ends` says: one run unless the square cuts it into pieces. Far
// points keep the slope of what is visible to the precision of a double:
// to well under a pixel while they are within about 1e12 of the screen.
struct Runs {
  std::vector<XPoint> points;
  std::vector<std::size_t> ends;
};

void Convert(const GpPointF* points, INT count, Runs& runs) {
  runs.points.clear();
  runs.ends.clear();
  bool open = false;
  for (INT i = 0; i + 1 < count; ++i) {
    const double ax = points[i].X, ay = points[i].Y, bx = points[i + 1].X, by = points[i + 1].Y;
    // A segment with both ends in the square is all of it, as clipping would find.
    double t0 = 0, t1 = 1, u0 = 0, u1 = 1;
    if (!(Inside(ax, ay) && Inside(bx, by)) && (!Clip(ax, ay, bx, by, t0, t1) || !Clip(bx, by, ax, ay, u0, u1))) {
      open = false;
      continue;
    }
    if (!open || t0 > 0) {
      if (!runs.points.empty()) {
        runs.ends.push_back(runs.points.size());
      }
      runs.points.push_back(t0 == 0 ? ToXPoint(ax, ay) : At(ax, ay, bx, by, t0, u1));
    }
    runs.points.push_back(t1 == 1 ? ToXPoint(bx, by) : At(ax, ay, bx, by, t1, u0));
    open = t1 == 1;
  }
  if (!runs.points.empty()) {
    runs.ends.push_back(runs.points.size());
  }
}

bool AllFinite(const GpPointF* points, INT count) {
  return std::all_of(points, points + count,
                     [](const GpPointF& point) { return std::isfinite(point.X) && std::isfinite(point.Y); });
}

}  // namespace
}  // namespace x11

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc)) {
    return InvalidParameter;
  }
  x11::TheScreen().Fill(color);
  XFlush(x11::Connection());
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  // A point that is no number has no place to be drawn at: nothing is drawn.
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || !x11::IsLivePen(pen) ||
      points == nullptr || count < 2 || !x11::AllFinite(points, count)) {
    return InvalidParameter;
  }
  // The server's lines are opaque: a translucent pen would need blending that is not offered.
  if (pen->color >> 24 != 0xFF) {
    return NotImplemented;
  }
  Display* dpy = x11::Connection();
  // Kept from call to call, so that a frame allocates nothing.
  static x11::Runs runs;
  x11::Convert(points, count, runs);
  x11::Screen& screen = x11::TheScreen();
  for (const x11::Target& target : screen.DrawingTargets()) {
    XSetForeground(dpy, target.gc, screen.PixelOf(pen->color, target));
    XSetLineAttributes(dpy, target.gc, static_cast<unsigned>(x11::LineWidth(pen->width)), LineSolid, CapButt,
                       x11::ToXJoin(pen->lineJoin));
    std::size_t start = 0;
    for (const std::size_t end : runs.ends) {
      XDrawLines(dpy, target.drawable, target.gc, runs.points.data() + start, static_cast<int>(end - start),
                 CoordModeOrigin);
      start = end;
    }
  }
  XFlush(dpy);
  return Ok;
}
