// Drawing on the screen: cairo rasterises the stroke into a coverage mask
// over the polyline's bounding box, and XRender composites the pen colour
// through that mask onto the screen device context.
#include <algorithm>
#include <cmath>

#include "platform/x11/connection.h"
#include "platform/x11/gdiplus_objects.h"
#include "platform/x11/screen_dc.h"

namespace x11 {
namespace {

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
  // Written so that a NaN coordinate lands on an edge instead of in an integer conversion.
  const auto clamp = [](float value, int limit) {
    if (!(value > 0)) {
      return 0;
    }
    return value < static_cast<float>(limit) ? static_cast<int>(value) : limit;
  };
  const int x0 = clamp(std::floor(left - reach), dc.width);
  const int y0 = clamp(std::floor(top - reach), dc.height);
  const int x1 = clamp(std::ceil(right + reach), dc.width);
  const int y1 = clamp(std::ceil(bottom + reach), dc.height);
  return Box{x0, y0, x1 - x0, y1 - y0};
}

}  // namespace
}  // namespace x11

GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* graphics, ARGB color) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc)) {
    return InvalidParameter;
  }
  Display* dpy = x11::Connection();
  const XRenderColor renderColor = x11::ToRenderColor(color);
  XRenderFillRectangle(dpy, PictOpSrc, graphics->dc->picture, &renderColor, 0, 0, graphics->dc->width,
                       graphics->dc->height);
  XFlush(dpy);
  return Ok;
}

GpStatus WINGDIPAPI GdipDrawLines(GpGraphics* graphics, GpPen* pen, const GpPointF* points, INT count) {
  if (!x11::IsLiveGraphics(graphics) || !x11::IsLiveDC(graphics->dc) || !x11::IsLivePen(pen) ||
      points == nullptr || count < 2) {
    return InvalidParameter;
  }
  const HDC__& dc = *graphics->dc;
  const x11::Box box = x11::StrokeBounds(points, count, pen->width, dc);
  if (box.width == 0 || box.height == 0) {
    return Ok;
  }
  Display* dpy = x11::Connection();
  if (graphics->canvas == nullptr) {
    graphics->canvas = std::make_unique<x11::StrokeCanvas>(dpy);
  }
  x11::StrokeCanvas& canvas = *graphics->canvas;
  canvas.Rasterise(points, count, pen->width, pen->lineJoin, x11::penMiterLimit, box);
  XRenderComposite(dpy, PictOpOver, canvas.Fill(pen->color), canvas.Mask(), dc.picture, 0, 0, 0, 0, box.x, box.y,
                   static_cast<unsigned>(box.width), static_cast<unsigned>(box.height));
  XFlush(dpy);
  return Ok;
}
