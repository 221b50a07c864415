// Clearing the screen and drawing polylines on it: cairo rasterises the
// stroke into a coverage mask over the polyline's bounding box, and XRender
// composites the pen colour through that mask.
#include <algorithm>

#include "platform/x11/connection.h"
#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen_dc.h"

namespace x11 {
namespace {

cairo_line_join_t ToCairoJoin(GpLineJoin join) {
  switch (join) {
    case LineJoinBevel:
      return CAIRO_LINE_JOIN_BEVEL;
    case LineJoinRound:
      return CAIRO_LINE_JOIN_ROUND;
    default:
      return CAIRO_LINE_JOIN_MITER;
  }
}

// The pixels a stroke through the points can touch, cut to the screen.
Box StrokeBounds(const GpPointF* points, INT count, REAL penWidth, const HDC__& dc) {
  float left = points[0].X;
  float right = points[0].X;
  float top = points[0].Y;
  float bottom = points[0].Y;
  for (INT i = 1; i < count; ++i) {
    left = std::min(left, points[i].X);
    right = std::max(right, points[i].X);
    top = std::min(top, points[i].Y);
    bottom = std::max(bottom, points[i].Y);
  }
  const float reach = penWidth * penMiterLimit / 2 + 2;
  return ScreenBox(left - reach, top - reach, right + reach, bottom + reach, dc);
}

}  // namespace
}  // namespace x11

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc)) {
    return InvalidParameter;
  }
  Display* dpy = x11::Connection();
  const XRenderColor renderColor = x11::ToRenderColor(color);
  const HDC__& dc = *graphics->dc;
  for (const Picture target : x11::TargetsOf(dc)) {
    XRenderFillRectangle(dpy, PictOpSrc, target, &renderColor, 0, 0, static_cast<unsigned>(dc.width),
                         static_cast<unsigned>(dc.height));
  }
  if (color >> 24 == 0xFF) {
    x11::ClearedOpaque();
  }
  x11::Present(0, 0, dc.width, dc.height);
  XFlush(dpy);
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || !x11::IsLivePen(pen) ||
      points == nullptr || count < 2) {
    return InvalidParameter;
  }
  const x11::Box box = x11::StrokeBounds(points, count, pen->width, *graphics->dc);
  if (box.width == 0 || box.height == 0) {
    return Ok;
  }
  x11::Canvas& canvas = x11::CanvasOf(*graphics);
  cairo_t* cr = canvas.Begin(box);
  cairo_set_line_width(cr, pen->width);
  cairo_set_line_join(cr, x11::ToCairoJoin(pen->lineJoin));
  cairo_set_miter_limit(cr, x11::penMiterLimit);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_move_to(cr, points[0].X, points[0].Y);
  for (INT i = 1; i < count; ++i) {
    cairo_line_to(cr, points[i].X, points[i].Y);
  }
  cairo_stroke(cr);
  canvas.Paint(pen->color, *graphics->dc);
  return Ok;
}
